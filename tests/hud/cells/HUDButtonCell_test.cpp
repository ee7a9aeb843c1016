#include "hud/cells/HUDButtonCell.h"

#include "hud/cells/ButtonImage.h"
#include "hud/controls/HUDButton.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

namespace {

class ButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

// A control view laid out in rows, as a radio group is.
class Matrix : public QWidget, public HUDCellMatrix {
public:
    int numberOfRows() const override { return 1; }
    QSizeF intercellSpacing() const override { return {0, 0}; }
};

// Draws the cell as its own view would: the view's bounds are the frame.
QImage render(HUDButtonCell& cell, int w, int h, QWidget* view = nullptr) {
    QWidget own;
    own.resize(w, h);
    QImage image = canvas(w, h);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), view ? view : &own);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return nearColour(a, b, tolerance);
}

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// The most opaque pixel: the heart of a glyph.
QColor strongestPixel(const QImage& image) {
    QColor best(0, 0, 0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > best.alpha()) best = image.pixelColor(x, y);
    return best;
}

int opaquePixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y).alpha() > 128) ++count;
    return count;
}

QImage solidImage(int w, int h, const QColor& colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

TEST_F(ButtonTest, ToggleLookAndPressedFollowTheMasks) {
    const struct {
        int highlightsBy, showsStateBy, state;
        bool highlighted, toggle, pressed;
    } cases[] = {
        {14, 12, 1, false, true, true},  // push on / push off, on
        {14, 12, 0, true, true, false},  // its press shows nothing until on
        {3, 1, 1, false, true, true},    // toggle, on
        {3, 1, 0, false, true, false},   {6, 0, 0, true, false, true},   // momentary, held down
        {6, 0, 0, false, false, false},  {0, 0, 0, true, false, false},  // highlights by nothing
        {1, 1, 1, false, false, false},   // switch: the box shows the state
        {4, 12, 1, false, false, false},  // gray without background
    };
    for (const auto& c : cases) {
        HUDButtonCell cell;
        cell.setHighlightsBy(c.highlightsBy);
        cell.setShowsStateBy(c.showsStateBy);
        cell.setState(c.state);
        cell.setHighlighted(c.highlighted);
        EXPECT_EQ(cell.hasToggleLook(), c.toggle) << c.highlightsBy << "/" << c.showsStateBy;
        EXPECT_EQ(cell.isPressed(), c.pressed) << c.highlightsBy << "/" << c.showsStateBy;
    }
}

TEST_F(ButtonTest, TypesSetTheStyleBits) {
    HUDButtonCell cell;
    EXPECT_EQ(cell.themeKey(), "gradientTheme");
    EXPECT_EQ(cell.bgButtonType(), 0);
    cell.setBGButtonType(kHUDTintDefault | kHUDHoverButton);
    cell.setButtonType(kSwitchButton);
    EXPECT_EQ(cell.bgButtonType(), kHUDCheckBox);
    cell.setButtonType(kRadioButton);
    EXPECT_EQ(cell.bgButtonType(), kHUDRadioButton);
    cell.setButtonType(kMomentaryPushInButton);
    EXPECT_EQ(cell.bgButtonType(), kHUDRadioButton) << "other types leave the bits alone";

    HUDButton button(QStringLiteral("Loop"));
    EXPECT_FALSE(button.isCheckable());
    button.cell()->setPushOnPushOffButton();
    EXPECT_EQ(button.cell()->bgButtonType(), kHUDPushOnPushOff);
    EXPECT_EQ(button.cell()->buttonType(), kToggleButton);
    button.click();
    EXPECT_EQ(button.state(), kCellOnState);
    button.click();
    EXPECT_EQ(button.state(), kCellOffState);

    HUDButton radio;
    radio.setButtonType(kRadioButton);
    radio.click();
    radio.click();
    EXPECT_EQ(radio.state(), kCellOnState) << "a radio button is only switched on by a click";

    cell.setMouseInside(true);
    cell.setShowsBorderOnlyWhileMouseInside(true);
    EXPECT_FALSE(cell.mouseInside());
    cell.mouseEntered();
    EXPECT_TRUE(cell.mouseInside());
    cell.mouseExited();
    EXPECT_FALSE(cell.mouseInside());
}

TEST_F(ButtonTest, ButtonFeedsItsCellAndTitleColourKeepsTheFont) {
    HUDButton button(QStringLiteral("Take"));
    button.resize(80, 22);
    button.cell()->setBezelStyle(kTexturedRoundedBezelStyle);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.cell()->mouseInside());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.cell()->mouseInside());
    button.setEnabled(false);
    EXPECT_FALSE(button.cell()->isEnabled());
    EXPECT_GE(button.sizeHint().width(), 40);

    QFont font = AttributedString::defaultFont();
    font.setPixelSize(17);
    button.cell()->setFont(font);
    button.cell()->setAlignment(Qt::AlignRight);
    button.cell()->setAttributedColor(Qt::yellow);
    const TextAttributes attributes = button.cell()->attributedTitle().attributesAt(3);
    EXPECT_EQ(attributes.foreground, QColor(Qt::yellow));
    ASSERT_TRUE(attributes.font.has_value());
    EXPECT_EQ(attributes.font->pixelSize(), 17);
    EXPECT_EQ(button.cell()->alignment(), Qt::AlignRight);
    EXPECT_EQ(button.title(), "Take");
}

TEST_F(ButtonTest, DecodingKnowsTheSystemBoxes) {
    QImage described = solidImage(4, 4, Qt::black);
    described.setText(QStringLiteral("description"), QStringLiteral("NSImage checkbox 14x14"));
    const struct {
        QVariantMap archive;
        int bits;
        const char* key;
    } cases[] = {
        {{{"NSNormalImage", QStringLiteral("NSSwitch")}}, kHUDCheckBox, "gradientTheme"},
        {{{"NSNormalImage", QStringLiteral("NSRadioButton")}, {"themeKey", "flatTheme"}},
         kHUDRadioButton,
         "flatTheme"},
        {{{"NSNormalImage", described}}, kHUDCheckBox, "gradientTheme"},
        {{{"NSNormalImage", QStringLiteral("NSAddTemplate")}}, 0, "gradientTheme"},
        {{}, 0, "gradientTheme"},
    };
    for (const auto& c : cases) {
        const auto cell = HUDButtonCell::initWithCoder(c.archive);
        EXPECT_EQ(cell->bgButtonType(), c.bits);
        EXPECT_EQ(cell->themeKey(), c.key);
        EXPECT_EQ(cell->encodeWithCoder().value("themeKey").toString(), c.key);
    }
}

TEST_F(ButtonTest, DarkTitlesTakeTheThemeTextColourAndLightOnesStay) {
    const struct {
        std::optional<QColor> colour;
        bool needsDefault;
    } cases[] = {
        {std::nullopt, true},
        {QColor(Qt::black), true},
        {QColor::fromRgbF(0.45, 0.45, 0.45), true},
        {QColor::fromRgbF(0.6, 0.1, 0.1), false},
        {QColor(255, 200, 0), false},
    };
    for (const auto& c : cases) {
        TextAttributes attributes;
        attributes.foreground = c.colour;
        QFont font = AttributedString::defaultFont();
        font.setPixelSize(30);
        font.setBold(true);
        attributes.font = font;
        const AttributedString title(QStringLiteral("HHH"), attributes);
        EXPECT_EQ(HUDButtonCell::needDefaultTextColor(title), c.needsDefault);

        HUDButtonCell cell;
        QImage image = canvas(120, 40);
        QPainter p(&image);
        cell.drawTitle(p, title, QRectF(0, 0, 120, 40), nullptr);
        p.end();
        const QColor want = c.needsDefault ? kelo()->textColor() : *c.colour;
        EXPECT_RGB(strongestPixel(image), want);
    }

    HUDButtonCell disabled;
    disabled.setEnabled(false);
    TextAttributes light;
    light.foreground = QColor(Qt::yellow);
    QImage image = canvas(120, 40);
    QPainter p(&image);
    disabled.drawTitle(p, AttributedString("HHH", light), QRectF(0, 0, 120, 40), nullptr);
    p.end();
    EXPECT_RGB(strongestPixel(image), kelo()->disabledTextColor());
}

TEST_F(ButtonTest, AlternateTitleAndSymbolTitles) {
    HUDButtonCell cell(QStringLiteral("Play"));
    cell.setButtonType(kMomentaryChangeButton);
    cell.setAlternateTitle(QStringLiteral("Playing"));
    QImage image = canvas(200, 30);
    QPainter p(&image);
    const QRectF plain = cell.drawTitle(p, cell.attributedTitle(), QRectF(0, 0, 200, 30), nullptr);
    cell.setHighlighted(true);
    const QRectF alternate =
        cell.drawTitle(p, cell.attributedTitle(), QRectF(0, 0, 200, 30), nullptr);
    EXPECT_GT(alternate.width(), plain.width());
    EXPECT_TRUE(cell.drawTitle(p, cell.attributedTitle(), QRectF(0, 0, 0, 30), nullptr).isEmpty());

    // A black symbol is recoloured; it sits 2 points above the middle, x whole.
    cell.setHighlighted(false);
    image.fill(Qt::transparent);
    TextAttributes black;
    black.foreground = QColor(Qt::black);
    const QRectF symbol = cell.drawTitle(p, AttributedString(QString(QChar(0x25B6)), black),
                                         QRectF(0, 0, 200, 30), nullptr);
    p.end();
    EXPECT_EQ(symbol.x(), std::round(symbol.x()));
    EXPECT_LT(symbol.center().y(), 15.0);
    EXPECT_RGB(strongestPixel(image), defaultTextColor());
}

TEST_F(ButtonTest, ImageButtonsTintAndFadeWhenDisabled) {
    const QImage red = solidImage(20, 20, Qt::red);
    HUDButtonCell cell;
    cell.setImagePosition(kImageOnly);
    cell.setImage(red);
    QImage shot = render(cell, 20, 20);
    EXPECT_RGB(at(shot, 10, 10), QColor(Qt::red));
    EXPECT_EQ(at(shot, 10, 10).alpha(), 255);

    cell.setEnabled(false);
    shot = render(cell, 20, 20);
    EXPECT_NEAR(at(shot, 10, 10).alpha(), kelo()->disabledAlphaValue() * 255, 2);

    cell.setEnabled(true);
    cell.setBGButtonType(kHUDTintDefault);
    EXPECT_RGB(cell.image().pixelColor(5, 5), defaultTextColor());
    EXPECT_FALSE(cell.bgButtonType() & kHUDTintedForView);
    render(cell, 20, 20);
    EXPECT_TRUE(cell.bgButtonType() & kHUDTintedForView) << "set on the first draw";
    cell.setBGButtonType(kHUDTintRed);
    cell.setImage(solidImage(20, 20, Qt::green));
    EXPECT_RGB(cell.image().pixelColor(5, 5), QColor(Qt::red));

    // Pressed without an alternate image, the image glows over the box fill.
    HUDButtonCell glow;
    glow.setImagePosition(kImageOnly);
    glow.setImage(solidImage(20, 20, QColor(40, 0, 0)));
    glow.setHighlighted(true);
    int op = 0;
    glow.imageToDraw(&op);
    EXPECT_EQ(op, kCompositePlusLighter);
    shot = render(glow, 20, 20);
    const QColor box = boxFillColor();
    EXPECT_RGB(at(shot, 10, 10), QColor(std::min(255, box.red() + 40), box.green(), box.blue()));
    glow.setAlternateImage(solidImage(20, 20, Qt::blue));
    EXPECT_RGB(glow.imageToDraw(&op).pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(op, kCompositeSourceOver);

    cell.setBGButtonType(kHUDTitleImage);
    EXPECT_TRUE(cell.image().isNull());
}

TEST_F(ButtonTest, CheckBoxesAndRadioButtonsDrawTheHudBox) {
    // Light pixels inside the box: the tick or the bar, not the outline.
    const auto boxPixels = [](HUDButtonCell& cell, QWidget* view) {
        const QImage shot = render(cell, 80, 18, view);
        int light = 0;
        for (int y = 5; y < 13; ++y)
            for (int x = 4; x < 13; ++x)
                if (shot.pixelColor(x, y).lightness() > 140) ++light;
        return light;
    };
    HUDButtonCell check(QStringLiteral("Loop"));
    check.setButtonType(kSwitchButton);
    const int off = boxPixels(check, nullptr);
    EXPECT_EQ(off, 0);
    EXPECT_GT(opaquePixels(render(check, 80, 18), QRect(2, 3, 13, 12)), 120) << "the box";
    check.setState(kCellOnState);
    const int on = boxPixels(check, nullptr);
    EXPECT_GT(on, 6) << "the tick";
    check.setAllowsMixedState(true);
    check.setState(kCellMixedState);
    const int mixed = boxPixels(check, nullptr);
    EXPECT_GT(mixed, off);
    EXPECT_NE(mixed, on);

    // In a matrix a radio cell draws the round box, with its dot when on.
    Matrix matrix;
    matrix.resize(80, 18);
    HUDButtonCell radio(QStringLiteral("A"));
    radio.setButtonType(kRadioButton);
    radio.setState(kCellOnState);
    const QImage shot = render(radio, 80, 18, &matrix);
    EXPECT_LT(at(shot, 2, 2).alpha(), 60) << "round, not square";
    EXPECT_RGB(at(shot, 8, 8), kelo()->strokeColor());

    // An image button in a matrix still shows its image.
    HUDButtonCell image;
    image.setImagePosition(kImageOnly);
    image.setImage(solidImage(80, 18, Qt::red));
    EXPECT_RGB(at(render(image, 80, 18, &matrix), 2, 2), QColor(Qt::red));
}

TEST_F(ButtonTest, BezelStylesChooseTheirFills) {
    // A disabled rounded button shows its capsule in the disabled solid fill.
    HUDButtonCell rounded(QStringLiteral(""));
    rounded.setEnabled(false);
    QImage shot = render(rounded, 100, 32);
    EXPECT_RGB(at(shot, 50, 12), kelo()->disabledNormalSolidFill());
    EXPECT_EQ(at(shot, 1, 1).alpha(), 0);

    // A circled operator on a small square: black oval, no rectangle.
    HUDButtonCell plus(QString(QChar(0x2295)));
    plus.setBezelStyle(kSmallSquareBezelStyle);
    shot = render(plus, 24, 24);
    EXPECT_EQ(at(shot, 2, 2).alpha(), 0) << "no square bezel";
    EXPECT_GT(at(shot, 5, 12).alpha(), 200);
    EXPECT_RGB(at(shot, 5, 12), QColor(Qt::black));

    // A plain small square fills with the control gradient.
    HUDButtonCell square(QStringLiteral(""));
    square.setBezelStyle(kSmallSquareBezelStyle);
    shot = render(square, 40, 24);
    // The rectangle runs from y 0.5 to 21.5; row 3 samples at 3.5.
    EXPECT_RGB(at(shot, 20, 3), kelo()->controlGradient().interpolatedColorAtLocation(3.0 / 21));

    // A shadowless square with a background colour, outlined when highlighted.
    HUDButtonCell swatch(QStringLiteral(""));
    swatch.setBezelStyle(kShadowlessSquareBezelStyle);
    swatch.setBackgroundColor(Qt::blue);
    swatch.setOutlineColor(Qt::green);
    swatch.setHighlighted(true);
    shot = render(swatch, 30, 20);
    EXPECT_RGB(at(shot, 15, 10), QColor(Qt::blue));
    EXPECT_RGB(at(shot, 0, 10), QColor(Qt::green));

    // A round-rect toggle shows the highlight gradient while on.
    HUDButtonCell pill(QStringLiteral(""));
    pill.setBezelStyle(kRoundRectBezelStyle);
    pill.setButtonType(kOnOffButton);
    const QColor offFill = at(render(pill, 80, 22), 40, 10);
    pill.setState(kCellOnState);
    const QColor onFill = at(render(pill, 80, 22), 40, 10);
    EXPECT_FALSE(near(offFill, onFill));
    EXPECT_GT(onFill.red(), offFill.red());
}

// A push-on push-off button (the preference editor's "Compare") shows its
// title in contrast with the fill in both states: light on the dark fill,
// dark on the almost white one of "on".
TEST_F(ButtonTest, ToggleTitleStaysReadableWhenOn) {
    HUDButtonCell cell(QStringLiteral("Compare"));
    cell.setButtonType(kPushOnPushOffButton);
    for (int state : {kCellOffState, kCellOnState}) {
        cell.setState(state);
        const QImage shot = render(cell, 90, 32);
        ASSERT_TRUE(shot.save(artefactPath(state == kCellOnState ? "hud-toggle-button-on.png"
                                                                  : "hud-toggle-button-off.png")));
        const QColor fill = at(shot, 12, 12);
        int contrasting = 0;
        for (int y = 6; y < 20; ++y)
            for (int x = 20; x < 70; ++x)
                if (std::abs(at(shot, x, y).lightness() - fill.lightness()) > 100) ++contrasting;
        EXPECT_GT(contrasting, 40) << "state " << state << ", fill " << fill.name().toStdString();
    }
}

TEST_F(ButtonTest, HoverButtonShowsOnlyAnOutlineUntilThePointerEnters) {
    HUDButtonCell cell(QStringLiteral(""));
    cell.setBezelStyle(kTexturedRoundedBezelStyle);
    cell.setBGButtonType(kHUDHoverButton);
    QImage shot = render(cell, 60, 24);
    EXPECT_EQ(at(shot, 30, 12).alpha(), 0) << "no fill while the pointer is away";
    EXPECT_GT(opaquePixels(shot, QRect(0, 0, 60, 24)), 60) << "but the outline";
    cell.mouseEntered();
    shot = render(cell, 60, 24);
    EXPECT_EQ(at(shot, 30, 12).alpha(), 255);
    EXPECT_RGB(at(shot, 30, 12), kelo()->controlGradient().interpolatedColorAtLocation(0.5));
}

TEST_F(ButtonTest, SymbolButtonsDrawTheirShape) {
    HUDButtonCell cell(QString(QChar(0xB7)));
    cell.setBGButtonType(kHUDSymbolSquare);
    QImage shot = render(cell, 30, 30);
    const QColor fill = HUDThemeKelo::instance()->selectionHighlightInActiveColor();
    EXPECT_RGB(at(shot, 10, 9), fill);
    EXPECT_EQ(at(shot, 1, 1).alpha(), 0);

    HUDButtonCell dash(QString(QChar(0xFF0D)));
    dash.setBGButtonType(kHUDSymbolDisc);
    shot = render(dash, 30, 30);
    // The bar lies across rows 12.5 to 14.5; its shadow darkens the shape round it.
    EXPECT_GT(at(shot, 15, 8).lightness(), 150);
    EXPECT_RGB(at(shot, 15, 13), boxFillColor()) << "the bar";
    dash.setButtonType(kMomentaryPushInButton);
    dash.setHighlighted(true);
    shot = render(dash, 30, 30);
    EXPECT_RGB(at(shot, 15, 13), QColor(Qt::white)) << "pressed";

    // Too small for the cache: drawn directly, the same way.
    HUDButtonCell small(QString(QChar(0x2192)));
    small.setBGButtonType(kHUDSymbolSquare);
    const size_t entries = ButtonImage::allImages().size();
    shot = render(small, 15, 20);
    EXPECT_EQ(ButtonImage::allImages().size(), entries);
    EXPECT_GT(opaquePixels(shot, QRect(0, 0, 15, 20)), 20);
}

TEST_F(ButtonTest, TitleImageIsAPillOnATexturedBezel) {
    HUDButtonCell cell(QStringLiteral("Cue 12"));
    cell.setBezelStyle(kTexturedRoundedBezelStyle);
    cell.setBGButtonType(kHUDTitleImage);
    cell.setImagePosition(kImageOnly);
    cell.setEnabled(false);
    cell.initImages(QRectF(0, 0, 90, 24), nullptr);
    EXPECT_TRUE(cell.title().isEmpty());
    EXPECT_TRUE(cell.isBordered());
    EXPECT_FALSE(cell.isEnabled()) << "states restored";
    ASSERT_EQ(cell.image().size(), QSize(90, 24));
    const QImage shot = render(cell, 90, 24);
    // Left end of the pill, between its cap and the text.
    const QColor pill = colorWithContrastWhite(200 / 255.0, 1);
    bool found = false;
    for (int x = 10; x < 45 && !found; ++x) found = near(at(shot, x, 12), pill, 4);
    EXPECT_TRUE(found);
    EXPECT_LT(at(shot, 45, 12).alpha(), 255) << "drawn at the disabled alpha";
}

TEST_F(ButtonTest, CellsInATableAreCutToTheirOwnHeight) {
    QTableWidget table;
    table.resize(200, 100);
    HUDButtonCell cell(QStringLiteral("Go"));
    cell.setBezelStyle(kTexturedRoundedBezelStyle);
    const QImage shot = render(cell, 80, 60, &table);
    const int height = int(cell.cellSize().height());
    EXPECT_EQ(opaquePixels(shot, QRect(0, height + 2, 80, 60 - height - 2)), 0);
    EXPECT_GT(opaquePixels(shot, QRect(0, 0, 80, height)), 100);
}

TEST_F(ButtonTest, MatrixCellsDrawInTheirOwnFrame) {
    Matrix matrix;
    matrix.resize(120, 22);
    // Cached (40 wide) and drawn directly (15 wide): both land in the frame.
    for (const double width : {40.0, 15.0}) {
        HUDButtonCell cell(QStringLiteral(""));
        cell.setBezelStyle(kTexturedRoundedBezelStyle);
        QImage shot = canvas(120, 22);
        QPainter p(&shot);
        cell.drawWithFrame(p, QRectF(60, 0, width, 22), &matrix);
        p.end();
        EXPECT_EQ(opaquePixels(shot, QRect(0, 0, 58, 22)), 0) << width;
        EXPECT_GT(opaquePixels(shot, QRect(60, 0, int(width), 22)), int(width) * 8) << width;
    }
}

// The shared bezels.

HUDButtonCell* texturedCell(const QString& title = QStringLiteral("")) {
    auto* cell = new HUDButtonCell(title);
    cell->setBezelStyle(kTexturedRoundedBezelStyle);
    return cell;
}

ButtonImage* lookup(HUDButtonCell& cell, const QRectF& frame, ButtonState* key = nullptr) {
    ButtonState local{};
    ButtonState& k = key ? *key : local;
    k.bgButtonType = uint32_t(cell.bgButtonType());
    k.cache = 1;
    k.mouseInside_ = cell.mouseInside();
    k.hasImage = !cell.image().isNull();
    return ButtonImage::imageForCell(&cell, &k, frame);
}

TEST_F(ButtonTest, SameLookSharesOneBezelAndEveryChangeSelectsAnother) {
    std::unique_ptr<HUDButtonCell> a(texturedCell("One")), b(texturedCell("Two"));
    a->setBGButtonType(kHUDTintDark);
    b->setBGButtonType(kHUDTintDark);
    const QRectF frame(0, 0, 70, 22);
    // The first draw marks a tinted cell as tinted for its view.
    render(*a, 70, 22);
    ButtonImage* shared = lookup(*a, frame);
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(shared->img, nullptr);
    const StretchImage* image = shared->img.get();
    render(*b, 70, 22);
    EXPECT_EQ(lookup(*b, frame), shared) << "titles are not part of the look";
    EXPECT_EQ(shared->img.get(), image) << "the second button reuses the first one's bezel";

    const std::function<void(HUDButtonCell&)> changes[] = {
        [](HUDButtonCell& c) { c.setHighlighted(true); },
        [](HUDButtonCell& c) { c.setState(kCellOnState); },
        [](HUDButtonCell& c) { c.setEnabled(false); },
        [](HUDButtonCell& c) { c.setMouseInside(true); },
        [](HUDButtonCell& c) { c.setBackgroundColor(Qt::red); },
        [](HUDButtonCell& c) { c.setControlSize(1); },
        [](HUDButtonCell& c) { c.setBordered(false); },
        [](HUDButtonCell& c) { c.setBGButtonType(kHUDTintDark | kHUDHoverButton); },
    };
    for (const auto& change : changes) {
        std::unique_ptr<HUDButtonCell> other(texturedCell("One"));
        other->setBGButtonType(kHUDTintDark | kHUDTintedForView);
        change(*other);
        ButtonImage* entry = lookup(*other, frame);
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(entry, shared);
    }
    // The same colour value is the same look.
    std::unique_ptr<HUDButtonCell> red1(texturedCell()), red2(texturedCell());
    red1->setBackgroundColor(Qt::red);
    red2->setBackgroundColor(QColor(255, 0, 0));
    EXPECT_EQ(lookup(*red1, frame), lookup(*red2, frame));
}

TEST_F(ButtonTest, SmallFramesAreNeverCached) {
    std::unique_ptr<HUDButtonCell> cell(texturedCell());
    cell->setBGButtonType(kHUDTintDark | kHUDTintRed);
    const size_t before = ButtonImage::allImages().size();
    for (const QRectF& frame : {QRectF(0, 0, 15, 22), QRectF(0, 0, 60, 9)}) {
        ButtonState key{};
        EXPECT_EQ(lookup(*cell, frame, &key), nullptr);
        EXPECT_EQ(key.cache, 0);
    }
    const QImage shot = render(*cell, 15, 22);
    EXPECT_EQ(ButtonImage::allImages().size(), before);
    EXPECT_GT(opaquePixels(shot, QRect(0, 0, 15, 22)), 50) << "drawn directly";
    ButtonState off{};
    off.bgButtonType = 0;
    EXPECT_EQ(ButtonImage::imageForCell(cell.get(), &off, QRectF(0, 0, 100, 22)), nullptr);
}

TEST_F(ButtonTest, ABezelIsRebuiltSmallerButNeverLarger) {
    std::unique_ptr<HUDButtonCell> cell(texturedCell());
    // A look of its own, new in every run of the test.
    static int run = 0;
    cell->setBackgroundColor(QColor(1, 2, ++run % 256));
    render(*cell, 100, 22);
    ButtonImage* entry = lookup(*cell, QRectF(0, 0, 100, 22));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry->img, nullptr);
    EXPECT_EQ(entry->img->width(), 100);
    render(*cell, 80, 22);
    EXPECT_EQ(entry->img->width(), 80);
    const StretchImage* eighty = entry->img.get();
    const QImage wide = render(*cell, 100, 22);
    EXPECT_EQ(entry->img.get(), eighty) << "stretched, not rebuilt";
    EXPECT_EQ(entry->img->width(), 80);
    // The stretched bezel still reaches the right end of the wider frame.
    EXPECT_GT(at(wide, 95, 11).alpha(), 200);
    const size_t count = ButtonImage::allImages().size();
    render(*cell, 120, 30);
    render(*cell, 40, 16);
    EXPECT_EQ(ButtonImage::allImages().size(), count) << "sizes never add entries";
}

}  // namespace

KELO_TEST_MAIN_GUI()
