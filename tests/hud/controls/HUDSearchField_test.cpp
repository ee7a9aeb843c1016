#include "hud/cells/HUDSearchFieldCell.h"

#include "hud/controls/HUDComboBox.h"
#include "hud/cells/HUDComboBoxCell.h"
#include "hud/controls/HUDSearchField.h"
#include "hud/theme/HUDThemeKelo.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

namespace {

class SearchFieldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

template <typename Cell>
QImage render(Cell& cell, int w, int h, QWidget* view = nullptr) {
    QImage image = canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), view);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 6) {
    return nearColour(a, b, tolerance);
}

QRect inkBounds(const QImage& image, const QRect& area,
                const std::function<bool(const QColor&)>& test) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixelColor(x, y))) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST_F(SearchFieldTest, SearchFieldFillsOnlyWhenItAskedForABackground) {
    for (bool draws : {false, true}) {
        HUDSearchFieldCell cell(QString(), draws);
        EXPECT_EQ(cell.fillsBackground(), draws);
        EXPECT_FALSE(cell.drawsBackground());
        const QImage image = render(cell, 120, 22);
        if (draws) {
            EXPECT_RGB(image.pixelColor(70, 11), kelo()->textFillColor());
        } else {
            EXPECT_EQ(image.pixelColor(70, 11).alpha(), 0);
        }
        // The capsule leaves the corners out.
        EXPECT_LT(image.pixelColor(1, 1).alpha(), 40);
    }
    auto decoded = HUDSearchFieldCell::initWithCoder({{"NSDrawsBackground", true}});
    EXPECT_TRUE(decoded->fillsBackground());
    EXPECT_EQ(decoded->themeKey(), "gradientTheme");
    EXPECT_EQ(decoded->textColor(), kelo()->textColor());
}

TEST_F(SearchFieldTest, OutlineColourFollowsEnabledState) {
    HUDSearchFieldCell cell;
    cell.setBezelStyle(HUDSearchFieldCell::kSquareBezel);
    EXPECT_RGB(render(cell, 120, 22).pixelColor(60, 0), kelo()->rowOutlineColor());
    cell.setEnabled(false);
    EXPECT_RGB(render(cell, 120, 22).pixelColor(60, 0), kelo()->disabledStrokeColor());
    cell.setBezeled(false);
    EXPECT_EQ(render(cell, 120, 22).pixelColor(60, 0).alpha(), 0);
}

TEST_F(SearchFieldTest, ButtonsMoveUpAndTheSearchButtonLeft) {
    HUDSearchFieldCell cell;
    const QRectF bounds(10, 0, 120, 22);
    EXPECT_EQ(cell.searchButtonRectForBounds(bounds), QRectF(10, -1, 22, 22));
    EXPECT_EQ(cell.cancelButtonRectForBounds(bounds), QRectF(108, -1, 22, 22));
}

TEST_F(SearchFieldTest, TextStartsFivePointsInWhenShownAndWhenEdited) {
    HUDSearchFieldCell cell(QStringLiteral("HHH"));
    const QRectF frame(0, 0, 160, 22);
    const double textLeft = cell.textRectForBounds(frame).x() + 5;
    const QImage image = render(cell, 160, 22);
    const QRect ink = inkBounds(image, QRect(24, 2, 100, 18), [](const QColor& c) {
        return near(c, kelo()->textColor(), 40) && c.alpha() > 200;
    });
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), textLeft);
    EXPECT_LE(ink.left(), textLeft + 3);

    QWidget view;
    QLineEdit editor(&view);
    cell.selectWithFrame(frame, &view, &editor, 1, 1);
    EXPECT_EQ(editor.geometry().left(), int(textLeft));
    EXPECT_EQ(editor.selectionStart(), 1);
    EXPECT_EQ(editor.palette().color(QPalette::Text), cell.textColor());
}

TEST_F(SearchFieldTest, GlyphsAreAMagnifierAndACrossedDisc) {
    const QImage search = HUDSearchFieldCell::searchButtonImage();
    ASSERT_EQ(search.size(), QSize(14, 14));
    // The lens is open in the middle, its rim and the handle (lower right) are drawn.
    EXPECT_EQ(search.pixelColor(5, 6).alpha(), 0);
    EXPECT_GT(search.pixelColor(1, 6).alpha(), 100);
    EXPECT_GT(search.pixelColor(11, 12).alpha(), 100);
    EXPECT_EQ(search.pixelColor(12, 2).alpha(), 0);
    EXPECT_RGB(search.pixelColor(1, 6), kelo()->textColor());

    const QImage cancel = HUDSearchFieldCell::cancelButtonImageUp();
    ASSERT_EQ(cancel.size(), QSize(14, 14));
    EXPECT_EQ(cancel.pixelColor(0, 0).alpha(), 0);
    EXPECT_RGB(cancel.pixelColor(7, 2), QColor(255, 255, 255));
    EXPECT_LT(cancel.pixelColor(7, 7).red(), 140) << "the cross darkens the disc";
}

TEST_F(SearchFieldTest, ComboBoxInATableDrawsOnlyTheTriangle) {
    HUDComboBoxCell cell;
    QWidget plain;
    QTableWidget table;
    const QImage withButton = render(cell, 120, 22, &plain);
    const QImage inTable = render(cell, 120, 22, &table);
    // Inside the button, left of the triangle.
    EXPECT_NE(withButton.pixel(104, 6), inTable.pixel(104, 6));
    EXPECT_EQ(inTable.pixelColor(104, 6).alpha(), 0);
    // The triangle, centred 10 in from the inset frame's right edge.
    EXPECT_RGB(inTable.pixelColor(108, 10), kelo()->textColor());
    EXPECT_RGB(withButton.pixelColor(108, 10), kelo()->textColor());

    cell.setEnabled(false);
    EXPECT_RGB(render(cell, 120, 22, &table).pixelColor(108, 10), kelo()->disabledStrokeColor());
}

TEST_F(SearchFieldTest, ComboBoxTextKeepsClearOfTheButton) {
    HUDComboBoxCell cell;
    const struct {
        int size;
        double clearance;
    } cases[] = {{0, 20}, {1, 18}, {2, 15}, {3, 20}, {4, 0}};
    for (const auto& c : cases) {
        cell.setControlSize(c.size);
        EXPECT_EQ(cell.interiorRectForFrame(QRectF(0, 0, 100, 22)).right(), 98.5 - c.clearance)
            << "size " << c.size;
    }
}

TEST_F(SearchFieldTest, ComboBoxCellArchive) {
    auto plain = HUDComboBoxCell::initWithCoder({});
    EXPECT_EQ(plain->themeKey(), "gradientTheme");
    EXPECT_FALSE(plain->fillsBackground());
    auto keyed =
        HUDComboBoxCell::initWithCoder({{"themeKey", "flatTheme"}, {"NSDrawsBackground", true}});
    EXPECT_EQ(keyed->themeKey(), "flatTheme");
    EXPECT_TRUE(keyed->fillsBackground());
    EXPECT_FALSE(keyed->drawsBackground());
    EXPECT_EQ(HUDComboBoxCell::initWithCoder(keyed->encodeWithCoder())->themeKey(), "flatTheme");
}

TEST_F(SearchFieldTest, SearchFieldEditsOverTheTextAndCancelClears) {
    HUDSearchField field;
    field.resize(160, 22);
    QStringList changes;
    QObject::connect(&field, &HUDSearchField::textChanged, [&](const QString& t) { changes << t; });
    auto click = [&](double x) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, 11), QPointF(x, 11), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &press);
    };
    click(60);
    ASSERT_TRUE(field.isEditing());
    QLineEdit* editor = field.fieldEditor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->x(), int(field.cell()->textRectForBounds(QRectF(0, 0, 160, 22)).x() + 5));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(editor, &key);
    EXPECT_EQ(field.text(), "a");
    field.endEditing();
    EXPECT_FALSE(field.fieldEditor());

    click(150);
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(changes, (QStringList{"a", ""}));
}

TEST_F(SearchFieldTest, EditableComboBoxEditsInTheInterior) {
    HUDComboBox combo;
    combo.setEditable(true);
    combo.addItems({"one", "two"});
    combo.resize(120, 22);
    combo.show();
    QApplication::processEvents();
    ASSERT_TRUE(combo.lineEdit());
    EXPECT_EQ(combo.lineEdit()->geometry(),
              combo.cell()->interiorRectForFrame(QRectF(0, 0, 120, 22)).toAlignedRect());
    combo.grab();
    EXPECT_EQ(combo.lineEdit()->palette().color(QPalette::Text), kelo()->textColor());
}

}  // namespace

KELO_TEST_MAIN_GUI()
