#pragma once

// A planogram document for the export tests, with a ReportCatalog, a main window whose units mode can
// be cleared and whose progress bar raises the print-cancel flag at a chosen step, and a picture
// finder whose collections hold 40 x 20 pictures of one colour.

#include "ReportFakes.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

class ExportMainWindow : public FakeMainWindow {
public:
    class CancellingProgress : public Progress {
    public:
        explicit CancellingProgress(ExportMainWindow& owner) : owner_(owner) {}
        int cancelAtStep = -1;
        int steps = 0;

    protected:
        void Changed() override { owner_.cancelled |= Position() > 0 && ++steps == cancelAtStep; }

    private:
        ExportMainWindow& owner_;
    };

    bool unitsMode = true;
    CancellingProgress bar{*this};

    bool UnitsMode() const override { return unitsMode; }
    Progress& ProgressBar() override { return bar; }
};

class ExportPictureFinder : public FakePictureFinder {
public:
    std::map<std::string, TColor> collection;

    bool ReadCollectionImage(const std::string&, const std::string& name, TBitmap& bitmap) override
    {
        if (!collection.count(name))
            return false;
        bitmap.SetSize(40, 20);
        bitmap.Canvas().Brush.Color = collection[name];
        bitmap.Canvas().FillRect(Rect(0, 0, 40, 20));
        return true;
    }
};

struct ExportDocument {
    ExportMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeView view;
    FakeCatalogKinds catalogs;
    FakeCatalogFinder finder;
    ExportPictureFinder pictures;
    PlanogramDocument document{DocumentServices{mainWindow, selector, setup, view, finder, pictures}};
    ReportCatalog* catalog = nullptr;

    // A drawn wall of the size in document units, holes 4 units in from each edge, 10 apart.
    void MakeWall(int width, int height, TColor color)
    {
        document.backgroundColor = color;
        document.pegHoleSize = 2;
        document.pegFirstX = document.pegFirstY = 4;
        document.pegLastX = width - 4;
        document.pegLastY = height - 4;
        document.pegPitchH = document.pegPitchV = 10;
        ASSERT_TRUE(document.NewDocument(width, height));
        auto owned = std::make_unique<ReportCatalog>();
        catalog = owned.get();
        document.catalog = std::move(owned);
        document.graphics.transparencySetting = false;
        document.renderer.RedrawAll();
    }
};

inline std::string SolidPicture(const std::string& path, TColor color, int width = 8, int height = 6)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    bitmap.Canvas().Brush.Color = color;
    bitmap.Canvas().FillRect(Rect(0, 0, width, height));
    bitmap.SaveToFile(path);
    return path;
}
