// Opening the 20,000-product planogram of the open benchmark into the program's real main window
// (offscreen), from the window's first showing until nothing is left to do, as a user waits for it:
// - cold: each open in a process of its own started for it, so that the wall is drawn on memory
//   the system has never handed out before, and the program's start-up is paid as at every start;
//   the figure is that process's CPU time;
// - warm: opens one after another in this process, which reuses the memory each closed window freed.
#include "app/CommandLine.h"
#include "app/NewDoc.h"
#include "app/SDIMain.h"
#include "platform/settings/SettingsStore.h"
#include "testing/ScriptedUi.h"

#include "LargePlanogram.h"

#include <QApplication>
#include <QMdiArea>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <ctime>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace large_planogram;

constexpr const char* OpenInChildOption = "--open-in-child";

void LetEverythingHappen()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// The program's start on the planogram, as its entry point makes it, up to the idle window.
int OpenInThisProcess(const std::string& path)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    SetProgramCommandLine({path});
    TMainForm form;
    TNewDocBox newDocBox([&form] { return form.unitsInches != 0; }, SettingsStore(), &form);
    form.SetDocumentSetupDialog(&newDocBox);
    form.show();
    LetEverythingHappen();
    return form.findChild<QMdiArea*>()->subWindowList().size() == 1 ? 0 : 1;
}

struct ChildCost {
    double cpuSeconds = 0;
    double peakMegabytes = 0;
};

ChildCost OpenInChildProcess(const char* self, const std::string& path)
{
    std::vector<char*> arguments{const_cast<char*>(self), const_cast<char*>(OpenInChildOption),
                                 const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, self, nullptr, nullptr, arguments.data(), environ) != 0)
        std::abort();
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) / 1024};
}

const char* selfPath = nullptr;

void BM_OpenLargePlanogramWindowCold(benchmark::State& state)
{
    const std::string& path = LargePlanogramFile();
    for (auto _ : state) {
        const ChildCost cost = OpenInChildProcess(selfPath, path);
        state.SetIterationTime(cost.cpuSeconds);
        state.counters["peak_MB"] = cost.peakMegabytes;
    }
}

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

void BM_OpenLargePlanogramWindowWarm(benchmark::State& state)
{
    const std::string& path = LargePlanogramFile();
    OpenInThisProcess(path);
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        if (OpenInThisProcess(path) != 0)
            state.SkipWithError("open failed");
        state.SetIterationTime(ProcessCpuSeconds() - start);
    }
}

} // namespace

// Both figures are CPU times of the process that opens: the cold one's wall clock would count
// waiting for the child.
BENCHMARK(BM_OpenLargePlanogramWindowCold)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_OpenLargePlanogramWindowWarm)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KESTRAME_CONFIG_DIR", QByteArray::fromStdString(BenchFolder()));
    QApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == OpenInChildOption)
        return OpenInThisProcess(argv[2]);
    selfPath = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
