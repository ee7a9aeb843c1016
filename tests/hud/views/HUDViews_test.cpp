#include "hud/views/FlipView.h"
#include "hud/views/HUDHeaderView.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/HUDView.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

namespace {

KELO_TEMP_DEFAULTS();

QRgb rgb(const QColor& c) {
    return c.rgb() | 0xff000000u;
}

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

struct Delegate : QObject, DragFromProtocol, RightClickMenuProtocol {
    void dragFromView(QWidget* view, const QPoint& from, QMouseEvent* event) override {
        EXPECT_TRUE(qobject_cast<HUDHeaderView*>(view));
        drags.append({from, event->position().toPoint()});
    }
    QMenu* menuForEvent(QMouseEvent*, QWidget* sender) override {
        menuSender = sender;
        return &menu;
    }
    QList<QPair<QPoint, QPoint>> drags;
    QWidget* menuSender = nullptr;
    QMenu menu;
};

struct NoDragDelegate : QObject {};

TEST(HUDView, FillsWithItsThemesNormalFill) {
    HUDView view;
    EXPECT_EQ(view.themeKey(), "gradientTheme");
    const QColor fill =
        HUDThemeManager::keyedManager()->themeForKey("gradientTheme")->normalSolidFill();
    EXPECT_EQ(view.backgroundColor(), fill);
    view.resize(20, 10);
    view.setBackgroundColor(QColor(1, 200, 3));
    EXPECT_EQ(view.grab().toImage().pixel(10, 5), rgb(QColor(1, 200, 3)));
    view.setDrawsBackground(false);
    EXPECT_TRUE(view.drawsBackground());
    EXPECT_FALSE(view.mouseDownCanMoveWindow());
    view.setIgnoreMouseEvents(true);
    EXPECT_TRUE(view.mouseDownCanMoveWindow());
    view.move(3, 4);
    EXPECT_EQ(view.description(), "HUDView {{3, 4}, {20, 10}}");
}

TEST(HUDView, ChildrenFindItsColour) {
    HUDView view;
    view.setBackgroundColor(QColor(9, 8, 7));
    auto* inner = new QWidget(new QWidget(&view));
    EXPECT_EQ(getSuperviewColor(inner), QColor(9, 8, 7));
}

TEST(HUDHeaderView, DragStartsAtEightPointsAndThenFollowsEveryMove) {
    struct Move {
        QPoint at;
        int dragsAfter;
    };
    HUDHeaderView header;
    header.resize(200, 30);
    Delegate delegate;
    header.setDelegate(&delegate);
    send(&header, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    const Move moves[] = {{{15, 12}, 0}, {{10, 10}, 0}, {{15, 13}, 1}, {{11, 10}, 2}};
    for (const Move& m : moves) {
        send(&header, QEvent::MouseMove, m.at, Qt::LeftButton);
        EXPECT_EQ(delegate.drags.size(), m.dragsAfter) << m.at.x() << "," << m.at.y();
    }
    EXPECT_EQ(delegate.drags.last().first, QPoint(10, 10)) << "drags report the press point";
    EXPECT_TRUE(header.hasDragStarted());

    // A new press starts over.
    send(&header, QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton);
    send(&header, QEvent::MouseMove, {53, 12}, Qt::LeftButton);
    EXPECT_EQ(delegate.drags.size(), 2);
    EXPECT_FALSE(header.hasDragStarted());

    NoDragDelegate other;
    header.setDelegate(&other);
    send(&header, QEvent::MouseMove, {90, 20}, Qt::LeftButton);
    EXPECT_TRUE(header.hasDragStarted());
    EXPECT_EQ(delegate.drags.size(), 2);
}

TEST(HUDHeaderView, ReadOnlyLabelsLetTheHeaderHandleTheMouse) {
    HUDHeaderView header;
    header.resize(200, 30);
    auto* title = new QLabel("Outputs", &header);
    title->setGeometry(0, 0, 100, 30);
    auto* field = new QLineEdit(&header);
    field->setGeometry(100, 0, 100, 30);
    header.show();
    EXPECT_EQ(header.hitTest({10, 10}), &header);
    EXPECT_EQ(header.hitTest({150, 10}), field);
    EXPECT_TRUE(title->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(field->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(header.childAt(10, 10), nullptr) << "clicks on the title reach the header";
}

TEST(HUDHeaderView, MenuComesFromTheDelegate) {
    HUDHeaderView header;
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(header.menuForEvent(&click), nullptr);
    Delegate delegate;
    header.setDelegate(&delegate);
    EXPECT_EQ(header.menuForEvent(&click), &delegate.menu);
    EXPECT_EQ(delegate.menuSender, &header);
}

TEST(HUDHeaderView, InfoBarTextWhileTheMouseIsOver) {
    HUDThemeKeloWindow window;
    auto* header = new HUDHeaderView(&window);
    header->setInfoBarToolTip("Drag to detach");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(header, &enter);
    EXPECT_EQ(window.toolTipInfo(nullptr), "Drag to detach");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(header, &leave);
    EXPECT_EQ(window.toolTipInfo(nullptr), "");
}

TEST(HUDHeaderView, DrawsFrameByWindowKindAndNothingWhenZeroOpacity) {
    for (const bool panel : {false, true}) {
        HUDThemeKeloWindow window;
        window.setIsPanel(panel);
        auto* header = new HUDHeaderView(&window);
        header->resize(40, 20);
        const QImage image = header->grab().toImage();
        const HUDTheme* t = theme();
        EXPECT_EQ(header->backgroundColor(), t->headerFillColor());
        EXPECT_EQ(image.pixel(20, 10), rgb(t->headerFillColor()));
        // The strokes may be translucent: expect them laid over the fill.
        QImage expected(1, 1, QImage::Format_RGB32);
        expected.fill(t->headerFillColor());
        QPainter(&expected).fillRect(0, 0, 1, 1,
                                     panel ? t->darkerStrokeColor() : t->darkStrokeColor());
        EXPECT_EQ(image.pixel(20, 0), expected.pixel(0, 0)) << "panel " << panel;
        EXPECT_EQ(image.pixel(39, 10), expected.pixel(0, 0));
        header->setIsBorderless(true);
        EXPECT_EQ(header->grab().toImage().pixel(20, 0), rgb(t->headerFillColor()));
    }

    HUDView behind;
    behind.resize(40, 20);
    behind.setBackgroundColor(QColor(200, 10, 10));
    auto* header = new HUDHeaderView(&behind);
    header->resize(40, 20);
    header->setIsZeroOpacity(true);
    EXPECT_EQ(behind.grab().toImage().pixel(20, 10), rgb(QColor(200, 10, 10)));
}

TEST(FlipView, EmptyViewStillDrawsItsBackground) {
    FlipView view;
    view.resize(30, 30);
    view.setBackgroundColor(QColor(30, 30, 30));
    EXPECT_TRUE(view.isFlipped());
    view.setGroupTitle("ignored");
    EXPECT_TRUE(view.groupTitle().isNull());
    EXPECT_EQ(view.grab().toImage().pixel(15, 15), rgb(QColor(30, 30, 30)));
    EXPECT_TRUE(FlipView::splashImageForGrey(0.1).isNull()) << "no splash resource here";
}

}  // namespace

KELO_TEST_MAIN_GUI()
