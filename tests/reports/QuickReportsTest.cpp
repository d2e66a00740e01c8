#include "reports/QuickReports.h"
#include "reports/ReportText.h"

#include "platform/core/Seams.h"
#include "reports/ReportFakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Lines = std::vector<std::string>;

namespace {

const char* const SpaceHeader = "Facings\tItem No\tDescription\tQty\tLinear cm/ft \tSq cm/ft\tCubic cm/ft\t"
                                "approx. % of Total Square cm/ft";
const char* const RankHeader =
    "Rank\tItem No\tDescription\tUnit Cost\tUnit Price\tUnit Profit\tUnits Sold\tTotal Profit";

// Two facings of P1, Q2 shown front (depth 0) and side, a product the catalog lacks and a shelf.
class QuickReportsTest : public testing::Test {
protected:
    QuickReportsTest()
    {
        wall.catalog->records["P1"] = {"Twelve chars", 10, 20, 5, 40, 80, 20, 1.5, 2, 10};
        wall.catalog->records["Q2"] = {"Thirteen char", 8, 12, 4, 32, 48, 16, 0, 0, 3};
        wall.Place("P1", 0, 20, 10, 40);
        wall.Place("P1", 0, 20, 10, 40);
        wall.Place("Q2", 0, 0, 6, 64);
        wall.Place("Q2", 1, 32, 6, 64);
        wall.Place("ZZ", 0, 10, 1);
        ListOB& shelf = wall.Place("Shelf", 0, 180, 30, 0, "<shelf>bgcolor=0</shelf>");
        shelf.top = 100, shelf.right = 400, shelf.bottom = 112;
        shelf.hookdepthIN = 12;
        reports.document = &wall.document;
    }

    Lines Report(const std::string& title, const std::string& header, Lines rows)
    {
        rows.insert(rows.begin(), {"", title, header});
        return rows;
    }

    ReportDocument wall;
    TReportText text;
    QuickReports reports{text};
};

TEST_F(QuickReportsTest, ProductListingInCentimetresAndInches)
{
    const std::string header = "Key#\tItem\tDescription\tSide Shown\tWidth x Height x Depth\t\tStack Count\t Hook Size";
    reports.MakeProductListing();
    EXPECT_EQ(text.lines, Report("Kestrame Report - Product Listing", header,
                                 {"1\tP1\tTwelve chars\tfront\t10 x 20 x 5\t\t2\t10",
                                  "2\tP1\tTwelve chars\tfront\t10 x 20 x 5\t\t2\t10",
                                  "3\tQ2\tThirteen cha...\tfront\t8 x 12 x 4\t\t0\t6",
                                  "4\tQ2\tThirteen cha...\tside\t8 x 12 x 4\t\t0\t6"}));
    EXPECT_EQ(text.fontSize, 8);
    EXPECT_EQ(text.tabStops, (std::vector<int>{0, 85, 170, 255, 340, 425, 510, 595}));

    // Inches: 4 in is 10.15 cm of hook, stacking 2 of depth 20; the hook size is written in inches.
    wall.document.unitsInches = true;
    reports.fitDescription = false;
    for (ListOB* item = wall.document.items->head; item; item = item->next)
        item->hookdepthIN = 4;
    reports.MakeProductListing();
    EXPECT_EQ(text.lines[3], "1\tP1\tTwelve chars\tfront\t10 x 20 x 5\t\t2\t4");
    EXPECT_EQ(text.lines[6], "4\tQ2\tThirteen char\tside\t8 x 12 x 4\t\t1\t4");
}

TEST_F(QuickReportsTest, FixtureListingInCentimetresAndInches)
{
    const std::string header = "Key#\t\tItem\t\tDescription\tWidth x Height x Depth";
    reports.MakeFixtureListing();
    EXPECT_EQ(text.lines,
              Report("Kestrame Report - Fixture Listing", header, {"6\t\tShelf\t\tFixture \t100 x 3 x 45\t\t"}));
    wall.document.unitsInches = true;
    reports.MakeFixtureListing();
    EXPECT_EQ(text.lines.back(), "6\t\tShelf\t\tFixture \t39 x 1.17 x 17.55\t\t");
}

TEST_F(QuickReportsTest, InvestmentAndProfit)
{
    const std::string header =
        "Item\tQty\tUnit Cost\tRetail Price\tMargin %\tInvs. Cost\tRetail Value\tProfit\tSpace %\tProfit %";
    reports.MakeInvestmentProfit();
    EXPECT_EQ(text.lines, Report("Kestrame Report - Investment and Profit", header,
                                 {"P1\t4\t1.5\t2\t25%\t$6\t$8\t$2\t5%\t100%", "Q2\t2\t0\t0\t0%\t$0\t$0\t$0\t3%\t0%", "",
                                  "TOTALS:\t6\t\t\t\t$6\t$8\t$2"}));
    EXPECT_EQ(wall.document.items->current->itemNo, 3);

    // No profit at all and no wall area: the shares are 0%, never a division's overflow.
    wall.catalog->records.erase("P1");
    wall.document.backBitmap.SetSize(0, 0);
    reports.MakeInvestmentProfit();
    EXPECT_EQ(text.lines[3], "Q2\t2\t0\t0\t0%\t$0\t$0\t$0\t0%\t0%");
    EXPECT_EQ(text.lines.back(), "TOTALS:\t2\t\t\t\t$0\t$0\t$0");
}

// 8 in of hook is 20.3 cm: four of depth 20 (5 cm) stack on it.
TEST_F(QuickReportsTest, InchDocumentsStackOnTheHookDepthInInches)
{
    wall.document.unitsInches = true;
    for (ListOB* item = wall.document.items->head; item; item = item->next)
        item->hookdepthIN = 8;
    reports.MakeInvestmentProfit();
    EXPECT_EQ(text.lines[3], "P1\t8\t1.5\t2\t25%\t$12\t$16\t$4\t5%\t100%");
    EXPECT_EQ(text.lines.back(), "TOTALS:\t10\t\t\t\t$12\t$16\t$4");
    reports.MakeSpaceUsage();
    EXPECT_EQ(text.lines[3], "2\tP1\tTwelve chars\t8\t20\t200\t1000\t6%\t");
}

TEST_F(QuickReportsTest, SpaceUsageByPartAndByFace)
{
    reports.MakeSpaceUsageForPdf();
    EXPECT_EQ(text.lines,
              Report("Kestrame Report - Space Usage", SpaceHeader,
                     {"2\tP1\tTwelve chars\t4\t20\t200\t1000\t6%\t", "2\tQ2\tThirteen cha...\t2\t16\t96\t384\t4%\t"}));
    reports.MakeSpaceUsage();
    EXPECT_EQ(text.lines,
              Report("Kestrame Report - Space Usage", SpaceHeader,
                     {"2\tP1\tTwelve chars\t4\t20\t200\t1000\t6%\t", "1\tQ2\tThirteen cha...\t2\t8\t96\t384\t2%\t",
                      "1\tQ2\tThirteen cha...\t4\t8\t96\t384\t2%\t"}));

    // A damaged file's tiny depth stacks as many as an int holds, never a wrapped count.
    for (ListOB* item = wall.document.items->head; item; item = item->next)
        item->depth = 1e-9;
    reports.MakeSpaceUsage();
    EXPECT_EQ(text.lines[3], "2\tP1\tTwelve chars\t4294967294\t20\t200\t1000\t6%\t");
    reports.MakeInvestmentProfit();
    EXPECT_EQ(text.lines[3].substr(0, 14), "P1\t4294967294\t");
}

TEST_F(QuickReportsTest, SalesRankings)
{
    SetBeep([] { FAIL() << "no beep expected"; });
    reports.MakeSalesRanking(0);
    EXPECT_EQ(text.lines,
              Report("Kestrame Report - Sales Ranking 0", RankHeader,
                     {"1\tP1\tTwelve chars\t$1.5\t$2\t$0.5\t10\t$5\t", "2\tQ2\tThirteen cha...\t$0\t$0\t$0\t3\t$0\t"}));
    // By profit Q2 ties with the shelf's and ZZ's empty slots, which still use up their ranks.
    reports.MakeSalesRanking(2);
    EXPECT_EQ(text.lines[3], "1\tP1\tTwelve chars\t$1.5\t$2\t$0.5\t10\t$5\t");
    EXPECT_EQ(text.lines[4], "4\tQ2\tThirteen cha...\t$0\t$0\t$0\t3\t$0\t");
    reports.MakeSalesRanking(3);
    EXPECT_EQ(text.lines[1], "Kestrame Report - Sales Ranking 3");
    EXPECT_EQ(text.lines[3], "3\tQ2\tThirteen cha...\t$0\t$0\t$0\t3\t$0\t");
    EXPECT_EQ(text.lines[4], "4\tP1\tTwelve chars\t$1.5\t$2\t$0.5\t10\t$5\t");
    SetBeep(nullptr);
}

TEST_F(QuickReportsTest, SalesRankingWithoutSalesColumnExplainsAndBeeps)
{
    int beeps = 0;
    SetBeep([&] { ++beeps; });
    wall.catalog->roles[RoleSellAmount] = -1;
    reports.MakeSalesRanking(1);
    EXPECT_EQ(text.lines, (Lines{"", "Kestrame Report - Sales Ranking 1",
                                 "Can not create a sales report because a sales quantities column has not been "
                                 "defined in your product catalog or product data source.",
                                 "",
                                 "Open your product catalog or data in the catalog manager, click on EDIT >> Data "
                                 "Field Assignments to define a sales quantities column"}));
    EXPECT_EQ(beeps, 1);
    SetBeep(nullptr);
}

TEST_F(QuickReportsTest, NoPlanogramOrEmptyPlanogram)
{
    text.lines = {"kept"};
    reports.document = nullptr;
    reports.MakeProductListing();
    reports.MakeInvestmentProfit();
    reports.MakeSpaceUsage();
    reports.MakeSpaceUsageForPdf();
    reports.MakeFixtureListing();
    reports.MakeSalesRanking(0);
    EXPECT_EQ(text.lines, Lines{"kept"});

    ReportDocument empty;
    reports.document = &empty.document;
    reports.MakeInvestmentProfit();
    EXPECT_EQ(text.lines.size(), 5u);
    EXPECT_EQ(text.lines.back(), "TOTALS:\t0\t\t\t\t$0\t$0\t$0");
    reports.MakeSalesRanking(0);
    EXPECT_EQ(text.lines, (Lines{"", "Kestrame Report - Sales Ranking 0", RankHeader}));

    // Without a catalog nothing is a product, and there is no sales column.
    reports.document = &wall.document;
    wall.document.catalog.reset();
    reports.MakeProductListing();
    EXPECT_EQ(text.lines.size(), 3u);
    SetBeep([] {});
    reports.MakeSalesRanking(0);
    EXPECT_EQ(text.lines.size(), 5u);
    SetBeep(nullptr);
}

TEST(QuickReports, LetterCaseKeysStayTogether)
{
    ReportDocument wall;
    for (const char* key : {"a1", "A1"})
        wall.catalog->records[key] = {key, 1, 1, 1, 4, 4, 4, 1, 2, 5};
    for (const char* key : {"a1", "A1", "a1", "b2", "A1", "a1"})
        wall.Place(key, 0, 0, 0);
    TReportText text;
    QuickReports reports(text);
    reports.document = &wall.document;
    reports.MakeInvestmentProfit();
    ASSERT_EQ(text.lines.size(), 7u);
    EXPECT_EQ(text.lines[3].substr(0, 5), "A1\t2\t");
    EXPECT_EQ(text.lines[4].substr(0, 5), "a1\t3\t");
    reports.MakeSpaceUsageForPdf();
    EXPECT_EQ(text.lines[3].substr(0, 5), "2\tA1\t");
    EXPECT_EQ(text.lines[4].substr(0, 5), "3\ta1\t");
    // The ranking and the window's space usage take the first spelling for all five.
    reports.MakeSpaceUsage();
    EXPECT_EQ(text.lines, (Lines{"", "Kestrame Report - Space Usage", SpaceHeader, "5\ta1\ta1\t5\t5\t1\t1\t5%\t"}));
    reports.MakeSalesRanking(0);
    EXPECT_EQ(text.lines.back(), "1\ta1\ta1\t$1\t$2\t$1\t5\t$5\t");
}

// A part number of any length keeps its row.
TEST(QuickReports, EqualSalesRankTheLaterPartNumberFirst)
{
    ReportDocument wall;
    wall.catalog->roles[RoleSellAmount] = 3;
    const std::string longKey = "B" + std::string(59, 'x');
    for (const std::string& key : {longKey, std::string("A")}) {
        wall.catalog->records[key] = {key, 1, 1, 1, 4, 4, 4, 1, 2, 7};
        wall.Place(key, 0, 0, 0);
    }
    TReportText text;
    QuickReports reports(text);
    reports.document = &wall.document;
    reports.MakeSalesRanking(1);
    EXPECT_EQ(text.lines[3], "1\t" + longKey + "\t" + longKey.substr(0, 12) + "...\t$1\t$2\t$1\t7\t$7\t");
    EXPECT_EQ(text.lines[4], "2\tA\tA\t$1\t$2\t$1\t7\t$7\t");
}

// Flipping an item sets its depth to the catalog width (side) or height (top) in document units; the
// areas come from the catalog all the same.
TEST(QuickReports, FlippedFacesMeasureTheCatalogDepth)
{
    for (const bool flippedDepths : {true, false}) {
        ReportDocument wall;
        wall.document.backBitmap.SetSize(64, 64);
        wall.catalog->records["S"] = {"side", 8, 12, 4, 32, 48, 16, 0, 0, 0};
        wall.catalog->records["T"] = {"top", 8, 12, 4, 32, 48, 16, 0, 0, 0};
        wall.Place("S", 1, flippedDepths ? 32 : 16, 0, 64);
        wall.Place("T", 2, flippedDepths ? 48 : 16, 0, 96);
        TReportText text;
        QuickReports reports(text);
        reports.document = &wall.document;
        reports.MakeSpaceUsageForPdf();
        // Side 4 x 12 cm, 48 x 16 quarters of 4096; top 4 x 8 cm, 32 x 16 quarters.
        EXPECT_EQ(text.lines, (Lines{"", "Kestrame Report - Space Usage", SpaceHeader,
                                     "1\tS\tside\t2\t4\t48\t384\t19%\t", "1\tT\ttop\t2\t8\t32\t384\t13%\t"}));
        reports.MakeSpaceUsage();
        EXPECT_EQ(text.lines[3], "1\tS\tside\t2\t4\t48\t384\t19%\t");
        EXPECT_EQ(text.lines[4], "1\tT\ttop\t2\t8\t32\t384\t13%\t");
    }
}

TEST(QuickReports, PartNumberWithEqualsSignKeepsItsRowsAndCount)
{
    ReportDocument wall;
    wall.catalog->records["X=1"] = {"x", 1, 1, 1, 4, 4, 4, 0, 0, 0};
    wall.Place("X=1", 0, 0, 0, 8);
    wall.Place("X=1", 1, 4, 0, 8);
    TReportText text;
    QuickReports reports(text);
    reports.document = &wall.document;
    reports.MakeSpaceUsage();
    EXPECT_EQ(text.lines, (Lines{"", "Kestrame Report - Space Usage", SpaceHeader, "1\tX=1\tx\t2\t1\t1\t1\t1%\t",
                                 "1\tX=1\tx\t4\t1\t1\t1\t1%\t"}));
}

} // namespace
