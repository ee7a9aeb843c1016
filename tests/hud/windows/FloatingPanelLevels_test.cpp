#include "hud/windows/FloatingPanelLevels.h"

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/KeloAlert.h"
#include "platform/UserDefaults.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

bool floats(const QWidget& window) {
    return window.windowFlags() & Qt::WindowStaysOnTopHint;
}

// A floating panel (the monitor HUD) sinks under each modal alert and
// floats again once the last one has gone; a window that is no panel, or a
// hidden panel, is left as it is.
TEST(FloatingPanelLevels, ModalWindowsComeAboveFloatingPanels) {
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    HUDThemeKeloWindow hud, hiddenPanel, plain;
    hud.setIsPanel(true);
    hiddenPanel.setIsPanel(true);
    hud.setGeometry(100, 100, 300, 120);
    hud.show();
    plain.show();
    ASSERT_TRUE(floats(hud));

    KeloAlert first(KeloAlert::kWarning, "Reset Preferences", "", {"Cancel", "Reset Preferences"});
    first.open();
    ASSERT_TRUE(processUntil([&] { return first.isVisible(); }));
    EXPECT_FALSE(floats(hud)) << "the alert comes above the HUD";
    EXPECT_TRUE(hud.isVisible()) << "the HUD stays on screen";
    EXPECT_EQ(hud.geometry(), QRect(100, 100, 300, 120));
    EXPECT_FALSE(floats(hiddenPanel)) << "a hidden panel sinks too, and shows below";
    EXPECT_FALSE(floats(plain));
    EXPECT_TRUE(FloatingPanelLevels::panelsLowered());

    // An error alert that opens as the first closes keeps the panels down.
    KeloAlert second(KeloAlert::kCritical, "Error clearing new preferences", "", {"OK", "Cancel"});
    first.done(0);
    second.open();
    processUntil([] { return false; }, 50);
    EXPECT_FALSE(floats(hud));
    second.done(0);
    ASSERT_TRUE(processUntil([&] { return floats(hud); }));
    EXPECT_TRUE(hud.isVisible());
    EXPECT_TRUE(floats(hiddenPanel));
    EXPECT_FALSE(hiddenPanel.isVisible());
    EXPECT_FALSE(floats(plain));
    EXPECT_FALSE(FloatingPanelLevels::panelsLowered());

    // Unpinned while an alert is open: it stays down afterwards.
    first.open();
    ASSERT_TRUE(processUntil([&] { return !floats(hud); }));
    hud.setIsPanel(false);
    first.done(0);
    processUntil([] { return false; }, 50);
    EXPECT_FALSE(floats(hud));
}

}  // namespace

KELO_TEST_MAIN_GUI()
