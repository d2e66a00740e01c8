#pragma once

// A planogram document with a catalog of fully described products, for the report tests.

#include "catalog/Didbase.h"
#include "planogram/PlanogramDocument.h"
#include "testing/DocumentFakes.h"

#include <map>
#include <memory>
#include <string>

struct ReportProduct {
    std::string description;
    double width = 0, height = 0, depth = 0;
    int widthQ = 0, heightQ = 0;
    double depthQ = 0;
    double cost = 0, retail = 0;
    int sold = 0;
    int record = 0;
};

class ReportCatalog : public FakeCatalog {
public:
    std::map<std::string, ReportProduct> records;

    ReportCatalog()
    {
        fieldCount = 20;
        roles[RoleSellAmount] = 15;
    }
    bool FindByKey(const std::string& key) override
    {
        const auto record = records.find(key);
        if (record == records.end())
            return false;
        const ReportProduct& product = record->second;
        partNumber = key;
        description = product.description;
        width = product.width, height = product.height, depth = product.depth;
        widthQ = product.widthQ, heightQ = product.heightQ, depthQ = product.depthQ;
        costPrice = product.cost, salePrice = product.retail;
        sellAmount = product.sold;
        recordNumber = product.record;
        return true;
    }
};

// A document on a 512 x 256 wall (an area whose shares come out exact) with a ReportCatalog.
struct ReportDocument : DocumentWithFakes {
    ReportCatalog* catalog = nullptr;

    ReportDocument()
    {
        auto owned = std::make_unique<ReportCatalog>();
        catalog = owned.get();
        document.catalog = std::move(owned);
        document.backBitmap.SetSize(512, 256);
        if (!document.items)
            document.items = std::make_unique<ListManager>();
    }

    ListOB& Place(const std::string& index, int face, double depth, float hookCm, int hook = 0,
                  const std::string& picture = "none.bmp")
    {
        ListOB& item = Add(index, Rect(0, 0, 40, 80), 0x3366CC, picture);
        item.face = face;
        item.depth = depth;
        item.hookdepthCM = hookCm;
        item.hookdepth = hook;
        return item;
    }
};
