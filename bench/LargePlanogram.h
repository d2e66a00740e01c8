#pragma once

// A planogram of 20,000 products on a 30 x 20 m wall (12000 x 8000 pixels), 40 distinct 200x300
// JPEG pictures, written by the program's own writer from a generated wall, for the benchmarks that
// open it.
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramLoading.h"
#include "platform/core/Numbers.h"
#include "testing/DocumentFakes.h"

#include "BenchSupport.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace large_planogram {

inline constexpr int Pictures = 40;
inline constexpr int Columns = 160;
inline constexpr int Rows = 125;
inline constexpr int WallWidth = 12000; // 30 m at 4 pixels a centimetre
inline constexpr int WallHeight = 8000;
inline constexpr int CellWidth = WallWidth / Columns;
inline constexpr int CellHeight = WallHeight / Rows;

// The fakes of the document tests, set up as a wall in centimetres on the catalog at `catalogPath`.
struct BenchDocument : DocumentWithFakes {
    explicit BenchDocument(const std::string& catalogPath)
    {
        mainWindow.scale = 4;
        finder.current = catalogPath;
    }
};

// An empty text catalog, so that every item keeps the picture the file names.
inline const std::string& CatalogPath()
{
    static const std::string path = [] {
        const std::string catalog = BenchFolder() + "/products.ctf";
        std::ofstream(catalog, std::ios::binary) << ProductCatalogText({});
        return catalog;
    }();
    return path;
}

// Writes the planogram to `path`, naming the catalog at `catalogPath`.
inline void WriteFile(const std::string& path, const std::string& catalogPath)
{
    std::map<int, std::string> files;
    for (int i = 0; i < Pictures; ++i)
        files[i] = ProductPictureFile(i);
    BenchDocument wall(catalogPath);
    if (!wall.document.NewDocument(WallWidth, WallHeight))
        std::abort();
    for (int n = 0; n < Columns * Rows; ++n) {
        const int left = (n % Columns) * CellWidth + 2;
        const int top = (n / Columns) * CellHeight + 2;
        wall.Add("P" + IntToStr(n), Rect(left, top, left + CellWidth - 4, top + CellHeight - 4), 0x3366CC,
                 files[n % Pictures]);
    }
    kqfASCII writer(wall.finder);
    FillFileFromDocument(writer, wall.document);
    if (!writer.Write(path))
        std::abort();
}

// The planogram, written once per run.
inline const std::string& LargePlanogramFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/large.kqf";
        WriteFile(file, CatalogPath());
        return file;
    }();
    return path;
}

// The steps of the program's open after the file is read, without the window and its selector.
inline void OpenInto(BenchDocument& target, const std::string& path)
{
    kqfASCII file(target.finder);
    if (!file.Read(path, 0))
        std::abort();
    const std::unique_ptr<ListManager> fileItems = file.TakeItems();
    PlanogramDocument& document = target.document;
    document.fileName = path;
    CopyHeaderIntoDocument(file, document);
    if (!document.NewDocument(file.Width, file.Height))
        std::abort();
    document.builderList = file.builderItems;
    document.FillBuilderGrid();
    std::uint8_t ask = 1;
    std::uint8_t update = 0;
    MismatchQuestion question{ask, update, [] { return false; }};
    LoadFileItems(*fileItems, document, ProductsOf(*document.catalog), question);
    document.SetZoom(file.zoomSetting);
    document.renderer.RedrawAll();
}

} // namespace large_planogram
