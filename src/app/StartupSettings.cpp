#include "app/StartupSettings.h"

#include "app/PreferencesClass.h"
#include "platform/core/Seams.h"
#include "platform/core/TextUtils.h"

namespace {

constexpr std::string_view Options = "Options";

} // namespace

StartupSettings ReadStartupSettings(const SettingsStore& store)
{
    const SettingsFile file = store.Load();
    StartupSettings settings;
    settings.alignToPeg = file.ReadBool(Options, "AlignToPeg", false);
    settings.welcome = file.ReadBool(Options, "Welcome", true);
    settings.units = ResolvedUnits(file.ReadString(Options, "Units", "none"), CountryCode());
    settings.tips = file.ReadBool(Options, "Tips", true);
    settings.unitsInches = UnitsAreInches(settings.units);
    return settings;
}

std::string ResolvedUnits(std::string_view stored, int countryCode)
{
    if (stored != "none")
        return std::string(stored);
    return countryCode == 1 ? "inches" : "cm";
}

bool UnitsAreInches(std::string_view units) { return UpperCase(units) == "INCHES"; }

PositionHints PositionHintsFor(bool inches)
{
    if (inches)
        return {"Inches from left", "Inches from bottom"};
    return {"cm(s) from left", "cm(s) from bottom"};
}

TStringList RecentFilesFrom(const PreferencesValues& prefs)
{
    TStringList recentFiles;
    for (const std::string* doc : {&prefs.doc1, &prefs.doc2, &prefs.doc3, &prefs.doc4, &prefs.doc5})
        if (!doc->empty())
            recentFiles.Add(*doc);
    return recentFiles;
}

bool ScreenTooShallowToRun(int bitsPerPixel) { return bitsPerPixel < 8; }

bool TransparencyLockedOff(int bitsPerPixel) { return bitsPerPixel < 9; }
