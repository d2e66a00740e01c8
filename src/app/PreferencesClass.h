#pragma once

#include "platform/settings/SettingsStore.h"

#include <cstdint>
#include <string>

// The values the preferences object keeps, one per key of the section "Options" (and the two peg-hole
// radius values of the root key).
struct PreferencesValues {
    bool AlignToPeg = false;
    std::int32_t cmHeight1 = 189, cmHeight2 = 200, cmHeight3 = 250;
    std::int32_t cmHPegSpace = 4;
    std::int32_t cmPegBottom = 4;
    std::int32_t cmPegDepth = 13;
    std::int32_t cmPegLeft = 4;
    double cmPegRad = 1.0;
    std::int32_t cmPegRight = 4, cmPegTop = 4, cmVPegSpace = 4;
    std::int32_t cmWidth1 = 189, cmWidth2 = 200, cmWidth3 = 250;
    std::string CurrentDataFile = "none";
    std::int32_t InchHeight1 = 48, InchHeight2 = 60, InchHeight3 = 100;
    std::int32_t InchHPegSpace = 4;
    std::int32_t InchPegBottom = 4;
    std::int32_t InchPegDepth = 13;
    std::int32_t InchPegLeft = 2;
    double InchPegRad = 0.5;
    std::int32_t InchPegRight = 2, InchPegTop = 2, InchVPegSpace = 2;
    std::int32_t InchWidth1 = 48, InchWidth2 = 60, InchWidth3 = 100;
    bool welcome = true;
    bool tooltips = true;
    std::int32_t nudge = 1;
    std::string defFont = "Arial";
    std::int32_t defFontStyle = 0, defFontColor = 0, defFontSize = 12, defJPGQuality = 75;
    bool defJPGProgressive = true, biLinear = false;
    std::int32_t viewMode = 1;
    bool viewTag1 = false, viewTag2 = false, viewTag3 = false, viewTag4 = false, viewTag5 = false, viewTag6 = false;
    bool PicTrans = false, ReorderAlarm = false;
    std::int32_t AddAlign = 0, PWrap = 0; // 0 or 1, stored as flags
    std::string doc1, doc2, doc3, doc4, doc5;
};

// The settings object the main window keeps: made with every value loaded, saved after each
// planogram save so that the recent files "doc1" ... "doc5" persist.
class PreferencesClass : public PreferencesValues {
public:
    explicit PreferencesClass(SettingsStore store = SettingsStore());

    // Every field takes its default first and each key is read on its own, so a value of the wrong
    // kind gives that key's default and the rest still load.
    void Load();
    // Writes the recent files and every other value changed since it was loaded or last saved, and
    // nothing else: other windows write these keys too, and a value this object merely read at
    // start-up must not undo theirs. Failures are not reported; the planogram save has succeeded.
    void Save();

private:
    SettingsStore store_;
    PreferencesValues stored_; // the values as last loaded or saved
};
