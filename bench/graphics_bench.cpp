#include "graphics/KeloDecompressJPEG.h"
#include "serverlink/KeloImage.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>

#include <vector>

namespace {

// A 320 × 180 preview with some detail, as a server would send it.
const QByteArray& preview320x180() {
    static const QByteArray jpeg = [] {
        QImage img(320, 180, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 320, 180);
        g.setColorAt(0, Qt::darkBlue);
        g.setColorAt(1, Qt::yellow);
        p.fillRect(img.rect(), g);
        p.setPen(Qt::white);
        for (int i = 0; i < 40; ++i) p.drawEllipse(QPoint(i * 8, 90), 20 + i, 10 + i / 2);
        p.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "JPEG", 80);
        return bytes;
    }();
    return jpeg;
}

void BM_KeloDecompressJPEG_320x180(benchmark::State& state) {
    const QByteArray& jpeg = preview320x180();
    auto* decoder = KeloDecompressJPEG::instance();
    QImage out;
    for (auto _ : state) {
        decoder->decompressJPEGDataSizeOutput(jpeg, QSizeF(320, 180), &out);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloDecompressJPEG_320x180);

// The floor: one handle, one buffer, no checks.
void BM_tjDecompress2_320x180(benchmark::State& state) {
    const QByteArray& jpeg = preview320x180();
    tjhandle tj = tjInitDecompress();
    std::vector<unsigned char> pixels(320 * 180 * 4);
    for (auto _ : state) {
        tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                      static_cast<unsigned long>(jpeg.size()), pixels.data(), 320, 320 * 4, 180,
                      TJPF_BGRX, 0);
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(tj);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_tjDecompress2_320x180);

// A preview of a 4:3 original: decode plus the scale to the original's aspect.
void BM_KeloImageCgImage_320x180(benchmark::State& state) {
    const QByteArray& jpeg = preview320x180();
    KeloImage image;
    image.setImageSize(QSizeF(320, 180));
    image.setOriginalSize(QSizeF(1440, 1080));
    for (auto _ : state) {
        image.setImageData(jpeg);
        benchmark::DoNotOptimize(image.cg_image().constBits());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloImageCgImage_320x180);

}  // namespace

BENCHMARK_MAIN();
