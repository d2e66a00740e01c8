#include "planogram/Undo.h"

#include <gtest/gtest.h>

namespace {

struct Document {
    ListManager list;
    int itemCount = 0;
    Undo undo;
    Document() { undo.SetList(&list, &itemCount); }

    ListOB* Add(const std::string& index, int left)
    {
        list.Append();
        ++itemCount;
        list.current->index = index;
        list.current->left = left;
        list.current->right = left + 10;
        return list.current;
    }
};

// Makes a..c one group: a is the head, each member names it and links to the next.
void Group(ListOB* a, ListOB* b, ListOB* c)
{
    a->childItem = b;
    b->groupItem = a;
    b->childItem = c;
    c->groupItem = a;
}

} // namespace

TEST(Undo, MoveThenUndo)
{
    Document doc;
    ListOB* item = doc.Add("a", 10);
    doc.undo.Take(item, 1);
    item->left = 500;
    item->right = 510;
    doc.undo.Restore();
    EXPECT_EQ(item->left, 10);
    EXPECT_EQ(item->right, 20);
    EXPECT_FALSE(doc.undo.valid);
    item->left = 99;
    doc.undo.Restore(); // nothing held
    EXPECT_EQ(item->left, 99);
}

TEST(Undo, GroupOfThreeRestoresAll)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    ListOB* b = doc.Add("b", 100);
    ListOB* c = doc.Add("c", 200);
    Group(a, b, c);
    doc.undo.Take(b, 1);
    EXPECT_EQ(doc.undo.ChainCount(), 3);
    for (ListOB* member : {a, b, c})
        member->left += 7;
    doc.undo.Restore();
    EXPECT_EQ(a->left, 0);
    EXPECT_EQ(b->left, 100);
    EXPECT_EQ(c->left, 200);
    EXPECT_EQ(b->childItem, c);
    EXPECT_EQ(c->groupItem, a);
}

TEST(Undo, RestoreKeepsListPlace)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    doc.Add("b", 100);
    ListOB* c = doc.Add("c", 200);
    doc.undo.Take(c, 1);
    c->left = 5;
    doc.list.current = c;
    doc.list.MoveToBack();
    doc.undo.Restore();
    EXPECT_EQ(c->left, 200);
    EXPECT_EQ(doc.list.head, c);
    EXPECT_EQ(c->next, a);
}

TEST(Undo, DeleteThenUndoAppendsOnTop)
{
    Document doc;
    doc.Add("a", 0);
    ListOB* b = doc.Add("b", 100);
    doc.Add("c", 200);
    doc.list.current = b;
    doc.undo.Take(b, 2);
    doc.list.DeleteCurrent();
    --doc.itemCount;
    EXPECT_TRUE(doc.undo.valid);
    doc.undo.Restore();
    EXPECT_EQ(doc.itemCount, 3);
    ASSERT_NE(doc.list.current, nullptr);
    EXPECT_EQ(doc.list.tail, doc.list.current);
    EXPECT_EQ(doc.list.current->index, "b");
    EXPECT_EQ(doc.list.current->left, 100);
    EXPECT_EQ(doc.list.Count(), 3);
}

TEST(Undo, EditSnapshotDroppedWhenItsRecordsGo)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    ListOB* b = doc.Add("b", 100);
    ListOB* c = doc.Add("c", 200);
    Group(a, b, c);
    doc.undo.Take(a, 1);
    // A chain member is deleted: restoring would write into freed memory.
    doc.list.current = c;
    doc.list.DeleteCurrent();
    EXPECT_FALSE(doc.undo.valid);
    doc.undo.Restore();
    EXPECT_EQ(doc.list.Count(), 2);
    b->childItem = nullptr; // the delete command ungroups what it removes

    doc.undo.Take(b, 1);
    doc.list.current = b;
    doc.list.DeleteCurrent();
    EXPECT_FALSE(doc.undo.valid);
}

TEST(Undo, ChainThatGrewRestoresOnlyRecordedMembers)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    ListOB* b = doc.Add("b", 100);
    a->childItem = b;
    b->groupItem = a;
    doc.undo.Take(a, 1);
    ListOB* late = doc.Add("late", 300);
    b->childItem = late;
    late->groupItem = a;
    late->left = 301;
    doc.undo.Restore();
    EXPECT_EQ(late->left, 301);
    EXPECT_EQ(b->childItem, nullptr); // b is back as it was at the snapshot
}

TEST(Undo, ClearingTheListDropsAnySnapshot)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    doc.undo.Take(a, 2);
    doc.list.Clear();
    EXPECT_FALSE(doc.undo.valid);
    doc.undo.Restore();
    EXPECT_EQ(doc.list.Count(), 0);

    ListOB* fresh = doc.Add("fresh", 1);
    doc.undo.Take(fresh, 1);
    ListManager other;
    doc.undo.SetList(&other, &doc.itemCount); // the document rebuilt its list
    EXPECT_FALSE(doc.undo.valid);
}

TEST(Undo, ListOutlivingUndoForgetsIt)
{
    ListManager list;
    int count = 0;
    {
        Undo undo;
        undo.SetList(&list, &count);
        list.Append();
        undo.Take(list.current, 1);
    }
    list.DeleteCurrent(); // must not call the destroyed undo
    EXPECT_EQ(list.Count(), 0);
}

TEST(Undo, DeletingAGroupedItemEmptiesIt)
{
    Document doc;
    ListOB* a = doc.Add("a", 0);
    ListOB* b = doc.Add("b", 100);
    a->childItem = b;
    b->groupItem = a;
    doc.undo.Take(b, 2);
    doc.list.current = b;
    doc.list.DeleteCurrent();
    EXPECT_FALSE(doc.undo.valid);
    doc.undo.Restore();
    EXPECT_EQ(doc.list.Count(), 1);
}
