#include "hud/cells/KeloTextFieldCell.h"
#include "hud/cells/KeloTextEntryCell.h"
#include "hud/cells/MitreRect.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/views/DTableView.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QPainter>

namespace {

KELO_TEMP_DEFAULTS();

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 3);
}

HUDThemeKelo* kelo() {
    return HUDThemeKelo::instance();
}

QImage draw(KeloTextFieldCell& cell, int w = 200, int h = 17, QWidget* view = nullptr) {
    QImage image = canvas(w, h);
    image.fill(Qt::black);
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(0, 0, w, h), view);
    return image;
}

int countNear(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += near(image.pixelColor(x, y), colour);
    return n;
}

QVariantMap row(const char (&status)[5], QVariantMap more = {}) {
    more.insert("status", keloFourCC(status));
    return more;
}

TEST(KeloTextFieldCell, DictionaryAndPlainValuesReplaceEachOther) {
    KeloTextFieldCell cell;
    cell.setObjectValue(row("sent", {{"name", "/media/clips/intro.mov"}}));
    ASSERT_TRUE(cell.valueDict().has_value());
    cell.setObjectValue(QStringLiteral("plain"));
    EXPECT_FALSE(cell.valueDict().has_value());
    EXPECT_EQ(cell.stringValue(), QStringLiteral("plain"));
}

TEST(KeloTextFieldCell, RateAndResetCountOnlyForRowsInFlight) {
    KeloTextFieldCell::setLogSlowest(false);
    EXPECT_EQ(KeloTextFieldCell::statusDetail(row("sent", {{"sMbps", 80}})),
              QStringLiteral(", 10.0 MBytes/sec"));
    EXPECT_EQ(KeloTextFieldCell::statusDetail(row("sent")), QString());
    EXPECT_EQ(KeloTextFieldCell::statusDetail(row("pend", {{"sMbps", 80}})), QString());
    KeloTextFieldCell::setLogSlowest(true);
    EXPECT_EQ(KeloTextFieldCell::statusDetail(row("prog", {{"sMbps", 8}, {"resetCount", 3}})),
              QStringLiteral(", 1.0 MBytes/sec, 3"));
    EXPECT_EQ(KeloTextFieldCell::statusDetail(row("prog", {{"resetCount", 3}})),
              QStringLiteral(", 3"));
    KeloTextFieldCell::setLogSlowest(false);
}

TEST(KeloTextFieldCell, StatusRowsPaintSquareAndProgress) {
    const QColor queued = colorWithContrastWhite(32.0 / 255, 0.7);
    KeloTextFieldCell cell;
    cell.setObjectValue(row("prog", {{"progress", 0.25}, {"name", "a/b.mov"}}));
    QImage image = draw(cell);
    // Composited at alpha 0.7, over black or over the queued colour.
    const auto overOn = [](const QColor& c, const QColor& below) {
        const double a = c.alphaF();
        return QColor(int(c.red() * a + below.red() * (1 - a)),
                      int(c.green() * a + below.green() * (1 - a)),
                      int(c.blue() * a + below.blue() * (1 - a)));
    };
    const auto over = [&](const QColor& c) { return overOn(c, Qt::black); };
    EXPECT_RGB(image.pixelColor(40, 16),
               overOn(colorWithContrastWhite(17.0 / 255, 0.7), over(queued)));
    EXPECT_RGB(image.pixelColor(150, 16), over(queued));
    EXPECT_RGB(image.pixelColor(10, 8), kelo()->textColour());

    cell.setObjectValue(row("pend", {{"progress", 0.9}}));
    image = draw(cell);
    EXPECT_RGB(image.pixelColor(150, 16), over(queued));
    EXPECT_RGB(image.pixelColor(40, 16), over(queued));
    EXPECT_RGB(image.pixelColor(10, 8), kelo()->blueStateColour());

    cell.setObjectValue(row("rjct", {{"reportFlags", 1}}));
    EXPECT_RGB(draw(cell).pixelColor(10, 8), kelo()->greenStateColour());
    cell.setObjectValue(row("abrt"));
    EXPECT_RGB(draw(cell).pixelColor(10, 8), QColor(Qt::black));
    cell.setObjectValue(row("zzzz"));
    EXPECT_RGB(draw(cell).pixelColor(10, 8), QColor(Qt::black));
    cell.setObjectValue(row("zzzz", {{"color", QColor(Qt::magenta)}}));
    EXPECT_RGB(draw(cell).pixelColor(10, 8), QColor(Qt::magenta));
}

TEST(KeloTextFieldCell, PlainValuesAlertAndHeading) {
    KeloTextFieldCell cell(QStringLiteral("?Disk full"));
    QImage image = draw(cell);
    EXPECT_RGB(image.pixelColor(150, 2), kelo()->textFieldColour());
    EXPECT_GT(countNear(image, kelo()->redStateColour()), 5) << "alert text in red";
    cell.setStringValue(QStringLiteral("Disk full"));
    EXPECT_EQ(countNear(draw(cell), kelo()->redStateColour()), 0);

    DTableView table;
    cell.setHighlighted(true);
    EXPECT_RGB(draw(cell, 200, 17, table.viewport()).pixelColor(150, 2),
               kelo()->cellHighlightColor());
    EXPECT_RGB(draw(cell).pixelColor(150, 2), kelo()->textBgColour());
}

TEST(KeloTextEntryCell, BackgroundAndHighlightFromTheAttributes) {
    KeloTextEntryCell cell(QStringLiteral("12"));
    QImage image = canvas(60, 20);
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(0, 0, 60, 20), nullptr);
    painter.end();
    EXPECT_RGB(image.pixelColor(55, 2), kelo()->bgColour());
    DTableView table;
    EXPECT_EQ(cell.highlightColorWithFrame({}, table.viewport()), kelo()->cellHighlightColor());
    EXPECT_EQ(cell.highlightColorWithFrame({}, nullptr), kelo()->textBgColour());
}

TEST(BevelHelpers, RectAtPointAndSymbolStrings) {
    EXPECT_EQ(NSRectAtPoint(QRectF(1, 2, 30, 40), QPointF(10, -5)), QRectF(11, -3, 30, 40));
    EXPECT_STREQ(Bullet(), "\xA5");
    EXPECT_STREQ(DoubleBullet(), "\xA5\xA5");
    EXPECT_STREQ(TripleBullet(), "\xA5\xA5\xA5");
    EXPECT_STREQ(Ellipsis(), "\xC9");
    EXPECT_EQ(Bullet(), Bullet()) << "one buffer for the process";
}

}  // namespace

KELO_TEST_MAIN_GUI()
