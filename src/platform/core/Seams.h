#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

// The few places where the program meets the machine it runs on. Each has one place here, and tests
// replace it to make results repeatable.

using TimePoint = std::chrono::system_clock::time_point;

TimePoint Now();
std::tm LocalNow();
// A fixed or scripted clock for tests; an empty function restores the system clock.
void SetClock(std::function<TimePoint()> clock);

// The C runtime's generator: seed = seed * 22695477 + 1, result bits 16..30 of the new seed.
class CRandom {
public:
    void Seed(std::uint32_t seed) { seed_ = seed; }
    int Next()
    {
        seed_ = seed_ * 22695477u + 1u;
        return static_cast<int>((seed_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t seed_ = 1;
};

// The class library's generator: seed = seed * 134775813 + 1, Random(n) = high 32 bits of seed * n.
class LibraryRandom {
public:
    void Seed(std::uint32_t seed) { seed_ = seed; }
    std::uint32_t CurrentSeed() const { return seed_; }
    int Next(int range)
    {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<int>((static_cast<std::uint64_t>(seed_) * static_cast<std::uint32_t>(range)) >> 32);
    }

private:
    std::uint32_t seed_ = 0;
};

// The program's shared generators, as the C runtime's srand/rand and the class library's
// Randomize/Random are.
void SRand(std::uint32_t seed);
int Rand();
void Randomize(); // seeds from the clock
int Random(int range);
void SetRandSeed(std::uint32_t seed);
// Fills `data` from the system's cryptographic source, for secrets: the generators above can be
// replayed from what they made, which files show. Raises when the system gives none.
void SystemRandomBytes(void* data, std::size_t count);

// The default beep.
void Beep();
void SetBeep(std::function<void()> beep);

// The system's country code: 1 for the United States, 0 elsewhere.
int CountryCode();
void SetCountryCode(std::optional<int> code);

// Bits per pixel of the screen.
int ScreenDepth();
void SetScreenDepth(std::optional<int> depth);

// What the windowing layer supplies once it is set up: the system's beep and the screen's depth
// (nothing without a screen). Set beeps and depths of tests take precedence.
struct ScreenDefaults {
    std::function<void()> beep;
    std::function<std::optional<int>()> screenDepth;
};
void SetScreenDefaults(ScreenDefaults defaults);

// The folder that holds "Catalogs", "Template" and "Examples", with its final delimiter:
// KESTRAME_PROGRAM_DIR when set, else the executable's folder.
std::string ProgramFolder();
