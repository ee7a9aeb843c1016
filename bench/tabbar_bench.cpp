// Laying out tab bars: the layout controller's pass over 50 tabs in a bar
// too narrow for them, with equal widths and sized to fit, and the whole
// bar update that moves the cells after it.
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarController.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void ensureApp() {
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tabbar_bench";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QApplication>(argc, argv);
    }();
}

struct NarrowBar {
    TbTabView tabView;
    TbTabBarControl bar;

    explicit NarrowBar(bool sizeToFit) {
        bar.resize(600, 22);
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        bar.setSizeCellsToFit(sizeToFit);
        for (int i = 0; i < 50; ++i)
            tabView.addTabViewItem(std::make_shared<TbTabViewItem>(i, QString("Context %1").arg(i)));
    }
};

void BM_LayoutFiftyTabsEqualWidths(benchmark::State& state) {
    ensureApp();
    NarrowBar bar(false);
    for (auto _ : state) bar.bar.controller()->layoutCells();
}
BENCHMARK(BM_LayoutFiftyTabsEqualWidths)->Unit(benchmark::kMicrosecond);

void BM_LayoutFiftyTabsSizedToFit(benchmark::State& state) {
    ensureApp();
    NarrowBar bar(true);
    for (auto _ : state) bar.bar.controller()->layoutCells();
}
BENCHMARK(BM_LayoutFiftyTabsSizedToFit)->Unit(benchmark::kMicrosecond);

void BM_UpdateFiftyTabs(benchmark::State& state) {
    ensureApp();
    NarrowBar bar(true);
    for (auto _ : state) bar.bar.update(false);
}
BENCHMARK(BM_UpdateFiftyTabs)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
