#pragma once

#include "pdf/PdfGdiObjects.h"
#include "pdf/PdfXForm.h"
#include "platform/core/Geometry.h"

#include <string>
#include <vector>

class TPdfGenericDevice;

// The pen as a device-context level holds it.
struct TPdfPenState {
    std::int32_t width = 0;
    TPdfPenStyles style = peps_Solid;
    TColor color = clBlack;
    TPdfPenEndCap endCap = pecap_Round;
};

struct TPdfBrushState {
    TPdfBrushStyles style = pebs_Solid;
    TColor color = clBlack;
    std::int32_t hatch = 0;
};

// The state of one device-context level.
struct TPdfDCStackVar {
    TPdfXForm world;
    std::int32_t mapMode = PdfGdi::MM_TEXT;
    TPoint viewportOrg;
    TPoint viewportExt;
    TPoint windowOrg;
    TPoint windowExt;
    bool viewportExtSet = false;
    TPoint brushOrg;
    std::int32_t fontHandle = 0;
    std::int32_t penHandle = 0;
    std::int32_t brushHandle = 0;
    std::int32_t paletteHandle = 0;
    TPdfTextAlign textAlign;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    bool opaque = false;
    float charSpacing = 0;
    float wordSpacing = 0;
    float horzTextScale = 0; // 0 = none
    TPdfFontData fontData{10};
    std::string faceName = "Arial";
    std::string selectedFaceName;
    TPdfPenState pen;
    TPdfBrushState brush;
    bool winding = false;
    std::int32_t rop2 = 0;
    bool clockwiseArcs = false;
    std::uint32_t rawTextAlign = 0;
    bool matrixDirty = true;
    bool fontChanged = false;
    bool worldSet = false;
    bool yAxisUp = false;
};

struct TPdfDCStackEntry {
    TPdfDCStackVar data;
    bool textWorldDirty = true;
    bool isBreak = false;
    int savedPathDepth = 0; // of a break entry
    int saveNumber = 0;
    // The content stream's q-depth when the level above this one was saved: restoring to this level
    // closes every q opened since.
    int writtenDepthAtSave = 0;
};

// The device-context levels, and the one matrix M folded from the top level's map mode, extents,
// origins and world transform; M maps logical coordinates to PDF points.
class TPdfDCStack {
public:
    explicit TPdfDCStack(TPdfGenericDevice& owner);

    // The top state, a fresh one pushed when the stack is empty.
    TPdfDCStackVar& Data();
    TPdfDCStackEntry& Top();
    bool Empty() const { return entries_.empty(); }
    int Count() const { return static_cast<int>(entries_.size()); }
    // The save number of the top entry: the saves since the bottom or the last break.
    int Depth() const { return entries_.empty() ? 0 : entries_.back().saveNumber; }

    // Pushes a copy of the top state; an empty stack first gets a fresh one to copy.
    void Add();
    // Pops up to `count` entries, never a break entry nor the bottom one; returns how many went.
    int Remove(int count);
    // Pops every entry whose save number is at least `saveNumber`, never a break entry nor the
    // bottom one; returns how many went.
    int RemoveFrom(int saveNumber);
    // A break stands for a nested drawing: it keeps the device's open path aside and restarts the
    // save numbering.
    void AddBreak();
    // Pops down to and including the last break; an open path fails the assertion "PS Stack must be
    // cleared". Nothing happens without a break.
    void RemoveBreak();
    void Clear();

    // Folds the top state into M when it changed.
    void World();
    // Maps a point in device units back to logical units; a singular matrix leaves it unchanged.
    void XYToDevice(int& x, int& y);
    // The matrix of a text object: the font's escapement as a rotation, or the identity.
    TPdfXForm TextWorld();
    // Starts a page at a resolution: the base matrix becomes 72/x by 72/y points per unit.
    void InitRes(int x, int y);
    // Forgets what was folded, so that the next drawing folds and writes the matrix again.
    void NothingIsOK();

    const TPdfXForm& Matrix() const { return matrix_; }
    // The logical-to-device-unit part of M (its scales without the points per unit).
    const TPdfXForm& Inverse() const { return inverse_; }
    bool Flipped() const { return flipped_; }
    double TextXScale() const { return textXScale_; }
    bool TextRotated() const { return textRotated_; }

    bool YAxisUp() const { return yAxisUp_; }
    void SetYAxisUp(bool up) { yAxisUp_ = up; }
    double UnitsPerInchX() const { return unitsPerInchX_; }
    double UnitsPerInchY() const { return unitsPerInchY_; }
    void SetUnitsPerInch(double x, double y);
    double FrameScaleX() const { return frameScaleX_; }
    double FrameScaleY() const { return frameScaleY_; }
    void SetFrameScale(double x, double y);
    const TPdfXForm& BaseMatrix() const { return baseMatrix_; }
    void SetBaseMatrix(const TPdfXForm& matrix) { baseMatrix_ = matrix; }
    // The base scales from the units per inch and the frame scales.
    void ScaleBaseMatrix();
    const TPdfXForm& ResolutionMatrix() const { return resolutionMatrix_; }
    bool ResolutionSet() const { return resolutionSet_; }
    void SetResolutionMatrix(const TPdfXForm& matrix, bool set);
    TPoint FrameOffset() const { return frameOffset_; }
    void SetFrameOffset(TPoint offset) { frameOffset_ = offset; }
    // Set by the page: the page's x offset and height in device units.
    int PageXOffset() const { return pageXOffset_; }
    int PageHeight() const { return pageHeight_; }
    void SetPage(int xOffset, int height);

private:
    void Push(TPdfDCStackEntry entry);
    void Pop();
    bool CanPop() const;
    void Fold(const TPdfDCStackVar& state);
    void FoldExtents(const TPdfDCStackVar& state);
    void FoldOrigins(const TPdfDCStackVar& state);
    void FoldWorld(const TPdfDCStackVar& state);
    void SetLogicalPageHeight();

    // Not a reference, so that a saved copy can be put back over its device's stack.
    TPdfGenericDevice* owner_;
    std::vector<TPdfDCStackEntry> entries_;
    TPdfXForm baseMatrix_;
    TPdfXForm resolutionMatrix_;
    bool resolutionSet_ = false;
    TPdfXForm matrix_;
    TPdfXForm inverse_;
    TPdfXForm textWorld_;
    bool textRotated_ = false;
    bool flipped_ = false;
    double textXScale_ = 1;
    bool yAxisUp_ = false;
    double unitsPerInchX_ = 96;
    double unitsPerInchY_ = 96;
    double frameScaleX_ = 1;
    double frameScaleY_ = 1;
    int pageXOffset_ = 0;
    int pageHeight_ = 0;
    TPoint frameOffset_;
};
