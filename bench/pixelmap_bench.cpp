// Pixel map: a large document of 5,000 fixtures with 16-pixel profiles in 20
// contexts, loaded from its bytes, saved plain and compressed, refreshed, and
// undone by snapshots.
#include "pixelmap/OmPixelMapFile.h"
#include "pixelmap/PixelMapConstants.h"
#include "pixelmap/PixelMapModel.h"
#include "pixelmap/PixelMapTestDocs.h"
#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"
#include "pixelmap/PmFixtureGeometry.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kContexts = 20;
constexpr int kFixtures = 5000;
constexpr int kPixelsPerProfile = 16;
constexpr int kProfiles = 8;

QVariantMap largeDocument() {
    QVariantList profiles;
    for (int p = 0; p < kProfiles; ++p)
        profiles.append(pmtest::profile(QStringLiteral("Strip %1").arg(p), kPixelsPerProfile));
    QVariantList contexts;
    int n = 0;
    for (int c = 0; c < kContexts; ++c) {
        QVariantList fixtures;
        for (int f = 0; f < kFixtures / kContexts; ++f, ++n) {
            // 48 channels each: ten per universe.
            QVariantMap fixture = pmtest::fixture(QStringLiteral("Strip %1").arg(n % kProfiles),
                                                  QString::number(n / 10), 1 + 48 * (n % 10), "Art-Net",
                                                  f % 50 * 4.0, f / 50 * 2.0);
            fixture.insert("fix_name", QStringLiteral("Fixture %1").arg(n));
            fixtures.append(fixture);
        }
        contexts.append(pmtest::context(qint64(c), fixtures));
    }
    return pmtest::document(contexts, profiles);
}

struct Environment {
    Environment() {
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        document = largeDocument();
        plain = *pmapDataWithDictionary(document, false);
    }
    QTemporaryDir dir;
    QVariantMap document;
    QByteArray plain;
};

Environment& environment() {
    static Environment env;
    return env;
}

// A model with the large document open from a file.
std::unique_ptr<PixelMapModel> openModel(const QString& name) {
    Environment& env = environment();
    const QString path = env.dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(env.plain);
    file.close();
    auto model = std::make_unique<PixelMapModel>();
    if (!model->openPixelMap(path).isEmpty()) return nullptr;
    return model;
}

void BM_LoadFromBytes(benchmark::State& state) {
    Environment& env = environment();
    PixelMapModel model;
    model.loadStockProfiles();
    model.loadFixtureProfiles(env.document, false, false);
    for (auto _ : state) {
        const std::optional<QVariantMap> dict = dictionaryWithPmapData(env.plain);
        const QString error = model.loadPixelMapData(&*dict);
        if (!error.isEmpty()) state.SkipWithError(qPrintable(error));
    }
    state.counters["bytes"] = double(env.plain.size());
}
BENCHMARK(BM_LoadFromBytes)->Unit(benchmark::kMillisecond);

// The two halves of a load: the property list, then the model.
void BM_ParseBytes(benchmark::State& state) {
    Environment& env = environment();
    for (auto _ : state) benchmark::DoNotOptimize(dictionaryWithPmapData(env.plain));
}
BENCHMARK(BM_ParseBytes)->Unit(benchmark::kMillisecond);

void BM_LoadDictionary(benchmark::State& state) {
    Environment& env = environment();
    PixelMapModel model;
    model.loadStockProfiles();
    model.loadFixtureProfiles(env.document, false, false);
    for (auto _ : state) model.loadPixelMapData(&env.document);
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    const bool compressed = state.range(0) != 0;
    UserDefaults::standard().setObject(kPixelMapCompress, compressed);
    auto model = openModel(QStringLiteral("save.pmap"));
    if (!model) {
        state.SkipWithError("cannot open");
        return;
    }
    for (auto _ : state) {
        if (!model->pixelMapFile().save()) state.SkipWithError("save failed");
    }
    UserDefaults::standard().setObject(kPixelMapCompress, false);
}
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->ArgName("compressed")->Unit(benchmark::kMillisecond);

void BM_UpdateAllPixelMapData(benchmark::State& state) {
    auto model = openModel(QStringLiteral("update.pmap"));
    for (auto _ : state) model->updateAllPixelMapData();
}
BENCHMARK(BM_UpdateAllPixelMapData)->Unit(benchmark::kMillisecond);

// A click on the canvas tests the selected context's fixtures from the top
// down; the worst case is a point that only the bottom fixture covers.
void BM_HitTest2000Fixtures(benchmark::State& state) {
    const QVariantList profiles{pmtest::profile(QStringLiteral("Strip"), kPixelsPerProfile)};
    QVariantList fixtures;
    for (int f = 0; f < 2000; ++f)
        fixtures.append(pmtest::fixture(QStringLiteral("Strip"), 1, 1, "Art-Net", f % 10 * 17.0,
                                        f / 10 * 1.0));
    QVariantMap dict = pmtest::context(qint64(0), fixtures);
    QVariantMap settings = dict.value("context").toMap();
    settings.insert("context_size", "{170, 200}");
    dict.insert("context", settings);
    PmContext context(dict, profiles);
    context.setPixelSizes(QSizeF(1, 1), 6);
    context.setDrawableContextRect(QRectF(0, 0, 170 * 6, 200 * 6));
    const QPointF point(3, 3);  // the first fixture's first pixel
    const auto& list = context.fixtures();
    for (auto _ : state) {
        PmFixture* hit = nullptr;
        for (auto it = list.rbegin(); it != list.rend() && !hit; ++it)
            if (PmFixtureGeometry::hitTest(**it, point, &context)) hit = it->get();
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_HitTest2000Fixtures)->Unit(benchmark::kMicrosecond);

void BM_UndoSnapshot(benchmark::State& state) {
    auto model = openModel(QStringLiteral("snapshot.pmap"));
    for (auto _ : state) benchmark::DoNotOptimize(model->markUndo());
}
BENCHMARK(BM_UndoSnapshot)->Unit(benchmark::kMicrosecond);

void BM_Undo(benchmark::State& state) {
    auto model = openModel(QStringLiteral("undo.pmap"));
    for (auto _ : state) {
        state.PauseTiming();
        model->markUndo();
        model->fixList(0).front()->setMAddress(200);
        model->updateAllPixelMapData();
        model->addUndo(QStringLiteral("Edit Fixture(s)"));
        state.ResumeTiming();
        if (!model->undo()) state.SkipWithError("nothing to undo");
    }
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
