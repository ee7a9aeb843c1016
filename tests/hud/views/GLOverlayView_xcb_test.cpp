#include "hud/views/GLOverlayView.h"

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QDialog>
#include <QImage>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>

#include <memory>

namespace {

// A canvas that counts its frames.
class Canvas : public QOpenGLWidget {
public:
    using QOpenGLWidget::QOpenGLWidget;
    int frames = 0;

protected:
    void paintGL() override {
        ++frames;
        context()->functions()->glClearColor(0.2f, 0.3f, 0.4f, 1);
        context()->functions()->glClear(GL_COLOR_BUFFER_BIT);
    }
};

class GLOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath(QStringLiteral("defaults.plist")));
        window = std::make_unique<HUDThemeKeloWindow>();
        window->setGeometry(100, 100, 400, 300);
        canvas = new Canvas(window.get());
        canvas->setGeometry(30, 20, 300, 200);
        window->show();
        ASSERT_TRUE(processUntil(
            [&] { return canvas->frames > 0 && window->windowHandle()->isExposed(); }, 5000));
        processUntil([] { return false; }, 100);
    }

    void TearDown() override {
        overlay.reset();
        window.reset();
    }

    // A 120 x 40 overlay, 8 points in, with one control group.
    void makeOverlay(bool modal) {
        overlay = std::make_unique<GLOverlayView>(canvas, QSize(120, 40), 8, modal);
        group = new QWidget(overlay.get());
        group->setGeometry(10, 5, 60, 30);
        button = new QPushButton(QStringLiteral("Go"), group);
        button->setGeometry(2, 2, 40, 20);
    }

    // Whether the canvas drew since `frames`, which then moves on.
    bool newFrame(int& frames) {
        const bool drew = processUntil([&] { return canvas->frames > frames; }, 300);
        frames = canvas->frames;
        return drew;
    }

    QPoint corner() const { return canvas->mapToGlobal(QPoint(8, 8)); }

    std::unique_ptr<HUDThemeKeloWindow> window;
    Canvas* canvas = nullptr;
    std::unique_ptr<GLOverlayView> overlay;
    QWidget* group = nullptr;
    QPushButton* button = nullptr;
};

TEST_F(GLOverlayTest, ShowsAtTheCanvasCornerAndRedisplaysOnlyAfterTheFirstCall) {
    makeOverlay(false);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(overlay->parentWindow(), nullptr);

    int frames = canvas->frames;
    ASSERT_FALSE(newFrame(frames));
    overlay->updateVisible(true, false);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(overlay->isWindow());
    EXPECT_EQ(overlay->parentWidget(), window.get());
    EXPECT_EQ(overlay->parentWindow(), window.get());
    EXPECT_EQ(overlay->pos(), corner());
    EXPECT_FALSE(newFrame(frames));

    overlay->updateVisible(true, false);
    EXPECT_FALSE(newFrame(frames));
    overlay->updateVisible(true, true);
    EXPECT_TRUE(newFrame(frames));

    overlay->updateVisible(false, false);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(overlay->parentWidget(), nullptr);
    EXPECT_FALSE(newFrame(frames));

    overlay->updateVisible(true, false);
    EXPECT_EQ(overlay->parentWidget(), window.get());
    EXPECT_EQ(overlay->pos(), corner());
    EXPECT_TRUE(newFrame(frames));
}

TEST_F(GLOverlayTest, FollowsTheWindowOnlyWhenToldItMoved) {
    makeOverlay(false);
    overlay->updateVisible(true, false);
    const QPoint before = overlay->pos();
    window->move(160, 140);
    ASSERT_TRUE(processUntil([&] { return corner() != before; }, 5000));
    EXPECT_EQ(overlay->pos(), before);
    overlay->parentWindowResized();
    EXPECT_EQ(overlay->pos(), corner());
}

TEST_F(GLOverlayTest, BacksEachControlGroupAndLeavesTheRestClear) {
    makeOverlay(false);
    overlay->updateVisible(true, false);
    QImage image(overlay->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    overlay->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    EXPECT_EQ(image.pixelColor(100, 20).alpha(), 0);
    const QColor backing = image.pixelColor(65, 30);
    EXPECT_NEAR(backing.alphaF(), 0.9, 0.01);
    EXPECT_NEAR(backing.redF(), darkStrokeColor().redF(), 0.02);
}

TEST_F(GLOverlayTest, ModalOverlayKeepsTakingClicksWhileADialogRuns) {
    makeOverlay(true);
    overlay->updateVisible(true, false);
    EXPECT_EQ(overlay->windowType(), Qt::ToolTip);
    bool blocked = false;
    struct Watch : QObject {
        bool* blocked;
        explicit Watch(bool* b) : blocked(b) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::WindowBlocked) *blocked = true;
            return false;
        }
    } watch(&blocked);
    overlay->installEventFilter(&watch);
    QDialog dialog(window.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    processUntil([] { return false; }, 200);
    EXPECT_FALSE(blocked);
    EXPECT_TRUE(window->testAttribute(Qt::WA_WState_Visible));
    dialog.hide();
}

}  // namespace

KELO_TEST_MAIN_GUI()
