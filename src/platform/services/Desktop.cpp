#include "platform/services/Desktop.h"

#include "platform/core/FilePaths.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class SystemDesktop : public DesktopServices {
public:
    bool Open(const std::string& target) override { return QDesktopServices::openUrl(TargetUrl(target)); }

private:
    // A path has no scheme, or a one-letter one where a Windows drive was named.
    static QUrl TargetUrl(const std::string& target)
    {
        const QUrl url(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())));
        if (url.scheme().size() > 1)
            return url;
        return QUrl::fromLocalFile(PathToQString(target));
    }
};

DesktopServices* replacement = nullptr;

} // namespace

DesktopServices& Desktop()
{
    static SystemDesktop system;
    return replacement ? *replacement : system;
}

void SetDesktop(DesktopServices* desktop) { replacement = desktop; }
