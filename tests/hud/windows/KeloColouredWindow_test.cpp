#include "hud/windows/KeloColouredWindow.h"

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/KeloColouredPanel.h"
#include "hud/windows/NSWindow_Additions.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// Colours read the contrast settings; keep them away from the real defaults.
KELO_TEMP_DEFAULTS();

// A focused control that records the keys it is sent.
struct KeyLog : QLineEdit {
    using QLineEdit::QLineEdit;
    void keyPressEvent(QKeyEvent* e) override {
        keys.push_back({e->key(), e->modifiers(), e->text()});
        e->accept();
    }
    struct Key {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    std::vector<Key> keys;
};

template <typename Window>
void expectEscapeBecomesCancelKey() {
    Window window;
    auto* field = new KeyLog(&window);
    window.show();
    field->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(window.focusWidget(), field);

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    QApplication::sendEvent(&window, &esc);
    ASSERT_EQ(field->keys.size(), 1u);
    EXPECT_EQ(field->keys[0].key, Qt::Key_Period);
    EXPECT_EQ(field->keys[0].modifiers, Qt::ControlModifier);
    EXPECT_EQ(field->keys[0].text, ".");
    EXPECT_TRUE(window.isVisible());

    // With an overlay open, its Escape button takes the key instead.
    auto* overlayWindow = new QWidget(&window, Qt::Tool);
    overlayWindow->setProperty(kOverlayViewProperty, true);
    auto* later = new QPushButton("Later", overlayWindow);
    later->setShortcut(QKeySequence(Qt::Key_Escape));
    int laterClicks = 0;
    QObject::connect(later, &QPushButton::clicked, [&] { ++laterClicks; });
    overlayWindow->show();
    QApplication::sendEvent(&window, &esc);
    EXPECT_EQ(laterClicks, 1);
    EXPECT_EQ(field->keys.size(), 1u);
}

TEST(KeloColouredWindow, EscapeBecomesCancelKeyUnlessAnOverlayTakesIt) {
    expectEscapeBecomesCancelKey<KeloColouredWindow>();
}

TEST(KeloColouredPanel, EscapeBecomesCancelKeyUnlessAnOverlayTakesIt) {
    expectEscapeBecomesCancelKey<KeloColouredPanel>();
}

TEST(KeloColouredPanel, EscapeThatNoControlTakesCancelsTheDialog) {
    KeloColouredPanel panel;
    int rejected = 0;
    QObject::connect(&panel, &QDialog::rejected, [&] { ++rejected; });
    panel.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    QApplication::sendEvent(&panel, &esc);
    EXPECT_EQ(rejected, 1);
    EXPECT_FALSE(panel.isVisible());
}

TEST(KeloColouredWindow, DisplayRestartsTheDrawThrottle) {
    KeloColouredWindow window;
    window.show();
    QApplication::processEvents();
    gNumDrawsSinceStartTime = 40;
    window.update();
    QApplication::processEvents();
    EXPECT_EQ(gNumDrawsSinceStartTime, 0u);
}

TEST(KeloColouredPanel, TitleLineMakesRoomForItems) {
    KeloColouredPanel panel;
    panel.resize(300, 200);
    panel.setTitleBarColour(Qt::yellow);
    panel.setTitle("Patch");
    ASSERT_NE(panel.titleview(), nullptr);
    EXPECT_EQ(panel.titleview()->text(), "Patch");
    EXPECT_EQ(panel.titleview()->geometry(), QRect(10, 0, 280, 16));
    EXPECT_EQ(panel.titleview()->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    EXPECT_NE(panel.windowTitle(), "Patch");
    auto* gear = new QWidget;
    gear->resize(20, 16);
    panel.addItemToTitleBar(gear, true);
    EXPECT_EQ(panel.titleview()->width(), 260);
    EXPECT_EQ(gear->pos(), QPoint(270, 0));
    panel.show();
    panel.resize(400, 200);
    EXPECT_EQ(gear->pos(), QPoint(370, 0));
}

}  // namespace

KELO_TEST_MAIN_GUI()
