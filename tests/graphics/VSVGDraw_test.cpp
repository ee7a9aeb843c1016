#include "graphics/VSVGCGImageBuilder.h"
#include "graphics/VSVGCocoaDraw.h"
#include "graphics/VSVGCoreGraphics.h"
#include "graphics/VSVGImageBuilder.h"
#include "graphics/VSVGParser.h"

#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

namespace {

QByteArray svg(int width, int height, const QString& body) {
    return QString("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">%3</svg>")
        .arg(width)
        .arg(height)
        .arg(body)
        .toUtf8();
}

QImage cocoaImage(const QByteArray& data, QSizeF size, std::optional<QColor> fill = std::nullopt,
                  std::optional<QColor> stroke = std::nullopt) {
    return VSVGImageBuilder::newImageWithData(data, size, fill, stroke);
}

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Draws the document with the painter back end at scale 1.
QImage coreGraphicsImage(const QByteArray& data, int width, int height) {
    QImage image = blank(width, height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    VSVGCoreGraphics drawer(&painter);
    VSVGParser::parseWithData(data, &drawer);
    return image;
}

QRgb at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).rgba();
}

const QRgb kClear = qRgba(0, 0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

TEST(VSVGDraw, HexAndNamedColours) {
    const struct {
        const char* text;
        double opacity;
        QColor color;
    } cases[] = {
        {"#FF0000", 1.0, QColor(255, 0, 0)},
        {"  #00ff80\n", 0.5, QColor::fromRgbF(0, 1, 128 / 255.0f, 0.5f)},
        {"#fff", 1.0, QColor(255, 255, 255)},  // the short form doubles its digits
        {"#12", 1.0, QColor(0x12, 0, 0)},      // a short text reads no further than it goes
        {"", 1.0, QColor(0, 0, 0, 0)},
        {"#0000FF", 7.0, QColor(0, 0, 255)},  // opacity held at 1
        {"#zz00zz", 1.0, QColor(0, 0, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VSVGCocoaDraw::colorFromHexString(c.text, c.opacity).rgba(), c.color.rgba())
            << c.text;
        EXPECT_EQ(VSVGCoreGraphics::colorRefFromHexString(c.text, c.opacity).rgba(), c.color.rgba())
            << c.text;
    }
    EXPECT_EQ(svgNamedColors().value("orange"), "#FFA500");
    EXPECT_FALSE(svgNamedColors().contains("Red"));
}

TEST(VSVGDraw, ColoursOfBothBackEnds) {
    const QColor opaqueGreen(0, 255, 0);
    const struct {
        const char* what;
        VSVGAttributes attributes;
        std::optional<QColor> forceStroke;
        double defaultLineOpacity;
        QRgb cocoaStroke, cgStroke, cocoaFill, cgFill;
    } cases[] = {
        {"stroke red", {{"stroke", "red"}}, std::nullopt, 1.0, kRed, kRed, kBlack, kBlack},
        {"no attributes", {}, std::nullopt, 1.0, kClear, kClear, kBlack, kBlack},
        {"none",
         {{"stroke", "none"}, {"fill", "none"}},
         std::nullopt,
         1.0,
         kClear,
         kClear,
         kClear,
         kClear},
        {"opacities",
         {{"stroke", "#FF0000"}, {"stroke-opacity", "0.5"}, {"fill-opacity", "0.25"}},
         std::nullopt,
         1.0,
         qRgba(255, 0, 0, 128),
         qRgba(255, 0, 0, 128),
         qRgba(0, 0, 0, 64),
         kBlack},
        {"forced opaque, half default",
         {{"stroke", "red"}},
         opaqueGreen,
         0.5,
         qRgba(0, 255, 0, 128),
         opaqueGreen.rgba(),
         kBlack,
         kBlack},
        {"forced quarter alpha",
         {},
         QColor(0, 255, 0, 64),
         1.0,
         qRgba(0, 255, 0, 64),
         qRgba(0, 255, 0, 64),
         kBlack,
         kBlack},
    };
    for (const auto& c : cases) {
        VSVGCocoaDraw cocoa;
        cocoa.setForceStrokeColor(c.forceStroke);
        cocoa.setDefaultLineOpacity(c.defaultLineOpacity);
        cocoa.setColors(c.attributes);
        EXPECT_EQ(cocoa.strokeColor().rgba(), c.cocoaStroke) << c.what;
        EXPECT_EQ(cocoa.fillColor().rgba(), c.cocoaFill) << c.what;

        QImage image = blank(1, 1);
        QPainter painter(&image);
        VSVGCoreGraphics cg(&painter);
        cg.setForceStrokeColor(c.forceStroke);
        cg.setDefaultLineOpacity(c.defaultLineOpacity);
        cg.setColors(c.attributes);
        EXPECT_EQ(painter.pen().color().rgba(), c.cgStroke) << c.what;
        EXPECT_EQ(painter.brush().color().rgba(), c.cgFill) << c.what;
    }
}

TEST(VSVGDraw, RoundedCornersStrokeWidthsAndPaintModes) {
    // Only rx: the image builder rounds both radii, the painter back end keeps corners square.
    const QByteArray rounded = svg(20, 20,
                                   "<rect x=\"0\" y=\"0\" width=\"20\" height=\"20\" "
                                   "rx=\"8\" fill=\"red\" stroke=\"none\"/>");
    const QImage cocoa = cocoaImage(rounded, QSizeF(20, 20));
    ASSERT_EQ(cocoa.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(at(cocoa, 0, 0)), 0);
    EXPECT_EQ(at(cocoa, 10, 10), kRed);
    EXPECT_EQ(at(coreGraphicsImage(rounded, 20, 20), 0, 0), kRed);

    // stroke-width doubles; the image builder's pen ignores the scale, the painter's does not.
    const QByteArray line = svg(20, 20,
                                "<line x1=\"0\" y1=\"10\" x2=\"20\" y2=\"10\" "
                                "stroke=\"blue\" stroke-width=\"2\"/>");
    const QImage wide = cocoaImage(line, QSizeF(40, 40));  // scale 2: the line is at y 20
    EXPECT_EQ(at(wide, 5, 18), kBlue);
    EXPECT_EQ(at(wide, 5, 21), kBlue);
    EXPECT_EQ(qAlpha(at(wide, 5, 17)), 0);
    EXPECT_EQ(qAlpha(at(wide, 5, 22)), 0);
    QImage scaled = blank(40, 40);
    {
        QPainter painter(&scaled);
        VSVGCoreGraphics drawer(&painter);
        drawer.setGlobalTransform(QTransform::fromScale(2, 2));
        VSVGParser::parseWithData(line, &drawer);
    }
    EXPECT_EQ(at(scaled, 5, 16), kBlue);
    EXPECT_EQ(at(scaled, 5, 23), kBlue);

    // "none" for both draws nothing; neither attribute fills black.
    const QByteArray modes = svg(20, 10,
                                 "<rect width=\"10\" height=\"10\" fill=\"none\" stroke=\"none\"/>"
                                 "<rect x=\"10\" width=\"10\" height=\"10\"/>");
    for (const QImage& image :
         {cocoaImage(modes, QSizeF(20, 10)), coreGraphicsImage(modes, 20, 10)}) {
        EXPECT_EQ(qAlpha(at(image, 5, 5)), 0);
        EXPECT_EQ(at(image, 15, 5), kBlack);
    }
}

TEST(VSVGDraw, FillRuleTransformsAndCurves) {
    // Even-odd on the first shape only: the painter back end keeps it for the second.
    const QString frame = "<path %1 d=\"M %2 0 h 30 v 30 h -30 z M %3 10 h 10 v 10 h -10 z\"/>";
    const QByteArray rules = svg(
        80, 30, frame.arg("fill-rule=\"evenodd\"").arg(0).arg(10) + frame.arg("").arg(40).arg(50));
    const QImage cocoa = cocoaImage(rules, QSizeF(80, 30));
    const QImage cg = coreGraphicsImage(rules, 80, 30);
    EXPECT_EQ(qAlpha(at(cocoa, 15, 15)), 0);
    EXPECT_EQ(qAlpha(at(cg, 15, 15)), 0);
    EXPECT_EQ(at(cocoa, 55, 15), kBlack);
    EXPECT_EQ(qAlpha(at(cg, 55, 15)), 0);

    // A matrix moves its own element only; other forms are ignored.
    const QByteArray moved =
        svg(40, 10,
            "<rect width=\"5\" height=\"5\" transform=\"matrix(1,0,0,1,20,0)\"/>"
            "<rect y=\"5\" width=\"5\" height=\"5\"/>"
            "<rect x=\"10\" width=\"5\" height=\"5\" transform=\"translate(9)\"/>");
    for (const QImage& image :
         {cocoaImage(moved, QSizeF(40, 10)), coreGraphicsImage(moved, 40, 10)}) {
        EXPECT_EQ(at(image, 22, 2), kBlack);
        EXPECT_EQ(qAlpha(at(image, 2, 2)), 0);
        EXPECT_EQ(at(image, 2, 7), kBlack);
        EXPECT_EQ(at(image, 12, 2), kBlack);
    }
    EXPECT_EQ(VSVGCoreGraphics::transformMatrixFromString(" matrix(1 2 3 4 5 6) "),
              QTransform(1, 2, 3, 4, 5, 6));
    EXPECT_TRUE(VSVGCoreGraphics::transformMatrixFromString("matrix(1 2 3)").isIdentity());
    EXPECT_TRUE(VSVGCoreGraphics::transformMatrixFromString("m").isIdentity());

    // The image builder turns quadratics into cubics; both back ends draw the same curve.
    const QByteArray curve = svg(100, 60, "<path d=\"M 0 0 Q 50 120 100 0 Z\" stroke=\"none\"/>");
    const QImage a = cocoaImage(curve, QSizeF(100, 60));
    const QImage b = coreGraphicsImage(curve, 100, 60);
    int differing = 0;
    int filled = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 100; ++x) {
            differing += qAbs(qAlpha(at(a, x, y)) - qAlpha(at(b, x, y))) > 8;
            filled += qAlpha(at(a, x, y)) == 255;
        }
    }
    EXPECT_GT(filled, 3000);
    EXPECT_LT(differing, 10);
}

TEST(VSVGDraw, ExtremeGeometryDrawsWithoutHanging) {
    const QString huge(45, '9');
    const QByteArray data = svg(
        10, 10,
        QString(
            "<path d=\"M 0 0 C %1 -%1 -%1 %1 %1 %1 Q -%1 0 0 %1 z\" stroke=\"red\" "
            "stroke-width=\"%1\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>"
            "<rect width=\"%1\" height=\"1e-45\" rx=\"%1\" transform=\"matrix(%1 %1 0 %1 %1 0)\"/>"
            "<circle r=\"%1\" stroke=\"blue\" stroke-width=\"0.0000001\"/>"
            "<ellipse rx=\"-5\" ry=\"%1\" transform=\"matrix(0 0 0 0 0 0)\"/>")
            .arg(huge));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(cocoaImage(data, QSizeF(64, 64)).isNull());
    coreGraphicsImage(data, 64, 64);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(VSVGImageBuilder, SizesScalesAndForcedColours) {
    const QByteArray wide =
        svg(100, 50, "<rect width=\"100\" height=\"50\" fill=\"red\" stroke=\"green\"/>");
    const QImage image = cocoaImage(wide, QSizeF(200, 200));
    ASSERT_EQ(image.size(), QSize(200, 200));
    EXPECT_EQ(at(image, 100, 50), kRed);  // scale 2, in the top half
    EXPECT_EQ(qAlpha(at(image, 100, 150)), 0);

    // A tall document is fitted by its height rather than spilling out below.
    const QByteArray tall = svg(50, 100, "<rect width=\"50\" height=\"100\" fill=\"red\"/>");
    const QImage fitted = cocoaImage(tall, QSizeF(200, 200));
    EXPECT_EQ(at(fitted, 90, 190), kRed);
    EXPECT_EQ(qAlpha(at(fitted, 150, 100)), 0);

    const QImage forced = cocoaImage(wide, QSizeF(100, 50), QColor(Qt::blue), QColor(Qt::blue));
    EXPECT_EQ(at(forced, 50, 25), kBlue);
    EXPECT_EQ(at(forced, 0, 25), kBlue);

    EXPECT_TRUE(cocoaImage(wide, QSizeF(0, 50)).isNull());
    EXPECT_TRUE(cocoaImage(wide, QSizeF(-5, 50)).isNull());
    EXPECT_TRUE(cocoaImage(wide, QSizeF(1e9, 1e9)).isNull());
    EXPECT_TRUE(cocoaImage("<svg/>", QSizeF(10, 10)).isNull());
    EXPECT_TRUE(VSVGImageBuilder::newImageWithPath("/nonexistent/x.svg").isNull());

    // A zero-width document does not divide by zero.
    const QImage zero = cocoaImage(svg(0, 10, "<rect width=\"5\" height=\"5\"/>"), QSizeF(20, 20));
    EXPECT_EQ(at(zero, 8, 8), kBlack);  // fitted by its height: scale 2
    EXPECT_EQ(qAlpha(at(zero, 12, 12)), 0);

    QTemporaryDir dir;
    const QString path = dir.filePath("wide.svg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wide);
    file.close();
    const QImage own = VSVGImageBuilder::newImageWithPath(path);
    EXPECT_EQ(own.size(), QSize(100, 50));
    EXPECT_EQ(at(own, 50, 25), kRed);
    EXPECT_EQ(
        VSVGImageBuilder::newImageWithPath(path, QSizeF(10, 5), QColor(Qt::blue), std::nullopt)
            .pixelColor(5, 2)
            .rgba(),
        kBlue);
}

class CGImageBuilderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }
    QImage draw(VSVGCGImageBuilder& builder, const QString& path, QSize size,
                std::optional<QColor> fill) {
        QImage image = blank(size.width(), size.height());
        QPainter painter(&image);
        builder.createImageInContext(&painter, path, QSizeF(size), fill, std::nullopt);
        return image;
    }
};

TEST_F(CGImageBuilderTest, FitsASquareCentredInTheLayer) {
    const QString path =
        write("square.svg", svg(10, 10, "<rect width=\"10\" height=\"10\" fill=\"red\"/>"));
    VSVGCGImageBuilder builder;
    const QImage wide = draw(builder, path, QSize(200, 100), std::nullopt);
    EXPECT_EQ(builder.scale(), 10.0f);
    EXPECT_EQ(builder.imageSize(), QSizeF(100, 100));
    EXPECT_EQ(qAlpha(at(wide, 49, 50)), 0);
    EXPECT_EQ(at(wide, 50, 50), kRed);
    EXPECT_EQ(at(wide, 149, 50), kRed);
    EXPECT_EQ(qAlpha(at(wide, 150, 50)), 0);

    VSVGCGImageBuilder tallBuilder;
    const QImage tall = draw(tallBuilder, path, QSize(20, 40), std::nullopt);
    EXPECT_EQ(qAlpha(at(tall, 10, 9)), 0);
    EXPECT_EQ(at(tall, 10, 10), kRed);
    EXPECT_EQ(at(tall, 10, 29), kRed);
    EXPECT_EQ(qAlpha(at(tall, 10, 30)), 0);
}

TEST_F(CGImageBuilderTest, ReplaysTheRecordingInNewColours) {
    const QString path =
        write("icon.svg", svg(10, 10, "<rect width=\"5\" height=\"10\" fill=\"red\"/>"));
    VSVGCGImageBuilder builder;
    EXPECT_EQ(at(draw(builder, path, QSize(10, 10), std::nullopt), 2, 5), kRed);
    ASSERT_TRUE(builder.oneDrawCompleted());
    ASSERT_EQ(builder.drawInvocationStack().size(), 3u);  // setup, rect, cleanup
    EXPECT_EQ(builder.drawInvocationStack()[1].selector, VSVGDrawSelector::svgDrawRect);

    // The file's shapes are not read again: the recording is drawn in the new colour.
    write("icon.svg", svg(10, 10, "<rect x=\"5\" width=\"5\" height=\"10\" fill=\"red\"/>"));
    const QImage again = draw(builder, path, QSize(20, 20), QColor(Qt::blue));
    EXPECT_EQ(at(again, 4, 10), kBlue);
    EXPECT_EQ(qAlpha(at(again, 14, 10)), 0);  // at the new size, not the first one
    EXPECT_EQ(builder.drawInvocationStack().size(), 3u);

    // Another file starts a new recording; cleanup drops it.
    const QString other = write("other.svg", svg(10, 10, "<circle cx=\"5\" cy=\"5\" r=\"5\"/>"));
    EXPECT_EQ(at(draw(builder, other, QSize(10, 10), std::nullopt), 5, 5), kBlack);
    EXPECT_EQ(builder.imagePath(), other);
    EXPECT_EQ(builder.drawInvocationStack()[1].selector, VSVGDrawSelector::svgDrawEllipse);
    builder.cleanup();
    EXPECT_TRUE(builder.drawInvocationStack().empty());

    // A missing or too short file leaves the context untouched.
    for (const QString& bad : {dir.filePath("missing.svg"), write("short.svg", "<svg/>")}) {
        VSVGCGImageBuilder fresh;
        const QImage image = draw(fresh, bad, QSize(10, 10), QColor(Qt::blue));
        EXPECT_EQ(image, blank(10, 10));
    }
}

TEST(VSVGCoreGraphics, DrawEllipseIn) {
    QImage image = blank(40, 40);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        VSVGCoreGraphics::drawEllipseIn(QRectF(20, 20, 30, 30), &painter);
    }
    EXPECT_EQ(at(image, 20, 20), kRed);
    EXPECT_EQ(at(image, 20, 5), qRgb(255, 255, 255));  // six pixels of white on the edge
    EXPECT_EQ(at(image, 1, 1), kBlack);
}

}  // namespace

KELO_TEST_MAIN_GUI()
