#include "platform/data/DataSet.h"
#include "platform/core/StringList.h"
#include "platform/data/DatabaseError.h"

#include "TestSupport.h"
#include "testing/MemoryDataSet.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TMemoryDataSet> DataSetOfIds(int rows)
{
    std::vector<TMemoryDataSet::Row> values;
    for (int id = 1; id <= rows; ++id)
        values.push_back({Variant::Integer(id), Variant::FromString("Item " + std::to_string(id))});
    return std::make_unique<TMemoryDataSet>(
        std::vector<TMemoryDataSet::Column>{{"ID", ftInteger}, {"Name", ftString, 20}}, std::move(values));
}

// "B" at the beginning, "E" at the end, then the current ID (none while empty).
std::string Where(TDataSet& dataSet)
{
    std::string text = std::string(dataSet.Bof() ? "B" : "-") + (dataSet.Eof() ? "E" : "-");
    if (!dataSet.IsEmpty())
        text += " " + dataSet.FieldByName("ID")->AsString();
    return text;
}

} // namespace

TEST(DataSet, NavigationSetsBeginAndEndOfDataOnEmptyOneRowAndManyRowSets)
{
    const struct {
        const char* move;
        std::function<void(TDataSet&)> action;
        const char* empty;
        const char* oneRow;
        const char* threeRows;
    } steps[] = {
        {"Open", [](TDataSet& d) { d.Open(); }, "BE", "B- 1", "B- 1"},
        {"Next", [](TDataSet& d) { d.Next(); }, "BE", "-E 1", "-- 2"},
        {"Next", [](TDataSet& d) { d.Next(); }, "BE", "-E 1", "-- 3"},
        {"Next", [](TDataSet& d) { d.Next(); }, "BE", "-E 1", "-E 3"},
        {"Prior", [](TDataSet& d) { d.Prior(); }, "BE", "B- 1", "-- 2"},
        {"Last", [](TDataSet& d) { d.Last(); }, "BE", "-E 1", "-E 3"},
        {"Prior", [](TDataSet& d) { d.Prior(); }, "BE", "B- 1", "-- 2"},
        {"First", [](TDataSet& d) { d.First(); }, "BE", "B- 1", "B- 1"},
        {"Prior", [](TDataSet& d) { d.Prior(); }, "BE", "B- 1", "B- 1"},
        {"MoveBy(5)", [](TDataSet& d) { d.MoveBy(5); }, "BE", "-E 1", "-E 3"},
        {"MoveBy(-5)", [](TDataSet& d) { d.MoveBy(-5); }, "BE", "B- 1", "B- 1"},
        {"Refresh", [](TDataSet& d) { d.Refresh(); }, "BE", "-- 1", "-- 1"},
    };
    for (int rows : {0, 1, 3}) {
        auto dataSet = DataSetOfIds(rows);
        for (const auto& step : steps) {
            step.action(*dataSet);
            EXPECT_EQ(Where(*dataSet), rows == 0   ? step.empty
                                       : rows == 1 ? step.oneRow
                                                   : step.threeRows)
                << step.move << " on " << rows << " rows";
        }
        EXPECT_EQ(dataSet->IsEmpty(), rows == 0);
        EXPECT_EQ(dataSet->RecordCount(), rows);
    }
}

TEST(DataSet, RecNoMovesAndResyncKeepsTheCurrentRecord)
{
    auto dataSet = DataSetOfIds(5);
    int scrolls = 0;
    dataSet->AfterScroll = [&](TDataSet&) { ++scrolls; };
    dataSet->Open();
    EXPECT_EQ(scrolls, 1);

    dataSet->SetRecNo(4);
    EXPECT_EQ(dataSet->RecNo(), 4);
    EXPECT_EQ(Where(*dataSet), "-- 4");
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(dataSet->MoveBy(-2), -2);
    EXPECT_EQ(dataSet->RecNo(), 2);
    EXPECT_EQ(dataSet->MoveBy(10), 3);
    EXPECT_EQ(Where(*dataSet), "-E 5");
    dataSet->SetRecNo(99);
    EXPECT_EQ(dataSet->RecNo(), 5) << "a number past the end lands on the last record";

    // After the failed move the cursor lies past the end; the record stays the current one.
    dataSet->SetRecNo(3);
    dataSet->Resync(0);
    EXPECT_EQ(Where(*dataSet), "-- 3");
    dataSet->MoveBy(5);
    dataSet->UpdateCursorPos();
    dataSet->Resync(rmExact | rmCenter);
    EXPECT_EQ(Where(*dataSet), "-- 5");
    dataSet->Rows().clear();
    dataSet->CursorPosChanged();
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->Resync(rmExact); }), "Record not found");
    dataSet->Resync(0);
    EXPECT_EQ(Where(*dataSet), "BE");
}

TEST(DataSet, BookmarksLeadBackAndCompare)
{
    auto dataSet = DataSetOfIds(5);
    dataSet->SetName("Products");
    EXPECT_TRUE(dataSet->GetBookmark().empty()) << "a closed data set has no record to mark";
    dataSet->Open();
    dataSet->MoveBy(1);
    TBookmark second = dataSet->GetBookmark();
    dataSet->MoveBy(2);
    const TBookmark fourth = dataSet->GetBookmark();
    dataSet->Last();
    dataSet->GotoBookmark(second);
    EXPECT_EQ(Where(*dataSet), "-- 2");
    dataSet->GotoBookmark(fourth);
    EXPECT_EQ(Where(*dataSet), "-- 4");

    EXPECT_EQ(dataSet->CompareBookmarks(second, dataSet->GetBookmark()), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(fourth, second), 1);
    EXPECT_EQ(dataSet->CompareBookmarks(fourth, dataSet->GetBookmark()), 0);
    EXPECT_EQ(dataSet->CompareBookmarks({}, fourth), -1);
    EXPECT_EQ(dataSet->CompareBookmarks({}, {}), 0);
    EXPECT_TRUE(dataSet->BookmarkValid(second));
    EXPECT_FALSE(dataSet->BookmarkValid(TBookmark{0, 0, 0, 9}));

    // A bookmark of another length would have the data set read past it.
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->GotoBookmark(TBookmark{1}); }),
              "Products: Record not found");
    EXPECT_EQ(Where(*dataSet), "-- 4");
    dataSet->FreeBookmark(second);
    EXPECT_TRUE(second.empty());
}

TEST(DataSet, MessagesNameTheDataSetWhenItHasAName)
{
    for (const std::string name : {"", "Catalog"}) {
        auto dataSet = DataSetOfIds(2);
        dataSet->SetName(name);
        const std::string prefix = name.empty() ? "" : name + ": ";

        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->CheckActive(); }),
                  prefix + "Cannot perform this operation on a closed dataset");
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->Next(); }),
                  prefix + "Cannot perform this operation on a closed dataset");
        dataSet->CheckInactive();
        dataSet->Open();
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->CheckInactive(); }),
                  prefix + "Cannot perform this operation on an open dataset");
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->FieldByName("Price"); }),
                  prefix + "Field 'Price' not found");
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->GetFieldList("ID; Price"); }),
                  prefix + "Field 'Price' not found");
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->FieldByName("ID")->SetAsInteger(3); }),
                  prefix + "Dataset not in edit or insert mode");
        EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->IndexDefs().Find("ByName"); }),
                  prefix + "Index 'ByName' not found");
    }
}

TEST(DataSet, DefaultFieldsComeFromTheDefinitionsAndGoAtClosing)
{
    auto dataSet = DataSetOfIds(2);
    std::vector<std::string> events;
    const auto record = [&](const char* name) { return [&events, name](TDataSet&) { events.push_back(name); }; };
    dataSet->BeforeOpen = record("before open");
    dataSet->AfterOpen = record("after open");
    dataSet->AfterScroll = record("after scroll");
    dataSet->BeforeClose = record("before close");
    dataSet->AfterClose = record("after close");
    TStringList names;
    dataSet->GetFieldNames(names);
    EXPECT_EQ(names.CommaText(), "ID,Name") << "read from the definitions while closed";
    EXPECT_FALSE(dataSet->Active());
    EXPECT_EQ(dataSet->FieldCount(), 0);

    dataSet->Open();
    EXPECT_TRUE(dataSet->DefaultFields());
    ASSERT_EQ(dataSet->FieldCount(), 2);
    EXPECT_EQ(dataSet->FindField("name"), dataSet->Fields()[1]);
    EXPECT_EQ(dataSet->Fields()[1]->FieldNo(), 2);
    EXPECT_EQ(dataSet->Fields()[1]->Size(), 20);
    EXPECT_EQ(dataSet->FindField("Price"), nullptr);
    EXPECT_EQ(dataSet->GetFieldList("Name;ID"), (std::vector<TField*>{dataSet->Fields()[1], dataSet->Fields()[0]}));
    dataSet->Close();
    EXPECT_EQ(dataSet->FieldCount(), 0);
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->RecordCount(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(events,
              (std::vector<std::string>{"before open", "after open", "after scroll", "before close", "after close"}));
}

TEST(DataSet, AnOpeningThatFailsLeavesTheDataSetClosed)
{
    auto dataSet = DataSetOfIds(2);
    dataSet->SetName("Pictures");
    auto* picture = dataSet->AddField(std::make_unique<TBlobField>());
    picture->SetFieldName("Thumbnail");
    picture->SetFieldKind(fkCalculated);
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->Open(); }),
              "Pictures: Calculated field 'Thumbnail' cannot be a blob");
    EXPECT_FALSE(dataSet->Active());
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet->First(); }),
              "Pictures: Cannot perform this operation on a closed dataset");
}

// The base keeps the filter settings and finds nothing itself; turning the filter on or off, or
// changing the record filter while filtered, shows the records again from the first.
TEST(DataSet, FilterSettingsAreKeptAndShowTheRecordsAgainFromTheFirst)
{
    auto dataSet = DataSetOfIds(3);
    dataSet->SetFiltered(true);
    dataSet->SetFilter("ID > 1");
    EXPECT_TRUE(dataSet->Filtered());
    dataSet->Open();
    int scrolls = 0;
    dataSet->AfterScroll = [&](TDataSet&) { ++scrolls; };
    for (const auto& change :
         std::vector<std::function<void()>>{[&] { dataSet->SetFiltered(false); }, [&] { dataSet->SetFiltered(true); },
                                            [&] { dataSet->SetOnFilterRecord([](TDataSet&, bool&) {}); }}) {
        dataSet->Last();
        change();
        EXPECT_EQ(Where(*dataSet), "B- 1");
    }
    EXPECT_EQ(scrolls, 6);
    dataSet->Last();
    dataSet->SetFilterOptions({foCaseInsensitive});
    dataSet->SetFilter("ID > 2");
    EXPECT_EQ(Where(*dataSet), "-E 3");
    EXPECT_EQ(dataSet->Filter(), "ID > 2");
    EXPECT_TRUE(dataSet->FilterOptions().Contains(foCaseInsensitive));

    EXPECT_FALSE(dataSet->FindFirst() || dataSet->FindNext() || dataSet->FindPrior() || dataSet->FindLast());
    EXPECT_FALSE(dataSet->Found());
    EXPECT_FALSE(dataSet->Locate("ID", Variant::Integer(2), {}));
    EXPECT_TRUE(dataSet->Lookup("ID", Variant::Integer(2), "Name").IsNull());
}
