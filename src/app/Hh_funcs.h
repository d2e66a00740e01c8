#pragma once

#include "platform/ui/Application.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The help hook: routes the application's help requests to the help window, and the diagnostic
// log the help calls write in debug mode.

// How help is shown: our help window, or one of the two Windows viewers, which never exist here.
enum class THostType : std::uint8_t { HtmlHelpApi = 0, KeyHH = 1, HH = 2 };

// Error codes of the help calls.
enum HhError : int {
    HH_ERR_None = 0,
    HH_ERR_HHNotInstalled = 1,
    HH_ERR_KeyHHexeNotFound = 2,
    HH_ERR_HHexeNotFound = 3
};
std::string HhErrorText(int code);

// Prefixes a help path can take.
enum class HhPathPrefix { None = 0, MkStore = 1, MsIts = 2 };
// "%20" becomes a blank and the parts are trimmed; a topic joins the file with "::" (backslashes
// turned into slashes, a leading "/" added), a window name follows ">".
std::string HhPath(std::string_view file, std::string_view topic, std::string_view window, HhPathPrefix prefix);

// The parts of a help path (either prefix, "file::/topic>window"); the topic keeps its "/".
struct HhPathParts {
    std::string file;
    std::string topic;
    std::string window;
};
HhPathParts SplitHhPath(std::string_view path);

class THookHelpSystem {
public:
    using ContextHandler = std::function<int(std::uint32_t context)>;
    using PopupHandler = std::function<int(std::uint32_t context, int x, int y)>;

    // Saves the application's help handler and puts HelpHook in its place.
    THookHelpSystem(std::string chmFile, std::string windowName, THostType hostType);
    // With our window as host closes every help window; puts the saved handler back.
    ~THookHelpSystem();
    THookHelpSystem(const THookHelpSystem&) = delete;
    THookHelpSystem& operator=(const THookHelpSystem&) = delete;

    bool HelpHook(std::uint16_t command, std::uint32_t data, bool& callHelp);
    // Shows the topic of `context`; the error code, already shown to the user.
    int HelpContext(std::uint32_t context);

    HelpHandler previousHelp;
    std::string chmFile;
    std::string windowName;
    THostType hostType;
    int popupX = 0;
    int popupY = 0;
    ContextHandler onHelpContext;
    PopupHandler onHelpContextPopup;
    bool callPreviousToo = false;

private:
    int ShowContext(const std::string& path, std::uint32_t context);
};

// Shows the message of an error code of the help calls: the application's title, exclamation.
void HhReportError(int code);

// The diagnostic log "HHDebug.txt": made exclusively, never through a link, one line per Write.
class TDLogFile {
public:
    // Nothing when the file exists already or cannot be made.
    static std::unique_ptr<TDLogFile> Create(const std::string& path);
    ~TDLogFile();
    TDLogFile(const TDLogFile&) = delete;
    TDLogFile& operator=(const TDLogFile&) = delete;

    const std::string& Path() const { return path_; }
    void Write(std::string_view text);

private:
    TDLogFile(std::string path, int descriptor) : path_(std::move(path)), descriptor_(descriptor) {}

    std::string path_;
    int descriptor_;
};

// A log line: the time of day ("hh:mm:ss.zzz"), three blanks and the text. A text that begins with
// "!", "-" or "=" loses that character and has no time; "-" or "=" alone is a rule of 60 of them.
std::string LogLineText(std::string_view text, std::chrono::system_clock::time_point time);
