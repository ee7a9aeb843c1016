#include "app/KeloMainWindow.h"
#include "app/KeloStatusLine.h"

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
    line.updateInfoBar(now + 5100);
    EXPECT_EQ(line.text(), "");

    line.showStatusText("Error x");
    EXPECT_EQ(line.textColour(), QColor(Qt::red));
    EXPECT_EQ(line.flashStepsLeft(), 10);

    line.showStatusText("note", Qt::green);
    EXPECT_EQ(line.flashStepsLeft(), 0);
    line.updateInfoBar(now + 9000);
    EXPECT_EQ(line.text(), "note");
    line.updateInfoBar(now + 10100);
    EXPECT_EQ(line.text(), "");

    line.showStatusText("plain");
    line.showStatusText("");
    line.updateInfoBar(QDateTime::currentMSecsSinceEpoch());
    EXPECT_EQ(line.text(), "");
    EXPECT_EQ(line.showStatusTextUntil(), 0);
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
