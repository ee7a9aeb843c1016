#include "hud/views/KlAccordionView.h"

#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

namespace {

class AccordionTest : public ::testing::Test {
protected:
    void SetUp() override {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath(QStringLiteral("defaults.plist")));
        view.resize(200, 300);
        view.setContentView(content);
    }

    void addThree() {
        view.addItemWithTitle(QStringLiteral("One"), 10);
        view.addItemWithTitle(QStringLiteral("Two"), 20);
        view.addItemWithTitle(QStringLiteral("Three"), 30);
    }

    void move(QPointF at) {
        QMouseEvent event(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }

    void click(QPointF at) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
        }
    }

    QImage draw() {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        return image;
    }

    KlAccordionView view;
    QWidget* content = new QWidget;
};

TEST_F(AccordionTest, StacksHeadersRoundTheSelectedItemsContent) {
    addThree();
    view.selectItemWithTag(20);
    const QList<std::shared_ptr<KlAccordionItem>> items = view.items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->frame(), QRectF(0, 0, 200, 18));
    EXPECT_EQ(items[1]->frame(), QRectF(0, 18, 200, 18));
    EXPECT_EQ(items[2]->frame(), QRectF(0, 282, 200, 18));
    EXPECT_EQ(view.contentRect(), QRectF(0, 36, 200, 246));
    EXPECT_EQ(content->geometry(), QRect(0, 36, 200, 246));

    // A hidden item takes no header and no room.
    items[1]->setHidden(true);
    view.selectItemWithTag(30);
    EXPECT_EQ(items[0]->frame(), QRectF(0, 0, 200, 18));
    EXPECT_EQ(items[2]->frame(), QRectF(0, 18, 200, 18));
    EXPECT_EQ(view.contentRect(), QRectF(0, 36, 200, 264));

    // With the selected item hidden the later headers still go below the content.
    items[0]->setHidden(true);
    view.selectItemWithTag(10);
    view.layout();
    EXPECT_EQ(view.contentRect(), QRectF(0, 0, 200, 282));
    EXPECT_EQ(items[2]->frame(), QRectF(0, 282, 200, 18));
    items[0]->setHidden(false);
    view.selectItemWithTag(30);

    view.show();
    view.resize(100, 100);
    EXPECT_EQ(view.contentRect(), QRectF(0, 36, 100, 64));
}

TEST_F(AccordionTest, SelectingByTagOpensTheLastItemCarryingIt) {
    EXPECT_TRUE(view.items().isEmpty());
    view.addItemWithTitle(QStringLiteral("A"), 5);
    view.addItemWithTitle(QStringLiteral("B"), 7);
    view.addItemWithTitle(QStringLiteral("C"), 7);
    view.selectItemWithTag(7);
    EXPECT_EQ(view.selectedIndex(), 2);
    view.selectItemWithTag(99);
    EXPECT_EQ(view.selectedIndex(), 2);
    view.selectItemWithTag(5);
    EXPECT_EQ(view.selectedIndex(), 0);
}

TEST_F(AccordionTest, ClickOnAHeaderSelectsItAndTheGapAnswersMinusOne) {
    addThree();
    view.show();
    int clickedTag = 0;
    QObject::connect(&view, &QAbstractButton::clicked,
                     [&] { clickedTag = view.tagOfClickedItem(); });
    click(QPointF(50, 290));  // the third header, below the content
    EXPECT_EQ(clickedTag, 30);
    EXPECT_EQ(view.selectedIndex(), 2);
    EXPECT_EQ(view.items()[2]->frame().y(), 36);
    EXPECT_EQ(view.contentRect().y(), 54);

    click(QPointF(50, 150));  // the content area
    EXPECT_EQ(clickedTag, -1);
    EXPECT_EQ(view.selectedIndex(), 2);
}

TEST_F(AccordionTest, HoverFollowsTheMouseOverHeaders) {
    addThree();
    view.show();
    move(QPointF(10, 285));
    EXPECT_EQ(view.highlightedIndex(), 2);
    EXPECT_EQ(view.itemUnderMouse(), view.items()[2]);
    move(QPointF(10, 100));
    EXPECT_EQ(view.highlightedIndex(), -1);
    EXPECT_EQ(view.itemUnderMouse(), nullptr);
    move(QPointF(10, 5));
    EXPECT_EQ(view.highlightedIndex(), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(view.highlightedIndex(), -1);
    // Out-of-range dirty marks are ignored.
    view.setItemDirty(-1);
    view.setItemDirty(3);
}

// Marks the area it is handed and keeps the left half of it.
class IconItem : public KlAccordionItem {
public:
    using KlAccordionItem::KlAccordionItem;
    QRectF drawImageInRect(QPainter& painter, const QRectF& rect) override {
        received = rect;
        painter.fillRect(QRectF(rect.x(), rect.y(), 4, rect.height()), Qt::red);
        return rect.adjusted(rect.width() / 2, 0, 0, 0);
    }
    QRectF received;
};

TEST_F(AccordionTest, DrawsFillsDisclosureOnlyForSeveralItemsAndTheItemHook) {
    auto icon = std::make_shared<IconItem>(QStringLiteral("Icons"), 1);
    view.addItem(icon);
    const int w = KlAccordionView::selectedDisclosureImage().width();
    QImage image = draw();
    EXPECT_EQ(icon->received, QRectF(w + 4, 0, 200 - w - 4, 18));
    EXPECT_EQ(image.pixelColor(w + 5, 9), QColor(Qt::red));
    // A single item shows no disclosure triangle.
    for (int x = 2; x < 2 + w; ++x) {
        for (int y = 1; y < 1 + w; ++y) {
            ASSERT_EQ(image.pixelColor(x, y), normalSolidFill().toRgb()) << x << "," << y;
        }
    }

    view.addItemWithTitle(QStringLiteral("Second"), 2);
    image = draw();
    bool triangle = false;
    for (int x = 2; x < 2 + w; ++x) {
        for (int y = 1; y < 1 + w; ++y) {
            triangle |= image.pixelColor(x, y) != normalSolidFill().toRgb();
        }
    }
    EXPECT_TRUE(triangle);

    view.show();
    move(QPointF(150, 290));
    image = draw();
    EXPECT_EQ(image.pixelColor(150, 299), textFillColor().toRgb());
    EXPECT_EQ(image.pixelColor(150, 17), normalSolidFill().toRgb());
}

}  // namespace

KELO_TEST_MAIN_GUI()
