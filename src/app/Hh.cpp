#include "app/Hh.h"

#include "app/CommandLine.h"
#include "app/Hh_funcs.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/services/ChmArchive.h"
#include "platform/settings/SettingsStore.h"

#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr std::string_view DebugSwitchFile = "debug.debug";
constexpr std::string_view LogFileName = "HHDebug.txt";
constexpr std::string_view ProbeFileName = "$_Temp_$.$$$";

struct HhGlobals {
    bool debugMode = false;
    std::unique_ptr<TDLogFile> log;
    std::function<bool(const std::string&)> writableProbe;
};

HhGlobals& Globals()
{
    static HhGlobals globals;
    return globals;
}

template <typename... Values> std::string Format(const char* format, Values... values)
{
    const int size = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<size_t>(std::max(size, 0)) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    text.resize(text.size() - 1);
    return text;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " ") + part;
    return text;
}

bool DebugSwitchGiven()
{
    const std::vector<std::string>& arguments = ProgramCommandLine();
    return FileExists(ProgramFolder() + std::string(DebugSwitchFile)) ||
           std::any_of(arguments.begin(), arguments.end(), IsDebugSwitch);
}

// The program folder when a file can be made there, else the user's own cache folder: never a
// folder other users share.
std::string LogFolder()
{
    const HhGlobals& globals = Globals();
    const std::string programFolder = ProgramFolder();
    if (globals.writableProbe ? globals.writableProbe(programFolder) : FolderWritable(programFolder))
        return programFolder;
    const std::string cache = CacheFolder();
    ForceDirectories(cache);
    return cache;
}

void WriteOperatingSystem(TDLogFile& log)
{
    utsname system{};
    int major = 0, minor = 0, patch = 0;
    if (::uname(&system) == 0)
        std::sscanf(system.release, "%d.%d.%d", &major, &minor, &patch);
    log.Write(Format("!Operating System:      %s %d.%d (Build %d) %s", "\tLinux", major, minor, patch, system.version));
}

void WriteLocale(TDLogFile& log)
{
    const QLocale locale = QLocale::system();
    const auto text = [](const QString& value) { return fromQString(value); };
    log.Write(Format("!SysLocale.DefaultLCID: %s (%s)", text(locale.name()).c_str(),
                     text(locale.nativeLanguageName()).c_str()));
    log.Write(Format("!SysLocale.PriLangID:   %s (%s)", text(QLocale::languageToCode(locale.language())).c_str(),
                     text(QLocale::languageToString(locale.language())).c_str()));
    log.Write(Format("!SysLocale.SubLangID:   %s (%s)", text(QLocale::territoryToCode(locale.territory())).c_str(),
                     text(QLocale::territoryToString(locale.territory())).c_str()));
    log.Write(Format("!DecimalSeparator:      %s", text(locale.decimalPoint()).c_str()));
}

void WriteProgram(TDLogFile& log)
{
    const std::string executable = PathFromQString(QCoreApplication::applicationFilePath());
    const std::string version = FourPartVersion(KESTRAME_VERSION);
    const std::string parameters = Joined(ProgramCommandLine());
    log.Write(Format("!EXE Path =          %s", executable.c_str()));
    log.Write(Format("!EXE Version =       %s", version.c_str()));
    log.Write(Format("!Cmdline Param(s) =  %s", parameters.c_str()));
    log.Write(Format("!Actual CmdLine =  %s", Joined({executable, parameters}).c_str()));
    log.Write(Format("!_RunDir =           %s", GetCurrentDir().c_str()));
    log.Write(Format("!_ModuleName =       %s", ExtractFileName(executable).c_str()));
    log.Write(Format("!_ModuleDir =        %s", ExtractFileDir(executable).c_str()));
    log.Write(Format("!_ModulePath =        %s", executable.c_str()));
    log.Write(Format("!Module Version =       %s", version.c_str()));
}

// The help engine stands where the HTML Help control stood, the text browser where the web browser
// control did.
void WriteEngines(TDLogFile& log)
{
    const std::string hhVersion = HhVersionText();
    const std::string hhFriendly = !HhInstalled()           ? "none"
                                   : hhVersion == "1.0.0.0" ? "chmlib 0.40"
                                                            : "chmlib, unknown release";
    log.Write(Format("!_hhInstalled =      %s", HhInstalled() ? "YES" : "NO"));
    log.Write(Format("!_hhVerStr =         %s", hhVersion.c_str()));
    log.Write(Format("!_hhFriendlyVerStr = %s", hhFriendly.c_str()));
    const std::string qtVersion = qVersion();
    log.Write(Format("!_ieInstalled =      %s", "YES"));
    log.Write(Format("!_ieVerStr =         %s", FourPartVersion(qtVersion).c_str()));
    log.Write(Format("!_ieFriendlyVerStr = %s", ("Qt " + qtVersion + " text browser").c_str()));
}

void WriteHeader(TDLogFile& log)
{
    const std::tm now = LocalNow();
    log.Write(Format("!Log File:             %s", log.Path().c_str()));
    log.Write(
        Format("!Date:                 %s", Format("%04d-%02d-%02d %02d:%02d:%02d", now.tm_year + 1900, now.tm_mon + 1,
                                                   now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec)
                                                .c_str()));
    WriteOperatingSystem(log);
    WriteLocale(log);
    WriteProgram(log);
    WriteEngines(log);
}

void StartDebugLog()
{
    HhGlobals& globals = Globals();
    globals.log.reset();
    globals.debugMode = DebugSwitchGiven();
    const std::string path = LogFolder() + std::string(LogFileName);
    // A link of that name goes, not what it points to.
    DeleteFile(path);
    if (!globals.debugMode)
        return;
    globals.log = TDLogFile::Create(path);
    if (globals.log)
        WriteHeader(*globals.log);
}

// Makes `path` exclusively and removes it again: true when that worked.
bool MakeAndRemove(const std::string& path)
{
    const int descriptor = OpenFileDescriptor(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return false;
    ::close(descriptor);
    DeleteFile(path);
    return true;
}

} // namespace

void LoadHtmlHelp(std::string_view engineName)
{
    HelpEngine().Load(engineName, HelpEngineVersion, GetPathToHHCtrlOCX());
    StartDebugLog();
}

void UnloadHtmlHelp()
{
    HhGlobals& globals = Globals();
    globals.log.reset();
    globals.debugMode = false;
    HelpEngine().Unload();
}

std::string GetPathToHHCtrlOCX() { return ProgramFolder() + "libchm.so.1"; }

bool HhInstalled() { return HelpEngine().Installed(); }

std::string HhVersionText() { return HhInstalled() ? LibraryVersionText(HelpEngine().LibraryFile()) : std::string(); }

bool HhDebugMode() { return Globals().debugMode; }

std::string HhLogPath() { return Globals().log ? Globals().log->Path() : std::string(); }

void HhDebug(std::string_view text)
{
    if (Globals().log)
        Globals().log->Write(text);
}

void SetFolderWritableProbe(std::function<bool(const std::string& folder)> probe)
{
    Globals().writableProbe = std::move(probe);
}

bool FolderWritable(const std::string& folder)
{
    const std::string probe = IncludeTrailingPathDelimiter(folder) + std::string(ProbeFileName);
    if (MakeAndRemove(probe))
        return true;
    if (errno != EEXIST)
        return false;
    // The name is taken by a file that is not ours: probe with a name nobody else has.
    std::string unique = IncludeTrailingPathDelimiter(folder) + "$_Temp_$.XXXXXX";
    const int descriptor = ::mkstemp(unique.data());
    if (descriptor < 0)
        return false;
    ::close(descriptor);
    DeleteFile(unique);
    return true;
}
