#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Params.h"

#include "TestSupport.h"
#include "testing/MemoryDataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TMemoryDataSet> Products()
{
    std::vector<TMemoryDataSet::Row> rows;
    for (int id = 1; id <= 4; ++id)
        rows.push_back({Variant::Integer(id), Variant::FromString("Item " + std::to_string(id))});
    return std::make_unique<TMemoryDataSet>(
        std::vector<TMemoryDataSet::Column>{{"ID", ftInteger}, {"Name", ftString, 20}}, std::move(rows));
}

// Writes every notification it hears into a log.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { log.push_back("changed"); }
    void DataSetScrolled(int distance) override { log.push_back("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override { log.push_back("record " + (field ? field->FieldName() : "")); }
    void CheckBrowseMode() override { log.push_back("browse"); }
};

using Log = std::vector<std::string>;

} // namespace

TEST(DataSource, TellsItsLinksOfScrollsAndStatesButNotWhileControlsAreDisabled)
{
    auto products = Products();
    TDataSource source;
    Log states;
    source.OnStateChange = [&](TDataSource& s) { states.push_back(std::to_string(s.State())); };
    int dataChanges = 0;
    source.OnDataChange = [&](TDataSource&, TField*) { ++dataChanges; };
    RecordingLink link;
    link.SetDataSource(&source);
    source.SetDataSet(products.get());
    EXPECT_FALSE(link.Active());

    products->Open();
    EXPECT_EQ(link.log, (Log{"active"}));
    EXPECT_EQ(link.DataSet(), products.get());
    link.log.clear();
    products->MoveBy(2);
    products->Last();
    EXPECT_EQ(link.log, (Log{"browse", "scrolled 2", "browse", "changed"}));
    EXPECT_EQ(dataChanges, 2);

    link.log.clear();
    products->DisableControls();
    products->First();
    products->Next();
    products->DisableControls();
    products->Next();
    products->EnableControls();
    EXPECT_EQ(link.log, Log{}) << "still disabled once";
    products->EnableControls();
    EXPECT_EQ(link.log, (Log{"changed"})) << "one change for all that happened meanwhile";
    EXPECT_EQ(products->FieldByName("ID")->AsInteger(), 3);

    link.log.clear();
    products->DisableControls();
    products->Close();
    products->Open();
    products->EnableControls();
    EXPECT_EQ(link.log, (Log{"changed"})) << "the state is as before; the records may not be";
    link.log.clear();
    products->Close();
    EXPECT_EQ(link.log, (Log{"inactive"}));

    products->Open();
    source.SetEnabled(false);
    products->Next();
    EXPECT_EQ(link.log, (Log{"inactive", "active", "inactive"}));
    EXPECT_EQ(states, (Log{"1", "0", "1", "0"})) << "browse, inactive, browse, inactive";
}

TEST(DataSource, MasterLinkReportsMasterChangesToItsDetail)
{
    auto master = Products();
    master->SetName("Master");
    auto detail = Products();
    TDataSource source;
    source.SetDataSet(master.get());
    TMasterDataLink link(*detail);
    Log log;
    link.OnMasterChange = [&](TMasterDataLink& l) {
        log.push_back("change " + l.DataSet()->FieldByName("ID")->AsString());
    };
    link.OnMasterDisable = [&](TMasterDataLink&) { log.push_back("disable"); };
    link.SetFieldNames("ID");
    link.SetDataSource(&source);
    detail->Open();

    master->Open();
    master->Next();
    master->Last();
    EXPECT_EQ(link.Fields(), std::vector<TField*>{master->FieldByName("ID")});
    master->Close();
    EXPECT_EQ(log, (Log{"change 1", "change 2", "change 4", "disable"}));

    master->Open();
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { link.SetFieldNames("ID;Price"); }),
              "Master: Field 'Price' not found");
    EXPECT_TRUE(link.Fields().empty());

    detail->Close();
    log.clear();
    link.SetFieldNames("Name");
    master->Next();
    EXPECT_EQ(log, Log{}) << "a closed detail follows nothing";
}

TEST(Params, FoundByNameOrNamedInTheFailure)
{
    TMemoryDataSet query({}, {});
    TParams params(&query);
    params.CreateParam(ftInteger, "ProductID", ptInput).SetValue(Variant::Integer(42));
    params.CreateParam(ftString, "Name", ptInputOutput);
    EXPECT_EQ(params.ParamByName("productid").Value().AsString(), "42");
    EXPECT_TRUE(params.ParamByName("Name").IsNull());
    EXPECT_EQ(params.FindParam("Price"), nullptr);
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { params.ParamByName("Price"); }), "Parameter 'Price' not found");
    query.SetName("Query1");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { params.ParamByName("Price"); }),
              "Query1: Parameter 'Price' not found");

    auto master = Products();
    master->Open();
    master->Last();
    TParam& name = params.ParamByName("Name");
    name.AssignField(*master->FieldByName("Name"));
    EXPECT_EQ(name.Value().AsString(), "Item 4");
    EXPECT_EQ(name.DataType(), ftString);
}
