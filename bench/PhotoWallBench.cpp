// Camera photos as store planners' product pictures, through the program's real main window
// (offscreen) with its Selector: 20 distinct 5472 x 3648 JPEGs of about 4 MB (20 million pixels),
// made in the setup with a photo's gradients, fine texture and sensor noise. On the example wall:
// - open, its first 20 products naming the 20 photos and the rest pictures that are not there;
// - open, every catalog picture a photo (the catalog's 30 pictures taking the 20 in turn);
// - a full redraw of the first wall, as every zoom or drag makes one;
// - a full redraw of the wall with those photos cropped by 1% (5417 x 3611), and of the wall with its
//   first 10 products naming a PNG photo with a transparent colour;
// - Build display of the catalog's first 10 products on that wall, every picture a photo.
// Each open and build starts cold, with no picture kept from the repetition before; the redraw
// takes the pictures its open kept.
// Beside them djpeg decodes the same photos in the same run: the 20 of the wall, the 10 built.
// Wall-clock times: the work is the user's wait, and djpeg's is spent in processes of its own.
#include "app/NewDoc.h"
#include "app/SDIMain.h"
#include "imageformats/DecodedPictureCache.h"
#include "planogram/FilterCode.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "planogram/plandocCode.h"
#include "platform/core/Numbers.h"
#include "platform/settings/SettingsStore.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"
#include "WindowsBenchMain.h"

#include <QApplication>
#include <QMdiArea>
#include <QPushButton>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int PhotoWidth = 5472;
constexpr int PhotoHeight = 3648;
constexpr int Photos = 20;
constexpr int BuiltProducts = 10;

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Photo i: soft colour gradients, two interfering fine waves like a package's print, and noise of
// a few levels, which together compress at the default quality as camera photos do.
void PaintPhoto(TBitmap& bitmap, int i)
{
    std::vector<int> wave(4096);
    for (std::size_t k = 0; k < wave.size(); ++k)
        wave[k] = static_cast<int>(24 * std::sin(static_cast<double>(k) * 2 * M_PI / 4096));
    std::mt19937 random(static_cast<unsigned>(i + 1));
    const auto clamp = [](int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); };
    Paint24(bitmap, PhotoWidth, PhotoHeight, [&](int x, int y) {
        const int noise = static_cast<int>(random() % 15) - 7;
        const int texture = wave[(x * 7 + y * 3 + i * 300) & 4095] + wave[(x * x / 2000 + y * 11) & 4095] / 2;
        return std::array<std::uint8_t, 3>{clamp((x + y) * 150 / (PhotoWidth + PhotoHeight) + 60 - texture + noise),
                                           clamp(y * 180 / PhotoHeight + 40 + texture / 2 + noise),
                                           clamp(x * 200 / PhotoWidth + texture + noise + i * 5)};
    });
}

// The photos' files, made once.
const std::vector<std::string>& PhotoFiles()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> paths;
        for (int i = 0; i < Photos; ++i) {
            paths.push_back(BenchFolder() + "/photo" + IntToStr(i) + ".jpg");
            TBitmap photo;
            PaintPhoto(photo, i);
            TJPEGImage jpeg;
            jpeg.Assign(photo);
            jpeg.SaveToFile(paths.back());
        }
        return paths;
    }();
    return files;
}

// The picture names in the order a file gives them (a catalog's records, a planogram's items),
// each once: the fields or values ending in ".jpg".
std::vector<std::string> PictureNames(const std::string& text)
{
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        const std::size_t end = line.find(".jpg");
        if (end == std::string::npos)
            continue;
        const std::size_t start = line.find_last_of("\t=", end) + 1;
        const std::string name = line.substr(start, end + 4 - start);
        if (seen.insert(name).second)
            names.push_back(name);
    }
    return names;
}

// A program folder with the example catalog, wall and template, and in the catalog's folder the
// photos under the first `count` picture names of `namesFrom` (a file of the examples), in turn.
std::string ProgramFolder(const std::string& name, const std::string& namesFrom, std::size_t count)
{
    const fs::path folder = fs::path(BenchFolder()) / name;
    for (const char* file : {"Catalogs/Sample.ctf", "Examples/Sample Wall.kqf", "Template/Four Shelves.kqt"}) {
        fs::create_directories((folder / file).parent_path());
        fs::copy_file(fs::path(KESTRAME_EXAMPLES_DIR) / file, folder / file);
    }
    const std::vector<std::string> names = PictureNames(ReadText(fs::path(KESTRAME_EXAMPLES_DIR) / namesFrom));
    for (std::size_t i = 0; i < std::min(count, names.size()); ++i)
        fs::create_hard_link(PhotoFiles()[i % Photos], folder / "Catalogs" / names[i]);
    return folder.string() + "/";
}

const std::string& TwentyPhotosFolder()
{
    static const std::string folder = ProgramFolder("twenty", "Examples/Sample Wall.kqf", Photos);
    return folder;
}

const std::string& AllPhotosFolder()
{
    static const std::string folder = ProgramFolder("all", "Catalogs/Sample.ctf", SIZE_MAX);
    return folder;
}

void LetEverythingHappen()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// The program's main window with its Selector and filter window, as its start makes them, on the
// program folder given.
struct MainWindow {
    explicit MainWindow(const std::string& programFolder)
    {
        setenv("KESTRAME_PROGRAM_DIR", programFolder.c_str(), 1);
        form.SetDocumentSetupDialog(&newDocBox);
        form.SetSelector(selector);
        selector.SetFilterWindow(filter);
        form.show();
        LetEverythingHappen();
    }

    // Opens the example wall until nothing is left to do; false when it did not open.
    bool OpenExampleWall()
    {
        const std::string path = qgetenv("KESTRAME_PROGRAM_DIR").toStdString() + "Examples/Sample Wall.kqf";
        const bool opened = form.OpenPlanogram(path);
        LetEverythingHappen();
        return opened && form.findChild<QMdiArea*>()->subWindowList().size() == 1;
    }

    PlanogramDocument& Document() { return form.ActivePlanogram()->Document(); }

    ScriptedUi ui{ScriptedUi::Strictness::Lenient};
    TMainForm form;
    TNewDocBox newDocBox{[this] { return form.unitsInches != 0; }, SettingsStore(), &form};
    TSelector selector{form, &form};
    TfrmFilter filter{form, &form};
};

// The window made, and ended, with the timers paused, so that the CPU column too counts the work
// alone. Each repetition starts cold, as the program does: no picture kept from the one before.
std::unique_ptr<MainWindow> UntimedWindow(benchmark::State& state, const std::string& programFolder)
{
    state.PauseTiming();
    DecodedPictures().Clear();
    auto window = std::make_unique<MainWindow>(programFolder);
    state.ResumeTiming();
    return window;
}

void EndUntimed(benchmark::State& state, std::unique_ptr<MainWindow>& window)
{
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
}

void OpenExampleWall(benchmark::State& state, const std::string& programFolder)
{
    for (auto _ : state) {
        std::unique_ptr<MainWindow> window = UntimedWindow(state, programFolder);
        bool opened = false;
        state.SetIterationTime(Seconds([&] { opened = window->OpenExampleWall(); }));
        EndUntimed(state, window);
        if (!opened)
            state.SkipWithError("the example wall did not open");
    }
}

void BM_OpenWallOfTwentyPhotos(benchmark::State& state) { OpenExampleWall(state, TwentyPhotosFolder()); }

void BM_OpenWallEveryPictureAPhoto(benchmark::State& state) { OpenExampleWall(state, AllPhotosFolder()); }

void BM_RedrawWallOfTwentyPhotos(benchmark::State& state)
{
    MainWindow window(TwentyPhotosFolder());
    if (!window.OpenExampleWall()) {
        state.SkipWithError("the example wall did not open");
        return;
    }
    for (auto _ : state)
        state.SetIterationTime(Seconds([&] { window.Document().renderer.RedrawAll(); }));
}

// The catalog's first products' part numbers, as many as asked.
std::vector<std::string> CatalogPartNumbers(std::size_t count)
{
    std::vector<std::string> parts;
    std::istringstream lines(ReadText(fs::path(KESTRAME_EXAMPLES_DIR) / "Catalogs/Sample.ctf"));
    for (std::string line; parts.size() < count && std::getline(lines, line);) {
        if (line.size() < 2 || line[0] != 'r' || !std::isdigit(static_cast<unsigned char>(line[1])))
            continue;
        std::istringstream fields(line.substr(line.find('=') + 1));
        std::string number;
        std::string part;
        if (std::getline(fields, number, '\t') && std::getline(fields, part, '\t'))
            parts.push_back(part);
    }
    return parts;
}

void BM_BuildDisplayOfTenPhotos(benchmark::State& state)
{
    std::vector<BuilderEntry> list;
    for (const std::string& part : CatalogPartNumbers(BuiltProducts))
        list.push_back(BuilderEntry{part, IntToStr(static_cast<std::int64_t>(list.size()) + 1), "1"});
    for (auto _ : state) {
        std::unique_ptr<MainWindow> window = UntimedWindow(state, AllPhotosFolder());
        state.PauseTiming();
        const bool opened = window->OpenExampleWall();
        if (opened) {
            window->Document().SetBuilderList(list);
            window->Document().FillBuilderGrid();
        }
        state.ResumeTiming();
        if (!opened) {
            state.SkipWithError("the example wall did not open");
            return;
        }
        state.SetIterationTime(Seconds([&] {
            window->selector.Button2->click();
            LetEverythingHappen();
        }));
        // The build takes the wall's items away first.
        const bool built = window->Document().items->Count() >= BuiltProducts;
        EndUntimed(state, window);
        if (!built)
            state.SkipWithError("the display was not built");
    }
}

// djpeg decoding the first `count` photos, one process each, as the program's readers would.
void BM_DjpegPhotos(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::string commands;
    for (std::size_t i = 0; i < count; ++i)
        commands += "/usr/bin/djpeg '" + PhotoFiles()[i % Photos] + "' > /dev/null && ";
    commands += "true";
    for (auto _ : state)
        if (!TimeCommand(state, commands))
            state.SkipWithError("djpeg did not decode the photos");
}

// The photos cropped by 1%, to 5417 x 3611, whose eighths do not keep the photo's proportions.
const std::vector<std::string>& CroppedPhotoFiles()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> paths;
        for (const std::string& photo : PhotoFiles()) {
            TJPEGImage jpeg;
            jpeg.LoadFromFile(photo);
            TBitmap cropped;
            cropped.Assign(jpeg);
            cropped.SetSize(5417, 3611);
            jpeg.Assign(cropped);
            paths.push_back(BenchFolder() + "/" + fs::path(photo).stem().string() + "-cropped.jpg");
            jpeg.SaveToFile(paths.back());
        }
        return paths;
    }();
    return files;
}

// A photo as a PNG with white transparent, as a product's picture on a white ground, its top quarter
// white.
const std::string& TransparentPngPhotoFile()
{
    static const std::string file = [] {
        TBitmap photo;
        PaintPhoto(photo, 0);
        photo.Canvas().FillRect(Rect(0, 0, PhotoWidth, PhotoHeight / 4));
        const std::string bitmap = BenchFolder() + "/transparent.bmp";
        photo.SaveToFile(bitmap);
        const std::string png = BenchFolder() + "/transparent.png";
        if (std::system(
                ("/usr/bin/bmptopnm " + bitmap + " 2>/dev/null | /usr/bin/pnmtopng -transparent=rgb:ff/ff/ff > " + png)
                    .c_str()) != 0)
            std::abort();
        return png;
    }();
    return file;
}

// A program folder whose example wall names, for its first `count` pictures, the files given in
// turn, each under its picture's name with the file's extension.
std::string WallOfFilesFolder(const std::string& name, const std::vector<std::string>& files, std::size_t count)
{
    const std::string folder = ProgramFolder(name, "Examples/Sample Wall.kqf", 0);
    const fs::path wallFile = fs::path(folder) / "Examples/Sample Wall.kqf";
    std::string wall = ReadText(wallFile);
    const std::vector<std::string> names = PictureNames(wall);
    for (std::size_t i = 0; i < std::min(count, names.size()); ++i) {
        const fs::path file = files[i % files.size()];
        const std::string renamed = fs::path(names[i]).replace_extension(file.extension()).string();
        for (std::size_t at = wall.find('=' + names[i]); at != std::string::npos;
             at = wall.find('=' + names[i], at + 1))
            wall.replace(at + 1, names[i].size(), renamed);
        fs::create_hard_link(file, fs::path(folder) / "Catalogs" / renamed);
    }
    std::ofstream(wallFile, std::ios::binary) << wall;
    return folder;
}

void RedrawWall(benchmark::State& state, const std::string& programFolder)
{
    MainWindow window(programFolder);
    if (!window.OpenExampleWall()) {
        state.SkipWithError("the example wall did not open");
        return;
    }
    for (auto _ : state)
        state.SetIterationTime(Seconds([&] { window.Document().renderer.RedrawAll(); }));
}

void BM_RedrawWallOfTwentyCroppedPhotos(benchmark::State& state)
{
    static const std::string folder = WallOfFilesFolder("cropped", CroppedPhotoFiles(), Photos);
    RedrawWall(state, folder);
}

// One PNG photo under ten names, each decoded on its own.
void BM_RedrawWallOfTenTransparentPngPhotos(benchmark::State& state)
{
    static const std::string folder = WallOfFilesFolder("png", {TransparentPngPhotoFile()}, 10);
    RedrawWall(state, folder);
}

} // namespace

BENCHMARK(BM_DjpegPhotos)
    ->Arg(Photos)
    ->Arg(BuiltProducts)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_OpenWallOfTwentyPhotos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_OpenWallEveryPictureAPhoto)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_RedrawWallOfTwentyPhotos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_BuildDisplayOfTenPhotos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_RedrawWallOfTwentyCroppedPhotos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_RedrawWallOfTenTransparentPngPhotos)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

int main(int argc, char** argv) { return RunWindowsBenchmarks(argc, argv); }
