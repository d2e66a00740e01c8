#include "planogram/Listmanager.h"

#include "platform/core/Seams.h"

void ListOB::CopyContentFrom(const ListOB& other)
{
    ListOB* const keptNext = next;
    ListOB* const keptPrev = prev;
    *this = other;
    next = keptNext;
    prev = keptPrev;
}

bool ItemContains(const ListOB& item, const TPoint& point)
{
    // The drawing rotates only positive angles; any other item is drawn in its placement box.
    return PtInRect(item.rotation > 0 ? item.rotatedBox : item.PlacementBox(), point);
}

ListManager::~ListManager()
{
    // Nobody is to hear of a list that goes away.
    OnCountChange = nullptr;
    Clear();
}

void ListManager::CountChanged()
{
    if (OnCountChange)
        OnCountChange();
}

bool ListManager::Append()
{
    auto* item = new ListOB;
    LinkAfter(item, tail);
    current = item;
    CountChanged();
    return true;
}

void ListManager::DeleteCurrent()
{
    if (!current)
        return;
    ListOB* doomed = current;
    if (observer_)
        observer_->ItemRemoved(doomed);
    Unlink(doomed);
    if (iterator == doomed)
        iterator = nullptr;
    current = nullptr;
    delete doomed;
    CountChanged();
}

void ListManager::Clear()
{
    if (observer_)
        observer_->ListCleared();
    const bool hadItems = head != nullptr;
    for (ListOB* item = head; item;) {
        ListOB* following = item->next;
        delete item;
        item = following;
    }
    current = head = tail = iterator = nullptr;
    if (hadItems)
        CountChanged();
}

bool ListManager::FindIndex(const std::string& text)
{
    for (iterator = head; iterator; iterator = iterator->next) {
        if (iterator->index == text) {
            current = iterator;
            return true;
        }
    }
    return false;
}

bool ListManager::HitTest(const TPoint& point)
{
    for (iterator = tail; iterator; iterator = iterator->prev) {
        if (ItemContains(*iterator, point)) {
            current = iterator;
            return true;
        }
    }
    current = nullptr;
    return false;
}

void ListManager::SelectNext() { current = (current && current->next) ? current->next : head; }

void ListManager::SelectPrevious() { current = (current && current->prev) ? current->prev : tail; }

void ListManager::MoveToFront()
{
    if (!current || current == tail)
        return;
    Unlink(current);
    LinkAfter(current, tail);
}

void ListManager::MoveToBack()
{
    if (!current || current == head)
        return;
    Unlink(current);
    LinkBefore(current, head);
}

void ListManager::MoveForward()
{
    if (!current || current == tail)
        return;
    ListOB* successor = current->next;
    Unlink(current);
    LinkAfter(current, successor);
}

void ListManager::MoveBackward()
{
    if (!current)
        return;
    if (current == head) {
        Beep();
        return;
    }
    ListOB* predecessor = current->prev;
    Unlink(current);
    LinkBefore(current, predecessor);
}

int ListManager::Count() const
{
    int count = 0;
    for (const ListOB* item = head; item; item = item->next)
        ++count;
    return count;
}

bool ListManager::Contains(const ListOB* item) const
{
    for (const ListOB* walk = head; walk; walk = walk->next)
        if (walk == item)
            return true;
    return false;
}

void ListManager::Unlink(ListOB* item)
{
    (item->prev ? item->prev->next : head) = item->next;
    (item->next ? item->next->prev : tail) = item->prev;
    item->next = item->prev = nullptr;
}

void ListManager::LinkAfter(ListOB* item, ListOB* anchor)
{
    item->prev = anchor;
    item->next = anchor ? anchor->next : head;
    (item->next ? item->next->prev : tail) = item;
    (anchor ? anchor->next : head) = item;
}

void ListManager::LinkBefore(ListOB* item, ListOB* anchor)
{
    item->next = anchor;
    item->prev = anchor ? anchor->prev : tail;
    (item->prev ? item->prev->next : head) = item;
    (anchor ? anchor->prev : tail) = item;
}
