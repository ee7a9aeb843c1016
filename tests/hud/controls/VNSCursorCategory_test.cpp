#include "hud/controls/VNSCursorCategory.h"
#include "hud/controls/VNSControlCategory.h"

#include "hud/controls/HUDButton.h"
#include "support/TestMain.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>

namespace {

// Two cursor images exist as resources; the rest fall back to drawn ones.
class ResourcesEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(dir_.filePath(QStringLiteral("copyCursor.png"))));
        QImage blue(24, 24, QImage::Format_ARGB32);
        blue.fill(Qt::blue);
        ASSERT_TRUE(blue.save(dir_.filePath(QStringLiteral("Scrub Cursor.png"))));
        qputenv("KELO_RESOURCES", dir_.path().toUtf8());
    }

private:
    QTemporaryDir dir_;
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new ResourcesEnvironment);

int maxAlpha(const QCursor& cursor) {
    const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    int most = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) most = std::max(most, qAlpha(image.pixel(x, y)));
    }
    return most;
}

TEST(Cursors, EachIsMadeOnceWithItsHotSpotInsideItsImage) {
    const struct {
        const char* name;
        const QCursor& (*make)();
        QPoint hotSpot;
    } table[] = {
        {"scrub", scrubCursor, {10, 8}},
        {"canDrop", canDropCursor, {7, 0}},
        {"copy", copyCursor, {4, 1}},
        {"zoomIn", zoomInCursor, {4, 1}},
        {"zoomOut", zoomOutCursor, {4, 1}},
        {"noDrop", noDropCursor, {4, 1}},
        {"eastWestResize", eastWestResizeCursor, {4, 1}},
        {"lockPlay", lockPlayCursor, {4, 1}},
        {"crosshair", klCrosshairCursor, {12, 12}},
        {"crosshairAdd", klCrosshairAddCursor, {12, 12}},
        {"northSouth", northSouthArrowsCursor, {7, 7}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        const QCursor& cursor = row.make();
        EXPECT_EQ(&cursor, &row.make());
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), row.hotSpot);
        const QPixmap pixmap = cursor.pixmap();
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_TRUE(pixmap.rect().contains(row.hotSpot));
        EXPECT_GT(maxAlpha(cursor), 0);
    }
}

TEST(Cursors, ResourceImagesWinAndAlphaCursorsAreFaint) {
    const QImage copy = copyCursor().pixmap().toImage();
    EXPECT_EQ(copy.size(), QSize(16, 16));
    EXPECT_EQ(copy.pixelColor(8, 8), QColor(Qt::red));

    const QImage scrub = scrubCursor().pixmap().toImage();
    EXPECT_EQ(scrub.size(), QSize(24, 24));
    EXPECT_NEAR(scrub.pixelColor(8, 8).alphaF(), 0.6, 0.02);
    EXPECT_NEAR(scrub.pixelColor(8, 8).blueF(), 1.0, 0.02);

    EXPECT_LE(maxAlpha(eastWestResizeCursor()), 52);
}

// A control that takes a text colour without being a HUD button.
class ColouredLabel : public QLabel {
    Q_OBJECT
public:
    Q_INVOKABLE void setAttributedColor(const QColor& color) { received = color; }
    QColor received;
};

TEST(ControlCategory, SafeSetStringValueShowsEmptyForNull) {
    QLineEdit edit(QStringLiteral("old"));
    QLabel label(QStringLiteral("old"));
    HUDButton button(QStringLiteral("old"));
    safeSetStringValue(&edit, QString());
    safeSetStringValue(&label, QString());
    safeSetStringValue(&button, QString());
    EXPECT_EQ(edit.text(), QString(""));
    EXPECT_FALSE(edit.text().isNull());
    EXPECT_EQ(label.text(), QString(""));
    EXPECT_EQ(button.title(), QString(""));
    safeSetStringValue(&button, QStringLiteral("New"));
    EXPECT_EQ(button.title(), QStringLiteral("New"));
    QWidget plain;
    safeSetStringValue(&plain, QStringLiteral("x"));
    safeSetStringValue(nullptr, QStringLiteral("x"));
}

TEST(ControlCategory, SetAttributedColorReachesOnlyControlsThatTakeIt) {
    HUDButton button(QStringLiteral("Go"));
    setAttributedColor(&button, Qt::green);
    EXPECT_EQ(button.cell()->attributedTitle().attributesAt(0).foreground, QColor(Qt::green));
    EXPECT_EQ(button.title(), QStringLiteral("Go"));

    ColouredLabel coloured;
    setAttributedColor(&coloured, Qt::yellow);
    EXPECT_EQ(coloured.received, QColor(Qt::yellow));

    QLabel label(QStringLiteral("plain"));
    const QPalette before = label.palette();
    setAttributedColor(&label, Qt::green);
    EXPECT_EQ(label.palette(), before);
    setAttributedColor(nullptr, Qt::green);
}

}  // namespace

KELO_TEST_MAIN_GUI()

#include "VNSCursorCategory_test.moc"
