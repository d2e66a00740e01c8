#pragma once

#include "BenchSupport.h"

#include <QApplication>

// The main of a benchmark that works the program's windows: offscreen, with the program's settings
// in the run's own folder.
inline int RunWindowsBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KESTRAME_CONFIG_DIR", QByteArray::fromStdString(BenchFolder()));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
