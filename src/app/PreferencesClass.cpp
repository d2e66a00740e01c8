#include "app/PreferencesClass.h"

#include "platform/core/Exceptions.h"

#include <array>
#include <string_view>
#include <variant>

namespace {

constexpr std::string_view Options = "Options";
constexpr std::string_view RootKey = "";

// An integer field holding 0 or 1 that the store keeps as a flag.
struct FlagNumber {
    std::int32_t PreferencesValues::*field;
};

using Field = std::variant<bool PreferencesValues::*, std::int32_t PreferencesValues::*,
                           std::string PreferencesValues::*, double PreferencesValues::*, FlagNumber>;

struct Setting {
    std::string_view key;
    Field field;
};

using P = PreferencesValues;

// In the order of loading and saving; the defaults are those of PreferencesValues.
const std::array<Setting, 56> Settings = {{
    {"cmHeight1", &P::cmHeight1},
    {"cmHeight2", &P::cmHeight2},
    {"cmHeight3", &P::cmHeight3},
    {"cmWidth1", &P::cmWidth1},
    {"cmWidth2", &P::cmWidth2},
    {"cmWidth3", &P::cmWidth3},
    {"cmHPegSpace", &P::cmHPegSpace},
    {"cmPegBottom", &P::cmPegBottom},
    {"cmPegDepth", &P::cmPegDepth},
    {"cmPegLeft", &P::cmPegLeft},
    {"cmPegRight", &P::cmPegRight},
    {"cmPegTop", &P::cmPegTop},
    {"cmVPegSpace", &P::cmVPegSpace},
    {"cmPegRad", &P::cmPegRad},
    {"InchHeight1", &P::InchHeight1},
    {"InchHeight2", &P::InchHeight2},
    {"InchHeight3", &P::InchHeight3},
    {"InchWidth1", &P::InchWidth1},
    {"InchWidth2", &P::InchWidth2},
    {"InchWidth3", &P::InchWidth3},
    {"InchHPegSpace", &P::InchHPegSpace},
    {"InchPegBottom", &P::InchPegBottom},
    {"InchPegDepth", &P::InchPegDepth},
    {"InchPegLeft", &P::InchPegLeft},
    {"InchPegRight", &P::InchPegRight},
    {"InchPegTop", &P::InchPegTop},
    {"InchVPegSpace", &P::InchVPegSpace},
    {"InchPegRad", &P::InchPegRad},
    {"CurrentDataFile", &P::CurrentDataFile},
    {"AlignToPeg", &P::AlignToPeg},
    {"nudge", &P::nudge},
    {"tooltips", &P::tooltips},
    {"defFont", &P::defFont},
    {"defFontStyle", &P::defFontStyle},
    {"defFontColor", &P::defFontColor},
    {"defJPGQuality", &P::defJPGQuality},
    {"defJPGProgressive", &P::defJPGProgressive},
    {"biLinear", &P::biLinear},
    {"defFontSize", &P::defFontSize},
    {"doc1", &P::doc1},
    {"doc2", &P::doc2},
    {"doc3", &P::doc3},
    {"doc4", &P::doc4},
    {"doc5", &P::doc5},
    {"welcome", &P::welcome},
    {"viewMode", &P::viewMode},
    {"viewTag1", &P::viewTag1},
    {"viewTag2", &P::viewTag2},
    {"viewTag3", &P::viewTag3},
    {"viewTag4", &P::viewTag4},
    {"viewTag5", &P::viewTag5},
    {"viewTag6", &P::viewTag6},
    {"PicTrans", &P::PicTrans},
    {"ReorderAlarm", &P::ReorderAlarm},
    {"AddAlign", FlagNumber{&P::AddAlign}},
    {"PWrap", FlagNumber{&P::PWrap}},
}};

template <typename... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Older compilers do not deduce an aggregate's template arguments by themselves.
template <typename... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

void LoadSetting(const SettingsFile& file, const Setting& setting, PreferencesValues& values)
{
    std::visit(
        Overloaded{
            [&](bool P::*field) { values.*field = file.ReadBool(Options, setting.key, values.*field); },
            [&](std::int32_t P::*field) { values.*field = file.ReadInteger(Options, setting.key, values.*field); },
            [&](std::string P::*field) { values.*field = file.ReadString(Options, setting.key, values.*field); },
            [&](double P::*field) { values.*field = file.ReadFloat(RootKey, setting.key).value_or(values.*field); },
            [&](FlagNumber number) {
                values.*number.field = file.ReadBool(Options, setting.key, values.*number.field != 0) ? 1 : 0;
            },
        },
        setting.field);
}

bool Differs(const Setting& setting, const PreferencesValues& a, const PreferencesValues& b)
{
    return std::visit(Overloaded{
                          [&](FlagNumber number) { return (a.*number.field != 0) != (b.*number.field != 0); },
                          [&](auto field) { return a.*field != b.*field; },
                      },
                      setting.field);
}

void SaveSetting(SettingsFile& file, const Setting& setting, const PreferencesValues& values)
{
    std::visit(Overloaded{
                   [&](bool P::*field) { file.WriteBool(Options, setting.key, values.*field); },
                   [&](std::int32_t P::*field) { file.WriteInteger(Options, setting.key, values.*field); },
                   [&](std::string P::*field) { file.WriteString(Options, setting.key, values.*field); },
                   [&](double P::*field) { file.WriteFloat(RootKey, setting.key, values.*field); },
                   [&](FlagNumber number) { file.WriteBool(Options, setting.key, values.*number.field != 0); },
               },
               setting.field);
}

bool IsRecentFile(const Setting& setting) { return setting.key.size() == 4 && setting.key.substr(0, 3) == "doc"; }

} // namespace

PreferencesClass::PreferencesClass(SettingsStore store) : store_(std::move(store)) { Load(); }

void PreferencesClass::Load()
{
    static_cast<PreferencesValues&>(*this) = PreferencesValues();
    const SettingsFile file = store_.Load();
    for (const Setting& setting : Settings)
        LoadSetting(file, setting, *this);
    stored_ = *this;
}

void PreferencesClass::Save()
{
    try {
        store_.Update([&](SettingsFile& file) {
            for (const Setting& setting : Settings) {
                // "PicTrans" has only ever been read here; a save must not create it.
                if (setting.key == "PicTrans")
                    continue;
                if (IsRecentFile(setting) || Differs(setting, *this, stored_))
                    SaveSetting(file, setting, *this);
            }
        });
        stored_ = *this;
    } catch (const Exception&) {
    }
}
