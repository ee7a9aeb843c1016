// Image remap: the multi-screen engine building 1,000 screens of 8 controls
// each (target: 5 ms), and one preview frame of 100 screens on the X
// display's GL (target: 16 ms). The GL benchmark runs only with a display:
//   xvfb-run -a build/bench/imageremap_bench
#include "imageremap/MultiScreen.h"
#include "imageremap/openGLview.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace {

// A configuration of `count` screens in a grid, each with 8 controls on
// universe 0 (positions, dimmer, opacity, colour, texture rotation).
PlistNode::Ptr document(int count) {
    QVariantList screens;
    for (int i = 0; i < count; ++i) {
        QVariantList controls;
        const int params[8] = {2, 3, 4, 5, 31, 32, 33, 18};
        for (int k = 0; k < 8; ++k)
            controls << QVariantMap{{"parameter", qint64(params[k])},
                                    {"address", qint64((i * 8 + k) % 500)},
                                    {"universe", qint64(0)},
                                    {"format", qint64(k < 2 ? 1 : 2)},
                                    {"scale", k < 2 ? 0.01 : 1.0 / 255},
                                    {"offset", k >= 2 && k < 7 ? 0.5 : 0.0}};
        const int x = (i % 40) * 48, y = (i / 40) * 40;
        screens << QVariantMap{
            {"activeRect", QStringLiteral("{{%1, %2}, {44, 36}}").arg(x).arg(y)},
            {"texRect", QStringLiteral("{{%1, %2}, {44, 36}}").arg(x % 720).arg(y % 480)},
            {"ortho", qint64(1)},
            {"controls", controls}};
    }
    return PlistNode::fromVariant(QVariantMap{
        {"configurations",
         QVariantList{QVariantMap{
             {"texSize", "{720, 480}"}, {"displaySize", "{1920, 1080}"}, {"screens", screens}}}},
        {"universes", QVariantList{"0"}}});
}

struct Universe {
    std::array<uint8_t, 512> bytes{};
    Universe() {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37);
    }
    static int callback(void* host, void* data, int op) {
        if (op != 12) return -1;
        auto* u = static_cast<multiscreen_universe*>(data);
        u->bytes = static_cast<Universe*>(host)->bytes.data();
        u->size = 512;
        return 0;
    }
};

void run(benchmark::State& state, bool reload) {
    Universe universe;
    multiscreen_rec rec;
    rec.textureWidth = 720;
    rec.textureHeight = 480;
    rec.layerWord = 2;
    rec.document = document(1000);
    multi_vars* vars = nullptr;
    for (auto _ : state) {
        if (reload) ++rec.documentVersion;
        multiscreen(&rec, &vars, &universe, &Universe::callback, 0, kMultiScreenDraw);
        benchmark::DoNotOptimize(multiscreenVertices(vars).data());
    }
    state.counters["vertices"] = double(multiscreenVertices(vars).size());
    multiscreen(nullptr, &vars, nullptr, nullptr, 0, kMultiScreenFree);
}

// A frame whose DMX bytes changed: the controls are decoded and the geometry
// built again from the compiled configuration.
void BM_EngineFrame1000Screens8Controls(benchmark::State& state) {
    run(state, false);
}
BENCHMARK(BM_EngineFrame1000Screens8Controls)->Unit(benchmark::kMillisecond);

// The first frame after the document changed: read and compiled, then built.
void BM_EngineLoadAndFrame1000Screens8Controls(benchmark::State& state) {
    run(state, true);
}
BENCHMARK(BM_EngineLoadAndFrame1000Screens8Controls)->Unit(benchmark::kMillisecond);

void BM_PreviewFrame100Screens(benchmark::State& state) {
    auto view = std::make_unique<openGLview>();
    view->resize(960, 540);
    view->setDictionary(document(100));
    view->setTextureSize(QSizeF(720, 480));
    view->setSize(QSizeF(1920, 1080));
    view->setConfig(0);
    view->show();
    for (int i = 0; i < 50 && !view->isValid(); ++i) QApplication::processEvents();
    QMap<QString, QByteArray> universes{{"00000", QByteArray(512, '\x40')}};
    view->setUniverseData(universes);
    view->grabFramebuffer();
    for (auto _ : state) {
        // A new DMX frame each time, as the editor's test sliders send.
        universes["00000"][0] = char(state.iterations());
        view->setUniverseData(universes);
        // Renders the frame and reads it back, which also waits for it.
        benchmark::DoNotOptimize(view->grabFramebuffer().constBits());
    }
    state.counters["vertices"] = double(view->lastVertexCount());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::unique_ptr<QApplication> app;
    if (std::getenv("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app = std::make_unique<QApplication>(argc, argv);
        benchmark::RegisterBenchmark("BM_PreviewFrame100Screens", BM_PreviewFrame100Screens)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
