#include "serverlink/KeloObject.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// A busy version 4 server: 24 layers playing, 32 outputs and 16 mixes, with
// views drawing a spread of its pictures.
void setUpBusyServer(KeloObject& k) {
    KeloObject::setSortedMixIndexesProvider([](KeloObject&) {
        std::vector<int> mixes;
        for (int m = 1; m <= 16; ++m) mixes.push_back(m);
        return mixes;
    });
    k.setPrefsDict({});
    k.setIsRunning(true);
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = 24;
    s.DMX_MasterCount = 32;
    for (int block = 0; block < 2; ++block) {
        s.flex_data = uint8_t(block);
        for (auto& l : s.flex_layer_stats) l.level = 200;
        k.setGeneralStatus(&s, sizeof s);
    }
}

void drawSomePictures(KeloObject& k) {
    for (int L = 0; L < 24; L += 3) k.layerImageAtIndex(L)->cg_image();
    for (int o = 0; o <= 32; o += 4) k.DMX_MasterImageAtIndex(o)->cg_image();
    for (int m = 1; m <= 16; m += 5) k.mixImageAtIndex(m)->cg_image();
}

void BM_KeloObjectRequest(benchmark::State& state) {
    KeloObject k;
    setUpBusyServer(k);
    int64_t n = 0;
    for (auto _ : state) {
        // Views redraw at 5 Hz while the poller asks at 30 Hz.
        if (n++ % 6 == 0) drawSomePictures(k);
        benchmark::DoNotOptimize(k.request());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloObjectRequest);

void BM_KeloObjectRequestNothingWanted(benchmark::State& state) {
    KeloObject k;
    setUpBusyServer(k);
    for (auto _ : state) benchmark::DoNotOptimize(k.request());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloObjectRequestNothingWanted);

}  // namespace

BENCHMARK_MAIN();
