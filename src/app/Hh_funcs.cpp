#include "app/Hh_funcs.h"

#include "app/HelpWindow.h"
#include "app/Hh.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

constexpr size_t RuleLength = 60;

std::string Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

// "%20" as a blank, trimmed: how the help calls take every part of a path.
std::string CleanPart(std::string_view part) { return Trimmed(Replaced(std::string(part), "%20", " ")); }

constexpr std::string_view MkStorePrefix = "mk:@MSITStore:";
constexpr std::string_view MsItsPrefix = "ms-its:";

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::string CommandName(std::uint16_t command)
{
    switch (command) {
    case HELP_CONTEXT:
        return "HELP_CONTEXT";
    case HELP_CONTEXTPOPUP:
        return "HELP_CONTEXTPOPUP";
    case HELP_SETPOPUP_POS:
        return "HELP_SETPOPUP_POS";
    default:
        return "HELP_OTHER";
    }
}

} // namespace

std::string HhErrorText(int code)
{
    switch (code) {
    case HH_ERR_HHNotInstalled:
        return "libchm is not installed on this PC.";
    case HH_ERR_KeyHHexeNotFound:
        return "System file KeyHH.EXE was not found in the Windows folder.";
    case HH_ERR_HHexeNotFound:
        return "System file HH.EXE was not found in the Windows folder.";
    default:
        return "Unknown error returned by HHHelpContext";
    }
}

std::string HhPath(std::string_view file, std::string_view topic, std::string_view window, HhPathPrefix prefix)
{
    std::string path = CleanPart(file);
    const std::string cleanTopic = Replaced(CleanPart(topic), "\\", "/");
    if (!cleanTopic.empty())
        path += "::" + (cleanTopic.front() == '/' ? cleanTopic : "/" + cleanTopic);
    if (const std::string cleanWindow = CleanPart(window); !cleanWindow.empty())
        path += ">" + cleanWindow;
    if (prefix == HhPathPrefix::MkStore)
        path.insert(0, MkStorePrefix);
    else if (prefix == HhPathPrefix::MsIts)
        path.insert(0, MsItsPrefix);
    return path;
}

HhPathParts SplitHhPath(std::string_view path)
{
    if (StartsWithNoCase(path, MkStorePrefix))
        path.remove_prefix(MkStorePrefix.size());
    else if (StartsWithNoCase(path, MsItsPrefix))
        path.remove_prefix(MsItsPrefix.size());
    HhPathParts parts;
    if (const size_t window = path.rfind('>'); window != std::string_view::npos) {
        parts.window = path.substr(window + 1);
        path = path.substr(0, window);
    }
    if (const size_t topic = path.find("::"); topic != std::string_view::npos) {
        parts.topic = path.substr(topic + 2);
        path = path.substr(0, topic);
    }
    parts.file = path;
    return parts;
}

THookHelpSystem::THookHelpSystem(std::string chmFile_, std::string windowName_, THostType hostType_)
    : previousHelp(TApplication::OnHelp()), chmFile(std::move(chmFile_)), windowName(std::move(windowName_)),
      hostType(hostType_)
{
    HhDebug("THookHelpSystem.Create(" + chmFile + ", " + windowName + ", " + IntToStr(static_cast<int>(hostType)) +
            ")");
    TApplication::SetOnHelp([this](std::uint16_t command, std::uint32_t data, bool& callHelp) {
        return HelpHook(command, data, callHelp);
    });
}

THookHelpSystem::~THookHelpSystem()
{
    HhDebug("THookHelpSystem.Destroy");
    if (hostType == THostType::HtmlHelpApi)
        CloseAllHelpWindows();
    TApplication::SetOnHelp(previousHelp);
}

bool THookHelpSystem::HelpHook(std::uint16_t command, std::uint32_t data, bool& callHelp)
{
    HhDebug("THookHelpSystem.HelpHook(" + CommandName(command) + " (" + IntToStr(command) + "), " +
            IntToStr(static_cast<int>(data)) + ")");
    callHelp = false;
    int result = HH_ERR_None;
    switch (command) {
    case HELP_CONTEXT:
        result = onHelpContext ? onHelpContext(data) : HelpContext(data);
        break;
    case HELP_CONTEXTPOPUP:
        result = onHelpContextPopup ? onHelpContextPopup(data, popupX, popupY) : HelpContext(data);
        break;
    case HELP_SETPOPUP_POS:
        popupX = static_cast<std::int16_t>(data & 0xFFFF);
        popupY = static_cast<std::int16_t>(data >> 16);
        break;
    default:
        // WinHelp would take it; there is none, so the request ends here.
        callHelp = true;
        HhDebug("  left for WinHelp");
        break;
    }
    HhDebug("  returned - " + IntToStr(result));
    return true;
}

int THookHelpSystem::HelpContext(std::uint32_t context)
{
    HhDebug("THookHelpSystem.HelpContext(" + IntToStr(static_cast<int>(context)) + ")");
    const HhPathPrefix prefix = hostType == THostType::HH ? HhPathPrefix::MkStore : HhPathPrefix::None;
    const int code = ShowContext(HhPath(chmFile, "", windowName, prefix), context);
    HhReportError(code);
    return code;
}

int THookHelpSystem::ShowContext(const std::string& path, std::uint32_t context)
{
    HhDebug("HHHelpContext(" + path + ", " + IntToStr(static_cast<int>(context)) + ")");
    if (!HhInstalled())
        return HH_ERR_HHNotInstalled;
    switch (hostType) {
    case THostType::HtmlHelpApi:
        ShowHelpContext(path, context);
        return HH_ERR_None;
    // The two viewers live in the Windows folder, which this system does not have.
    case THostType::KeyHH:
        return HH_ERR_KeyHHexeNotFound;
    case THostType::HH:
        return HH_ERR_HHexeNotFound;
    }
    return HH_ERR_None;
}

void HhReportError(int code)
{
    if (code == HH_ERR_None)
        return;
    HhDebug("ReportError(" + IntToStr(code) + ")");
    Ui().MessageBox(HhErrorText(code), ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
}

std::unique_ptr<TDLogFile> TDLogFile::Create(const std::string& path)
{
    // Exclusive and without following a link: a name planted in a shared folder cannot redirect
    // the writes.
    const int descriptor = OpenFileDescriptor(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return nullptr;
    return std::unique_ptr<TDLogFile>(new TDLogFile(path, descriptor));
}

TDLogFile::~TDLogFile() { ::close(descriptor_); }

void TDLogFile::Write(std::string_view text)
{
    const std::string line = LogLineText(text, Now()) + "\r\n";
    // A log that cannot be written is no reason to stop help: what is left unwritten is dropped.
    for (size_t written = 0; written < line.size();) {
        const ssize_t got = ::write(descriptor_, line.data() + written, line.size() - written);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        written += static_cast<size_t>(got);
    }
}

std::string LogLineText(std::string_view text, std::chrono::system_clock::time_point time)
{
    if (text == "-" || text == "=")
        return std::string(RuleLength, text.front());
    if (!text.empty() && (text.front() == '!' || text.front() == '-' || text.front() == '='))
        return std::string(text.substr(1));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return std::string(stamp) + "   " + std::string(text);
}
