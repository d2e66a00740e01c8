#include "platform/services/WebAddresses.h"

#include "platform/core/CodePage.h"

#include <QUrl>

#include <cstdlib>

namespace {

std::string ConfiguredAddress(const char* variable, const char* built)
{
    const char* address = std::getenv(variable);
    return address && *address ? address : built;
}

} // namespace

std::string WebSiteAddress() { return ConfiguredAddress("KESTRAME_WEBSITE", KESTRAME_WEBSITE_ADDRESS); }

std::string UpdateServerAddress()
{
    return ConfiguredAddress("KESTRAME_UPDATE_SERVER", KESTRAME_UPDATE_SERVER_ADDRESS);
}

std::string JoinAddress(std::string_view base, std::string_view path)
{
    while (!base.empty() && base.back() == '/')
        base.remove_suffix(1);
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    return std::string(base) + "/" + std::string(path);
}

std::string AddressHost(const std::string& address)
{
    return fromQString(QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()))).host());
}
