#pragma once

#include <string>

// The program's web site, where the footers of exported web pages link to: the address the build
// was configured with, or the environment's KESTRAME_WEBSITE when set and not empty.
std::string WebSiteAddress();
