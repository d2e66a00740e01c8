#pragma once

#include <functional>
#include <string>
#include <string_view>

// The help engine's loader and the help integration's global state: the engine, the debug-mode
// switch and the diagnostic log.

// The program's help file, in the program folder.
inline constexpr std::string_view HelpFileName = "KestrameHelp.chm";

// The engine's library: "libchm.so.1".
inline constexpr std::string_view HelpEngineName = "chm";
inline constexpr int HelpEngineVersion = 1;

// Loads the engine (by name through the system's search, else GetPathToHHCtrlOCX()) and begins the
// debug log. The program calls it once at start; `engineName` lets tests name a missing one.
void LoadHtmlHelp(std::string_view engineName = HelpEngineName);
// Releases the engine and ends the log, at program end.
void UnloadHtmlHelp();
// The engine loaded for the life of the program's entry; made before the main window, it is
// released after the main window has closed the help windows.
struct HtmlHelpLoaded {
    HtmlHelpLoaded() { LoadHtmlHelp(); }
    ~HtmlHelpLoaded() { UnloadHtmlHelp(); }
    HtmlHelpLoaded(const HtmlHelpLoaded&) = delete;
    HtmlHelpLoaded& operator=(const HtmlHelpLoaded&) = delete;
};

// The copy of the engine the program folder may carry: ProgramFolder() + "libchm.so.1".
std::string GetPathToHHCtrlOCX();

bool HhInstalled();
// The engine's version text ("1.0.0.0"), empty when it is not loaded.
std::string HhVersionText();

// Debug mode: "debug.debug" in the program folder, or a debug switch on the command line.
bool HhDebugMode();
// The log's path in debug mode, else empty.
std::string HhLogPath();
// Appends a line to the log in debug mode (the line rule of LogLineText).
void HhDebug(std::string_view text);

// Whether a file can be made in `folder`; tests answer for it, since a read-only folder does not
// stop root. An empty function restores the real probe.
void SetFolderWritableProbe(std::function<bool(const std::string& folder)> probe);
// The real probe: makes "$_Temp_$.$$$" exclusively and removes it again; when a file of that name
// is there already, it is left alone and a name of the program's own is tried instead.
bool FolderWritable(const std::string& folder);
