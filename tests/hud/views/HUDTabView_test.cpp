#include "hud/views/HUDTabView.h"

#include "hud/theme/HUDThemeKelo.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QPainter>
#include <QTabBar>

namespace {

KELO_TEMP_DEFAULTS();

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 4);
}

class Provider : public TabViewItemColorProtocol {
public:
    AttributedString attributedLabel(const HUDTabViewItem&) override {
        return AttributedString(QStringLiteral("Out____"));
    }
    QImage tabImage(const HUDTabViewItem&) override {
        QImage image(6, 6, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::green);
        return image;
    }
};

struct Tabs {
    explicit Tabs(int count) {
        registerKeloThemes();
        view.resize(400, 300);
        for (int i = 0; i < count; ++i) {
            view.addTabViewItem(std::make_unique<HUDTabViewItem>(QStringLiteral("Tab %1").arg(i)),
                                new QWidget);
        }
        view.show();
    }
    QImage bar() { return view.tabBar()->grab().toImage(); }
    QRect tab(int i) { return view.tabBar()->tabRect(i); }
    HUDTabView view;
};

TEST(HUDTabView, TransparentWithoutBackgroundColour) {
    Tabs tabs(2);
    EXPECT_FALSE(tabs.view.isOpaque());
    QImage image = canvas(400, 300);
    QPainter painter(&image);
    tabs.view.drawBackground(painter, QRectF(0, 0, 400, 300));
    painter.end();
    EXPECT_EQ(image.pixelColor(200, 150).alpha(), 0);
}

TEST(HUDTabView, ContentBoxFlatInsideAndFramedAcrossItsEdge) {
    Tabs tabs(2);
    tabs.view.setBackgroundColor(Qt::blue);
    HUDTheme* t = theme(&tabs.view);
    const QRectF box = tabs.view.contentBox();
    QImage image = canvas(400, 300);
    QPainter painter(&image);
    tabs.view.drawBackground(painter, QRectF(box.center(), QSizeF(20, 20)));
    EXPECT_RGB(image.pixelColor(box.center().toPoint() + QPoint(5, 5)), t->boxFillColor());
    tabs.view.drawBackground(painter, QRectF(0, 0, 400, 300));
    painter.end();
    EXPECT_RGB(image.pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_RGB(image.pixelColor(int(box.left()), int(box.center().y())), t->darkStrokeColor());
}

TEST(HUDTabView, TabShapesFillsAndOutlines) {
    Tabs one(1);
    bool plain = true;
    const QRectF r(one.tab(0));
    const QPainterPath single = one.view.tabPath(0, r, &plain);
    EXPECT_FALSE(plain);
    EXPECT_FALSE(single.contains(r.topLeft() + QPointF(1, 1))) << "all four corners rounded";
    EXPECT_FALSE(single.contains(r.bottomRight() - QPointF(1, 1)));

    Tabs three(3);
    three.view.tabPath(1, QRectF(three.tab(1)), &plain);
    EXPECT_TRUE(plain);
    const QPainterPath first = three.view.tabPath(0, QRectF(three.tab(0)), &plain);
    const QRectF f(three.tab(0));
    EXPECT_FALSE(first.contains(f.topLeft() + QPointF(1, 1)));
    EXPECT_TRUE(first.contains(f.topRight() + QPointF(-1, 1))) << "square toward the next tab";

    three.view.tabViewItem(0)->setColor(Qt::black);
    three.view.tabViewItem(2)->setColor(Qt::red);
    const QImage bar = three.bar();
    const QRect black = three.tab(0);
    EXPECT_RGB(bar.pixelColor(black.left() + 3, black.center().y()), QColor(Qt::black));
    const QRect last = three.tab(2);
    EXPECT_RGB(bar.pixelColor(last.right(), last.center().y()), QColor(Qt::red));
    EXPECT_FALSE(near(bar.pixelColor(last.center().x(), last.top() + 2), QColor(Qt::red)))
        << "a red item keeps the gradient fill";
}

TEST(HUDTabView, LabelsRememberWhereTheyWereDrawn) {
    Tabs tabs(2);
    Provider provider;
    HUDTabViewItem* item = tabs.view.tabViewItem(1);
    EXPECT_TRUE(item->lastKnownLabelRect().isEmpty());
    item->setIdentifier(&provider);
    const QImage bar = tabs.bar();
    const QRectF label = item->lastKnownLabelRect();
    EXPECT_FALSE(label.isEmpty());
    EXPECT_TRUE(QRectF(tabs.tab(1)).contains(label));
    EXPECT_RGB(bar.pixelColor(int(label.right() - 2 - 3), int(label.top() + 3)), QColor(Qt::green));
}

}  // namespace

KELO_TEST_MAIN_GUI()
