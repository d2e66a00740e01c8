#include "pdf/PdfGenericDeviceObjects.h"

#include "pdf/PdfAssert.h"

namespace {

std::unique_ptr<TPdfBasicGDIObject> CreateObject(TPdfBasicGDIObjectType type)
{
    switch (type) {
    case pegdi_null:
        return std::make_unique<TPdfBasicGDIObject>();
    case pegdi_font:
        return std::make_unique<TPdfDvFont>();
    case pegdi_brush:
        return std::make_unique<TPdfDvBrush>();
    case pegdi_pen:
        return std::make_unique<TPdfDvPen>();
    case pegdi_palette:
        return std::make_unique<TPdfDvPalette>();
    }
    return nullptr;
}

// GDI numbers its stock objects with a gap at 9.
constexpr int GdiNullPen = 8;
constexpr int GdiOemFixedFont = 10;
constexpr int GdiDcBrush = 18;

} // namespace

TPdfGenericDeviceObjects::TPdfGenericDeviceObjects()
{
    Add(pegdi_null);
    AddStockBrush(pestock_WHITE_BRUSH, pebs_Solid, clWhite);
    AddStockBrush(pestock_LTGRAY_BRUSH, pebs_Solid, 0xC0C0C0);
    AddStockBrush(pestock_GRAY_BRUSH, pebs_Solid, 0x808080);
    AddStockBrush(pestock_DKGRAY_BRUSH, pebs_Solid, 0x404040);
    AddStockBrush(pestock_BLACK_BRUSH, pebs_Solid, clBlack);
    AddStockBrush(pestock_NULL_BRUSH, pebs_Null, clWhite);
    AddStockPen(pestock_WHITE_PEN, peps_Solid, clWhite);
    AddStockPen(pestock_BLACK_PEN, peps_Solid, clBlack);
    AddStockPen(pestock_NULL_PEN, peps_Null, clWhite);
    AddStockFont();
    stockCount_ = Count();
}

void TPdfGenericDeviceObjects::AddStockBrush(TPdfStockObjects stock, TPdfBrushStyles style, TColor color)
{
    auto* brush = static_cast<TPdfDvBrush*>(Add(pegdi_brush));
    brush->style = style;
    brush->color = color;
    stockHandles_[stock] = brush->handle;
}

void TPdfGenericDeviceObjects::AddStockPen(TPdfStockObjects stock, TPdfPenStyles style, TColor color)
{
    auto* pen = static_cast<TPdfDvPen*>(Add(pegdi_pen));
    pen->style = style;
    pen->color = color;
    pen->width = 1;
    stockHandles_[stock] = pen->handle;
}

// One Arial font stands for every stock font.
void TPdfGenericDeviceObjects::AddStockFont()
{
    auto* font = static_cast<TPdfDvFont*>(Add(pegdi_font));
    font->faceName = "Arial";
    for (TPdfStockObjects stock :
         {pestock_OEM_FIXED_FONT, pestock_ANSI_FIXED_FONT, pestock_ANSI_VAR_FONT, pestock_SYSTEM_FONT,
          pestock_DEVICE_DEFAULT_FONT, pestock_SYSTEM_FIXED_FONT, pestock_DEFAULT_GUI_FONT})
        stockHandles_[stock] = font->handle;
}

TPdfBasicGDIObject* TPdfGenericDeviceObjects::Add(TPdfBasicGDIObjectType type)
{
    std::unique_ptr<TPdfBasicGDIObject> object = CreateObject(type);
    PdfAssert(object != nullptr, "Object was not created");
    TPdfBasicGDIObject* added = object.get();
    Append(std::move(object));
    return added;
}

std::int32_t TPdfGenericDeviceObjects::Append(std::unique_ptr<TPdfBasicGDIObject> object)
{
    std::int32_t handle;
    if (!freeHandles_.empty()) {
        handle = freeHandles_.back();
        freeHandles_.pop_back();
        objects_[static_cast<std::size_t>(handle)] = std::move(object);
    } else {
        handle = Count();
        objects_.push_back(std::move(object));
    }
    objects_[static_cast<std::size_t>(handle)]->handle = handle;
    return handle;
}

void TPdfGenericDeviceObjects::Free(std::int32_t handle)
{
    objects_[static_cast<std::size_t>(handle)].reset();
    freeHandles_.push_back(handle);
}

bool TPdfGenericDeviceObjects::Delete(std::int32_t handle)
{
    if (handle < stockCount_ || handle >= Count())
        return false;
    const TPdfBasicGDIObject* object = objects_[static_cast<std::size_t>(handle)].get();
    if (object == nullptr || object->level < level_)
        return false;
    Free(handle);
    return true;
}

TPdfBasicGDIObject* TPdfGenericDeviceObjects::GetObjects(std::int32_t handle) const
{
    if (handle < 0 || handle >= Count())
        return nullptr;
    return objects_[static_cast<std::size_t>(handle)].get();
}

std::int32_t TPdfGenericDeviceObjects::GetStockObject(int number) const
{
    if (number >= 0 && number <= GdiNullPen)
        return stockHandles_[number];
    if (number >= GdiOemFixedFont && number <= GdiDcBrush)
        return stockHandles_[number - 1];
    return 0;
}

void TPdfGenericDeviceObjects::Clear()
{
    objects_.resize(static_cast<std::size_t>(stockCount_));
    freeHandles_.clear();
}

void TPdfGenericDeviceObjects::DecLevel()
{
    for (std::int32_t handle = stockCount_; handle < Count(); ++handle) {
        const TPdfBasicGDIObject* object = objects_[static_cast<std::size_t>(handle)].get();
        if (object != nullptr && object->level >= level_)
            Free(handle);
    }
    --level_;
}
