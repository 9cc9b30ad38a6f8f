#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The whole main of a benchmark program that needs widgets: a QApplication, on the offscreen platform
// unless QT_QPA_PLATFORM names another, around Google Benchmark's run.
inline int RunBenchmarksWithWidgets(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
