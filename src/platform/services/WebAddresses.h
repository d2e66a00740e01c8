#pragma once

#include <string>
#include <string_view>

// The program's web site, where the footers of exported web pages link to: the address the build
// was configured with, or the environment's KESTRAME_WEBSITE when set and not empty.
std::string WebSiteAddress();

// The server of the version check and the updater, as the build was configured or as the
// environment's KESTRAME_UPDATE_SERVER says.
std::string UpdateServerAddress();

// `base` and `path` joined by exactly one "/".
std::string JoinAddress(std::string_view base, std::string_view path);

// The host name of an address ("www.kestrame.example") as model text; empty when it names none.
std::string AddressHost(const std::string& address);
