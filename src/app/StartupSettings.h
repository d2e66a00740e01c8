#pragma once

#include "platform/core/StringList.h"
#include "platform/settings/SettingsStore.h"

#include <string>
#include <string_view>

struct PreferencesValues;

// What the main window reads from the settings when it is first shown.
struct StartupSettings {
    bool alignToPeg = false;
    bool welcome = true;
    bool tips = true;
    std::string units; // "none" already replaced by the country's unit
    bool unitsInches = false;
};

StartupSettings ReadStartupSettings(const SettingsStore& store);

// "none" takes the system's country code: 1 (the United States) measures in inches, every other
// country in centimetres. Any other stored text stands as it is.
std::string ResolvedUnits(std::string_view stored, int countryCode);
// "inches" in any letter case; every other text means centimetres.
bool UnitsAreInches(std::string_view units);

// The hints of the position read-outs, naming the unit they show.
struct PositionHints {
    std::string x;
    std::string y;
};
PositionHints PositionHintsFor(bool inches);

// The stored recent planograms "doc1" ... "doc5", newest first, the empty ones left out.
TStringList RecentFilesFrom(const PreferencesValues& prefs);

// Below 8 bits per pixel the program ends at start, without a message.
bool ScreenTooShallowToRun(int bitsPerPixel);
// Below 9 bits per pixel products are never drawn transparent.
bool TransparencyLockedOff(int bitsPerPixel);
