#include "planogram/Makefixture.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <optional>

namespace {

const char* const KindWords[] = {"shelf", "divider", "pegboard", "base", "text", "slatwall"};

// The typed number with "." or "," as the decimal separator; nothing for any other text.
std::optional<double> TypedNumber(const std::string& text)
{
    std::string normalised = text;
    for (char& ch : normalised)
        if (ch == ',')
            ch = '.';
    try {
        return StrToFloat(normalised);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

// Truncated toward zero; nothing when the result does not fit an int.
std::optional<int> Truncated(double units)
{
    const double whole = std::trunc(units);
    if (!(whole >= INT_MIN && whole <= INT_MAX))
        return std::nullopt;
    return static_cast<int>(whole);
}

std::string IntTag(const char* name, std::int64_t number)
{
    return std::string("<") + name + "=" + IntToStr(number) + ">";
}

std::string FloatTag(const char* name, double number)
{
    return std::string("<") + name + "=" + FloatToStr(number) + ">";
}

} // namespace

std::string TagSafe(const std::string& text)
{
    std::string safe = text;
    for (char& ch : safe) {
        if (ch == '<')
            ch = '\x8B';
        else if (ch == '>')
            ch = '\x9B';
    }
    return safe;
}

MakeFixture::MakeFixture()
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Now().time_since_epoch()).count();
    SRand(static_cast<std::uint32_t>(seconds));
}

double MakeFixture::ToUnits(double typed) const
{
    if (!unitsMode)
        return typed * displayScale;
    if (inches)
        return typed / inchFactor * 4;
    return typed * 4;
}

bool MakeFixture::Make(const std::string& widthText, const std::string& heightText, int kind,
                       const std::string& depthText)
{
    const std::string number = IntToStr(Rand() % 1000000);
    if (widthText.empty() || heightText.empty())
        return false;
    const std::optional<double> typedWidth = TypedNumber(widthText);
    const std::optional<double> typedHeight = TypedNumber(heightText);
    const std::optional<double> typedDepth = depthText.empty() ? std::optional<double>(0.0) : TypedNumber(depthText);
    if (!typedWidth || !typedHeight || !typedDepth)
        return false;
    const std::optional<int> newWidth = Truncated(ToUnits(*typedWidth));
    const std::optional<int> newHeight = Truncated(ToUnits(*typedHeight));
    const std::optional<int> newDepth = Truncated(ToUnits(*typedDepth));
    if (!newWidth || !newHeight || !newDepth || *newWidth <= 0 || *newHeight <= 0)
        return false;
    width = *newWidth;
    height = *newHeight;
    depth = *newDepth;
    for (double* length :
         {&VPegSpace, &HPegSpace, &FirstVPeg, &FirstHPeg, &LastVPeg, &LastHPeg, &PegSize, &extra1, &extra2})
        *length = ToUnits(*length);
    if (kind >= kShelf && kind <= kSlatwall) {
        description = Description(kind);
        name = KindWords[kind];
    } else {
        name.clear();
    }
    name += widthText + "X" + heightText + "X" + (depthText.empty() ? std::string("0") : depthText) + "-" + number;
    return true;
}

std::string MakeFixture::Description(int kind) const
{
    switch (kind) {
    case kDivider:
        return ShelfTags("<dv>");
    case kPegboard:
        return PegboardTags(false);
    case kText:
        return TextTags();
    case kSlatwall:
        return PegboardTags(true);
    default:
        return ShelfTags("<shelf>");
    }
}

std::string MakeFixture::ShelfTags(const char* kindTag) const
{
    return kindTag + IntTag("boxcolor", boxcolor) + IntTag("fillstyle", fillstyle) + IntTag("edgestyle", edgestyle);
}

std::string MakeFixture::PegboardTags(bool slatwall) const
{
    std::string tags = "<pegboard>" + FloatTag("PegSize", PegSize) + FloatTag("VPegSpace", VPegSpace);
    tags += slatwall ? std::string("<HPegSpace=0>") : FloatTag("HPegSpace", HPegSpace);
    tags += FloatTag("FirstVPeg", FirstVPeg) + FloatTag("FirstHPeg", FirstHPeg) + FloatTag("LastVPeg", LastVPeg) +
            FloatTag("LastHPeg", LastHPeg) + IntTag("bgcolor", bgcolor);
    if (!slatwall)
        tags += IntTag("edgestyle", edgestyle);
    return tags;
}

std::string MakeFixture::TextTags() const
{
    // The alignment tag has no closing ">" and runs on into the fill-style tag: stored planograms
    // carry this form, and readers take the leading number of the run-on value.
    return "<text><font=" + TagSafe(font.Name) + "><value=" + TagSafe(value) + ">" + IntTag("fontcolor", font.Color) +
           IntTag("fontsize", font.Size()) + IntTag("boxcolor", boxcolor) + IntTag("textmode", textmode) +
           "<textalign=" + IntToStr(textalign) + IntTag("fillstyle", fillstyle) + IntTag("edgestyle", edgestyle);
}
