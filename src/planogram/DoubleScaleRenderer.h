#pragma once

#include <optional>
#include <string>

class GraphicsManager;
class PlanogramDocument;
class TBitmap;
struct ListOB;

// What a long render reports to and asks of the window that runs it.
class RenderMonitor {
public:
    virtual ~RenderMonitor() = default;
    // One step of progress, with what is being done.
    virtual void Step(const std::string& label) = 0;
    // The user asked to stop.
    virtual bool Cancelled() = 0;
    // Lets pending window events run, so that a cancel can arrive.
    virtual void PumpEvents() = 0;
};

// A line of text written onto the finished picture.
struct RenderStamp {
    std::string text;
    int x = 0, y = 0;
    // The font size to write it in; none keeps the canvas's own.
    std::optional<int> fontSize;
};

// How a caller's render differs from the printed one.
struct DoubleScaleOptions {
    // Draws the items; the document's own graphics manager when null.
    GraphicsManager* graphics = nullptr;
    std::optional<RenderStamp> stamp;
};

// The picture an item is drawn from at double scale: its "H" twin when the file the drawing would
// load for the item's face exists (for a bare name also in the photo collection folder), else the
// stored one. Fixtures keep their text; pictures read out of a collection file have no twin.
std::string HighResolutionPicture(const ListOB& item, const GraphicsManager& graphics,
                                  const std::string& collectionPath);

// Draws the document's wall into `target` (sized by the caller, made 24-bit here) at twice the back
// bitmap's scale: the wall colour, the peg holes where the screen shows them, the background picture, every item from
// copies taken before the loop, the stamp and a black frame. The document is left unchanged. False when the monitor
// reported a cancel before an item.
bool RenderDoubleScale(PlanogramDocument& document, TBitmap& target, RenderMonitor& monitor,
                       const DoubleScaleOptions& options = {});
