#include "hud/views/OverlayView.h"

#include "foundation/VNSStringUtilCategory.h"
#include "hud/controls/HUDButton.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/NSWindow_Additions.h"
#include "platform/UserDefaults.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

namespace {

// A 400 x 300 window at (100, 100) with a 100 x 60 view at (50, 40).
struct Host {
    Host() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath(QStringLiteral("defaults.plist")));
        window = std::make_unique<HUDThemeKeloWindow>();
        window->setGeometry(100, 100, 400, 300);
        view = new QWidget(window.get());
        view->setGeometry(50, 40, 100, 60);
        window->show();
    }
    QPoint viewOrigin() const { return view->mapToGlobal(QPoint(0, 0)); }
    std::unique_ptr<HUDThemeKeloWindow> window;
    QWidget* view = nullptr;
};

bool gone(const QPointer<OverlayView>& overlay) {
    return processUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return overlay.isNull();
    });
}

QList<HUDButton*> buttonsOf(OverlayView* overlay) {
    return overlay->findChildren<HUDButton*>(Qt::FindDirectChildrenOnly);
}

TEST(OverlayView, RefusesNullTextAndViewsOutsideAWindow) {
    Host host;
    EXPECT_EQ(OverlayView::addOverlayViewWithTitle(QString(), host.view), nullptr);
    EXPECT_EQ(OverlayView::addOverlayViewWithTitle(QStringLiteral("x"), nullptr), nullptr);
    QWidget loose;
    EXPECT_EQ(OverlayView::addOverlayViewWithTitle(QStringLiteral("x"), &loose), nullptr);
}

TEST(OverlayView, PointsAtTheViewsMiddleBelowItOrInsideAFillingView) {
    Host host;
    OverlayView* below = OverlayView::addOverlayViewWithTitle(QStringLiteral("Below"), host.view);
    ASSERT_NE(below, nullptr);
    EXPECT_EQ(below->parentWidget(), host.window.get());
    EXPECT_TRUE(below->isWindow());
    EXPECT_EQ(below->pos(), host.viewOrigin() + QPoint(50, 60));

    host.view->setGeometry(0, 0, 400, 300);
    OverlayView* inside = OverlayView::addOverlayViewWithTitle(QStringLiteral("In"), host.view);
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->pos(), host.viewOrigin() + QPoint(200, 25));

    inside->centerInWindow();
    const QPoint windowOrigin = host.window->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(inside->pos().x(), windowOrigin.x() + (400 - inside->width()) / 2);
    EXPECT_EQ(inside->pos().y(), windowOrigin.y() + (300 - inside->height()) / 2);
}

TEST(OverlayView, PointsAtATabLabel) {
    Host host;
    auto* tabs = new QTabWidget(host.window.get());
    tabs->setGeometry(10, 10, 300, 200);
    tabs->addTab(new QWidget, QStringLiteral("One"));
    tabs->addTab(new QWidget, QStringLiteral("Two"));
    tabs->show();
    OverlayView* overlay = OverlayView::addOverlayViewWithTitle(QStringLiteral("Tab"), host.view);
    ASSERT_NE(overlay, nullptr);
    overlay->showAtTabViewItem(tabs, 1);
    const QRect label = tabs->tabBar()->tabRect(1).translated(tabs->tabBar()->pos());
    const QPoint origin = tabs->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(overlay->pos().x(), origin.x() + label.x() + label.width() / 2);
    EXPECT_EQ(overlay->pos().y(), origin.y() + 200 + label.height() + 10);
    const QPoint before = overlay->pos();
    overlay->showAtTabViewItem(tabs, 2);
    EXPECT_EQ(overlay->pos(), before);
}

TEST(OverlayView, SizesTheBubbleAroundLongAndTallMessages) {
    Host host;
    OverlayView* shortOne = OverlayView::addOverlayViewWithTitle(QStringLiteral("Hi"), host.view);
    ASSERT_NE(shortOne, nullptr);
    auto* shortField = shortOne->findChild<OverlayTextField*>();
    ASSERT_NE(shortField, nullptr);
    EXPECT_EQ(shortField->pos(), QPoint(12, 16));
    EXPECT_EQ(shortOne->size(), shortField->size() + QSize(24, 72));

    OverlayView* wide =
        OverlayView::addOverlayViewWithTitle(QString(120, QLatin1Char('i')), host.view);
    ASSERT_NE(wide, nullptr);
    EXPECT_GE(wide->findChild<OverlayTextField*>()->width(), 500);

    QStringList lines;
    for (int i = 0; i < 40; ++i) lines << QStringLiteral("Line %1").arg(i);
    OverlayView* tall = OverlayView::addOverlayViewWithTitle(lines.join('\n'), host.view);
    ASSERT_NE(tall, nullptr);
    auto* scroll = tall->findChild<QScrollArea*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(scroll, nullptr);
    auto* field = dynamic_cast<OverlayTextField*>(scroll->widget());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(scroll->size(), QSize(field->width() + 50, 200));
    EXPECT_EQ(tall->size(), QSize(scroll->width() + 24, 272));
    // A scrolled message has no field of its own to suppress.
    tall->setShowsSuppressionButton(true);
    EXPECT_TRUE(buttonsOf(tall).isEmpty());
}

TEST(OverlayView, ButtonRowOfThreeWidths) {
    int width = 400;
    const QList<QRect> row =
        OverlayView::buttonRow({QSize(60, 40), QSize(90, 40), QSize(45, 40)}, &width, 200);
    ASSERT_EQ(row.size(), 3);
    EXPECT_EQ(width, 400);
    const int xs[] = {28, 154, 280};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(row[i].width(), 90);
        EXPECT_EQ(row[i].x(), xs[i]);
        EXPECT_EQ(200 - row[i].bottom() - 1, 8) << "8 points above the bottom edge";
    }
    width = 200;
    OverlayView::buttonRow({QSize(60, 40), QSize(90, 40), QSize(45, 40)}, &width, 200);
    EXPECT_EQ(width, 334);
}

TEST(OverlayView, LaysButtonsOutInOneEvenRow) {
    Host host;
    OverlayView* overlay =
        OverlayView::addOverlayViewWithTitle(QString(150, QLatin1Char('m')), host.view);
    ASSERT_NE(overlay, nullptr);
    const int width = overlay->width();
    int clicked = -1;
    const auto record = [&](HUDButton* b) { clicked = b->property("tag").toInt(); };
    overlay->addButtonWithTitle(QStringLiteral("OK"), 1, record);
    overlay->addButtonWithTitle(QStringLiteral("A much longer title"), 2, record);
    HUDButton* last = overlay->addButtonWithTitle(QStringLiteral("No"), 3, record);
    const QList<HUDButton*> buttons = buttonsOf(overlay);
    ASSERT_EQ(buttons.size(), 3);
    const int w = buttons[1]->width();
    const int needed = w * 3 + 24 + 40;
    ASSERT_LT(needed, width);
    const int spacing = (width - needed) / 4;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(buttons[i]->width(), w);
        EXPECT_GE(buttons[i]->height(), 40);
        EXPECT_EQ(buttons[i]->x(), 12 + spacing + i * (w + 20 + spacing));
        EXPECT_EQ(buttons[i]->y(), overlay->height() - 8 - buttons[i]->height());
    }
    EXPECT_EQ(overlay->width(), width);
    last->click();
    EXPECT_EQ(clicked, 3);
}

TEST(OverlayView, WidensTheBubbleForButtonsAndGivesEscapeToCancel) {
    Host host;
    OverlayView* overlay = OverlayView::addOverlayViewWithTitle(QStringLiteral("x"), host.view);
    ASSERT_NE(overlay, nullptr);
    HUDButton* later = overlay->addButtonWithTitle(QStringLiteral("Later"), 0, nullptr);
    HUDButton* go = overlay->addButtonWithTitle(QStringLiteral("Go ahead now"), 0, nullptr);
    const int w = go->width();
    EXPECT_EQ(overlay->width(), 2 * w + 24 + 20);
    EXPECT_EQ(later->x(), 12);
    EXPECT_EQ(go->x(), 12 + w + 20);
    EXPECT_EQ(later->shortcut(), QKeySequence(Qt::Key_Escape));
    EXPECT_TRUE(go->shortcut().isEmpty());
}

TEST(OverlayView, DismissClosesEveryOverlayOfTheParentWindow) {
    Host host;
    QPointer<OverlayView> first =
        OverlayView::addOverlayViewWithTitle(QStringLiteral("1"), host.view);
    QPointer<OverlayView> second =
        OverlayView::addOverlayViewWithTitle(QStringLiteral("2"), host.view);
    ASSERT_TRUE(first && second);
    first->addOkButton()->click();
    EXPECT_TRUE(gone(first));
    EXPECT_TRUE(gone(second));
    EXPECT_FALSE(hasOverlayView(host.window.get()));

    QPointer<OverlayView> third =
        OverlayView::addOverlayViewWithTitle(QStringLiteral("3"), host.view);
    ASSERT_TRUE(third);
    EXPECT_TRUE(host.window->cancelOperation());  // Escape in the parent window
    EXPECT_TRUE(gone(third));
}

TEST(OverlayView, DontShowThisAgainSuppressesThePlainText) {
    Host host;
    const QString text = QStringLiteral("Output 3 is missing");
    QPointer<OverlayView> overlay = OverlayView::addOverlayViewWithTitle(text, host.view);
    ASSERT_TRUE(overlay);
    overlay->addOkButton();
    overlay->setShowsSuppressionButton(true);
    const QList<HUDButton*> buttons = buttonsOf(overlay);
    ASSERT_EQ(buttons.size(), 2);
    HUDButton* suppress = buttons[0]->x() < buttons[1]->x() ? buttons[0] : buttons[1];
    EXPECT_EQ(suppress->title(), QStringLiteral("Don't show this again"));
    suppress->click();
    EXPECT_TRUE(gone(overlay));
    EXPECT_TRUE(OverlayView::isSuppressed(text));

    EXPECT_EQ(OverlayView::addOverlayViewWithTitle(text, host.view), nullptr);
    EXPECT_EQ(OverlayView::addOverlayViewWithTitle(redString(text), host.view), nullptr);
    EXPECT_NE(OverlayView::addOverlayViewWithTitle(text + QLatin1Char('.'), host.view), nullptr);
}

TEST(OverlayView, SetTitleReplacesTheMessageInWhite) {
    Host host;
    OverlayView* overlay = OverlayView::addOverlayViewWithTitle(QStringLiteral("Old"), host.view);
    ASSERT_NE(overlay, nullptr);
    const QSize size = overlay->size();
    overlay->setTitle(QStringLiteral("A new and much longer text"));
    const auto* field = overlay->findChild<OverlayTextField*>();
    EXPECT_EQ(field->attributedStringValue().string(),
              QStringLiteral("A new and much longer text"));
    EXPECT_EQ(field->attributedStringValue().attributesAt(0).foreground, QColor(Qt::white));
    EXPECT_EQ(overlay->size(), size);
}

TEST(OverlayView, BlinksTheBorderForTheFlashCountThenStaysSteady) {
    Host host;
    OverlayView* overlay = OverlayView::addOverlayViewWithTitle(QStringLiteral("!"), host.view);
    ASSERT_NE(overlay, nullptr);
    const QColor dim = OverlayView::sDarkMenuStrokeColor2();
    const QColor bright = OverlayView::sDarkMenuStrokeColor();
    EXPECT_EQ(overlay->borderColor(), bright);
    EXPECT_FALSE(overlay->isFlashing());

    overlay->setFlashCount(3);
    const QColor expected[] = {dim, bright, dim, bright, bright};
    for (int tick = 0; tick < 5; ++tick) {
        SCOPED_TRACE(tick);
        overlay->startFlashTimerIfNeeded();
        EXPECT_EQ(overlay->borderColor(), expected[tick]);
        EXPECT_EQ(overlay->isFlashing(), tick < 3);
        overlay->flash();
    }
    EXPECT_EQ(overlay->flashCount(), 0);
    EXPECT_FALSE(overlay->isFlashing());

    overlay->setFlashCount(2);
    EXPECT_FALSE(overlay->isFlashing()) << "reading the colour starts nothing";
    overlay->borderColor();
    EXPECT_FALSE(overlay->isFlashing());
    overlay->startFlashTimerIfNeeded();
    EXPECT_TRUE(processUntil([&] { return overlay->flashCount() == 0; }, 3000));
    EXPECT_FALSE(overlay->isFlashing());
}

TEST(OverlayView, DrawsABubbleWithAPointerAtTheTopLeft) {
    Host host;
    OverlayView* overlay =
        OverlayView::addOverlayViewWithTitle(QString(60, QLatin1Char(' ')), host.view);
    ASSERT_NE(overlay, nullptr);
    const auto draw = [&] {
        QImage image(overlay->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        overlay->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        return image;
    };
    QImage image = draw();
    const int w = image.width();
    const QColor middle = image.pixelColor(w / 2, 30);
    EXPECT_NEAR(middle.alpha(), 204, 3);
    EXPECT_LT(middle.red(), 10);
    EXPECT_GT(image.pixelColor(4, 8).alpha(), 100);  // the pointer
    EXPECT_EQ(image.pixelColor(w - 12, 4).alpha(), 0);
    EXPECT_GT(image.pixelColor(w - 3, 40).red(), 150);  // the white border

    overlay->centerInWindow();
    image = draw();
    EXPECT_EQ(image.pixelColor(4, 8).alpha(), 0);
    EXPECT_NEAR(image.pixelColor(w / 2, 30).alpha(), 204, 3);
}

}  // namespace

KELO_TEST_MAIN_GUI()
