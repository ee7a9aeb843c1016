#include "hud/cells/HUDPopUpButtonCell.h"

#include "hud/controls/HUDPopUpButton.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/controls/MultiKeyButton.h"
#include "hud/cells/PopUpImage.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>

namespace {

class PopUpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

QImage render(HUDPopUpButtonCell& cell, int w, int h, QWidget* view = nullptr) {
    QWidget own;
    own.resize(w, h);
    QImage image = canvas(w, h);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), view ? view : &own);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 4) {
    return nearColour(a, b, tolerance);
}

QColor titleColour(const HUDPopUpButtonCell& cell) {
    return cell.lastTitle().attributesAt(0).foreground.value_or(QColor());
}

size_t cacheSize() {
    return PopUpImage::allImages().size();
}

TEST_F(PopUpTest, ArchiveKeepsOnlyThemeKey) {
    EXPECT_EQ(HUDPopUpButtonCell::initWithCoder({})->themeKey(), "gradientTheme");
    HUDPopUpButtonCell cell;
    cell.setThemeKey("flatTheme");
    cell.setLayerKey("output 2");
    const QVariantMap archive = cell.encodeWithCoder();
    EXPECT_EQ(archive.keys(), QStringList{"themeKey"});
    EXPECT_EQ(HUDPopUpButtonCell::initWithCoder(archive)->themeKey(), "flatTheme");
}

TEST_F(PopUpTest, BezelCachedFromFortyPointsAndSharedAcrossWidths) {
    HUDPopUpButtonCell cell;
    cell.addItem("Layer");
    cell.setBackgroundStyle(1);  // a look no other test draws
    const size_t before = cacheSize();
    render(cell, 39, 26);
    render(cell, 80, 9);
    EXPECT_EQ(cacheSize(), before);
    QTableWidget table;
    table.resize(200, 100);
    render(cell, 120, 26, &table);
    EXPECT_EQ(cacheSize(), before) << "cells in tables are drawn directly";

    const QImage first = render(cell, 40, 26);
    ASSERT_EQ(cacheSize(), before + 1);
    const PopUpImage* entry = PopUpImage::allImages().back().get();
    ASSERT_TRUE(entry->backgroundImg);
    EXPECT_EQ(entry->bstate.height, 26);
    const QImage wide = render(cell, 160, 26);
    EXPECT_EQ(cacheSize(), before + 1);
    // The stretched bezel keeps its caps: the arrow column looks the same,
    // and does not spread into the body of a wider pop-up.
    EXPECT_EQ(first.pixelColor(30, 12), wide.pixelColor(150, 12));
    EXPECT_EQ(wide.pixelColor(60, 12), wide.pixelColor(120, 12));
    EXPECT_NE(wide.pixelColor(120, 12), wide.pixelColor(150, 12));

    cell.setEnabled(false);
    render(cell, 100, 26);
    cell.setEnabled(true);
    cell.setControlSize(1);
    render(cell, 100, 26);
    EXPECT_EQ(cacheSize(), before + 3);
    EXPECT_EQ(PopUpImage::allImages()[before].get(), entry);
}

TEST_F(PopUpTest, BezelRectFollowsControlSize) {
    HUDPopUpButtonCell cell;
    cell.addItem("A");
    struct Case {
        int size;
        QRectF bezel;
    };
    const Case cases[] = {
        {0, {0.5, 1.5, 97, 20}},
        {3, {0.5, 1.5, 97, 20}},
        {1, {0.5, 1.5, 97, 16}},
        {2, {0.5, 0.5, 97, 13}},
    };
    // All drawn in frames of one height: each size still gets its own height.
    for (const Case& c : cases) {
        cell.setControlSize(c.size);
        render(cell, 100, 26);
        EXPECT_EQ(cell.bezelRect(QRectF(0, 0, 100, 26)), c.bezel) << "size " << c.size;
    }
    cell.setControlSize(0);
    QTableWidget table;
    QImage image = canvas(100, 26);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, 100, 26), &table);
    cell.setControlView(&table);
    EXPECT_EQ(cell.bezelRect(QRectF(0, 0, 100, 26)).y(), -0.5);
}

TEST_F(PopUpTest, PullDownShowsOneArrowPopUpTwo) {
    HUDPopUpButtonCell cell;
    auto arrows = [&](bool pullsDown) {
        cell.setPullsDown(pullsDown);
        QImage image = canvas(15, 20);
        QPainter p(&image);
        cell.drawArrowsInRect(p, QRectF(0, 0, 15, 20));
        return image;
    };
    const QImage popUp = arrows(false);
    EXPECT_GT(popUp.pixelColor(7, 6).alpha(), 128);
    EXPECT_EQ(popUp.pixelColor(7, 10).alpha(), 0);
    EXPECT_GT(popUp.pixelColor(7, 13).alpha(), 128);
    EXPECT_RGB(popUp.pixelColor(7, 6), kelo()->textColor());

    const QImage pullDown = arrows(true);
    EXPECT_EQ(pullDown.pixelColor(7, 5).alpha(), 0);
    EXPECT_GT(pullDown.pixelColor(7, 10).alpha(), 128);
    EXPECT_EQ(pullDown.pixelColor(7, 14).alpha(), 0);

    cell.setEnabled(false);
    EXPECT_RGB(arrows(false).pixelColor(7, 6), kelo()->disabledTextColor());
}

TEST_F(PopUpTest, TitleColourFollowsState) {
    HUDPopUpButtonCell cell;
    cell.addItems({"Mix 1", "Mix 2"});
    cell.selectItemAtIndex(1);
    render(cell, 120, 26);
    EXPECT_EQ(cell.lastTitle().string(), "Mix 2");
    EXPECT_RGB(titleColour(cell), kelo()->textColor());

    // A disabled item shown in an enabled pop-up.
    cell.setItemEnabled(1, false);
    render(cell, 120, 26);
    EXPECT_RGB(titleColour(cell), kelo()->placeholderTextColor());
    cell.setItemEnabled(1, true);

    cell.setHighlighted(true);
    render(cell, 120, 26);
    EXPECT_RGB(titleColour(cell), kelo()->selectionTextInActiveColor());
    cell.setHighlighted(false);

    cell.setEnabled(false);
    render(cell, 120, 26);
    EXPECT_RGB(titleColour(cell), kelo()->disabledTextColor());

    cell.setAttributedColor(QColor(255, 0, 0));
    render(cell, 120, 26);
    EXPECT_RGB(titleColour(cell), QColor(255, 0, 0));

    // A pull-down's title is its first item.
    cell.setPullsDown(true);
    render(cell, 120, 26);
    EXPECT_EQ(cell.lastTitle().string(), "Mix 1");

    // No items: no title.
    cell.removeAllItems();
    render(cell, 120, 26);
    EXPECT_TRUE(cell.lastTitle().isEmpty());
}

TEST_F(PopUpTest, TitleFitsBesideArrowsAndImage) {
    HUDPopUpButtonCell cell;
    cell.addItem("Background movie of the second act, network copy");
    render(cell, 120, 26);
    const QRectF bezel = cell.bezelRect(QRectF(0, 0, 120, 26));
    EXPECT_DOUBLE_EQ(cell.lastTitleRect().x(), bezel.x() + 11);
    EXPECT_LE(cell.lastTitleRect().width(), bezel.width() - 23);
    EXPECT_LT(cell.lastTitle().length(), 49) << "abbreviated";
    EXPECT_LT(cell.lastTitle().attributesAt(0).expansion.value_or(0), 0) << "condensed";

    QImage icon(10, 10, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::red);
    cell.setImage(icon);
    cell.setImagePosition(kImageLeft);
    const QImage left = render(cell, 120, 26);
    EXPECT_DOUBLE_EQ(cell.lastTitleRect().x(), bezel.x() + 21);
    EXPECT_RGB(left.pixelColor(9, 12), QColor(Qt::red));

    cell.setImagePosition(kImageRight);
    const QImage right = render(cell, 120, 26);
    EXPECT_FALSE(near(right.pixelColor(9, 12), QColor(Qt::red)));
    EXPECT_RGB(right.pixelColor(100, 12), QColor(Qt::red));

    cell.setImagePosition(kImageOnly);
    render(cell, 120, 26);
    EXPECT_EQ(cell.lastTitleRect().width(), 0);
}

TEST_F(PopUpTest, PopUpButtonMenuAndKeys) {
    HUDPopUpButton button;
    button.resize(120, 26);
    button.addItems({"One", "Two", "Three"});
    button.cell()->setItemEnabled(1, false);
    int activated = -1;
    QObject::connect(&button, &HUDPopUpButton::activated, [&](int i) { activated = i; });

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    ASSERT_TRUE(button.menu());
    EXPECT_TRUE(button.cell()->isHighlighted());
    const auto actions = button.menu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[0]->isChecked());
    actions[2]->trigger();
    EXPECT_EQ(button.currentIndex(), 2);
    EXPECT_EQ(activated, 2);
    button.menu()->close();
    EXPECT_FALSE(button.cell()->isHighlighted());

    // Up skips the disabled item.
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&button, &up);
    EXPECT_EQ(button.currentIndex(), 0);

    // A pull-down lists the items after its title and keeps its selection.
    button.cell()->setPullsDown(true);
    button.showMenu();
    ASSERT_TRUE(button.menu());
    ASSERT_EQ(button.menu()->actions().size(), 2);
    button.menu()->actions()[1]->trigger();
    EXPECT_EQ(activated, 2);
    EXPECT_EQ(button.currentIndex(), 0);
    button.menu()->close();
}

TEST_F(PopUpTest, MultiKeyButtonAnswersPeriod) {
    QWidget window;
    QWidget* panel = new QWidget(&window);
    MultiKeyButton button("Cancel", panel);
    button.setKeyEquivalent(QKeySequence(Qt::Key_Escape));
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        const int before = clicks;
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        const bool handled = button.performKeyEquivalent(&event);
        EXPECT_EQ(handled, clicks == before + 1);
        return handled;
    };
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool clicks;
    };
    const Case cases[] = {
        {Qt::Key_Period, Qt::NoModifier, true},      {Qt::Key_Greater, Qt::ShiftModifier, true},
        {Qt::Key_Period, Qt::ShiftModifier, true},   {Qt::Key_Period, Qt::ControlModifier, false},
        {Qt::Key_Period, Qt::MetaModifier, false},   {Qt::Key_Period, Qt::AltModifier, false},
        {Qt::Key_Period, Qt::KeypadModifier, false}, {Qt::Key_Comma, Qt::NoModifier, false},
        {Qt::Key_A, Qt::NoModifier, false},          {Qt::Key_Escape, Qt::NoModifier, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(press(c.key, c.modifiers), c.clicks)
            << "key " << c.key << " modifiers " << int(c.modifiers);
    }

    button.setEnabled(false);
    EXPECT_FALSE(press(Qt::Key_Period, Qt::NoModifier));
    button.setEnabled(true);
    panel->setHidden(true);
    EXPECT_FALSE(press(Qt::Key_Period, Qt::NoModifier));
    panel->setHidden(false);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Period, Qt::NoModifier);
    EXPECT_FALSE(button.performKeyEquivalent(&release));
}

}  // namespace

KELO_TEST_MAIN_GUI()
