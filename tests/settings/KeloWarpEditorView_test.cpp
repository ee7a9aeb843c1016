// The warp grid with real events offscreen: selecting, dragging, nudging,
// resetting, five-point mode and degenerate grids.

#include "settings/KeloWarpEditorView.h"
#include "hud/controls/HUDButton.h"
#include "support/MouseEvents.h"
#include "support/TestMain.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

struct Grid {
    explicit Grid(int cols = 3, int rows = 3, const QVariantMap& d = {}) {
        window.resize(340, 260);
        view = new KeloWarpEditorView(&window);
        view->setGeometry(0, 0, 300, 200);
        all = new HUDButton(QStringLiteral("All Points"), &window);
        five = new HUDButton(QStringLiteral("Five Point"), &window);
        reset = new HUDButton(QStringLiteral("Reset All"), &window);
        all->setGeometry(0, 210, 100, 20);
        five->setGeometry(100, 210, 100, 20);
        reset->setGeometry(200, 210, 100, 20);
        view->setRadioButtons(all, five);
        view->setResetAllButton(reset);
        view->setCols(cols);
        view->setRows(rows);
        view->setDictionary(d);
        window.show();
    }
    // The widget point (y-down) in the middle of a cell.
    QPoint cellCentre(int column, int row) const {
        const QRectF a = view->activeRect();
        const double w = a.width() / view->cols(), h = a.height() / view->rows();
        return QPoint(int(a.left() + (column + 0.5) * w),
                      view->height() - int(a.top() + (row + 0.5) * h));
    }
    QWidget window;
    KeloWarpEditorView* view = nullptr;
    HUDButton *all = nullptr, *five = nullptr, *reset = nullptr;
};

TEST(KeloWarpEditorView, PositionsKeysAndStoredPoints) {
    Grid g;
    EXPECT_EQ(g.view->pointForCell(1), QPointF(-1, -1));
    EXPECT_EQ(g.view->pointForCell(5), QPointF(0, 0));
    EXPECT_EQ(g.view->pointForCell(9), QPointF(1, 1));
    EXPECT_EQ(g.view->dictionaryKeyForCell(6), "002.001");
    EXPECT_TRUE(g.view->dictionaryKeyForCell(0).isEmpty());
    EXPECT_EQ(g.view->defaultPositionForPoint(0), QPointF(-1, -1));
    g.view->setPoint(QPointF(0.1234, 0), 5);
    EXPECT_EQ(g.view->dictionary().value("001.001").toString(), "0.123,0.000");
    // A single row or column sits in the middle: no division by zero.
    for (auto [cols, rows] : {std::pair{1, 4}, std::pair{4, 1}, std::pair{1, 1}}) {
        Grid d(cols, rows);
        for (int n = 1; n <= cols * rows; ++n) {
            const QPointF p = d.view->pointForCell(n);
            EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y())) << cols << "x" << rows;
        }
        d.view->grab();
        QTest::mouseClick(d.view, Qt::LeftButton, {}, d.cellCentre(0, 0));
        EXPECT_EQ(d.view->clickedCell(), 1);
    }
}

TEST(KeloWarpEditorView, ClickSelectsDragMovesDoubleClickResets) {
    Grid g(4, 3);
    QSignalSpy changes(g.view, &KeloWarpEditorView::action);
    QTest::mousePress(g.view, Qt::LeftButton, {}, g.cellCentre(2, 1));
    EXPECT_EQ(g.view->clickedCell(), 7);
    EXPECT_EQ(g.view->selectedKey(), "002.001");
    EXPECT_EQ(g.view->dictionary().value("selection").toList(), QVariantList{"002.001"});
    drag(g.view, g.cellCentre(2, 1) + QPoint(50, 0));
    for (int i = 0; i < 10; ++i) g.view->timerProc();
    QTest::mouseRelease(g.view, Qt::LeftButton, {}, g.cellCentre(2, 1) + QPoint(50, 0));
    EXPECT_EQ(g.view->dictionary().value("002.001").toString(), "0.500,0.000");
    g.view->timerProc();  // sees the release and stops
    EXPECT_GT(changes.size(), 10);

    // Shift keeps only the larger component (y-up: 40 up).
    QTest::mousePress(g.view, Qt::LeftButton, {}, g.cellCentre(0, 0));
    drag(g.view, g.cellCentre(0, 0) + QPoint(30, -40), Qt::ShiftModifier);
    g.view->timerProc();
    QTest::mouseRelease(g.view, Qt::LeftButton, {}, g.cellCentre(0, 0));
    EXPECT_EQ(g.view->dictionary().value("000.000").toString(), "0.000,0.040");

    doubleClick(g.view, g.cellCentre(0, 0));
    EXPECT_FALSE(g.view->dictionary().contains("000.000"));
    EXPECT_FALSE(g.all->isEnabled()) << "4 x 3 has no five-point mode";
    g.view->setFivePointMode(true);
    EXPECT_FALSE(g.view->fivePointMode());

    // Outside the grid: nothing selected.
    QTest::mouseClick(g.view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(g.view->clickedCell(), 0);
    EXPECT_FALSE(g.view->dictionary().contains("selection"));
}

TEST(KeloWarpEditorView, KeysNudgeMoveAndReset) {
    Grid g;
    g.view->setFocus();
    QTest::keyClick(g.view, Qt::Key_Right);
    EXPECT_TRUE(g.view->dictionary().isEmpty()) << "nothing selected";
    QTest::keyClick(g.view, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(g.view->clickedCell(), 1);
    QTest::keyClick(g.view, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(g.view->clickedCell(), 4);
    QTest::keyClick(g.view, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(g.view, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(g.view->clickedCell(), 1) << "stays inside";
    QTest::keyClick(g.view, Qt::Key_Right);
    QTest::keyClick(g.view, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(g.view->dictionary().value("000.000").toString(), "0.010,0.001");
    QTest::keyClick(g.view, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(g.view->dictionary().contains("000.000"));
}

TEST(KeloWarpEditorView, FivePointMode) {
    Grid g(3, 3, {{"fivepoint", "1"}, {"linearity", "0.25,0.5"}, {"002.002", "0.1,0.1"}});
    EXPECT_TRUE(g.view->fivePointMode());
    EXPECT_TRUE(g.five->isChecked());
    QTest::mouseClick(g.view, Qt::LeftButton, {}, g.cellCentre(1, 0));
    EXPECT_EQ(g.view->clickedCell(), 0) << "edge midpoints are not picked";
    QTest::mouseClick(g.view, Qt::LeftButton, {}, g.cellCentre(2, 2));
    EXPECT_EQ(g.view->clickedCell(), 9);
    g.view->setFocus();
    QTest::keyClick(g.view, Qt::Key_Left, Qt::AltModifier);
    // The bottom midpoint sits a quarter of the way between the corners.
    EXPECT_NEAR(g.view->pointForCell(2).x(), -0.5, 1e-9);
    EXPECT_NEAR(g.view->pointForCell(8).x(), -1 + 0.25 * (1.099 + 1), 0.001);
    // The centre moves the linearity.
    QTest::mouseClick(g.view, Qt::LeftButton, {}, g.cellCentre(1, 1));
    QTest::keyClick(g.view, Qt::Key_Right);
    EXPECT_EQ(g.view->linearity(), QPointF(0.26, 0.5));
    EXPECT_EQ(g.view->dictionary().value("linearity").toString(), "0.260,0.500");

    QTest::mouseClick(g.reset, Qt::LeftButton);
    QVariantMap left = g.view->dictionary();
    EXPECT_EQ(left.keys(), (QStringList{"fivepoint", "selection"}));
    QTest::mouseClick(g.all, Qt::LeftButton);
    EXPECT_FALSE(g.view->fivePointMode());
    EXPECT_FALSE(g.view->dictionary().contains("fivepoint"));
}

}  // namespace

KELO_TEST_MAIN_GUI()
