#pragma once

// main() for the benchmarks that draw widgets: the application object lives
// on main's stack for the whole run and goes when main returns. Made on first
// use in a function static instead, it went among the exit handlers, after
// Qt's own input devices, and crashed the exit (losing results not yet
// written). Nothing is shown on a screen unless the platform is chosen.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

#define KELO_BENCH_MAIN_WITH_APP()                                        \
    int main(int argc, char** argv) {                                     \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))               \
            qputenv("QT_QPA_PLATFORM", "offscreen");                      \
        QApplication app(argc, argv);                                     \
        benchmark::Initialize(&argc, argv);                               \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1; \
        benchmark::RunSpecifiedBenchmarks();                              \
        benchmark::Shutdown();                                            \
        std::fflush(nullptr);                                             \
        return 0;                                                         \
    }
