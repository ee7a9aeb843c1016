#include "graphics/GLStringUnscaled.h"
#include "graphics/KeloDecompressJPEG.h"
#include "graphics/VSVGCGImageBuilder.h"
#include "graphics/VSVGImageBuilder.h"
#include "graphics/VSVGParser.h"
#include "serverlink/KeloImage.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>
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

// Text labels need a GUI application for their fonts and a GL context to draw
// in. GL runs only on the X display (run under xvfb-run with
// QT_QPA_PLATFORM=xcb); elsewhere these benchmarks skip.
class LabelScene {
public:
    static LabelScene* shared() {
        static LabelScene* scene = new LabelScene;
        return scene->gl_ ? scene : nullptr;
    }
    QOpenGLFunctions_2_1* gl() const { return gl_; }
    const std::vector<GLuint>& textures() const { return textures_; }

    static constexpr int kLabels = 1000;

private:
    LabelScene() {
        if (!qGuiApp) {
            static int argc = 1;
            static char name[] = "graphics_bench";
            static char* argv[] = {name, nullptr};
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM",
                        qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
            }
            new QGuiApplication(argc, argv);
        }
        if (QGuiApplication::platformName() != "xcb") return;
        QSurfaceFormat format;
        format.setVersion(2, 1);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(format);
        if (!context_->create()) return;
        surface_ = std::make_unique<QOffscreenSurface>();
        surface_->setFormat(context_->format());
        surface_->create();
        if (!context_->makeCurrent(surface_.get())) return;
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(1024, 1024);
        fbo_->bind();
        gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context_.get());
        if (!gl_) return;
        gl_->glViewport(0, 0, 1024, 1024);
        gl_->glMatrixMode(GL_PROJECTION);
        gl_->glLoadIdentity();
        gl_->glOrtho(0, 1024, 1024, 0, -1, 1);
        gl_->glMatrixMode(GL_MODELVIEW);
        gl_->glLoadIdentity();
        textures_.resize(kLabels);
        gl_->glGenTextures(kLabels, textures_.data());
    }

    // Made after the application object.
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    QOpenGLFunctions_2_1* gl_ = nullptr;
    std::vector<GLuint> textures_;
};

QRectF labelItem(int i) {
    return QRectF((i % 25) * 40, (i / 25) * 25, 40, 25);
}

QString labelText(int i) {
    return QStringLiteral("Output %1").arg(i + 1);
}

// 1,000 labels rendered and uploaded once; each frame draws them all.
void BM_GLStringUnscaled_1000_Cached(benchmark::State& state) {
    LabelScene* scene = LabelScene::shared();
    if (!scene) {
        state.SkipWithError("no GL on this display");
        return;
    }
    std::vector<std::unique_ptr<GLStringUnscaled>> labels;
    for (int i = 0; i < LabelScene::kLabels; ++i) {
        labels.push_back(std::make_unique<GLStringUnscaled>());
        labels.back()->updateWithString(labelText(i), QColor(), Qt::white, 0);
    }
    const auto& textures = scene->textures();
    for (auto _ : state) {
        for (int i = 0; i < LabelScene::kLabels; ++i) {
            labels[i]->updateWithString(labelText(i), QColor(), Qt::white, 0);
            labels[i]->drawGLunscaled(textures[i], labelItem(i), nullptr, 0, QPointF(), 1, 1,
                                      nullptr);
        }
        scene->gl()->glFinish();
    }
    state.SetItemsProcessed(state.iterations() * LabelScene::kLabels);
}
BENCHMARK(BM_GLStringUnscaled_1000_Cached)->Unit(benchmark::kMillisecond);

// The same frame with every label made anew: render, upload and draw.
void BM_GLStringUnscaled_1000_Recreated(benchmark::State& state) {
    LabelScene* scene = LabelScene::shared();
    if (!scene) {
        state.SkipWithError("no GL on this display");
        return;
    }
    const auto& textures = scene->textures();
    for (auto _ : state) {
        for (int i = 0; i < LabelScene::kLabels; ++i) {
            GLStringUnscaled label;
            label.updateWithString(labelText(i), QColor(), Qt::white, 0);
            label.drawGLunscaled(textures[i], labelItem(i), nullptr, 0, QPointF(), 1, 1, nullptr);
        }
        scene->gl()->glFinish();
    }
    state.SetItemsProcessed(state.iterations() * LabelScene::kLabels);
}
BENCHMARK(BM_GLStringUnscaled_1000_Recreated)->Unit(benchmark::kMillisecond);

// A drawing of 10,000 paths of lines and curves with the attributes exported
// drawings carry.
const QByteArray& svg10000Paths() {
    static const QByteArray svg = [] {
        QByteArray out =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"1000\">\n";
        for (int i = 0; i < 10000; ++i) {
            const int x = (i * 37) % 1000;
            const int y = (i * 91) % 1000;
            out += QString(
                       "<path fill=\"#%1\" stroke=\"black\" stroke-width=\"0.5\" "
                       "d=\"M%2,%3 l12.5,-3 c4,0 8.25,6 8,10 s4,22 2,18.5 h-3 q-2,-4 0,-8 z\"/>\n")
                       .arg(QString::number(0x102030 + i * 97, 16).right(6))
                       .arg(x)
                       .arg(y)
                       .toUtf8();
        }
        out += "</svg>\n";
        return out;
    }();
    return svg;
}

void BM_VSVGParser_10000Paths(benchmark::State& state) {
    VSVGDrawProtocol nothing;
    for (auto _ : state)
        benchmark::DoNotOptimize(VSVGParser::parseWithData(svg10000Paths(), &nothing));
    state.SetBytesProcessed(state.iterations() * svg10000Paths().size());
}
BENCHMARK(BM_VSVGParser_10000Paths)->Unit(benchmark::kMillisecond);

void BM_VSVGImageBuilder_10000Paths_512(benchmark::State& state) {
    for (auto _ : state) {
        const QImage image = VSVGImageBuilder::newImageWithData(svg10000Paths(), QSizeF(512, 512),
                                                                std::nullopt, std::nullopt);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_VSVGImageBuilder_10000Paths_512)->Unit(benchmark::kMillisecond);

// The painter back end: the first draw of a file parses and records, later
// draws replay the recording.
void BM_VSVGCGImageBuilder_10000Paths_512(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("paths.svg");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(svg10000Paths());
    file.close();
    const bool replay = state.range(0) != 0;
    QImage image(512, 512, QImage::Format_ARGB32_Premultiplied);
    auto builder = std::make_unique<VSVGCGImageBuilder>();
    for (auto _ : state) {
        if (!replay) builder = std::make_unique<VSVGCGImageBuilder>();
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        builder->createImageInContext(&painter, path, QSizeF(512, 512), std::nullopt, std::nullopt);
    }
}
BENCHMARK(BM_VSVGCGImageBuilder_10000Paths_512)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
