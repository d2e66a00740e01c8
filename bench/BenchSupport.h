#pragma once

#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder under the system's temporary folder for the run's files, made on first use and
// removed with everything in it when the run ends.
inline const std::string& BenchFolder()
{
    struct Folder {
        Folder()
        {
            std::string pattern = (std::filesystem::temp_directory_path() / "kestrame-bench-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                std::abort();
            path = pattern;
        }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    };
    static const Folder folder;
    return folder.path;
}

// The name of SQLite's ODBC driver, registered on first use in a private odbcinst.ini (ODBCSYSINI)
// with the library wherever the machine's multiarch folder keeps it: connections name installed
// drivers, never a library file.
inline const std::string& SqliteOdbcDriver()
{
    static const std::string name = [] {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", error)) {
            const auto candidate = entry.path() / "odbc" / "libsqlite3odbc.so";
            if (std::filesystem::exists(candidate)) {
                std::ofstream(BenchFolder() + "/odbcinst.ini") << "[SQLite3]\nDriver=" << candidate.string() << "\n";
                setenv("ODBCSYSINI", BenchFolder().c_str(), 1);
                return std::string("SQLite3");
            }
        }
        std::abort();
    }();
    return name;
}

// Makes the bitmap a pf24bit picture of the given size whose pixel (x, y) has the bytes B, G, R that
// `pixel(x, y)` returns.
template <typename Pixel> void Paint24(TBitmap& bitmap, int width, int height, Pixel pixel)
{
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const std::array<std::uint8_t, 3> bgr = pixel(x, y);
            row[3 * x] = bgr[0];
            row[3 * x + 1] = bgr[1];
            row[3 * x + 2] = bgr[2];
        }
    }
}

// The process's resident memory now and at its peak since the peak was last reset, in megabytes,
// from the field of /proc/self/status ("VmRSS:", "VmHWM:").
inline double ResidentMegabytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024;
    return 0;
}

inline void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The processor time, user and system, of the child processes that have ended and been waited for.
inline double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the shell command as one iteration of a benchmark timed by hand: its wall-clock time, and
// the processor time of its processes in the counter "child_cpu_ms" (on a loaded machine the wall
// clock counts the waits for a processor). False when the command failed.
inline bool TimeCommand(benchmark::State& state, const std::string& command)
{
    const double cpuBefore = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const bool ran = std::system(command.c_str()) == 0;
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    state.counters["child_cpu_ms"] = (ChildrenCpuSeconds() - cpuBefore) * 1e3;
    return ran;
}

// Runs the benchmarks named on the command line in a Qt application without a display.
inline int RunGuiBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Product picture i as a 200 x 300 JPEG file in the run's folder: a white margin (the transparency
// key) around a photo-like gradient.
inline std::string ProductPictureFile(int i)
{
    const std::string path = BenchFolder() + "/p" + IntToStr(i) + ".jpg";
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(200, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool margin = x < 10 || y < 10 || x >= 190 || y >= 290;
            bitmap.SetPixel(x, y,
                            margin ? clWhite : static_cast<TColor>(((x * 255 / 200) << 8) | ((y + i * 6) & 0xFF)));
        }
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(path);
    return path;
}
