#pragma once

#include "planogram/Listmanager.h"

#include <vector>

// The single-level undo of a planogram document: a snapshot of one item (and its group chain) taken
// before an edit (mode 1) or before its deletion (mode 2).
class Undo : private ListObserver {
public:
    Undo() = default;
    ~Undo();
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

    bool valid = false;

    // Set by the document when it creates or clears its list; clears any snapshot of the old list.
    void SetList(ListManager* list, int* itemCount);
    void Take(ListOB* item, int mode);
    // The deletion snapshot of an ungrouped item from a copy made before it was last changed, so
    // that undoing the deletion gives the item back as it was then.
    void TakeDeleted(ListOB* item, const ListOB& copy);
    // Puts the snapshot back; the item edited or re-created, or null when nothing was held.
    ListOB* Restore();
    // Forgets the snapshot (deleting a grouped item).
    void Discard();

    int Mode() const { return mode_; }
    const ListOB& Saved() const { return saved_; }
    int ChainCount() const { return static_cast<int>(chain_.size()); }

private:
    void ItemRemoved(const ListOB* removed) override;
    void ListCleared() override;
    ListOB* RestoreEdit();
    ListOB* RestoreDeletion();
    bool NumberInUse(int number) const;

    ListManager* list_ = nullptr;
    int* itemCount_ = nullptr;
    ListOB* item_ = nullptr;
    ListOB saved_;
    // The group chain as it was at Take: the items met, and a copy of each.
    std::vector<ListOB*> chainItems_;
    std::vector<ListOB> chain_;
    int mode_ = 0;
};
