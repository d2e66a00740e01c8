#pragma once

#include <cstdint>
#include <string>

class PlanogramDocument;
class TReportText;
struct ListOB;

// The seven quick reports on a planogram, written into a report text. Each report starts from an
// empty text; with no document the text stays as it was. Products the catalog does not hold are left
// out of every report but the fixture listing.
class QuickReports {
public:
    explicit QuickReports(TReportText& text) : text_(text) {}

    // The planogram reported on; null for none. Not owned.
    PlanogramDocument* document = nullptr;
    // Descriptions longer than 12 characters are cut to 12 and "...".
    bool fitDescription = true;

    void MakeProductListing();
    void MakeInvestmentProfit();
    // One row per part number and face.
    void MakeSpaceUsage();
    // One row per part number.
    void MakeSpaceUsageForPdf();
    void MakeFixtureListing();
    // Kind 0 ranks by units moved, 1 by turnover, 2 by profit.
    void MakeSalesRanking(int kind);

private:
    bool Start(const std::string& title);
    bool InCatalog(const std::string& key);
    std::string FittedDescription() const;
    // The item's hook depth in centimetres.
    double HookDepthCm(const ListOB& item) const;
    // The face areas of the catalog's current product as `item` shows it.
    double FaceArea(const ListOB& item) const;
    double FaceAreaQuarters(const ListOB& item) const;
    double FaceWidth(const ListOB& item) const;
    int UnitsPerFacingAcross(int face, int hookdepth) const;
    std::string ShareOfDisplay(double area) const;
    void SpaceUsageRow(int facings, std::int64_t quantity, const ListOB& first);

    TReportText& text_;
};
