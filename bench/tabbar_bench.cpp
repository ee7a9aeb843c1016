// Laying out tab bars: the layout controller's pass over 50 tabs in a bar
// too narrow for them, with equal widths and sized to fit, and the whole
// bar update that moves the cells after it.
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarController.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include "BenchMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct NarrowBar {
    TbTabView tabView;
    TbTabBarControl bar;

    explicit NarrowBar(bool sizeToFit) {
        bar.resize(600, 22);
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        bar.setSizeCellsToFit(sizeToFit);
        for (int i = 0; i < 50; ++i)
            tabView.addTabViewItem(
                std::make_shared<TbTabViewItem>(i, QString("Context %1").arg(i)));
    }
};

void BM_LayoutFiftyTabsEqualWidths(benchmark::State& state) {
    NarrowBar bar(false);
    for (auto _ : state) bar.bar.controller()->layoutCells();
}
BENCHMARK(BM_LayoutFiftyTabsEqualWidths)->Unit(benchmark::kMicrosecond);

void BM_LayoutFiftyTabsSizedToFit(benchmark::State& state) {
    NarrowBar bar(true);
    for (auto _ : state) bar.bar.controller()->layoutCells();
}
BENCHMARK(BM_LayoutFiftyTabsSizedToFit)->Unit(benchmark::kMicrosecond);

void BM_UpdateFiftyTabs(benchmark::State& state) {
    NarrowBar bar(true);
    for (auto _ : state) bar.bar.update(false);
}
BENCHMARK(BM_UpdateFiftyTabs)->Unit(benchmark::kMicrosecond);

}  // namespace

KELO_BENCH_MAIN_WITH_APP()
