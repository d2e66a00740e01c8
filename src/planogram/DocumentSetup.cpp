#include "planogram/DocumentSetup.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"

#include <vector>

namespace {

constexpr double InchesPerCentimetre = 0.394;
constexpr int UnitsPerCm = 4;

struct SizeRule {
    double min, max;
    const char* widthMessage;
    const char* heightMessage;
};

constexpr SizeRule CentimetreSizes = {30, 3000, "Invalid width value. Min Value 30cm, Max value 3000cm",
                                      "Invalid height. Min value 30cm. Max value 3000cm"};
constexpr SizeRule InchSizes = {12, 1200, "Invalid width value, Min. value 12 inches, max value 1200 inches",
                                "Invalid height value. Min value 12 Inches. Max value 1200 inches."};

SetupMessage Alert(const char* text) { return {text, "Alert", MsgIcon::Warning}; }

const std::string& ChosenText(int choice, const std::string& preset1, const std::string& preset2,
                              const std::string& preset3, const std::string& custom)
{
    switch (choice) {
    case 0:
        return preset1;
    case 1:
        return preset2;
    case 2:
        return preset3;
    default:
        return custom;
    }
}

// A size within the rule's range, or nothing.
std::optional<double> CheckedSize(const std::string& text, const SizeRule& rule)
{
    const std::optional<double> value = TypedNumber(text);
    if (!value || *value < rule.min || *value > rule.max)
        return std::nullopt;
    return value;
}

// Typed user units in document units, before truncation.
double ToUnits(double typed, bool inches) { return (inches ? typed / InchesPerCentimetre : typed) * UnitsPerCm; }

int Truncated(double units) { return static_cast<int>(units); }

} // namespace

std::optional<SetupMessage> DisplaySizeRefusal(const std::string& width, const std::string& height, bool inches)
{
    const SizeRule& rule = inches ? InchSizes : CentimetreSizes;
    if (!CheckedSize(width, rule))
        return Alert(rule.widthMessage);
    if (!CheckedSize(height, rule))
        return Alert(rule.heightMessage);
    return std::nullopt;
}

std::optional<std::vector<double>> PegValues(const std::vector<std::string>& texts)
{
    std::vector<double> values;
    for (const std::string& text : texts) {
        const std::optional<double> value = TypedNumber(text);
        if (!value || *value < 0)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

SetupMessage PegValueRefusal()
{
    return Alert("Invalid peg hole value. Every peg value must be a number of 0 or more.");
}

std::optional<double> TypedNumber(const std::string& text)
{
    try {
        return StrToFloat(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

DisplaySetup ValidateDisplaySize(const DocumentSetupValues& values, bool inches)
{
    DisplaySetup setup;
    if (values.templatePage)
        return setup;
    const std::string& widthText =
        ChosenText(values.RadioGroupW, values.edWidth1, values.edWidth2, values.edWidth3, values.txtWidth);
    const std::string& heightText =
        ChosenText(values.RadioGroupH, values.edHeight1, values.edHeight2, values.edHeight3, values.txtHeight);
    setup.message = DisplaySizeRefusal(widthText, heightText, inches);
    if (setup.message)
        return setup;
    const std::optional<double> width = TypedNumber(widthText);
    const std::optional<double> height = TypedNumber(heightText);
    if (values.catalogAsked && values.catalogFile.empty()) {
        setup.result = 2;
        setup.message = SetupMessage{"No catalog was selected.", "Catalog", MsgIcon::Stop};
        return setup;
    }
    const std::optional<std::vector<double>> peg =
        PegValues({values.ed1PegTop, values.ed1PegLeft, values.ed1PegRight, values.ed1PegBottom, values.edVPegSpace,
                   values.edHPegSpace, values.edPegRad, values.edPegDepth});
    if (!peg) {
        setup.message = PegValueRefusal();
        return setup;
    }
    const double top = (*peg)[0], left = (*peg)[1], right = (*peg)[2], bottom = (*peg)[3];
    const double vSpace = (*peg)[4], hSpace = (*peg)[5], holeSize = (*peg)[6], depth = (*peg)[7];

    setup.displayWidth = Truncated(ToUnits(*width, inches));
    setup.displayHeight = Truncated(ToUnits(*height, inches));
    setup.pegDepth = depth;
    setup.pegHoleSize = ToUnits(holeSize, inches);
    setup.pegPitchV = Truncated(ToUnits(vSpace, inches) + setup.pegHoleSize);
    setup.pegPitchH = Truncated(ToUnits(hSpace, inches) + setup.pegHoleSize);
    setup.pegFirstX = Truncated(ToUnits(left, inches));
    setup.pegFirstY = Truncated(ToUnits(top, inches));
    setup.pegLastX = Truncated(setup.displayWidth - ToUnits(right, inches));
    setup.pegLastY = Truncated(setup.displayHeight - ToUnits(bottom, inches));
    setup.pegDepthUnits = Truncated(ToUnits(depth, inches));
    setup.pegHolesShown = values.SelectWallBG == 0 || values.SelectWallBG == 2;
    if (values.SelectWallBG == 3) {
        setup.backgroundMode = true;
        setup.backgroundPath = StoredPath(values.pictureFileName);
    }
    setup.typedWidth = static_cast<float>(TypedNumber(values.txtWidth).value_or(0));
    setup.typedHeight = static_cast<float>(TypedNumber(values.txtHeight).value_or(0));
    setup.backgroundColor = values.panelColor;
    setup.result = 1;
    return setup;
}
