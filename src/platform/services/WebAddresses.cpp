#include "platform/services/WebAddresses.h"

#include <cstdlib>

std::string WebSiteAddress()
{
    const char* address = std::getenv("KESTRAME_WEBSITE");
    return address && *address ? address : KESTRAME_WEBSITE_ADDRESS;
}
