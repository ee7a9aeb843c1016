// HUD drawing: a themed control's background drawn through the stretch
// image's per-size cache, against cutting the nine parts each time and
// against painting the background from scratch each time.
#include "graphics/ImageGeometry.h"
#include "graphics/StretchImage.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/windows/KlLogUI.h"

#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSplitter>

#include <chrono>
#include <memory>

namespace {

constexpr int kDraws = 10000;
const QRectF kFrame(0, 0, 200, 22);

void paintBackground(QPainter& p, const QRectF& bounds) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, 6, 6);
    HUDThemeKelo::instance()->normalGradient().drawInBezierPath(p, path, 90);
    p.setPen(QPen(HUDThemeKelo::instance()->darkStrokeColor(), 1));
    p.drawPath(path);
}

std::unique_ptr<StretchImage> makeBackground() {
    auto image = std::make_unique<StretchImage>(10, 10, 40, 22);
    paintBackground(*image->lockFocusAndClear(), image->imageRect());
    image->unlockFocusAndDraw(false);
    return image;
}

QImage target() {
    QImage out(220, 30, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    return out;
}

void BM_ControlBackgroundCached(benchmark::State& state) {
    auto background = makeBackground();
    QImage out = target();
    QPainter p(&out);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i) background->drawCGImageInFrame(kFrame, p);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ControlBackgroundCached)->Unit(benchmark::kMillisecond);

void BM_ControlBackgroundNinePartEachTime(benchmark::State& state) {
    auto background = makeBackground();
    const QSizeF corner = background->ninePartCorner();
    QImage out = target();
    QPainter p(&out);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i)
            drawImageAsBorderInRect(background->cgImageRef(), kFrame, corner, p, 0);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ControlBackgroundNinePartEachTime)->Unit(benchmark::kMillisecond);

void BM_ControlBackgroundRepainted(benchmark::State& state) {
    QImage out = target();
    QPainter p(&out);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i) paintBackground(p, kFrame);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ControlBackgroundRepainted)->Unit(benchmark::kMillisecond);

// A textured button's bezel: blitted from the shared bezel image, against
// painting the gradient, shadow and strokes each time.
const QRectF kButtonFrame(0, 0, 80, 22);

std::unique_ptr<HUDButtonCell> texturedButton() {
    auto cell = std::make_unique<HUDButtonCell>();
    cell->setBezelStyle(kTexturedRoundedBezelStyle);
    return cell;
}

void BM_ButtonBezelCached(benchmark::State& state) {
    auto cell = texturedButton();
    QImage out = target();
    QPainter p(&out);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i)
            cell->drawTexturedRoundedButtonInFrame(p, kButtonFrame, true, false);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ButtonBezelCached)->Unit(benchmark::kMillisecond);

void BM_ButtonBezelUncached(benchmark::State& state) {
    auto cell = texturedButton();
    QImage out = target();
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i)
            cell->drawTexturedRoundedButtonInFrame(p, kButtonFrame, false, false);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ButtonBezelUncached)->Unit(benchmark::kMillisecond);

// The whole button with its title, as a view draws it.
void BM_ButtonWithTitleCached(benchmark::State& state) {
    auto cell = texturedButton();
    cell->setTitle(QStringLiteral("Take"));
    QImage out = target();
    QPainter p(&out);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; ++i) cell->drawWithFrame(p, kButtonFrame, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}
BENCHMARK(BM_ButtonWithTitleCached)->Unit(benchmark::kMillisecond);

}  // namespace

// 10,000 log lines appended to a visible history pane, which scrolls to each
// new row; the time per append is the counter "us_per_append".
void BM_LogPanelAppend(benchmark::State& state) {
    registerKeloThemes();
    constexpr int kAppends = 10000;
    double appendSeconds = 0;
    for (auto _ : state) {
        QSplitter split(Qt::Vertical);
        split.addWidget(new QWidget);
        split.resize(400, 300);
        split.show();
        QPushButton button;
        KlLogUI panel(&split, &button);
        panel.setDelegate(nullptr, nullptr, QString(), QString());
        panel.logButtonClicked();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kAppends; ++i) {
            panel.addLogEntry({QStringLiteral("Transfer of clip %1 finished").arg(i),
                               QStringLiteral("12:00:00"),
                               false,
                               {}});
        }
        QApplication::processEvents();
        appendSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(panel.logMessages().size());
    }
    state.counters["us_per_append"] = appendSeconds * 1e6 / (double(state.iterations()) * kAppends);
}
BENCHMARK(BM_LogPanelAppend)->Unit(benchmark::kMillisecond);

KELO_BENCH_MAIN_WITH_APP()
