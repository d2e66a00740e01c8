#include "planogram/Undo.h"

#include <algorithm>

Undo::~Undo()
{
    if (list_)
        list_->SetObserver(nullptr);
}

void Undo::SetList(ListManager* list, int* itemCount)
{
    if (list_ && list_ != list)
        list_->SetObserver(nullptr);
    Discard();
    list_ = list;
    itemCount_ = itemCount;
    if (list_)
        list_->SetObserver(this);
}

void Undo::Take(ListOB* item, int mode)
{
    item_ = item;
    saved_ = *item;
    mode_ = mode;
    chainItems_.clear();
    chain_.clear();
    if (item->groupItem || item->childItem) {
        for (ListOB* member = item->groupItem ? item->groupItem : item; member; member = member->childItem) {
            // A chain that loops back on itself is walked once.
            if (std::find(chainItems_.begin(), chainItems_.end(), member) != chainItems_.end())
                break;
            chainItems_.push_back(member);
            chain_.push_back(*member);
        }
    }
    valid = true;
}

void Undo::TakeDeleted(ListOB* item, const ListOB& copy)
{
    Discard();
    item_ = item;
    saved_ = copy;
    mode_ = 2;
    valid = true;
}

ListOB* Undo::Restore()
{
    if (!valid)
        return nullptr;
    ListOB* restored = mode_ == 1 ? RestoreEdit() : mode_ == 2 ? RestoreDeletion() : nullptr;
    Discard();
    return restored;
}

void Undo::Discard()
{
    valid = false;
    item_ = nullptr;
    chainItems_.clear();
    chain_.clear();
}

ListOB* Undo::RestoreEdit()
{
    // Only the records met at Take are written; all of them are still alive, because a removal
    // drops the snapshot.
    for (size_t i = 0; i < chainItems_.size(); ++i)
        chainItems_[i]->CopyContentFrom(chain_[i]);
    if (item_)
        item_->CopyContentFrom(saved_);
    return item_;
}

ListOB* Undo::RestoreDeletion()
{
    if (!list_)
        return nullptr;
    const bool numberTaken = NumberInUse(saved_.itemNo);
    list_->Append();
    ListOB* restored = list_->current;
    // A deletion snapshot is of an ungrouped item (a grouped one is dropped when deleted), so the
    // copy links to no other record.
    restored->CopyContentFrom(saved_);
    restored->groupItem = restored->childItem = nullptr;
    if (!itemCount_)
        return restored;
    // The item takes its number back unless another item took it meanwhile; either way no number
    // is given out twice.
    if (numberTaken) {
        const int number = ++*itemCount_;
        if (restored->group == restored->itemNo)
            restored->group = number;
        if (restored->child == restored->itemNo)
            restored->child = number;
        restored->itemNo = number;
    } else {
        *itemCount_ = std::max(*itemCount_, restored->itemNo);
    }
    return restored;
}

bool Undo::NumberInUse(int number) const
{
    for (const ListOB* item = list_->head; item; item = item->next)
        if (item->itemNo == number)
            return true;
    return false;
}

void Undo::ItemRemoved(const ListOB* removed)
{
    if (!valid)
        return;
    const bool inChain = std::find(chainItems_.begin(), chainItems_.end(), removed) != chainItems_.end();
    if (mode_ == 2 && removed == item_ && !inChain) {
        // The delete command takes its snapshot just before deleting: the copy is what counts.
        item_ = nullptr;
        return;
    }
    if (removed == item_ || inChain)
        Discard();
}

void Undo::ListCleared() { Discard(); }
