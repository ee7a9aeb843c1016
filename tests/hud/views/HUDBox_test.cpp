#include "hud/views/HUDBox.h"

#include "hud/controls/HUDColorWell.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QColorDialog>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>

#include <cmath>

namespace {

class BoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

QImage renderBox(HUDBox& box, const QRectF& dirty = QRectF()) {
    QImage image = canvas(box.width(), box.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    box.drawRect(p, dirty.isNull() ? QRectF(box.rect()) : dirty);
    return image;
}

template <typename Widget>
QImage renderWidget(Widget& widget) {
    QImage image = canvas(widget.width(), widget.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    widget.drawRect(p);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 4) {
    return nearColour(a, b, tolerance, true);
}

#define EXPECT_RGBA(actual, expected)                                          \
    EXPECT_TRUE(near((actual), (expected)))                                    \
        << "got " << (actual).name(QColor::HexArgb).toStdString() << ", want " \
        << (expected).name(QColor::HexArgb).toStdString()

bool sameColumn(const QImage& a, const QImage& b, int x) {
    for (int y = 0; y < a.height(); ++y)
        if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

TEST_F(BoxTest, BoxSettingsDefaultsAndArchive) {
    HUDBox made;
    EXPECT_EQ(made.themeKey(), "gradientTheme");
    EXPECT_EQ(made.shadowColor(), QColor(0, 0, 0));
    EXPECT_EQ(made.borderColor(), kelo()->darkStrokeColor());
    EXPECT_EQ(made.color1(), kelo()->normalSolidFill());
    EXPECT_TRUE(made.useTheme());

    auto decoded = HUDBox::initWithCoder({{"useTheme", false}, {"drawLeftShadow", true}});
    EXPECT_EQ(decoded->shadowColor(), kelo()->normalSolidFill());
    EXPECT_TRUE(decoded->useTheme());
    EXPECT_TRUE(decoded->drawLeftShadow());

    made.setDrawBottomBorder(true);
    made.setColor2(QColor(1, 2, 3));
    made.setThemeKey("flatTheme");
    auto copy = HUDBox::initWithCoder(made.encodeWithCoder());
    EXPECT_TRUE(copy->drawBottomBorder());
    EXPECT_FALSE(copy->drawTopBorder());
    EXPECT_EQ(copy->color2(), QColor(1, 2, 3));
    EXPECT_EQ(copy->shadowColor(), QColor(0, 0, 0));
    EXPECT_EQ(copy->themeKey(), "flatTheme");
}

TEST_F(BoxTest, BoxWithoutTitleIsOneFill) {
    HUDBox box;
    box.setTitlePosition(kNoTitle);
    box.setTitle("ignored");
    box.resize(60, 40);
    EXPECT_TRUE(box.isOpaque());
    const QImage image = renderBox(box);
    for (const QPoint p : {QPoint(0, 0), QPoint(59, 39), QPoint(1, 20), QPoint(30, 2)})
        EXPECT_RGBA(image.pixelColor(p), kelo()->boxFillColor());
}

TEST_F(BoxTest, RoundedBoxFillFollowsThePanelFlag) {
    for (bool panel : {false, true}) {
        HUDThemeKeloWindow window;
        window.setIsPanel(panel);
        auto* box = new HUDBox(&window);
        box->setTitlePosition(kBelowTop);
        box->resize(100, 80);
        EXPECT_FALSE(box->isOpaque());
        const QImage image = renderBox(*box);
        EXPECT_RGBA(image.pixelColor(50, 50), panel ? darkerStrokeColor() : boxFillColor());
        // The title band above the box is left alone.
        EXPECT_EQ(image.pixelColor(50, 5).alpha(), 0);
    }
}

TEST_F(BoxTest, TopTitleBackgroundIsRenderedOncePerSize) {
    HUDBox box;
    box.setTitlePosition(kAtTop);
    box.resize(200, 100);
    const QImage first = renderBox(box);
    ASSERT_TRUE(box.backgroundImg());
    EXPECT_RGBA(first.pixelColor(100, 5), kelo()->normalSolidFill());
    EXPECT_RGBA(first.pixelColor(100, 60), boxFillColor());

    box.resize(220, 100);
    renderBox(box);
    const StretchImage* rendered = box.backgroundImg();
    ASSERT_TRUE(rendered);
    EXPECT_EQ(rendered->width(), 220);
    const QImage whole = renderBox(box);
    EXPECT_EQ(box.backgroundImg(), rendered);

    // A part of the box is the same part of the whole drawing.
    const QRectF part(30, 10, 50, 40);
    const QImage piece = renderBox(box, part);
    EXPECT_EQ(piece.copy(part.toRect()), whole.copy(part.toRect()));
    EXPECT_EQ(piece.pixelColor(5, 5).alpha(), 0);
}

TEST_F(BoxTest, TitleIsDrawnInTheTextColourInTheTopBand) {
    HUDBox box;
    box.setTitlePosition(kAtTop);
    box.setTitle("HHHH");
    box.resize(120, 60);
    const QImage image = renderBox(box);
    bool found = false;
    for (int y = 0; y < 15 && !found; ++y)
        for (int x = 0; x < 60 && !found; ++x)
            found = near(image.pixelColor(x, y), kelo()->textColor(), 24);
    EXPECT_TRUE(found);
}

TEST_F(BoxTest, ColourWellShowsItsColourInsideTheBezel) {
    HUDColorWell well;
    well.resize(44, 23);
    well.setColor(QColor(255, 0, 0));
    well.setUseTransparentWell(true);
    QImage image = canvas(44, 23);
    {
        QPainter p(&image);
        well.drawRect(p, QRectF(0, 0, 44, 23));
    }
    const double alpha = kelo()->alphaValue();
    EXPECT_RGBA(image.pixelColor(20, 11), QColor::fromRgbF(1, 0, 0, alpha));
    EXPECT_RGBA(image.pixelColor(0, 11), kelo()->darkStrokeColor());
    EXPECT_FALSE(near(image.pixelColor(3, 11), QColor::fromRgbF(1, 0, 0, alpha)));

    well.setUseTransparentWell(false);
    well.setBordered(false);
    image = canvas(44, 23);
    {
        QPainter p(&image);
        well.drawRect(p, QRectF(0, 0, 44, 23));
    }
    EXPECT_RGBA(image.pixelColor(3, 11), QColor(255, 0, 0));
    EXPECT_RGBA(image.pixelColor(2, 2), QColor(255, 0, 0));
    EXPECT_FALSE(near(image.pixelColor(1, 11), QColor(255, 0, 0)));
}

TEST_F(BoxTest, ColourWellEditsThroughItsDialogWhileActive) {
    HUDColorWell well;
    well.resize(44, 23);
    QList<QColor> changes;
    QObject::connect(&well, &HUDColorWell::colorChanged, [&](const QColor& c) { changes << c; });
    auto click = [&] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&well, &press);
    };
    click();
    ASSERT_TRUE(well.isActive());
    ASSERT_TRUE(well.colorDialog());
    well.colorDialog()->setCurrentColor(QColor(0, 128, 255));
    EXPECT_EQ(well.color(), QColor(0, 128, 255));
    EXPECT_EQ(changes, QList<QColor>{QColor(0, 128, 255)});
    QPointer<QColorDialog> dialog = well.colorDialog();
    click();
    EXPECT_FALSE(well.isActive());
    EXPECT_FALSE(well.colorDialog());
    EXPECT_TRUE(processUntil([&] { return !dialog; }, 2000)) << "the closed dialog goes away";
    click();
    ASSERT_TRUE(well.colorDialog());
    well.colorDialog()->close();
    EXPECT_FALSE(well.isActive()) << "closing the dialog deactivates the well";
}

TEST_F(BoxTest, ColourWellArchive) {
    EXPECT_EQ(HUDColorWell::initWithCoder({})->themeKey(), "gradientTheme");
    auto well = HUDColorWell::initWithCoder({{"useTransparentWell", true}, {"themeKey", "x"}});
    EXPECT_TRUE(well->useTransparentWell());
    EXPECT_EQ(well->encodeWithCoder().value("themeKey").toString(), "x");
}

TEST_F(BoxTest, ProgressBarRectFollowsControlSize) {
    HUDProgressIndicator bar;
    bar.resize(100, 20);
    const struct {
        int size;
        QRectF expected;
    } cases[] = {{0, {2.5, 0.5, 95, 15}},
                 {3, {2.5, 0.5, 95, 15}},
                 {1, {0.5, 0.5, 99, 17}},
                 {2, {1.5, 0.5, 97, 15}},
                 {7, {0, 0, 100, 20}}};
    for (const auto& c : cases) {
        bar.setControlSize(c.size);
        EXPECT_EQ(bar.barRect(), c.expected) << "size " << c.size;
    }
    EXPECT_EQ(bar.controlTint(), 6);
    EXPECT_EQ(HUDProgressIndicator::initWithCoder({})->themeKey(), "gradientTheme");
}

TEST_F(BoxTest, DeterminateBarFillsItsShareOfTheTrack) {
    HUDProgressIndicator bar;
    bar.resize(200, 20);
    bar.setIndeterminate(false);
    auto at = [&](double value) {
        bar.setDoubleValue(value);
        return renderWidget(bar);
    };
    const QImage empty = at(0);
    const QImage quarter = at(25);
    // B runs from 2.5 for 195 points: a quarter ends at 51.25.
    EXPECT_FALSE(sameColumn(empty, quarter, 30));
    EXPECT_FALSE(sameColumn(empty, quarter, 50));
    EXPECT_TRUE(sameColumn(empty, quarter, 53));
    EXPECT_TRUE(sameColumn(empty, quarter, 150));
    EXPECT_EQ(at(150), at(100)) << "values past the end stop at the end of the track";
    EXPECT_EQ(at(-5), empty);
    bar.setMaxValue(0);
    EXPECT_EQ(at(25), empty) << "an empty range shows no progress";
}

TEST_F(BoxTest, IndeterminateStripesMoveWithTheAnimationIndex) {
    HUDProgressIndicator bar;
    bar.resize(200, 20);
    ASSERT_TRUE(bar.isIndeterminate());
    const QImage first = renderWidget(bar);
    const QRectF b = bar.barRect();
    const QRectF stripes = bar.progressPath().boundingRect();
    EXPECT_LE(stripes.left(), b.left() - 40);
    EXPECT_GE(stripes.right(), b.right() + 40);

    bar.setAnimationIndex(int(b.height()));
    EXPECT_NE(renderWidget(bar), first);
    bar.setAnimationIndex(int(2 * b.height()));
    EXPECT_EQ(renderWidget(bar), first) << "one stripe period on, the bar looks the same";
    // Below the bar there is only its faint shadow.
    EXPECT_LT(first.pixelColor(100, 19).alpha(), 32);

    bar.setAnimationIndex(0);
    bar.startAnimation();
    EXPECT_TRUE(processUntil([&] { return bar.animationIndex() >= 2; }, 2000));
    bar.stopAnimation();
    EXPECT_FALSE(bar.isAnimating());
}

TEST_F(BoxTest, ProgressTitleIsCentredAndClampedToTheBounds) {
    HUDProgressIndicator bar;
    bar.resize(200, 30);
    bar.setIndeterminate(false);
    const QImage plain = renderWidget(bar);
    TextAttributes attributes;
    attributes.foreground = QColor(0, 255, 0);
    attributes.font = AttributedString::defaultFont();
    auto inkColumns = [&](const QImage& image) {
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != plain.pixel(x, y)) ink |= QRect(x, y, 1, 1);
        return ink;
    };
    bar.setCustomTitle(AttributedString("HH", attributes));
    const QRect shortInk = inkColumns(renderWidget(bar));
    EXPECT_NEAR((shortInk.left() + shortInk.right() + 1) / 2.0, 100, 2);
    EXPECT_GE(shortInk.top(), 18);

    const AttributedString wide(QString(60, 'H'), attributes);
    bar.setCustomTitle(wide);
    // Clamped to the bounds, the text starts at the left edge.
    QImage expected = plain;
    {
        QPainter p(&expected);
        p.setRenderHint(QPainter::Antialiasing, true);
        wide.draw(p, QRectF(0, 18, 200, std::min(wide.size().height(), 30.0)));
    }
    EXPECT_EQ(renderWidget(bar), expected);
}

}  // namespace

KELO_TEST_MAIN_GUI()
