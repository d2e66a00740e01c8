#pragma once

#include "platform/core/Geometry.h"

#include <functional>
#include <string>

// One item of a planogram: a catalog product (index = part number, picture = picture file) or a
// fixture (index = generated name, picture = fixture description text).
struct ListOB {
    int itemNo = 0;
    std::string index;
    std::string picture;
    int left = 0, top = 0, right = 0, bottom = 0;
    // Bounds as drawn when rotated; recomputed by the drawing code, never saved.
    TRect rotatedBox;
    float inchWidth = 0, inchHeight = 0, inchDepth = 0;
    std::string Category, Brand, customTag;
    double tagRotation = 0;
    double rotation = 0;
    int face = 0; // 0 front, 1 side, 2 top
    bool reorder = false;
    int hookdepth = 0;
    float hookdepthCM = 0, hookdepthIN = 0;
    int inventory = 0, unitsSold = 0;
    double depth = 0;
    // Group and child item numbers as read from a file, before they become links.
    int group = 0, child = 0;
    int color = 0; // COLORREF 0x00BBGGRR
    bool manualcolor = false;
    ListOB* groupItem = nullptr; // first item of the item's group
    ListOB* childItem = nullptr; // next item of the group chain
    ListOB* next = nullptr;
    ListOB* prev = nullptr;

    TRect PlacementBox() const { return Rect(left, top, right, bottom); }
    // Every field but the list links.
    void CopyContentFrom(const ListOB& other);
};

// Told before a record of a list is destroyed, so that nobody keeps a link to it.
class ListObserver {
public:
    virtual void ItemRemoved(const ListOB* item) = 0;
    virtual void ListCleared() = 0;

protected:
    ~ListObserver() = default;
};

// The ordered item list of a planogram: head is drawn first (underneath), tail last (on top). The
// list owns its records.
class ListManager {
public:
    ListManager() = default;
    ~ListManager();
    ListManager(const ListManager&) = delete;
    ListManager& operator=(const ListManager&) = delete;

    ListOB* current = nullptr;
    ListOB* head = nullptr;
    ListOB* tail = nullptr;
    ListOB* iterator = nullptr;

    // A new empty record after the tail; it becomes current.
    bool Append();
    // With no current item nothing happens.
    void DeleteCurrent();
    void Clear();
    // Exact, case-sensitive match of `index`; a hit becomes current.
    bool FindIndex(const std::string& text);
    // The topmost item containing the point becomes current; none when no item does.
    bool HitTest(const TPoint& point);
    void SelectNext();
    void SelectPrevious();
    void MoveToFront();
    void MoveToBack();
    void MoveForward();
    void MoveBackward();

    int Count() const;
    bool Contains(const ListOB* item) const;

    // One observer at a time (the document's undo).
    void SetObserver(ListObserver* observer) { observer_ = observer; }
    // Called after an item was appended or deleted or the list was emptied, however that came about:
    // what depends on the number of items follows from here.
    std::function<void()> OnCountChange;

private:
    void CountChanged();
    void Unlink(ListOB* item);
    void LinkAfter(ListOB* item, ListOB* anchor);
    void LinkBefore(ListOB* item, ListOB* anchor);

    ListObserver* observer_ = nullptr;
};

// Whether the item contains the point: through its drawn bounds when it is rotated, else its
// placement box.
bool ItemContains(const ListOB& item, const TPoint& point);
