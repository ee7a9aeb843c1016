#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "settings/KeloRemoteContentEditor.h"
#include "settings/KeloWarpEditorView.h"
#include "settings/KlPatchCommon.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListView.h"
#include "settings/KlRemoteControlPanel.h"
#include "hud/views/HUDScrollView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <memory>
#include <random>

namespace {

// A server's dictionary as large as the biggest ones: entries spread over the
// known groups and a few unknown ones, with indexes, aliases and increments.
QVariantMap bigDictionary(int entries) {
    std::mt19937 random(7);
    const QStringList& groups = KlRemoteControlList::groupOrder();
    QVariantMap d;
    for (int i = 0; i < entries; ++i) {
        QVariantMap e{{"_type", "int"},
                      {"_value", QString::number(i)},
                      {"_alias", QString("Preference %1").arg(random() % 100000)},
                      {"_pref_incr_t", QString::number(i % 13, 16)}};
        const int g = int(random() % (groups.size() + 3));
        if (g < groups.size())
            e.insert("_group", groups[g]);
        else if (g < groups.size() + 2)
            e.insert("_group", QString("Extra %1").arg(g));
        if (random() % 3) e.insert("_idx", qint64(random() % 50));
        d.insert(QString("pref_%1").arg(i, 5, 10, QChar('0')), e);
    }
    return d;
}

std::unique_ptr<KlE_Control_Status> benchLink() {
    OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
    KlE_Control_Status::Options options;
    options.timer = false;
    options.citpPort = 45809;
    options.statusPort = 45810;
    options.prefsPort = 45437;
    return std::make_unique<KlE_Control_Status>(options);
}

void BM_SortDictionary5000(benchmark::State& state) {
    const QVariantMap d = bigDictionary(5000);
    for (auto _ : state) benchmark::DoNotOptimize(KlRemoteControlList::buildSortedKeys(d));
}
BENCHMARK(BM_SortDictionary5000)->Unit(benchmark::kMillisecond);

// The per-tick value pass over a dictionary with 1000 rows on screen that all
// hold current values: the walk that every tick pays.
void BM_ValuePass1000VisibleRows(benchmark::State& state) {
    auto link = benchLink();
    KlRemoteControlList list(link.get());
    list.setFixtureName("Kelo Bench");
    QVariantMap d = bigDictionary(5000);
    list.setDictionary(&d);
    int shown = 0;
    for (const QVariant& key : list.sortedKeys()) {
        if (!d.value(key.toString()).toMap().contains("_type")) continue;
        if (shown++ >= 1000) break;
        list.setPrefVisible(key.toString(), true);
    }
    for (auto _ : state) list.updateValues();
}
BENCHMARK(BM_ValuePass1000VisibleRows)->Unit(benchmark::kMicrosecond);

void BM_RangeCheckedEdit(benchmark::State& state) {
    auto link = benchLink();
    KlRemoteControlList list(link.get());
    list.setFixtureName("Kelo Bench");
    QVariantMap d{
        {"maxLayers", QVariantMap{{"_type", "int"}, {"_value", "4"}, {"_rng", "{1, 10}"}}}};
    list.setDictionary(&d);
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.setNewPrefValue(QString::number(1 + i++ % 12), "maxLayers"));
}
BENCHMARK(BM_RangeCheckedEdit);

void BM_Blueprints(benchmark::State& state) {
    const QVariantMap profiles = KlPatchCommon::klPatchProfilesFlat();
    for (auto _ : state)
        benchmark::DoNotOptimize(KlPatchCommon::createBlueprints(1, 32, 24, profiles, 19));
}
BENCHMARK(BM_Blueprints);

// A mesh topography of 40 x 30 cells whose 1,271 points all moved.
QVariantMap meshItem() {
    QVariantMap mesh;
    for (int c = 0; c <= 40; ++c)
        for (int r = 0; r <= 30; ++r)
            mesh.insert(QString::asprintf("%03d.%03d", c, r),
                        QString::asprintf("%0.3f,%0.3f", c * 0.001, r * 0.001));
    return {{"type", "mesh"},
            {"meshsize", "40,30"},
            {"mesh", mesh},
            {"size", "1,1,0"},
            {"modelinfo", QVariantMap{{"camera", QVariantMap{{"fov", "25"}}}}}};
}

// One jog tick on a big item: the edit and the text that is stored.
void BM_EditorJogTickOnMeshItem(benchmark::State& state) {
    KeloRemoteContentEditor editor;
    editor.setCurrentObject(meshItem());
    int i = 0;
    for (auto _ : state) {
        editor.setEditValue(QString::number(25 + (i++ % 50)), 0, "camera/fov", "25");
        benchmark::DoNotOptimize(editor.currentObjectText());
    }
}
BENCHMARK(BM_EditorJogTickOnMeshItem)->Unit(benchmark::kMicrosecond);

QApplication& offscreenApp() {
    static int argc = 1;
    static char name[] = "settings_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Deliberately leaked: destroyed among the exit handlers it would go
    // after Qt's own input devices and crash the program's exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// One drag tick of the mesh editor: the point moves and the grid redraws.
void BM_WarpGridDragTick41x31(benchmark::State& state) {
    offscreenApp();
    KeloWarpEditorView view;
    view.resize(640, 480);
    view.setCols(41);
    view.setRows(31);
    view.setDictionary(meshItem().value("mesh").toMap());
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    int i = 0;
    for (auto _ : state) {
        view.setPoint(QPointF((i++ % 100) * 0.001, 0), 600);
        view.render(&image);
    }
}
BENCHMARK(BM_WarpGridDragTick41x31)->Unit(benchmark::kMicrosecond);

// One frame of scrolling the Preferences tab over 2,000 preferences: the
// scroll moves by a few rows and the panel is drawn, as the window would.
void BM_ScrollPreferences2000(benchmark::State& state) {
    offscreenApp();
    auto link = benchLink();
    KlRemoteControlPanel panel(link.get());
    QVariantMap d = bigDictionary(2000);
    panel.list()->setDictionary(&d);
    panel.list()->setCannotCompareOrEdit(false);
    panel.resize(760, 700);
    panel.show();
    QApplication::processEvents();
    QScrollBar* bar = panel.scrollView()->verticalScrollBar();
    QImage image(panel.size(), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        bar->setValue((step++ * 3 * kListRowHeight) % std::max(1, bar->maximum()));
        panel.render(&image);
    }
    state.counters["rows"] = double(panel.leftView()->rows().size());
}
BENCHMARK(BM_ScrollPreferences2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
