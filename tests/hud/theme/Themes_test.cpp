#include "hud/theme/HUDGradientTheme.h"
#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeloPanel.h"
#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/theme/VNSColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWidget>

namespace {
constexpr double kTol = 2e-4;
constexpr double kDark = 0.8;  // the darkening factor of contrast 0.7

// Every colour of this program is made with "Contrast" 0.7 and the text
// brightness it implies, so the adjustment shows in what the themes return.
void useContrastDefaults() {
    static QTemporaryDir dir;
    static bool done = false;
    if (done) return;
    done = true;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    UserDefaults::standard().setObject("Contrast", 0.7);
    Init_gUIContrast();
}

QColor contrastGrey(int level) {
    return colorWithContrastWhite(level / 255.0, 1);
}

void expectColor(const QColor& got, const QColor& want, double tolerance = kTol) {
    ASSERT_TRUE(got.isValid());
    ASSERT_TRUE(want.isValid());
    EXPECT_NEAR(got.redF(), want.redF(), tolerance);
    EXPECT_NEAR(got.greenF(), want.greenF(), tolerance);
    EXPECT_NEAR(got.blueF(), want.blueF(), tolerance);
    EXPECT_NEAR(got.alphaF(), want.alphaF(), tolerance);
}

// Pixels hold 8 bits per component.
void expectPixel(const QImage& image, int x, int y, const QColor& want) {
    expectColor(QColor::fromRgba(image.pixel(x, y)), want, 1.01 / 255);
}

struct Keyed : HUDThemeKeyProtocol {
    explicit Keyed(QString k) : key(std::move(k)) {}
    QString themeKey() const override { return key; }
    void setThemeKey(const QString& k) override { key = k; }
    QString key;
};

class ThemesTest : public ::testing::Test {
protected:
    void SetUp() override { useContrastDefaults(); }
};

TEST_F(ThemesTest, RegistryFallsBackAndLastRegistrationWins) {
    HUDThemeManager* manager = HUDThemeManager::keyedManager();
    EXPECT_EQ(manager, HUDThemeManager::keyedManager());
    HUDTheme* flat = manager->themeForKey("flatTheme");
    HUDTheme* gradient = manager->themeForKey("gradientTheme");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(dynamic_cast<HUDGradientTheme*>(flat), nullptr);
    EXPECT_NE(dynamic_cast<HUDGradientTheme*>(gradient), nullptr);
    EXPECT_EQ(manager->themeForKey("noSuchTheme"), gradient);

    // Without a default theme the object's own key decides.
    const Keyed flatObject("flatTheme");
    EXPECT_EQ(theme(&flatObject), flat);
    EXPECT_EQ(theme(), gradient);

    registerKeloThemes();
    EXPECT_EQ(manager->themeForKey("flatTheme"), HUDThemeKeloPanel::instance());
    EXPECT_EQ(manager->themeForKey("noSuchTheme"), HUDThemeKelo::instance());
    // The last registration is the default, whatever the object asks for.
    EXPECT_EQ(theme(&flatObject), HUDThemeKelo::instance());

    HUDThemeKelo other;
    manager->setTheme(&other, "otherTheme");
    EXPECT_EQ(theme(&flatObject), &other);
    EXPECT_EQ(theme(), &other);

    HUDTheme::setDefaultTheme(nullptr);
    EXPECT_EQ(theme(&flatObject), HUDThemeKeloPanel::instance());
    registerKeloThemes();
    EXPECT_EQ(theme(), HUDThemeKelo::instance());
}

TEST_F(ThemesTest, ColourStrings) {
    const double d = kDark;
    struct Case {
        const char* text;
        QColor want;  // invalid: no colour
    };
    const Case cases[] = {
        {"80", QColor::fromRgbF(80 / 255.0 * d, 80 / 255.0 * d, 80 / 255.0 * d)},
        {" 80 ", QColor::fromRgbF(80 / 255.0 * d, 80 / 255.0 * d, 80 / 255.0 * d)},
        {"80px", QColor::fromRgbF(80 / 255.0 * d, 80 / 255.0 * d, 80 / 255.0 * d)},
        {"0", QColor::fromRgbF(0, 0, 0)},
        {"217", contrastGrey(217)},
        {"61,1,0,255", QColor::fromRgbF(61 / 255.0 * d, 1 / 255.0 * d, 0)},
        {"200,1,0", QColor::fromRgbF(200 / 255.0, 1 / 255.0, 0)},
        {"10,20,30,127.5", QColor::fromRgbF(10 / 255.0 * d, 20 / 255.0 * d, 30 / 255.0 * d, 0.5)},
        {"1,,3", QColor::fromRgbF(1 / 255.0 * d, 0, 3 / 255.0 * d)},
        {"1.5.5", QColor::fromRgbF(1.5 / 255 * d, 1.5 / 255 * d, 1.5 / 255 * d)},
        {"-5", QColor::fromRgbF(5 / 255.0 * d, 5 / 255.0 * d, 5 / 255.0 * d)},
        {"255", contrastGrey(255)},
        {"1,2", QColor()},
        {"12,300,4", QColor()},
        {"256", QColor()},
        {"255.5", QColor()},
        {"99999999999999999999999999999999999999999", QColor()},
        {"a", QColor()},
        {"", QColor()},
        {",", QColor()},
        {"1,2,", QColor()},
        {"1,2,3,", QColor()},
        {"1,2,3,4,5", QColor()},
        {"red,green,blue", QColor()},
        {"\xff\xfe", QColor()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QColor got = HUDThemeKelo::colorFromUserPrefString(QString::fromUtf8(c.text));
        EXPECT_EQ(got.isValid(), c.want.isValid());
        if (c.want.isValid()) expectColor(got, c.want);
    }
}

TEST_F(ThemesTest, TableAccessorsFallBackAndCache) {
    HUDThemeKelo kelo;
    EXPECT_EQ(kelo.userPrefsDict().value("cellHighlightColor"), "61,1,0,255");
    expectColor(kelo.scrollerStroke(), contrastGrey(57));

    HUDThemeKelo edited;
    edited.setUserPrefsDict({{"sliderTrackColor", "12,300,4"},
                             {"selectionHighlightActiveColor", "1,2"},
                             {"cellSelectedTextColor", "90"}});
    expectColor(edited.sliderTrackColor(), contrastGrey(38));
    expectColor(edited.selectionHighlightActiveColor(), contrastGrey(80));
    expectColor(edited.cellSelectedTextColor(), contrastGrey(90));
    expectColor(edited.disabledSliderTrackColor(), colorWithContrastWhite(40 / 255.0, 0.2));
    EXPECT_FALSE(edited.cellHighlightColor().isValid());
    EXPECT_EQ(edited.keloPlayerProgramColor(), edited.cellHighlightColor());
    EXPECT_EQ(edited.selectionTextActiveColor(), QColor(Qt::white));

    // Cached colours stay; the three text colours ask the table again until it answers.
    edited.setUserPrefsDict({{"cellHighlightColor", "61,1,0,255"},
                             {"sliderTrackColor", "100"},
                             {"selectionTextActiveColor", "10"}});
    EXPECT_FALSE(edited.cellHighlightColor().isValid());
    expectColor(edited.sliderTrackColor(), contrastGrey(38));
    expectColor(edited.selectionTextActiveColor(), contrastGrey(10));
    edited.setUserPrefsDict({{"selectionTextActiveColor", "20"}});
    expectColor(edited.selectionTextActiveColor(), contrastGrey(10));
    expectColor(edited.placeholderTextColor(), QColor::fromRgbF(0.5, 0.5, 0.5));
}

TEST_F(ThemesTest, PanelChangesOnlyTheScrollers) {
    HUDThemeKelo kelo;
    HUDThemeKeloPanel panel;
    const QMap<QString, QString> table{{"scrollerStroke", "200"}, {"sliderTrackColor", "30"}};
    kelo.setUserPrefsDict(table);
    panel.setUserPrefsDict(table);
    expectColor(kelo.scrollerStroke(), contrastGrey(200));
    expectColor(panel.scrollerStroke(), contrastGrey(57));
    expectColor(panel.sliderTrackColor(), contrastGrey(30));
    const HUDGradient track = panel.scrollerTrackGradient();
    expectColor(track.interpolatedColorAtLocation(0), contrastGrey(30));
    expectColor(track.interpolatedColorAtLocation(1), contrastGrey(30));
    expectColor(kelo.scrollerKnobGradient().interpolatedColorAtLocation(1), contrastGrey(53));
    expectColor(panel.scrollerKnobGradient().interpolatedColorAtLocation(1), contrastGrey(42));
    EXPECT_EQ(panel.scrollerAlphaValue(), 1.0);
    EXPECT_EQ(HUDTheme().scrollerAlphaValue(), 0.5);
}

TEST_F(ThemesTest, RowColoursByParity) {
    const HUDThemeKelo* kelo = HUDThemeKelo::instance();
    expectColor(kelo->alternatingRowColor(7), contrastGrey(43));
    expectColor(kelo->alternatingRowColor(0), contrastGrey(36));
    const QList<QColor> rows = kelo->cellAlternatingRowColors();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], kelo->alternatingRowColor(0));
    EXPECT_EQ(rows[1], kelo->alternatingRowColor(1));

    const HUDTheme base;
    EXPECT_EQ(base.alternatingRowColor(1), base.tableBackgroundColor());
    expectColor(base.alternatingRowColor(0), contrastGrey(54));
}

TEST_F(ThemesTest, FlipShadowSelectsTheFlippedCopies) {
    const HUDThemeKelo* kelo = HUDThemeKelo::instance();
    struct Case {
        const char* name;
        HUDShadow (HUDThemeKelo::*shadow)() const;
        QPointF offset;
    };
    const Case cases[] = {
        {"dropShadow", &HUDThemeKelo::dropShadow, {1.5, -1.5}},
        {"miniDropShadow", &HUDThemeKelo::miniDropShadow, {0.5, -0.5}},
        {"darkerShadow", &HUDThemeKelo::darkerShadow, {1.5, -1.5}},
        {"sliderTrackShadow", &HUDThemeKelo::sliderTrackShadow, {0, -2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HUDShadow plain = (kelo->*c.shadow)();
        EXPECT_EQ(plain.shadowOffset(), c.offset);
        HUDThemeKelo::setFlipShadow(true);
        const HUDShadow flipped = (kelo->*c.shadow)();
        HUDThemeKelo::setFlipShadow(false);
        EXPECT_EQ(flipped.shadowOffset(), QPointF(c.offset.x(), -c.offset.y()));
        EXPECT_EQ(flipped.shadowColor(), plain.shadowColor());
        EXPECT_EQ(flipped.shadowBlurRadius(), plain.shadowBlurRadius());
        EXPECT_EQ((kelo->*c.shadow)().shadowOffset(), c.offset);
    }
    expectColor(kelo->dropShadow().shadowColor(), colorWithContrastWhite(100 / 255.0, 0.7));
    // The darker shadow uses the shared grey, which is not contrast-adjusted.
    expectColor(kelo->darkerShadow().shadowColor(),
                QColor::fromRgbF(50 / 255.0, 50 / 255.0, 50 / 255.0));
}

TEST_F(ThemesTest, DerivedColoursFollowTheirSources) {
    const HUDThemeKelo* kelo = HUDThemeKelo::instance();
    expectColor(kelo->textColor(), defaultTextColor());
    expectColor(kelo->textColor(), contrastGrey(217));
    EXPECT_EQ(kelo->strokeColor(), kelo->textColor());
    EXPECT_EQ(kelo->tableHeaderCellBorderColor(), kelo->sliderTrackColor());
    EXPECT_EQ(kelo->tableBackgroundColor(), boxFillColor());
    expectColor(kelo->disabledStrokeColor(), colorWithContrastWhite(70 / 255.0, 0.2));
    expectColor(kelo->normalGradient().interpolatedColorAtLocation(0.7), normalSolidFill());
    expectColor(kelo->defaultGradient().interpolatedColorAtLocation(1), headerFillColor());
    EXPECT_EQ(kelo->smallTextFont().foreground, kelo->textColour());
    EXPECT_EQ(kelo->smallTextFont().font.pointSizeF(), 10);
    EXPECT_EQ(kelo->menuTextFont().font.pointSizeF(), 9);
    expectColor(kelo->litCol(), kelo->strokeColor());
    EXPECT_EQ(kelo->bgCol(), KeloUIAttributes::attributes()->bgCol());

    // The base theme blends any colour toward its bezel greys.
    const HUDTheme base;
    const QColor red = QColor::fromRgbF(1, 0, 0);
    const HUDGradient g = base.gradientWithColor(red);
    expectColor(g.interpolatedColorAtLocation(0),
                blendedColorWithFraction(red, 0.5, contrastGrey(76)));
    expectColor(g.interpolatedColorAtLocation(0.2),
                blendedColorWithFraction(red, 0.15, contrastGrey(59)));
    expectColor(g.interpolatedColorAtLocation(1), red);
    EXPECT_NEAR(base.sliderTrackColor().alphaF(), 0.6, kTol);
    EXPECT_NEAR(HUDGradientTheme().normalGradient().interpolatedColorAtLocation(0).alphaF(), 0.7,
                kTol);
}

TEST_F(ThemesTest, UIAttributesDarkenOnlyDarkColours) {
    const KeloUIAttributes* a = KeloUIAttributes::attributes();
    expectColor(a->bgColour(),
                QColor::fromRgbF(45 / 255.0 * kDark, 45 / 255.0 * kDark, 45 / 255.0 * kDark));
    expectColor(a->opacityColour(), QColor::fromRgbF(0.7, 0.7, 0.7));
    expectColor(a->textColour(), QColor::fromRgbF(0.9, 0.9, 0.85));
    expectColor(a->progColour(), QColor::fromRgbF(0.1, 0.6, 0.3));
    expectColor(a->drkColour(), QColor::fromRgbF(0.13 * kDark, 0.13 * kDark, 0.13 * kDark));
    EXPECT_EQ(a->bgCol(), a->bgColour());
    EXPECT_EQ(a->smallHighlightFont().foreground, a->drkColour());
    EXPECT_EQ(a->tinyTextFont().font.pointSizeF(), 8);
    EXPECT_EQ(a->mediumTextFont().font.pointSizeF(), 12);
}

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

TEST_F(ThemesTest, FrameRectEdges) {
    struct Case {
        quint32 edges;
        bool flipped;
        bool left, right, lowRow, highRow;
    };
    const Case cases[] = {
        {5, false, true, false, true, false},  // left and the strip at the origin
        {5, true, true, false, false, true},  {8, false, false, false, false, true},
        {8, true, false, false, true, false}, {2, false, false, true, false, false},
        {15, false, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.edges << (c.flipped ? " flipped" : ""));
        QImage image = blank(20, 20);
        {
            QPainter p(&image);
            HUDTheme::frameRect(p, QRectF(2, 2, 10, 10), c.edges, c.flipped, 1, Qt::red);
        }
        auto red = [&](int x, int y) { return QColor(image.pixel(x, y)) == QColor(Qt::red); };
        EXPECT_EQ(red(2, 6), c.left);
        EXPECT_EQ(red(11, 6), c.right);
        EXPECT_EQ(red(6, 2), c.lowRow);
        EXPECT_EQ(red(6, 11), c.highRow);
        EXPECT_EQ(qAlpha(image.pixel(6, 6)), 0);
    }
    QImage image = blank(4, 4);
    QPainter p(&image);
    HUDTheme::frameRect(p, QRectF(0, 0, 0, 4), 15, false, 1, Qt::red);
    p.end();
    EXPECT_EQ(qAlpha(image.pixel(0, 1)), 0);
}

TEST_F(ThemesTest, HeaderBandSitsAtTheTopOfAView) {
    registerKeloThemes();
    QWidget view;
    view.resize(40, 60);
    QImage image = blank(40, 60);
    {
        QPainter p(&image);
        HUDTheme::drawDefaultGradient(p, QRectF(0, 0, 40, 60), &view);
    }
    const HUDTheme* kelo = HUDThemeKelo::instance();
    expectPixel(image, 20, 45, kelo->headerFillColor());
    EXPECT_GT(qRed(image.pixel(20, 2)), kelo->headerFillColor().red());
    expectPixel(image, 0, 30, kelo->darkStrokeColor());
}

TEST_F(ThemesTest, InsetBoxFillsWithTheGivenOrPaletteColour) {
    for (const QColor& background : {QColor(), QColor(Qt::blue)}) {
        QImage image = blank(60, 30);
        {
            QPainter p(&image);
            HUDTheme::drawInsetBoxInRect(p, QRectF(0, 0, 60, 30), true, background, true, true);
        }
        expectPixel(image, 30, 15, background.isValid() ? background : normalSolidFill());
    }
}

TEST_F(ThemesTest, TimelineControlCachesOnlyOrdinaryBoxes) {
    QImage image = blank(60, 60);
    QPainter p(&image);
    HUDTheme::drawTimelineControl(p, QRectF(0, 0, 17, 40), QRectF(0, 0, 17, 40), 0);
    EXPECT_FALSE(HUDTheme::hasTimelineControlImage());
    EXPECT_NE(qAlpha(image.pixel(8, 20)), 0);
    HUDTheme::drawTimelineControl(p, QRectF(0, 10, 50, 20), QRectF(0, 10, 50, 20), 0);
    EXPECT_TRUE(HUDTheme::hasTimelineControlImage());
    p.end();
    expectPixel(image, 25, 20, textFillColor());
}

TEST_F(ThemesTest, FieldEditorTakesThemeColoursForThemedObjects) {
    const HUDThemeKelo* kelo = HUDThemeKelo::instance();
    QLineEdit editor;
    const QPalette before = editor.palette();
    HUDTheme::setupFieldEditorColors(kelo, &editor, nullptr, nullptr);
    EXPECT_EQ(editor.palette(), before);

    const Keyed object("gradientTheme");
    HUDTheme::setupFieldEditorColors(kelo, &editor, nullptr, &object);
    EXPECT_EQ(editor.palette().color(QPalette::Base), kelo->cellEditingFillColor());
    EXPECT_EQ(editor.palette().color(QPalette::Text), kelo->textColor());
    // Not the key window: the inactive selection colours.
    EXPECT_EQ(editor.palette().color(QPalette::Highlight), kelo->selectionHighlightInActiveColor());
}

TEST_F(ThemesTest, TextColourWalkRestylesNestedViews) {
    const KeloUIAttributes* a = KeloUIAttributes::attributes();
    QWidget root;
    auto* label = new QLabel("label", &root);
    auto* field = new QLineEdit(&root);
    auto* group = new QWidget(&root);
    auto* nested = new QLabel("nested", group);
    auto* table = new QTableWidget(2, 2, &root);
    auto* notes = new QPlainTextEdit(group);
    setTextColourforView(&root);
    EXPECT_EQ(notes->palette().color(QPalette::Text), a->textColour());
    EXPECT_EQ(notes->palette().color(QPalette::Base), a->textFieldColour());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), a->textColour());
    EXPECT_EQ(label->palette().color(QPalette::Window), a->textFieldColour());
    EXPECT_EQ(nested->palette().color(QPalette::WindowText), a->textColour());
    EXPECT_EQ(field->palette().color(QPalette::Text), a->textColour());
    EXPECT_EQ(field->palette().color(QPalette::Base), a->textFieldColour());
    EXPECT_EQ(table->palette().color(QPalette::Base), a->bgColour());
    setTextColourforView(nullptr);
}
TEST_F(ThemesTest, PopUpBecomesPopOverThatStillDrivesItsReceivers) {
    QWidget root;
    auto* plain = new QPushButton("plain", &root);
    EXPECT_EQ(convertToPopOver(plain), plain);
    EXPECT_EQ(plain->parentWidget(), &root);
    EXPECT_EQ(convertToPopOver(nullptr), nullptr);

    auto* popUp = new QComboBox(&root);
    popUp->addItems({"one", "two", "three"});
    popUp->setGeometry(10, 10, 100, 22);
    int activated = -1;
    QObject::connect(popUp, &QComboBox::activated, [&](int index) { activated = index; });
    QPointer<QComboBox> watch(popUp);

    auto* button = qobject_cast<KeloPopOverButton*>(convertToPopOver(popUp));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), &root);
    EXPECT_EQ(button->geometry(), QRect(13, 13, 94, 16));
    ASSERT_EQ(button->numberOfItems(), 3);
    EXPECT_EQ(button->itemTitleAtIndex(0), "one");
    EXPECT_EQ(button->itemTitleAtIndex(2), "three");
    EXPECT_TRUE(button->isList());
    EXPECT_FALSE(button->pullsDown());
    EXPECT_EQ(button->fontSize(), 10);
    EXPECT_EQ(button->textColour(), KeloUIAttributes::attributes()->textColour());
    EXPECT_EQ(button->backgroundColour(), KeloUIAttributes::attributes()->bgColour());
    EXPECT_FALSE(root.findChildren<QComboBox*>().contains(popUp));

    button->setIndexOfSelectedItem(2);
    emit button->triggered(button);
    EXPECT_EQ(activated, 2);
    EXPECT_EQ(popUp->currentIndex(), 2);

    delete button;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}
}  // namespace

KELO_TEST_MAIN_GUI()
