#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/KeloBlankView.h"
#include "hud/views/KeloRemoteScrollView.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/cells/MitreRect.h"
#include "hud/views/ScrollViewEventDelegate.h"
#include "hud/views/VNSViewCategory.h"
#include "hud/views/ViewInterface.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

namespace {

KELO_TEMP_DEFAULTS();

struct ColouredView : QWidget, BackgroundColorProtocol {
    using QWidget::QWidget;
    QColor backgroundColor() const override { return colour; }
    void setBackgroundColor(const QColor& c) override { colour = c; }
    void setDrawsBackground(bool d) override { draws = d; }
    QColor colour;
    bool draws = false;
};

QRgb rgb(const QColor& c) {
    return c.rgb() | 0xff000000u;
}

TEST(MitreRect, BezelStylesPutEachColourOnItsEdges) {
    const QColor lit(250, 0, 0), side(0, 250, 0), dark(0, 0, 250), blank(Qt::white);
    struct Case {
        int style;
        bool flipped;
        QColor top, bottom, left, right;  // as seen in the y-down image
    };
    const Case cases[] = {
        {0, true, dark, lit, lit, dark},       {1, true, lit, dark, dark, lit},
        {2, true, lit, dark, side, side},      {2, false, dark, lit, side, side},
        {4, true, dark, lit, side, side},      {3, false, lit, dark, side, side},
        {5, true, blank, blank, blank, blank},
    };
    for (const Case& c : cases) {
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(blank);
        QPainter painter(&image);
        drawBezelForRect(painter, QRectF(0, 0, 20, 20), lit, side, dark, 1.0, c.style, c.flipped);
        painter.end();
        SCOPED_TRACE(testing::Message() << "style " << c.style << " flipped " << c.flipped);
        EXPECT_EQ(image.pixel(10, 0), rgb(c.top));
        EXPECT_EQ(image.pixel(10, 19), rgb(c.bottom));
        EXPECT_EQ(image.pixel(0, 10), rgb(c.left));
        EXPECT_EQ(image.pixel(19, 10), rgb(c.right));
        EXPECT_EQ(image.pixel(10, 10), rgb(blank)) << "the bevel is only its width deep";
        EXPECT_EQ(image.pixel(10, 1), rgb(blank));
    }
}

TEST(MitreRect, CornersAreMitred) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    MitreRect(painter, QRectF(0, 0, 20, 20), MitreEdgeMinY, 4, Qt::black);
    painter.end();
    EXPECT_EQ(image.pixel(10, 3), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, 3), qRgb(255, 255, 255)) << "inner side is shortened at the ends";
    EXPECT_EQ(image.pixel(10, 5), qRgb(255, 255, 255));
}

TEST(ViewCategory, SuperviewColourSearch) {
    QWidget plainTop;
    QWidget* plain = new QWidget(&plainTop);
    QWidget* leaf = new QWidget(plain);
    EXPECT_EQ(getSuperviewColor(leaf), HUDThemeKelo::instance()->headerFillColor());

    ColouredView top;
    top.colour = QColor(10, 20, 30);
    auto* uncoloured = new ColouredView(&top);
    auto* inner = new QWidget(uncoloured);
    EXPECT_EQ(getSuperviewColor(inner), QColor(10, 20, 30)) << "views without a colour are passed";

    auto* target = new ColouredView(uncoloured);
    EXPECT_EQ(useSuperviewColor(target), QColor(10, 20, 30));
    EXPECT_EQ(target->colour, QColor(10, 20, 30));
    EXPECT_TRUE(target->draws);

    auto* lonely = new ColouredView(&plainTop);
    EXPECT_EQ(useSuperviewColor(lonely), HUDThemeKelo::instance()->normalSolidFill());
}

TEST(ViewCategory, UseSuperviewColourReachesOnlyAPlainViewport) {
    struct OwnClip : QWidget {
        using QWidget::QWidget;
    };
    ColouredView top;
    top.colour = QColor(40, 50, 60);
    auto* plainArea = new QScrollArea(&top);
    auto* customArea = new QScrollArea(&top);
    customArea->setViewport(new OwnClip);
    const bool customFilledBefore = customArea->viewport()->autoFillBackground();
    useSuperviewColor(plainArea);
    useSuperviewColor(customArea);
    EXPECT_TRUE(plainArea->viewport()->autoFillBackground());
    EXPECT_EQ(plainArea->viewport()->palette().color(QPalette::Window), QColor(40, 50, 60));
    EXPECT_EQ(customArea->viewport()->autoFillBackground(), customFilledBefore);
    EXPECT_NE(customArea->viewport()->palette().color(QPalette::Window), QColor(40, 50, 60));
}

TEST(ViewCategory, AdjustYMovesDirectChildrenOnly) {
    QWidget parent;
    auto* a = new QWidget(&parent);
    a->setGeometry(5, 30, 10, 10);
    auto* grandchild = new QWidget(a);
    grandchild->setGeometry(1, 2, 3, 3);
    auto* b = new QWidget(&parent);
    b->setGeometry(0, 50, 10, 10);
    adjustYpositionRecursively(&parent, -10);
    EXPECT_EQ(a->pos(), QPoint(5, 20));
    EXPECT_EQ(b->pos(), QPoint(0, 40));
    EXPECT_EQ(grandchild->pos(), QPoint(1, 2));
}

TEST(ViewCategory, RectStringsRoundTrip) {
    EXPECT_EQ(NSStringFromRect(QRectF(1, 2.5, 30, 40)), "{{1, 2.5}, {30, 40}}");
    EXPECT_EQ(NSRectFromString("{{1, 2.5}, {30, 40}}"), QRectF(1, 2.5, 30, 40));
    EXPECT_EQ(NSSizeFromString(NSStringFromSize(QSizeF(-3, 7))), QSizeF(-3, 7));
    EXPECT_TRUE(NSRectFromString("{{1, 2}}").isNull());
    EXPECT_FALSE(NSSizeFromString("garbage").isValid());
    EXPECT_EQ(StrFromRect(QRectF(1, 2, 3, 4)), "{{1, 2}, {3, 4}} maxXY 4.0,6.0");
}

TEST(ViewCategory, DumpDescribesTreeOverlapsAndLimits) {
    EXPECT_EQ(doDump(nullptr, 5, "x"), "!!! attempt to dump nil layer\n");

    QWidget root;
    root.setGeometry(0, 0, 100, 100);
    auto* field = new QLineEdit("hello", &root);
    field->setGeometry(0, 0, 50, 20);
    auto* box = new QCheckBox("Loop", &root);
    box->setGeometry(40, 10, 50, 20);
    box->setChecked(true);
    auto* hidden = new QWidget(&root);
    hidden->setGeometry(0, 0, 100, 100);
    hidden->hide();

    const QString all = doDump(&root, 50, "   ");
    EXPECT_TRUE(
        all.startsWith("   class: 'QWidget' frame: {{0, 0}, {100, 100}} maxXY 100.0,100.0 "))
        << qPrintable(all);
    EXPECT_TRUE(all.contains("    - class: 'QLineEdit' ")) << qPrintable(all);
    EXPECT_TRUE(all.contains("text: 'hello' \n"));
    EXPECT_TRUE(all.contains("title: 'Loop' state: 1 \n"));
    EXPECT_TRUE(all.contains(" HIDDEN "));
    // The field and the box overlap, reported for both orders; the hidden view is left out.
    EXPECT_EQ(all.count("    SIBLING OVERLAP RECT {{40, 10}, {10, 10}}"), 2) << qPrintable(all);
    EXPECT_EQ(all.count("    SIBLING1 OVERLAP: class:"), 2);

    const QString limited = doDump(&root, 2, "");
    EXPECT_EQ(limited.count(" - class:"), 1) << "a limit of 2 shows one child";
    EXPECT_EQ(doDump(&root, 0, "").count('\n'), 1);
    gNSViewDumpDepth = 3;
    EXPECT_EQ(recursiveDumpViews(&root).count("    - class:"), 2);
    gNSViewDumpDepth = 1;
}

TEST(ViewInterface, SavesAndRestoresFrameAndMonitorSize) {
    QWidget window;
    window.setGeometry(100, 120, 300, 200);
    auto* first = new QWidget(&window);
    first->resize(80, 60);
    QTableView table;
    ViewInterface withMonitor(&window, &table);
    withMonitor.setName("statusPane");
    withMonitor.saveState();
    const QVariantMap saved = UserDefaults::standard().object("statusPane").toMap();
    EXPECT_EQ(saved.value("windowframe").toString(), "{{100, 120}, {300, 200}}");
    EXPECT_EQ(saved.value("monitorsize").toString(), "{80, 60}");

    window.setGeometry(0, 0, 50, 50);
    first->resize(10, 10);
    withMonitor.restoreState(&window);
    EXPECT_EQ(window.geometry(), QRect(100, 120, 300, 200));
    EXPECT_EQ(first->size(), QSize(80, 60));

    ViewInterface plain(&window, nullptr);
    plain.setName("plainPane");
    plain.saveState();
    EXPECT_FALSE(UserDefaults::standard().object("plainPane").toMap().contains("monitorsize"));
    first->resize(10, 10);
    window.setGeometry(5, 5, 60, 60);
    plain.restoreState(&window);
    EXPECT_EQ(window.geometry(), QRect(100, 120, 300, 200));
    EXPECT_EQ(first->size(), QSize(10, 10)) << "no monitor size stored, none applied";

    for (const char* frame : {"{{1, 2}, {0, 50}}", "{{1, 2}, {-5, 50}}", "junk"}) {
        UserDefaults::standard().setObject(
            "badPane", QVariantMap{{"windowframe", QString::fromLatin1(frame)}});
        ViewInterface bad(&window, nullptr);
        bad.setName("badPane");
        bad.restoreState(&window);
        EXPECT_EQ(window.geometry(), QRect(100, 120, 300, 200)) << frame;
    }

    QWidget empty;
    ViewInterface childless(&empty, &table);
    childless.setName("childless");
    childless.saveState();
    EXPECT_FALSE(UserDefaults::standard().object("childless").toMap().contains("monitorsize"));
}

TEST(KeloRemoteScrollView, DrawsCornersAndBevel) {
    KeloRemoteScrollView view;
    view.resize(60, 50);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.show();
    const QImage image = view.grab().toImage();
    const KeloUIAttributes* a = KeloUIAttributes::attributes();
    const int v = view.verticalScrollBar()->width(), h = view.horizontalScrollBar()->height();
    EXPECT_EQ(image.pixel(60 - 2 - v / 2, 50 - 2 - h / 2), rgb(a->bgColour()))
        << "the corner between the scroll bars";
    // Style 4 in a y-down view: dark along the top, lit along the bottom.
    EXPECT_EQ(image.pixel(30, 0), rgb(a->drkColour()));
    EXPECT_EQ(image.pixel(30, 49), rgb(a->litColour()));
    EXPECT_EQ(image.pixel(0, 25), rgb(a->angColour()));
    EXPECT_EQ(image.pixel(59, 25), rgb(a->angColour()));
}

TEST(KeloRemoteScrollView, ClicksGoToTheDelegate) {
    struct Clicks : ScrollViewEventDelegate {
        bool mouseDown(QMouseEvent*) override {
            ++count;
            return true;
        }
        int count = 0;
    } delegate;
    KeloRemoteScrollView view;
    view.resize(60, 50);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &press);
    EXPECT_EQ(delegate.count, 0);
    view.setEventDelegate(&delegate);
    QCoreApplication::sendEvent(view.viewport(), &press);
    EXPECT_EQ(delegate.count, 1);
}

TEST(KeloBlankView, FillsWithTheTextFieldColour) {
    KeloBlankView view;
    view.resize(8, 8);
    EXPECT_EQ(view.grab().toImage().pixel(4, 4), rgb(HUDThemeKelo::instance()->textFieldColour()));
}

}  // namespace

KELO_TEST_MAIN_GUI()
