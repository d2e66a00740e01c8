#pragma once

#include "pdf/PdfGdiObjects.h"

#include <array>
#include <memory>
#include <vector>

// The table of emulated GDI objects; an object's handle is its index. The stock objects come first
// and are never freed; released handles are reused last-in first-out.
class TPdfGenericDeviceObjects {
public:
    TPdfGenericDeviceObjects();

    // Creates an object of the class for `type` and appends it; an unknown type fails the assertion
    // "Object was not created".
    TPdfBasicGDIObject* Add(TPdfBasicGDIObjectType type);
    // Takes the object; returns its handle.
    std::int32_t Append(std::unique_ptr<TPdfBasicGDIObject> object);
    // Frees a non-stock object of at least the table's level; false when nothing was freed.
    bool Delete(std::int32_t handle);
    // The object of a handle, or null for a handle outside the table or a freed one.
    TPdfBasicGDIObject* GetObjects(std::int32_t handle) const;
    // The handle of a GDI stock-object number; 0 for a number that names none.
    std::int32_t GetStockObject(int number) const;
    std::int32_t StockHandle(TPdfStockObjects stock) const { return stockHandles_[stock]; }
    // Frees every non-stock object.
    void Clear();
    void IncLevel() { ++level_; }
    // Frees every non-stock object of at least the current level, then lowers the level.
    void DecLevel();

    std::int32_t Level() const { return level_; }
    int StockCount() const { return stockCount_; }
    int Count() const { return static_cast<int>(objects_.size()); }

private:
    void AddStockBrush(TPdfStockObjects stock, TPdfBrushStyles style, TColor color);
    void AddStockPen(TPdfStockObjects stock, TPdfPenStyles style, TColor color);
    void AddStockFont();
    void Free(std::int32_t handle);

    std::vector<std::unique_ptr<TPdfBasicGDIObject>> objects_;
    int stockCount_ = 0;
    std::vector<std::int32_t> freeHandles_;
    std::int32_t level_ = 1;
    std::array<std::int32_t, PdfStockObjectCount> stockHandles_{};
};
