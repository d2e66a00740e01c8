#include "pdf/PdfDCStack.h"

#include "pdf/PdfAssert.h"
#include "pdf/PdfGenericDevice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace PdfGdi;

namespace {

bool MapsExtents(int mapMode) { return mapMode == MM_ISOTROPIC || mapMode == MM_ANISOTROPIC; }

// A scale of exactly 0 would make the matrix singular.
float NonZeroScale(float scale) { return scale == 0 ? 0.001f : scale; }

} // namespace

TPdfDCStack::TPdfDCStack(TPdfGenericDevice& owner) : owner_(&owner) {}

TPdfDCStackVar& TPdfDCStack::Data() { return Top().data; }

TPdfDCStackEntry& TPdfDCStack::Top()
{
    if (entries_.empty())
        Push(TPdfDCStackEntry{});
    return entries_.back();
}

void TPdfDCStack::Push(TPdfDCStackEntry entry) { entries_.push_back(std::move(entry)); }

void TPdfDCStack::Add()
{
    TPdfDCStackEntry entry = Top();
    entry.isBreak = false;
    entry.saveNumber = entries_.back().saveNumber + 1;
    Push(std::move(entry));
}

bool TPdfDCStack::CanPop() const { return entries_.size() > 1 && !entries_.back().isBreak; }

void TPdfDCStack::Pop()
{
    entries_.pop_back();
    if (!entries_.empty()) {
        entries_.back().data.matrixDirty = true;
        entries_.back().textWorldDirty = true;
    }
}

int TPdfDCStack::Remove(int count)
{
    int popped = 0;
    while (popped < count && CanPop()) {
        Pop();
        ++popped;
    }
    return popped;
}

int TPdfDCStack::RemoveFrom(int saveNumber)
{
    int popped = 0;
    while (CanPop() && entries_.back().saveNumber >= saveNumber) {
        Pop();
        ++popped;
    }
    return popped;
}

void TPdfDCStack::AddBreak()
{
    TPdfDCStackEntry entry = entries_.empty() ? TPdfDCStackEntry{} : entries_.back();
    entry.isBreak = true;
    entry.saveNumber = 0;
    entry.savedPathDepth = owner_->PathDepth();
    owner_->SetPathDepth(0);
    Push(std::move(entry));
}

void TPdfDCStack::RemoveBreak()
{
    const auto isBreak = [](const TPdfDCStackEntry& entry) { return entry.isBreak; };
    if (std::none_of(entries_.begin(), entries_.end(), isBreak))
        return;
    while (!entries_.back().isBreak)
        Pop();
    PdfAssert(owner_->PathDepth() == 0, "PS Stack must be cleared");
    owner_->SetPathDepth(entries_.back().savedPathDepth);
    Pop();
}

void TPdfDCStack::Clear()
{
    entries_.clear();
    unitsPerInchX_ = 96;
    unitsPerInchY_ = 96;
    baseMatrix_ = TPdfXForm{};
    resolutionMatrix_ = TPdfXForm{};
    textXScale_ = 1;
    yAxisUp_ = false;
}

void TPdfDCStack::World()
{
    TPdfDCStackEntry& top = Top();
    if (top.data.matrixDirty && !resolutionSet_) {
        Fold(top.data);
        top.data.matrixDirty = false;
        top.textWorldDirty = true;
    }
    if (!top.data.worldSet)
        SetLogicalPageHeight();
}

void TPdfDCStack::Fold(const TPdfDCStackVar& state)
{
    matrix_ = baseMatrix_;
    inverse_ = TPdfXForm{};
    textXScale_ = 1;
    if (MapsExtents(state.mapMode))
        FoldExtents(state);
    if (matrix_.eM22 < 0) {
        matrix_.eM22 = -matrix_.eM22;
        matrix_.eDy -= static_cast<float>(pageHeight_);
    }
    FoldOrigins(state);
    if (state.worldSet)
        FoldWorld(state);
    matrix_.eM11 = NonZeroScale(matrix_.eM11);
    matrix_.eM22 = NonZeroScale(matrix_.eM22);
    flipped_ = matrix_.eM22 < 0;
}

// Window units per viewport unit, where both extents are given.
void TPdfDCStack::FoldExtents(const TPdfDCStackVar& state)
{
    const bool hasX = state.windowExt.X != 0 && state.viewportExt.X != 0;
    const bool hasY = state.windowExt.Y != 0 && state.viewportExt.Y != 0;
    double fx = hasX ? double(state.windowExt.X) / state.viewportExt.X : 1;
    double fy = hasY ? double(state.windowExt.Y) / state.viewportExt.Y : 1;
    // An isotropic mapping keeps the shape: the smaller scale serves both axes, each keeping its
    // direction.
    if (state.mapMode == MM_ISOTROPIC && hasX && hasY) {
        const double f = std::max(std::fabs(fx), std::fabs(fy));
        fx = std::copysign(f, fx);
        fy = std::copysign(f, fy);
    }
    if (hasX) {
        matrix_.eM11 = static_cast<float>(baseMatrix_.eM11 / fx);
        inverse_.eM11 = static_cast<float>(1 / fx);
    }
    if (hasY) {
        matrix_.eM22 = static_cast<float>(baseMatrix_.eM22 / fy);
        inverse_.eM22 = static_cast<float>(1 / fy);
    }
    if (hasX && hasY && fx < fy)
        textXScale_ = fx / fy;
}

void TPdfDCStack::FoldOrigins(const TPdfDCStackVar& state)
{
    const double bx = baseMatrix_.eM11, by = baseMatrix_.eM22;
    const TPoint vp = state.viewportOrg, win = state.windowOrg;
    matrix_.eDx = static_cast<float>(matrix_.eDx + vp.X * bx - win.X * double(matrix_.eM11));
    inverse_.eDx = static_cast<float>(vp.X - win.X * double(inverse_.eM11));
    if (yAxisUp_) {
        matrix_.eDy = static_cast<float>(matrix_.eDy + vp.Y * by + win.Y * double(matrix_.eM22));
        inverse_.eDy = static_cast<float>(win.Y * double(inverse_.eM22) + vp.Y);
    } else {
        matrix_.eDy = static_cast<float>(matrix_.eDy + vp.Y * by - win.Y * double(matrix_.eM22));
        inverse_.eDy = static_cast<float>(vp.Y - win.Y * double(inverse_.eM22));
    }
}

void TPdfDCStack::FoldWorld(const TPdfDCStackVar& state)
{
    const TPdfXForm& world = state.world;
    const double tx = double(world.eDx) * matrix_.eM11 + matrix_.eDx;
    const double ty = double(world.eDy) * matrix_.eM22 + matrix_.eDy;
    CombineXFORMs(world, matrix_, matrix_);
    CombineXFORMs(world, inverse_, inverse_);
    matrix_.eDx = static_cast<float>(tx);
    if (ty != 0) {
        // The world's translation already lifts the page; dcY must not do it again.
        matrix_.eDy = static_cast<float>(ty - pageHeight_);
        owner_->SetLogicalPageHeight(0);
    }
}

// The page height in logical units for dcY; a y scale that rounds to 0 counts as 0.001.
void TPdfDCStack::SetLogicalPageHeight()
{
    double scale = std::nearbyint(double(matrix_.eM22) * 1000) / 1000;
    if (scale == 0)
        scale = 0.001;
    owner_->SetLogicalPageHeight(PdfRound(pageHeight_ / scale));
}

void TPdfDCStack::XYToDevice(int& x, int& y)
{
    World();
    const TPdfXForm& m = inverse_;
    const double determinant = double(m.eM11) * m.eM22 - double(m.eM12) * m.eM21;
    if (std::fabs(determinant) <= 1e-12)
        return;
    const double px = x - double(m.eDx), py = y - double(m.eDy);
    x = PdfRound((px * m.eM22 - py * m.eM21) / determinant);
    y = PdfRound((py * m.eM11 - px * m.eM12) / determinant);
}

TPdfXForm TPdfDCStack::TextWorld()
{
    TPdfDCStackEntry& top = Top();
    if (!top.textWorldDirty && !textRotated_)
        return textWorld_;
    const std::int32_t escapement = top.data.fontData.escapement;
    textRotated_ = escapement != 0 || flipped_;
    if (textRotated_) {
        const double angle = escapement / 1800.0 * std::numbers::pi;
        const auto c = static_cast<float>(std::cos(angle)), s = static_cast<float>(std::sin(angle));
        textWorld_ = TPdfXForm{c, s, -s, c, 0, 0};
    } else {
        textWorld_ = TPdfXForm{};
        owner_->SetTextOffset(0, 0);
    }
    owner_->SetTextRotated(textRotated_);
    top.textWorldDirty = false;
    return textWorld_;
}

void TPdfDCStack::InitRes(int x, int y)
{
    TPdfDCStackEntry& top = Top();
    top.data.matrixDirty = true;
    if (x > 0 && y > 0)
        baseMatrix_ = ScaleXForm(72.0 / x, 72.0 / y);
}

void TPdfDCStack::NothingIsOK()
{
    TPdfDCStackEntry& top = Top();
    top.data.matrixDirty = true;
    top.textWorldDirty = true;
}

void TPdfDCStack::SetUnitsPerInch(double x, double y)
{
    unitsPerInchX_ = x;
    unitsPerInchY_ = y;
}

void TPdfDCStack::SetFrameScale(double x, double y)
{
    frameScaleX_ = x;
    frameScaleY_ = y;
}

void TPdfDCStack::ScaleBaseMatrix()
{
    baseMatrix_.eM11 = static_cast<float>(72 / unitsPerInchX_ * frameScaleX_);
    baseMatrix_.eM22 = static_cast<float>(72 / unitsPerInchY_ * frameScaleY_);
}

void TPdfDCStack::SetResolutionMatrix(const TPdfXForm& matrix, bool set)
{
    resolutionMatrix_ = matrix;
    resolutionSet_ = set;
}

void TPdfDCStack::SetPage(int xOffset, int height)
{
    pageXOffset_ = xOffset;
    pageHeight_ = height;
}
