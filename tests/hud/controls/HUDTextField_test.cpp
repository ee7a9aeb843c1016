#include "hud/controls/HUDTextField.h"
#include "hud/views/EditingAlignmentProtocol.h"
#include "hud/controls/HUDLabel.h"
#include "hud/cells/HUDSecureTextFieldCell.h"
#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>

namespace {

class TextFieldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDTheme* t() { return theme(); }
};

template <typename Cell>
QImage render(Cell& cell, int w, int h, QWidget* view) {
    QImage image = canvas(w, h);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), view);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return nearColour(a, b, tolerance);
}

bool blank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) return false;
    return true;
}

// The rectangle holding every drawn pixel.
QRect inkBounds(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) r |= QRect(x, y, 1, 1);
    return r;
}

// A cell whose text needs 24 points.
class TallCell : public HUDTextFieldCell {
public:
    QSizeF cellSizeForBounds(const QRectF&) const override { return {50, 24}; }
};

// A number-field-like control with its own editing rectangle.
class AlignedView : public QWidget, public EditingAlignmentProtocol {
public:
    QRectF editingAlignmentRect() const override { return {40, 5, 50, 20}; }
    bool hasActiveFieldEditor() const override { return editing; }
    bool editing = false;
};

TEST_F(TextFieldTest, CellsAndFieldsSetUpFromArchivesAndPlainCells) {
    auto cell =
        HUDTextFieldCell::initWithCoder({{"stringValue", "abc"}, {"drawsBackground", true}});
    EXPECT_EQ(cell->themeKey(), "gradientTheme");
    EXPECT_EQ(cell->defaultTextColor(), t()->textColor());
    EXPECT_EQ(cell->textColor(), t()->textColor());
    EXPECT_TRUE(cell->fillsBackground());
    EXPECT_FALSE(cell->drawsBackground());
    EXPECT_EQ(cell->encodeWithCoder().value("themeKey").toString(), "gradientTheme");
    EXPECT_EQ(HUDTextFieldCell::initWithCoder({{"themeKey", "flatTheme"}})->themeKey(),
              "flatTheme");

    auto secure = HUDSecureTextFieldCell::initWithCoder({{"drawsBackground", true}});
    EXPECT_EQ(secure->themeKey(), "gradientTheme");
    EXPECT_TRUE(secure->fillsBackground());
    EXPECT_FALSE(secure->drawsBackground());

    auto plain = std::make_unique<TextFieldCell>("from file");
    plain->setEditable(true);
    HUDTextField field(std::move(plain));
    auto* hud = dynamic_cast<HUDTextFieldCell*>(field.cell());
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->themeKey(), "gradientTheme");
    // The replacement starts from defaults; only the text is kept.
    EXPECT_FALSE(hud->isEditable());
    EXPECT_EQ(field.stringValue(), "from file");
}

TEST_F(TextFieldTest, EditableTurnsOnTheThemeFillAndKeepsIt) {
    HUDTextField field;
    ASSERT_FALSE(field.drawsBackground());
    field.setEditable(true);
    EXPECT_TRUE(field.drawsBackground());
    EXPECT_EQ(field.backgroundColor(), t()->textFillColor());
    EXPECT_FALSE(field.isReadOnly());
    field.setEditable(false);
    EXPECT_TRUE(field.drawsBackground());
    EXPECT_TRUE(field.isReadOnly());
}

// Records the presses that reach the view behind the field.
class Behind : public QWidget {
public:
    void mousePressEvent(QMouseEvent* e) override {
        buttons << e->button();
        e->accept();
    }
    QList<Qt::MouseButton> buttons;
};

void press(QWidget* w, Qt::MouseButton button, QPoint at = {5, 5}) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)), button,
                  button, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(TextFieldTest, IgnoringTheMouseDisablesAndPassesClicksOn) {
    Behind behind;
    auto* field = new HUDTextField(&behind);
    field->setGeometry(0, 0, 80, 20);
    EXPECT_FALSE(field->mouseDownCanMoveWindow());
    field->setIgnoreMouseEvents(true);
    EXPECT_FALSE(field->isEnabled());
    EXPECT_TRUE(field->mouseDownCanMoveWindow());
    press(field, Qt::RightButton);
    press(field, Qt::LeftButton);
    EXPECT_EQ(behind.buttons, (QList<Qt::MouseButton>{Qt::RightButton, Qt::LeftButton}));
    field->setIgnoreMouseEvents(false);
    EXPECT_FALSE(field->isEnabled());
}

TEST_F(TextFieldTest, CopyOnlyFieldOffersCopyAndCopiesOnlyText) {
    HUDTextField field;
    EXPECT_EQ(field.menuForEvent({}), nullptr);
    field.allowCopyToClipboardOnly();
    std::unique_ptr<QMenu> menu(field.menuForEvent({}));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Table Menu");
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Copy To Clipboard");
    EXPECT_TRUE(menu->actions()[0]->shortcut().isEmpty());

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("stale");
    menu->actions()[0]->trigger();
    EXPECT_EQ(clipboard->text(), "");

    field.setStringValue("10.0.0.7");
    menu->actions()[0]->trigger();
    EXPECT_EQ(clipboard->text(), "10.0.0.7");
    field.setAttributedStringValue(AttributedString("attributed"));
    EXPECT_TRUE(field.hasCustomAttributedStringValue());
    menu->actions()[0]->trigger();
    EXPECT_EQ(clipboard->text(), "attributed");
    field.setAttributedStringValue(std::nullopt);
    EXPECT_FALSE(field.hasCustomAttributedStringValue());

    // A click opens the menu instead of starting an edit.
    field.setEditable(true);
    field.resize(80, 20);
    field.show();
    press(&field, Qt::LeftButton);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->title(), "Table Menu");
    popup->close();
    EXPECT_TRUE(field.description().endsWith(", {80, 20}}")) << field.description().toStdString();
}

TEST_F(TextFieldTest, DrawingRectangleMakesRoomForTallText) {
    TallCell cell;
    cell.setBezeled(true);
    // The standard rectangle of a 22-high bezeled cell is 18 high.
    ASSERT_EQ(cell.TextFieldCell::drawingRectForBounds({0, 0, 80, 22}, nullptr).height(), 18);
    const QRectF tall = cell.drawingRectForBounds({0, 0, 80, 22}, nullptr);
    EXPECT_EQ(tall.y(), 0);
    EXPECT_EQ(tall.height(), 30);
    // In a table row the rectangle stays in the row.
    EXPECT_EQ(cell.drawingRectForBounds({0, 100, 80, 22}, nullptr).y(), 100);

    // An edit uses the standard rectangle; a selection still the tall one.
    QWidget view;
    auto* editor = new QLineEdit(&view);
    cell.setStringValue("12345");
    EXPECT_EQ(cell.editWithFrame({0, 0, 80, 22}, &view, editor), QRectF(2, 2, 76, 18));
    EXPECT_EQ(editor->geometry(), QRect(2, 2, 76, 18));
    EXPECT_EQ(editor->text(), "12345");
    EXPECT_EQ(cell.selectWithFrame({0, 0, 80, 22}, &view, editor, 1, 3), QRectF(2, 0, 76, 30));
    EXPECT_EQ(editor->selectedText(), "234");
    EXPECT_EQ(cell.drawingRectForBounds({0, 0, 80, 22}, nullptr).height(), 30);

    HUDTextFieldCell small;
    small.setBezeled(true);
    EXPECT_EQ(small.drawingRectForBounds({0, 0, 80, 40}, nullptr), QRectF(2, 2, 76, 36));
}

TEST_F(TextFieldTest, VerticalCentringInsetsByHalfTheSpareHeight) {
    HUDTextFieldCell cell;
    const QFontMetricsF m(cell.font());
    const double text = m.ascent() + m.descent();
    for (double h : {40.0, 10.0}) {
        const double d = std::floor((h - text) / 2);
        EXPECT_EQ(cell.adjustFrameToVerticallyCenterText({3, 7, 60, h}),
                  QRectF(3, 7 + d, 60, h - 2 * d));
    }
}

TEST_F(TextFieldTest, BezelBackgroundAndBorderFollowStyleAndState) {
    QWidget view;
    HUDTextFieldCell square;
    square.setEditable(true);
    square.setBezeled(true);
    EXPECT_TRUE(blank(render(square, 80, 22, &view)));

    square.setFillsBackground(true);
    EXPECT_TRUE(near(render(square, 80, 22, &view).pixelColor(1, 1), t()->textFillColor()));

    HUDTextFieldCell round;
    round.setEditable(true);
    round.setBezeled(true);
    round.setBezelStyle(kRoundedTextFieldBezel);
    QImage image = render(round, 80, 22, &view);
    EXPECT_TRUE(near(image.pixelColor(40, 11), t()->textFillColor()));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);  // outside the capsule
    EXPECT_TRUE(near(image.pixelColor(40, 0), t()->darkStrokeColor(), 40));
    round.setEnabled(false);
    image = render(round, 80, 22, &view);
    EXPECT_TRUE(near(image.pixelColor(40, 0), t()->disabledStrokeColor(), 40));

    // Non-editable, unfilled, no border: only the text.
    HUDTextFieldCell label("Hi");
    const QRect ink = inkBounds(render(label, 80, 22, &view));
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.right(), 40);

    HUDTextFieldCell hint;
    hint.setPlaceholderString("name");
    render(hint, 80, 22, &view);
    ASSERT_TRUE(hint.placeholderAttributedString().has_value());
    EXPECT_EQ(hint.placeholderAttributedString()->attributesAt(0).foreground,
              t()->placeholderTextColor());

    HUDTextFieldCell tip("tip");
    QImage expansion = canvas(60, 20);
    QPainter p(&expansion);
    tip.drawWithExpansionFrame(p, {0, 0, 60, 20}, &view);
    p.end();
    EXPECT_TRUE(near(expansion.pixelColor(58, 18), t()->darkStrokeColor()));
}

TEST_F(TextFieldTest, NumberFieldsDrawTheirTextInTheirEditingRectangle) {
    AlignedView view;
    view.resize(100, 30);
    HUDTextFieldCell cell("888");
    EXPECT_EQ(cell.drawingRectForBounds({0, 0, 10, 10}, &view), view.editingAlignmentRect());
    EXPECT_EQ(cell.focusRingFrameForFrame({1, 1, 5, 5}, {}, &view), QRectF(0, 0, 100, 30));
    EXPECT_EQ(cell.focusRingFrameForFrame({1, 1, 5, 5}, {}, nullptr), QRectF(1, 1, 5, 5));

    const QRect ink = inkBounds(render(cell, 100, 30, &view));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 40);
    EXPECT_GE(ink.top(), 5);
    EXPECT_LE(ink.bottom(), 25);

    view.editing = true;
    EXPECT_TRUE(blank(render(cell, 100, 30, &view)));

    QWidget plain;
    auto* editor = new QLineEdit(&plain);
    cell.editWithFrame({0, 0, 5, 5}, &view, editor);
    EXPECT_EQ(editor->geometry(), QRect(40, 5, 50, 20));
}

TEST_F(TextFieldTest, NoHighlightColourInsideTables) {
    QTableWidget table(2, 2);
    QWidget outside;
    HUDTextFieldCell cell;
    EXPECT_FALSE(cell.highlightColorWithFrame({}, table.viewport()).isValid());
    EXPECT_TRUE(cell.highlightColorWithFrame({}, &outside).isValid());
}

TEST_F(TextFieldTest, AttributedColourAndItsDefaults) {
    HUDTextFieldCell cell("v");
    cell.setAttributedColor(Qt::red);
    EXPECT_EQ(cell.textColor(), QColor(Qt::red));
    EXPECT_EQ(cell.attributedStringValue().attributesAt(0).foreground, QColor(Qt::red));
    EXPECT_EQ(cell.attributedStringValue().attributesAt(0).font, cell.font());
    cell.setAttributedColor(QColor());
    EXPECT_EQ(cell.textColor(), dimTextColor());
    EXPECT_FALSE(cell.attributedStringValue().attributesAt(0).foreground.has_value());
    cell.setEditable(true);
    cell.setAttributedColor(QColor());
    EXPECT_EQ(cell.textColor(), defaultTextColor());
}

TEST_F(TextFieldTest, SecureCellOutlinesHidesTextAndColoursSelection) {
    QLineEdit editor;
    editor.resize(80, 22);
    HUDSecureTextFieldCell cell("secret");
    cell.setBezeled(true);
    cell.setShowsFirstResponder(true);
    QImage image = render(cell, 80, 22, &editor);
    EXPECT_TRUE(near(image.pixelColor(40, 0), t()->strokeColor(), 80));
    // The window is not key: inactive selection colours.
    EXPECT_EQ(editor.palette().color(QPalette::Highlight), t()->selectionHighlightInActiveColor());
    EXPECT_EQ(editor.palette().color(QPalette::HighlightedText), t()->selectionTextInActiveColor());
    EXPECT_EQ(cell.textColor(), t()->textColor());

    cell.setEnabled(false);
    render(cell, 80, 22, &editor);
    EXPECT_EQ(cell.textColor(), t()->disabledTextColor());

    // Bullets, not the text, are drawn: equal lengths look the same.
    HUDSecureTextFieldCell other("WWWWWW");
    other.setBezeled(false);
    HUDSecureTextFieldCell same("iiiiii");
    same.setBezeled(false);
    QWidget view;
    EXPECT_EQ(render(other, 80, 22, &view), render(same, 80, 22, &view));
}

TEST_F(TextFieldTest, LabelIsThemedAndInert) {
    HUDLabel label("Name");
    EXPECT_EQ(label.themeKey(), "gradientTheme");
    EXPECT_EQ(label.textColor(), t()->textColor());
    EXPECT_EQ(label.textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_EQ(label.frameShape(), QFrame::NoFrame);
    std::unique_ptr<HUDLabel> loaded(
        HUDLabel::initWithCoder({{"stringValue", "x"}, {"themeKey", "flatTheme"}}));
    EXPECT_EQ(loaded->themeKey(), "flatTheme");
    EXPECT_EQ(loaded->encodeWithCoder().value("themeKey").toString(), "flatTheme");
    EXPECT_EQ(std::unique_ptr<HUDLabel>(HUDLabel::initWithCoder({}))->themeKey(), "gradientTheme");
}

}  // namespace

KELO_TEST_MAIN_GUI()
