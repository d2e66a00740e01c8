#include "planogram/Listmanager.h"
#include "platform/core/Seams.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Head-to-tail and tail-to-head walks agree, and the ends have no outer links.
void ExpectConsistent(const ListManager& list)
{
    std::vector<const ListOB*> forward, backward;
    for (const ListOB* item = list.head; item; item = item->next)
        forward.push_back(item);
    for (const ListOB* item = list.tail; item; item = item->prev)
        backward.insert(backward.begin(), item);
    EXPECT_EQ(forward, backward);
    if (list.head) {
        EXPECT_EQ(list.head->prev, nullptr);
        EXPECT_EQ(list.tail->next, nullptr);
    } else {
        EXPECT_EQ(list.tail, nullptr);
        EXPECT_EQ(list.current, nullptr);
    }
    if (list.current) {
        EXPECT_TRUE(list.Contains(list.current));
    }
}

std::vector<std::string> Order(const ListManager& list)
{
    std::vector<std::string> names;
    for (const ListOB* item = list.head; item; item = item->next)
        names.push_back(item->index);
    return names;
}

ListOB* Add(ListManager& list, const std::string& index, TRect box = {})
{
    list.Append();
    list.current->index = index;
    list.current->left = box.Left;
    list.current->top = box.Top;
    list.current->right = box.Right;
    list.current->bottom = box.Bottom;
    return list.current;
}

class CountingBeep {
public:
    CountingBeep()
    {
        SetBeep([this] { ++beeps; });
    }
    ~CountingBeep() { SetBeep({}); }
    int beeps = 0;
};

} // namespace

TEST(ListManager, EmptyList)
{
    ListManager list;
    EXPECT_FALSE(list.HitTest(Point(1, 1)));
    list.SelectNext();
    EXPECT_EQ(list.current, nullptr);
    list.SelectPrevious();
    EXPECT_EQ(list.current, nullptr);
    list.DeleteCurrent();
    list.MoveForward();
    list.Clear();
    ExpectConsistent(list);
}

TEST(ListManager, OneItem)
{
    CountingBeep beep;
    ListManager list;
    ListOB* only = Add(list, "a");
    EXPECT_EQ(list.head, only);
    EXPECT_EQ(list.tail, only);
    for (auto move :
         {&ListManager::MoveToFront, &ListManager::MoveToBack, &ListManager::MoveForward, &ListManager::MoveBackward}) {
        (list.*move)();
        ExpectConsistent(list);
        EXPECT_EQ(Order(list), std::vector<std::string>{"a"});
    }
    EXPECT_EQ(beep.beeps, 1);
    list.SelectNext();
    EXPECT_EQ(list.current, only);
    list.DeleteCurrent();
    ExpectConsistent(list);
    EXPECT_EQ(list.head, nullptr);
    list.DeleteCurrent(); // nothing current: nothing happens
    EXPECT_EQ(list.Count(), 0);
}

TEST(ListManager, TwoItemsMoves)
{
    CountingBeep beep;
    ListManager list;
    ListOB* a = Add(list, "a");
    ListOB* b = Add(list, "b");
    list.current = a;
    list.MoveBackward();
    EXPECT_EQ(beep.beeps, 1);
    list.MoveForward();
    ExpectConsistent(list);
    EXPECT_EQ(Order(list), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(list.tail, a);
    EXPECT_EQ(list.head, b);
    list.MoveToBack();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"a", "b"}));
    list.MoveToFront();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"b", "a"}));
    list.current = b;
    list.DeleteCurrent();
    ExpectConsistent(list);
    EXPECT_EQ(list.head, a);
    EXPECT_EQ(list.tail, a);
}

TEST(ListManager, MovesRelinkRecordsInPlace)
{
    ListManager list;
    ListOB* a = Add(list, "a");
    ListOB* b = Add(list, "b");
    ListOB* c = Add(list, "c");
    ListOB* d = Add(list, "d");
    a->childItem = c; // a link held elsewhere stays valid through the moves
    list.current = b;
    list.MoveForward();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"a", "c", "b", "d"}));
    list.MoveToFront();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"a", "c", "d", "b"}));
    list.current = d;
    list.MoveBackward();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"a", "d", "c", "b"}));
    list.current = b;
    list.MoveToBack();
    EXPECT_EQ(Order(list), (std::vector<std::string>{"b", "a", "d", "c"}));
    list.MoveBackward(); // already head
    ExpectConsistent(list);
    EXPECT_EQ(a->childItem, c);
    EXPECT_EQ(a->childItem->index, "c");
    EXPECT_EQ(list.current, b);
}

TEST(ListManager, SelectWrapsAround)
{
    ListManager list;
    ListOB* a = Add(list, "a");
    ListOB* b = Add(list, "b");
    list.current = nullptr;
    list.SelectNext();
    EXPECT_EQ(list.current, a);
    list.SelectNext();
    EXPECT_EQ(list.current, b);
    list.SelectNext();
    EXPECT_EQ(list.current, a);
    list.SelectPrevious();
    EXPECT_EQ(list.current, b);
    list.current = nullptr;
    list.SelectPrevious();
    EXPECT_EQ(list.current, b);
}

TEST(ListManager, HitTestTopmostWinsAndEdgesMiss)
{
    ListManager list;
    ListOB* under = Add(list, "under", Rect(0, 0, 100, 100));
    ListOB* over = Add(list, "over", Rect(50, 50, 150, 150));
    EXPECT_TRUE(list.HitTest(Point(60, 60)));
    EXPECT_EQ(list.current, over);
    EXPECT_TRUE(list.HitTest(Point(10, 10)));
    EXPECT_EQ(list.current, under);
    EXPECT_TRUE(list.HitTest(Point(0, 0)));
    EXPECT_FALSE(list.HitTest(Point(150, 60))); // right edge is outside
    EXPECT_EQ(list.current, nullptr);
    EXPECT_FALSE(list.HitTest(Point(60, 150))); // bottom edge is outside

    over->rotation = 90;
    over->rotatedBox = Rect(200, 200, 210, 210);
    EXPECT_TRUE(list.HitTest(Point(205, 205)));
    EXPECT_EQ(list.current, over);
    EXPECT_FALSE(list.HitTest(Point(120, 120)));
    // A negative rotation is drawn unrotated, so its placement box counts.
    over->rotation = -90;
    EXPECT_TRUE(list.HitTest(Point(120, 120)));
    EXPECT_EQ(list.current, over);
    over->rotation = 0;
    EXPECT_FALSE(list.HitTest(Point(205, 205)));
}

TEST(ListManager, FindIndexIsExact)
{
    ListManager list;
    Add(list, "Cola");
    ListOB* chips = Add(list, "Chips");
    list.current = nullptr;
    EXPECT_FALSE(list.FindIndex("cola"));
    EXPECT_EQ(list.current, nullptr);
    EXPECT_FALSE(list.FindIndex("Chip"));
    EXPECT_TRUE(list.FindIndex("Chips"));
    EXPECT_EQ(list.current, chips);
}

TEST(ListManager, TellsOfEveryChangeOfCountButNotOfItsOwnEnd)
{
    std::vector<int> counts;
    {
        ListManager list;
        list.OnCountChange = [&] { counts.push_back(list.Count()); };
        list.Clear();
        Add(list, "Cola");
        Add(list, "Chips");
        list.MoveToBack();
        list.SelectNext();
        list.DeleteCurrent();
        list.DeleteCurrent(); // nothing current
        Add(list, "Tea");
        list.Clear();
        Add(list, "Water");
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 1, 2, 0, 1}));
}
