// Status tab drawing: one monitor cell's cached image against rebuilding it
// each time, a redraw of one dirty part, a grid of monitor cells ticking with
// a changing time code, the Status tab's whole tick with new previews,
// decoding the servers' JPEG previews, plain and scaled to a thumbnail, and
// rebuilding the breakout columns.
#include "BenchSockets.h"
#include "graphics/KeloDecompressJPEG.h"
#include "serverlink/KeloImage.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloStatusRecords.h"
#include "status/BreakoutColumns.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloStatusView.h"
#include "status/KeloStatusViewTarget.h"
#include "status/ServersUI.h"
#include "status/statusContainer.h"

#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include "platform/UserDefaults.h"

#include <map>
#include <memory>
#include <vector>

namespace {

// The user defaults of a run go to a folder of its own.
void ensureApp() {
    static const bool set = [] {
        static QTemporaryDir defaults;
        UserDefaults::setStandardFile(defaults.filePath("defaults.plist"));
        return true;
    }();
    (void)set;
}

void fillServer(KeloObject& kelo, uint32_t timeCode) {
    kle_general_stat s{};
    s.layercount = 4;
    s.tc_value.set(timeCode);
    kelo.setGeneralStatus(&s, sizeof s);
    if (kelo.generalStatusArrived() == 0) kelo.setGeneralStatusArrived(1.0);
    kelo.setIsRunning(true);
}

QByteArray jpeg(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < h; y += 8)
        painter.fillRect(0, y, w, 8, QColor::fromHsv((y * 3) % 360, 200, 220));
    painter.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return data;
}

class Host : public KeloCellHost {
public:
    void setNeedsDisplayInRect(const QRectF&) override {}
    void displayRectIgnoringOpacity(const QRectF&) override {}
    bool hasWindow() const override { return true; }
    QRectF visibleRect() const override { return {0, 0, 1e5, 1e5}; }
};

struct OneCell {
    OneCell() {
        ensureApp();
        kelo.setName("Kelo on Bench");
        kelo.setAddress(0x7F000002, 0x7F000002);
        fillServer(kelo, 256 * 100);
        cell.setThumbHeight(60);
        cell.setThumbAspect(16.0f / 9.0f);
        cell.setView(&host);
        cell.setKeloObject(&kelo);
        frame = QRectF(QPointF(0, 0), cell.size());
        cell.setFrame(frame);
        view = QImage(frame.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        draw();
        cell.update();
        draw();
    }
    void draw() {
        QPainter painter(&view);
        cell.drawWithFrame(painter, frame, &host);
    }
    KeloObject kelo;
    Host host;
    KeloMonitorCell cell;
    QRectF frame;
    QImage view;
};

// The cached image is only copied.
void BM_CellCached(benchmark::State& state) {
    OneCell one;
    for (auto _ : state) one.draw();
}
BENCHMARK(BM_CellCached);

// The static look and every part drawn again each time, as without a cache.
void BM_CellUncached(benchmark::State& state) {
    OneCell one;
    for (auto _ : state) {
        one.cell.setAllDirty();
        one.draw();
    }
}
BENCHMARK(BM_CellUncached);

// A new time code: only its part is drawn again.
void BM_CellDirtyTimeCode(benchmark::State& state) {
    OneCell one;
    uint32_t time = 256 * 100;
    for (auto _ : state) {
        time += 256;
        fillServer(one.kelo, time);
        one.cell.update();
        one.draw();
    }
}
BENCHMARK(BM_CellDirtyTimeCode);

class Target : public KeloStatusViewTarget {
public:
    void statusViewSelectionChanged(KeloStatusView*) override {}
    QMenu* menuForEvent(QContextMenuEvent*, KeloStatusView*) override { return nullptr; }
    void actionForMenuItem(QAction*, KeloStatusView*) override {}
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& d, bool,
                                                             KeloStatusView*) override {
        auto cell = std::make_unique<KeloMonitorCell>();
        cell->setThumbHeight(60);
        cell->setThumbAspect(16.0f / 9.0f);
        cell->setKeloObject(servers.at(d.value("name").toString()));
        return cell;
    }
    int serversCount() override { return int(servers.size()); }
    std::map<QString, KeloObject*> servers;
};

// One application tick over a grid of monitor cells whose time codes all
// change: poll, then paint what the cells marked.
void BM_GridTick(benchmark::State& state) {
    ensureApp();
    const int count = int(state.range(0));
    std::vector<std::unique_ptr<KeloObject>> servers;
    Target target;
    QList<QVariantMap> descriptions;
    for (int i = 0; i < count; ++i) {
        auto kelo = std::make_unique<KeloObject>();
        kelo->setName(QString("Kelo on Server %1").arg(i));
        kelo->setAddress(0x0A000000 + uint32_t(i), 0x0A000000 + uint32_t(i));
        fillServer(*kelo, 0);
        target.servers[kelo->name()] = kelo.get();
        descriptions.append({{"name", kelo->name()}});
        servers.push_back(std::move(kelo));
    }
    KeloStatusView view(QRectF(0, 0, 284, 10));
    view.setNumColumns(4);
    view.setTarget(&target);
    view.setDataSource(&descriptions);
    view.createCellArray();
    view.reloadData();
    view.show();
    for (int i = 0; i < 3; ++i) {
        view.performUpdate();
        QApplication::processEvents();
    }
    uint32_t time = 0;
    for (auto _ : state) {
        time += 256;
        for (auto& kelo : servers) fillServer(*kelo, time);
        view.performUpdate();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_GridTick)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

// The Status tab's tick as the application runs it every 0.2 s: every
// server's time code moves and every server sends a new preview (5 Hz), then
// the controller's performUpdate polls the cells and the window paints what
// they marked. The server list shows in a 900-point-high pane; only the
// cells in sight decode their previews.
void BM_StatusTabTick(benchmark::State& state) {
    ensureApp();
    const int count = int(state.range(0));
    int64_t sent = 0;
    KlE_Control_Status::Options options;
    options.timer = false;
    options.maxServers = size_t(count) + 1;
    useSockets(options, &sent);
    KlE_Control_Status link(options);
    const QByteArray previews[2] = {jpeg(160, 90),
                                    jpeg(160, 90).replace(200, 40, QByteArray(40, 7))};
    QList<QVariantMap> list;
    std::vector<KeloObject*> servers;
    for (int i = 0; i < count; ++i) {
        const QString name = QString("Kelo on Server %1").arg(i);
        KeloObject* kelo = link.addKeloForName(name);
        kelo->setAddress(0x0A000000 + uint32_t(i), 0x0A000000 + uint32_t(i));
        fillServer(*kelo, 0);
        servers.push_back(kelo);
        list.append({{"name", name}});
    }
    ServersUI ui(nullptr, &link);
    ui.awakeFromNib();
    QWidget* base = ui.getBaseView();
    base->resize(330, 900);
    base->show();
    CurrentLayoutSettings layout;
    layout.thumbHeight = 60;
    layout.aspect = 16.0f / 9.0f;
    ui.reloadMonitorPanes(&list, layout);
    KlReqV4 output;
    servers.front()->imageRequest_V4(&output, 0, 0, 0, -1);
    auto deliver = [&](int frame) {
        for (KeloObject* kelo : servers) {
            KeloImage* image = kelo->imageWithRequest(output);
            image->setImageData(previews[frame & 1]);
            image->setImageSize({160, 90});
            image->setOriginalSize({1920, 1080});
        }
    };
    for (int i = 0; i < 3; ++i) {
        deliver(i);
        ui.performUpdate();
        QApplication::processEvents();
    }
    uint32_t time = 0;
    int frame = 0;
    for (auto _ : state) {
        time += 256;
        for (KeloObject* kelo : servers) fillServer(*kelo, time);
        deliver(++frame);
        ui.performUpdate();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StatusTabTick)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state) {
    const QByteArray data = jpeg(int(state.range(0)), int(state.range(0)) * 9 / 16);
    for (auto _ : state) benchmark::DoNotOptimize(cgImageWithJPEGData(data));
}
BENCHMARK(BM_JpegDecode)->Arg(320)->Arg(640)->Arg(1280)->Unit(benchmark::kMicrosecond);

// Decoded and scaled once to a 60-point thumbnail, as a new preview is shown.
void BM_JpegDecodeScaled(benchmark::State& state) {
    const QByteArray data = jpeg(int(state.range(0)), int(state.range(0)) * 9 / 16);
    for (auto _ : state)
        benchmark::DoNotOptimize(cgImageWithJPEGData(data).scaled(106, 60, Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation));
}
BENCHMARK(BM_JpegDecodeScaled)->Arg(320)->Arg(640)->Arg(1280)->Unit(benchmark::kMicrosecond);

// Breakout cells for layer and whole-server descriptions, as the Status tab
// makes them.
class BreakoutTarget : public Target {
public:
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& d, bool,
                                                             KeloStatusView*) override {
        std::unique_ptr<KeloRemoteCell> cell;
        if (const int layer = d.value("layer").toInt()) {
            auto layerCell = std::make_unique<KeloLayerBreakoutCell>();
            layerCell->setLayerNumber(layer);
            cell = std::move(layerCell);
        } else {
            cell = std::make_unique<KeloBreakoutCell>();
        }
        cell->setThumbHeight(90);
        cell->setKeloObject(servers.at(d.value("name").toString()));
        cell->setThumbAspect(cell->isAspect_16x9() ? 16.0f / 9.0f : 4.0f / 3.0f);
        cell->setCellWidth(KeloRemoteCell::widthForThumbHeight(90, cell->thumbAspect()));
        return cell;
    }
};

// The Status tab's rebuild of 5 breakout columns of 50 descriptions each:
// cleaning against the monitor list, cells made and laid out.
void BM_BreakoutColumnsRebuild(benchmark::State& state) {
    ensureApp();
    std::vector<std::unique_ptr<KeloObject>> servers;
    BreakoutTarget target;
    QVariantList monitor;
    for (int i = 0; i < 10; ++i) {
        auto kelo = std::make_unique<KeloObject>();
        kelo->setName(QString("Kelo on Server %1").arg(i));
        fillServer(*kelo, 0);
        target.servers[kelo->name()] = kelo.get();
        monitor.append(QVariantMap{{"name", kelo->name()}});
        servers.push_back(std::move(kelo));
    }
    QVariantList breakouts;
    for (int c = 0; c < 5; ++c) {
        QVariantList column;
        for (int i = 0; i < 50; ++i) {
            QVariantMap d{{"name", QString("Kelo on Server %1").arg((c + i) % 10)}};
            if (i % 5) d["layer"] = 1 + i % 4;
            column.append(d);
        }
        breakouts.append(QVariant(column));
    }
    QVariantMap layout{{"monitor", monitor},
                       {"breakouts", breakouts},
                       {"layout_settings", QVariantMap{{"breakout_cols", "5"}}}};
    QWidget base;
    base.resize(1600, 900);
    BreakoutColumns columns(&base, &target);
    for (auto _ : state) {
        QVariantMap copy = layout;
        columns.reloadBreakouts(copy, nullptr);
        columns.showBreakouts(false, 0);
    }
}
BENCHMARK(BM_BreakoutColumnsRebuild)->Unit(benchmark::kMillisecond);

}  // namespace

KELO_BENCH_MAIN_WITH_APP()
