// The main of a benchmark program of the window layer: the widgets on Qt's
// offscreen platform unless a display is chosen.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace vt::bench {

inline int RunWindowBenchmarks(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vt::bench
