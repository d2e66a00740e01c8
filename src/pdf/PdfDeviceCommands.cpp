#include "pdf/PdfDevice.h"

#include "pdf/PdfLink.h"
#include "pdf/PdfOutline.h"
#include "pdf/PdfPageTree.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

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
    pcDrawForm = 506
};

// The outline placements a bookmark command asks for.
constexpr int SiblingOfAncestor = 5;
constexpr int ChildOfLast = 1;
constexpr int SiblingOfParent = 2;
constexpr int BookmarkZoom = 100;

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
        // Annotation rectangles count upward from the page's foot.
        const double height = page_ != nullptr ? page_->Height() : pageHeight_;
        PSCreateHyperLink(rect.Left, PdfRound(height - rect.Bottom), PdfRound(double(rect.Right) - rect.Left),
                          PdfRound(double(rect.Bottom) - rect.Top), text, {});
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
    default:
        break;
    }
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
    node->Width = place.Right - place.Left;
    node->Height = place.Bottom - place.Top;
    AddOutlineNode(std::move(node), mode, number);
    pendingLevelUps_ = 0;
}
