#pragma once

// A planogram document for the export tests: a main window whose units mode can be cleared and whose
// progress bar raises the print-cancel flag when it reaches a chosen step, and a catalog of fully
// described products.

#include "planogram/PlanogramDocument.h"
#include "platform/graphics/Bitmap.h"
#include "testing/DocumentFakes.h"

#include "ReportFakes.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

class ExportMainWindow : public FakeMainWindow {
public:
    // Raises the cancel flag once the bar has been stepped this often.
    class CancellingProgress : public Progress {
    public:
        explicit CancellingProgress(ExportMainWindow& owner) : owner_(owner) {}
        int cancelAtStep = -1;
        int steps = 0;

    protected:
        void Changed() override
        {
            if (Position() > 0 && ++steps == cancelAtStep)
                owner_.cancelled = true;
        }

    private:
        ExportMainWindow& owner_;
    };

    bool unitsMode = true;
    CancellingProgress bar{*this};

    bool UnitsMode() const override { return unitsMode; }
    Progress& ProgressBar() override { return bar; }
};

// Finds picture files as the fake does, and reads the pictures of any collection from its map: each
// a 40 x 20 picture of one colour.
class ExportPictureFinder : public FakePictureFinder {
public:
    std::map<std::string, TColor> collection;

    bool ReadCollectionImage(const std::string&, const std::string& name, TBitmap& bitmap) override
    {
        const auto picture = collection.find(name);
        if (picture == collection.end())
            return false;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(40, 20);
        bitmap.Canvas().Brush.Color = picture->second;
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

    // A wall of the size in document units with a ReportCatalog, its holes and colour set.
    void MakeWall(int width, int height, TColor color = 0xE0E0E0)
    {
        document.backgroundColor = color;
        document.pegHoleSize = 2;
        document.pegFirstX = document.pegFirstY = 4;
        document.pegLastX = width - 4;
        document.pegLastY = height - 4;
        document.pegPitchH = document.pegPitchV = 10;
        if (!document.NewDocument(width, height))
            throw std::runtime_error("no wall");
        auto owned = std::make_unique<ReportCatalog>();
        catalog = owned.get();
        document.catalog = std::move(owned);
        document.graphics.transparencySetting = false;
    }
};

// A one-colour 24-bit picture file.
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
