#include "pdf/PdfDevice.h"

#include "pdf/PdfAcroForm.h"
#include "pdf/PdfDictionaryStrings.h"
#include "pdf/PdfLink.h"
#include "pdf/PdfOutline.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

#include <algorithm>
#include <cmath>

void TPdfDevice::PSCreateHyperLink(int x, int y, int width, int height, std::string_view address,
                                   std::string_view action)
{
    if (page_ == nullptr)
        throw Exception("No page active!");
    auto link =
        page_->AddIndexLink(TRect{x, y, PdfRound(double(x) + width), PdfRound(double(y) + height)}, address, action);
    link->Destination = [this](std::string_view name) { return DestAsString(nullptr, 0, 0, 0, 0, 0, 0, name); };
    AddLinkAnnotation(std::move(link));
}

namespace {

enum TPdfCommandCode {
    pcHyperLink = 501,
    pcDestination = 502,
    pcNextBookmark = 503,
    pcChildBookmark = 504,
    pcUpperBookmark = 505,
    pcDrawForm = 506,
    pcNamedField = 510,
    pcFormElement = 511
};

// The outline placements a bookmark command asks for.
constexpr int SiblingOfAncestor = 5;
constexpr int ChildOfLast = 1;
constexpr int SiblingOfParent = 2;
constexpr int BookmarkZoom = 100;

// A form element's text starts with its kind, three digits: "001" a check box, others a text
// field. A text without them is a text field's dictionary alone.
constexpr std::string_view CheckBoxKind = "001";

std::size_t FormKindLength(std::string_view text)
{
    constexpr std::size_t length = 3;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] < '0' || text[i] > '9')
            return 0;
    return length;
}

// The bytes of the field's string under `key` ("/V", "/DA"), literal or hexadecimal; empty when
// there is none or it is not closed, as it could not be shown as a string either.
std::string FieldString(std::string_view field, std::string_view key)
{
    for (std::size_t at = field.find(key); at != std::string_view::npos; at = field.find(key, at + 1)) {
        const std::size_t open = field.find_first_not_of(' ', at + key.size());
        if (open == std::string_view::npos || (field[open] != '(' && field[open] != '<') ||
            field.substr(open, 2) == "<<")
            continue;
        return PdfStringBytesAt(field, open).value_or(std::string());
    }
    return {};
}

// Auto-sized text fills the field's height less 2 points above and below, at most 12 points.
constexpr int FieldMargin = 2;
constexpr int LargestAutoSize = 12;
// The capitals of the standard fonts stand about 0.7 of the size high.
constexpr double CapitalsHeight = 0.7;

struct TFieldText {
    // The field's appearance string with a size that is not 0.
    std::string appearance;
    int baseline = 0;
};

// The font, size and colour that the field's appearance string gives, a size of 0 (fit the field)
// made one that fits, and the baseline that centres its capitals in the field's height.
TFieldText FieldTextLayout(std::string_view field, int height)
{
    std::string appearance = FieldString(field, "/DA");
    std::size_t operatorAt = appearance.find(" Tf");
    if (operatorAt == std::string::npos) {
        appearance = TPdfAcroForm::DefaultAppearance;
        operatorAt = appearance.find(" Tf");
    }
    appearance.erase(appearance.find_last_not_of(' ') + 1);
    // The size is the word before the operator.
    const std::size_t sizeAt = operatorAt == 0 ? 0 : appearance.find_last_of(' ', operatorAt - 1) + 1;
    double size = Atof(std::string_view(appearance).substr(sizeAt, operatorAt - sizeAt));
    if (!(size > 0)) {
        size = std::floor(std::clamp(double(height) - 2 * FieldMargin, 1.0, double(LargestAutoSize)));
        appearance.replace(sizeAt, operatorAt - sizeAt, IntToStr(static_cast<int>(size)));
    }
    return {appearance, PdfRound((height - size * CapitalsHeight) / 2)};
}

struct TBookmarkText {
    std::string name;
    std::string title;
};

// "name=title"; without "=" the name is UNKNOWN, which no destination has, and the title empty.
TBookmarkText SplitBookmarkText(std::string_view text)
{
    const std::size_t at = text.find('=');
    if (at == std::string_view::npos)
        return {"UNKNOWN", {}};
    return {std::string(text.substr(0, at)), std::string(text.substr(at + 1))};
}

} // namespace

void TPdfDevice::PSCommand(const TRect& rect, int code, std::string_view text)
{
    switch (code) {
    case pcHyperLink: {
        const TRect place = PageRect(rect);
        PSCreateHyperLink(place.Left, place.Top, PdfRound(double(place.Right) - place.Left),
                          PdfRound(double(place.Bottom) - place.Top), text, {});
        break;
    }
    case pcDestination: {
        const TRect place = DeviceRect(rect);
        AddDestName(text, place.Left, place.Top);
        break;
    }
    case pcNextBookmark:
        // With levels pending the bookmark follows the ancestor that many levels up, else the most
        // recent bookmark itself.
        AddBookmark(rect, text, SiblingOfAncestor,
                    pendingLevelUps_ > 0 ? -pendingLevelUps_ : static_cast<int>(outlineNodes_.size()));
        break;
    case pcChildBookmark:
        AddBookmark(rect, text, ChildOfLast, 0);
        break;
    case pcUpperBookmark:
        if (SplitBookmarkText(text).title.empty())
            ++pendingLevelUps_;
        else
            AddBookmark(rect, text, SiblingOfParent, 0);
        break;
    case pcDrawForm:
        DrawXForm(text);
        break;
    case pcNamedField:
        AddFormElement(NamedFieldText(text), PageRect(rect));
        break;
    case pcFormElement:
        AddFormElement(text, PageRect(rect));
        break;
    default:
        break;
    }
}

TRect TPdfDevice::PageRect(const TRect& points) const
{
    // Annotation rectangles count upward from the page's foot.
    const double height = page_ != nullptr ? page_->Height() : pageHeight_;
    return TRect{points.Left, PdfRound(height - points.Bottom), points.Right, PdfRound(height - points.Top)};
}

TRect TPdfDevice::DeviceRect(const TRect& points) const
{
    const auto x = [&](int value) { return MulDiv(value, ResolutionX(), DefaultResolution); };
    const auto y = [&](int value) { return MulDiv(value, ResolutionY(), DefaultResolution); };
    return TRect{x(points.Left), y(points.Top), x(points.Right), y(points.Bottom)};
}

void TPdfDevice::AddBookmark(const TRect& rect, std::string_view text, int mode, int number)
{
    const TBookmarkText parts = SplitBookmarkText(text);
    auto node = std::make_unique<TPdfOutlineNode>(Writer(), parts.title);
    node->DestName = parts.name;
    node->Zoom = BookmarkZoom;
    const TRect place = DeviceRect(rect);
    node->Left = place.Left;
    node->Top = place.Top;
    node->Width = PdfRound(double(place.Right) - place.Left);
    node->Height = PdfRound(double(place.Bottom) - place.Top);
    AddOutlineNode(std::move(node), mode, number);
    pendingLevelUps_ = 0;
}

// The field's kind and dictionary with the next running field name after the kind.
std::string TPdfDevice::NamedFieldText(std::string_view text)
{
    const std::size_t kindLength = FormKindLength(text);
    return std::string(text.substr(0, kindLength)) + "/T(Field" + IntToStr(NextFieldNumber()) + ")" +
           std::string(text.substr(kindLength));
}

void TPdfDevice::AddFormElement(std::string_view text, const TRect& rect)
{
    if (page_ == nullptr)
        throw Exception("No page active!");
    if (catalog_->AcroForm() == nullptr)
        catalog_->SetAcroForm(std::make_unique<TPdfAcroForm>(writer_.get()));
    TPdfAcroForm& form = *catalog_->AcroForm();
    const bool checkBox = text.starts_with(CheckBoxKind);
    const std::string_view field = text.substr(FormKindLength(text));
    const int width = PdfRound(double(rect.Right) - rect.Left);
    const int height = PdfRound(double(rect.Bottom) - rect.Top);
    const std::string appearance =
        checkBox ? "/AP << /N << /Yes " + CheckBoxAppearance(form, width, height) + " >> >> /H /I"
                 : "/AP <</N " + TextFieldAppearance(form, field, width, height) + ">>";
    auto widget = page_->AddWidget(rect, std::string(field) + "\r" + appearance);
    form.AddField(widget.get());
    AddLinkAnnotation(std::move(widget));
}

// A cross from corner to corner.
std::string TPdfDevice::CheckBoxAppearance(TPdfAcroForm& form, int width, int height)
{
    const std::string w = IntToStr(width), h = IntToStr(height);
    return AppearanceStream(form, width, height,
                            "q 0 0 0 RG 0 0 m " + w + " " + h + " l S 0 " + h + " m " + w + " 0 l S Q");
}

// The field's value at the left, 2 points in, in the font its appearance string names.
std::string TPdfDevice::TextFieldAppearance(TPdfAcroForm& form, std::string_view field, int width, int height)
{
    const TFieldText layout = FieldTextLayout(field, height);
    return AppearanceStream(form, width, height,
                            "/Tx BMC BT " + layout.appearance + " " + IntToStr(FieldMargin) + " " +
                                IntToStr(layout.baseline) + " Td (" + PdfCleanString(FieldString(field, "/V")) +
                                ")Tj ET EMC");
}

// The form is written at once; the annotation refers to it. Its fonts are the form's.
std::string TPdfDevice::AppearanceStream(TPdfAcroForm& form, int width, int height, std::string_view content)
{
    auto stream = std::make_unique<TPdfStream>(writer_.get());
    stream->SetExtraDictionary("/Subtype/Form /BBox [0 0 " + IntToStr(width) + " " + IntToStr(height) + "]" +
                               " /Resources " + form.DefaultResources().AsReferenceString());
    stream->WriteStart();
    stream->RawWrite(content);
    stream->WriteEnd();
    const std::string reference = stream->AsReferenceString();
    appearances_.push_back(std::move(stream));
    return reference;
}
