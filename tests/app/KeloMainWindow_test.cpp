#include "app/KeloMainWindow.h"
#include "app/KeloStatusLine.h"
#include "hud/theme/VNSColorCategory.h"

#include "support/PixelTestSupport.h"
#include "support/TestMain.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabViewItem.h"

#include <QDateTime>
#include <QThread>

namespace {

TEST(MainWindowTitle, FollowsVersionAndInstallName) {
    struct Case {
        const char* version;
        const char* path;
        const char* title;
    } cases[] = {
        {"5.2 r1234", "/opt/Kelo Verozo.app", "Kelo Verozo 5.2"},
        {"5.2", "/opt/Kelo Verozo Beta.app", "Kelo Verozo Beta (5.2)"},
        {"5.2 r9", "/opt/Kelo Verozo v5.app", "Kelo Verozo 5.2"},
        {"5.2", "/opt/Kelo Verozo 5", "Kelo Verozo 5.2"},
        {"5.2", "/opt/Kelo Verozo B", "Kelo Verozo 5.2"},
        {"5.2", "/usr/bin/kelo-verozo", "Kelo Verozo 5.2"},
        // On Linux the install is the executable's folder, whatever the
        // executable is called; its own subfolders do not name it.
        {"5.2 r7", "/opt/Kelo Verozo Beta", "Kelo Verozo Beta (5.2)"},
        {"5.2", "/opt/Kelo Verozo Beta/bin", "Kelo Verozo Beta (5.2)"},
        {"5.2", "/home/op/Kelo Verozo 5.2/bin", "Kelo Verozo 5.2"},
    };
    for (const Case& c : cases) EXPECT_EQ(mainWindowTitle(c.version, c.path), c.title) << c.path;
}

TEST(KeloMainWindow, SevenTabsInOrderWithPlaceholderPages) {
    KeloMainWindow window;
    window.show();
    EXPECT_EQ(window.tabLabels(), (QStringList{"Status", "Content", "Pixel Map", "Preferences",
                                               "Outputs", "Mixes", "Image Remap"}));
    EXPECT_EQ(window.tabBar()->cells().size(), 7u);
    for (int id = 1; id <= 7; ++id) ASSERT_NE(window.tabItem(id)->view(), nullptr);
    window.grab().save(artefactPath("KeloMainWindow.png"));
}

TEST(KeloStatusLine, ColoursFlashingAndExpiry) {
    KeloStatusLine line;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();

    line.showStatusText("disk warning");
    EXPECT_EQ(line.textColour(), QColor(Qt::yellow));
    EXPECT_EQ(line.flashStepsLeft(), 10);
    for (int i = 0; i < 10; ++i) line.updateInfoBar(now);
    EXPECT_EQ(line.flashStepsLeft(), 0);
    EXPECT_EQ(line.text(), "disk warning");
    EXPECT_TRUE(line.styleSheet().contains(QColor(Qt::yellow).name()));
    // Expired, it goes as a tool tip goes: 100 ms later.
    line.updateInfoBar(now + 5100);
    EXPECT_EQ(line.showStatusTextUntil(), 0);
    line.updateInfoBar(now + 5300);
    EXPECT_EQ(line.text(), "");

    line.showStatusText("Error x");
    EXPECT_EQ(line.textColour(), QColor(Qt::red));
    EXPECT_EQ(line.flashStepsLeft(), 10);

    line.showStatusText("note", Qt::green);
    EXPECT_EQ(line.flashStepsLeft(), 0);
    line.updateInfoBar(now + 9000);
    EXPECT_EQ(line.text(), "note");
    line.updateInfoBar(now + 10100);
    EXPECT_EQ(line.showStatusTextUntil(), 0);
    line.updateInfoBar(now + 10300);
    EXPECT_EQ(line.text(), "");

    line.showStatusText("plain");
    line.showStatusText("");
    line.updateInfoBar(QDateTime::currentMSecsSinceEpoch());
    EXPECT_EQ(line.text(), "");
    EXPECT_EQ(line.showStatusTextUntil(), 0);
}

// The window's tool-tip text shows while no message does, in its colour or
// the tool-tip colour, and is cleared 100 ms after it goes; the window's
// calls never count flash steps.
TEST(KeloStatusLine, FollowsTheWindowsToolTip) {
    KeloStatusLine line;
    KeloColouredWindow window;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    line.updateInfoBar(now, InfoBarSender::Tick, &window);
    line.updateInfoBar(now + 200, InfoBarSender::Tick, &window);

    window.setToolTipInfo("Kelo A: wrong subnet", Qt::red);
    line.updateInfoBar(now + 210, InfoBarSender::Window, &window);
    EXPECT_EQ(line.text(), "Kelo A: wrong subnet");
    EXPECT_EQ(line.shownColour(), QColor(Qt::red));
    window.setToolTipInfo("Analyzing...", QColor());
    line.updateInfoBar(now + 220, InfoBarSender::Window, &window);
    EXPECT_EQ(line.shownColour(), toolTipColor());

    window.setToolTipInfo(QString(), QColor());
    line.updateInfoBar(now + 230, InfoBarSender::Window, &window);
    EXPECT_EQ(line.text(), "Analyzing...") << "not at once";
    EXPECT_EQ(line.showTooltipUntil(), now + 330);
    line.updateInfoBar(now + 300, InfoBarSender::Tick, &window);
    EXPECT_EQ(line.text(), "Analyzing...");
    line.updateInfoBar(now + 400, InfoBarSender::Tick, &window);
    EXPECT_EQ(line.text(), "");
    EXPECT_EQ(line.showTooltipUntil(), 1);

    // A message has the line; its tool tip shows once the message expires.
    line.showStatusText("disk warning");
    window.setToolTipInfo("Kelo B: wrong subnet", Qt::red);
    for (int i = 0; i < 30; ++i) line.updateInfoBar(now + 500, InfoBarSender::Window, &window);
    EXPECT_EQ(line.text(), "disk warning");
    EXPECT_EQ(line.flashStepsLeft(), 10);
    line.updateInfoBar(now + 5600, InfoBarSender::Tick, &window);
    EXPECT_EQ(line.text(), "Kelo B: wrong subnet");
}

TEST(KeloStatusLine, TextFromAnotherThreadArrivesOnMain) {
    KeloStatusLine line;
    QThread* worker = QThread::create([&] { line.showStatusText("from worker"); });
    worker->start();
    worker->wait();
    delete worker;
    QCoreApplication::processEvents();
    EXPECT_EQ(line.text(), "from worker");
}

}  // namespace

KELO_TEST_MAIN_GUI()
