#include "platform/core/Seams.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"

#include <QLocale>

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

struct SeamState {
    std::function<TimePoint()> clock;
    std::function<void()> beep;
    std::optional<int> countryCode;
    std::optional<int> screenDepth;
    ScreenDefaults defaults;
    CRandom cRandom;
    LibraryRandom libraryRandom;
};

SeamState& State()
{
    static SeamState state;
    return state;
}

std::string ExecutableFolder()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return "./";
    return ExtractFilePath(std::string(buffer, static_cast<size_t>(length)));
}

} // namespace

TimePoint Now() { return State().clock ? State().clock() : std::chrono::system_clock::now(); }

std::tm LocalNow()
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(Now());
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

void SetClock(std::function<TimePoint()> clock) { State().clock = std::move(clock); }

void SRand(std::uint32_t seed) { State().cRandom.Seed(seed); }

int Rand() { return State().cRandom.Next(); }

void Randomize()
{
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(Now().time_since_epoch()).count();
    State().libraryRandom.Seed(static_cast<std::uint32_t>(ticks));
}

int Random(int range) { return State().libraryRandom.Next(range); }

void SetRandSeed(std::uint32_t seed) { State().libraryRandom.Seed(seed); }

void SystemRandomBytes(void* data, std::size_t count)
{
    auto* bytes = static_cast<unsigned char*>(data);
    while (count > 0) {
        const ssize_t got = ::getrandom(bytes, count, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw Exception("The system's random source gave no bytes.");
        bytes += got;
        count -= static_cast<std::size_t>(got);
    }
}

void Beep()
{
    if (State().beep)
        State().beep();
    else if (State().defaults.beep)
        State().defaults.beep();
}

void SetBeep(std::function<void()> beep) { State().beep = std::move(beep); }

int CountryCode()
{
    if (State().countryCode)
        return *State().countryCode;
    return QLocale::system().territory() == QLocale::UnitedStates ? 1 : 0;
}

void SetCountryCode(std::optional<int> code) { State().countryCode = code; }

int ScreenDepth()
{
    if (State().screenDepth)
        return *State().screenDepth;
    if (State().defaults.screenDepth)
        if (const std::optional<int> depth = State().defaults.screenDepth())
            return *depth;
    // Without a screen nothing is drawn on one; a true-colour depth lets start-up go on.
    return 32;
}

void SetScreenDepth(std::optional<int> depth) { State().screenDepth = depth; }

void SetScreenDefaults(ScreenDefaults defaults) { State().defaults = std::move(defaults); }

std::string ProgramFolder()
{
    if (const char* folder = std::getenv("KESTRAME_PROGRAM_DIR"); folder && *folder)
        return IncludeTrailingPathDelimiter(folder);
    return ExecutableFolder();
}
