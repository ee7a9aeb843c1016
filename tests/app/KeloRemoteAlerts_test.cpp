#include "app/KeloDesktopServices.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "app/KeloRemoteCommands.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "content/ContentNewerFileDialog.h"
#include "content/SimpleRemoteDelegate.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/KlLogUI.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "status/ServerCollections.h"
#include "support/AlertProbe.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <thread>

namespace {

// Stands in for the file viewer and the relaunch, so that a wrong answer
// shows in the counts instead of restarting the test.
struct RecordingTaskUI : VTaskManagerUI {
    void revealInFileViewer(const QString& path) override { revealed << path; }
    void relaunchNow() override { ++relaunches; }
    QStringList revealed;
    int relaunches = 0;
};

// The program's controller over fake sockets, with its settings file.
class Alerts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        linktest::useTestInterfaces();
        writeSettings();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        remote = std::make_unique<KeloRemote>(
            std::make_unique<KeloRemoteSettings>(dir.filePath("KeloRemote.plist")));
        tick = std::make_unique<KeloRemoteTick>(*link, log);
        remote->awakeFromNib(*link, *tick, "5.2 r1234", "/opt/kelo/Kelo Verozo");
        VTaskManagerUI::install(&taskUI);
    }
    void TearDown() override {
        VTaskManagerUI::install(nullptr);
        remote.reset();
        tick.reset();
        link.reset();
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void writeSettings() {
        QFile file(dir.filePath("KeloRemote.plist"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(PropertyList::write(QVariantMap{{"curr_layout", "0"}}, PropertyList::Format::Xml));
    }

    QTemporaryDir dir;
    linktest::FakeSockets sockets;
    OmLog log;
    RecordingTaskUI taskUI;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemoteTick> tick;
    std::unique_ptr<KeloRemote> remote;
};

// Every alert of the program, reached the way the program reaches it: the
// buttons as they stand left to right, and the buttons that Return and
// Escape press ("" when Escape presses none and the alert stays open).
TEST_F(Alerts, ButtonsStandInTheirOrderWithTheirReturnAndEscapeButtons) {
    ContentNewerFileQuestion newer;
    newer.message = "Overwrite Newer File?";
    newer.applyToThisFile = "to this file";
    newer.applyToAll = "to all newer files (2 remaining)";
    newer.applyToAllInFolder = "to all newer files in folder 'clips'";
    ServerCollections collections(link.get());
    SimpleRemoteDelegate shares(remote->mainWindow(), link.get());

    const struct {
        const char* message;
        std::function<void()> show;
        QStringList buttons;
        const char* returnKey;
        const char* escapeKey;
        // Answers to alerts that come before the one in question.
        QStringList before = {};
    } alerts[] = {
        {"Reset Preferences",
         [&] { remote->commands()->resetAllToDefaults(); },
         {"Cancel", "Reset Preferences", "Reveal In Finder"},
         "Cancel",
         "Cancel"},
        {"Error clearing new preferences",
         [&] {
             QFile::remove(remote->settingsFilePath());
             remote->commands()->resetAllToDefaults();
         },
         {"OK", "Cancel"},
         "OK",
         "Cancel",
         {"Reset Preferences"}},
        {"Log", [&] { remote->actionProc(35); }, {"OK"}, "OK", "OK"},
        {"Selected bandwidth is higher than allowed limit of 1000 Mb/s!",
         [&] { remote->commands()->bitRateCommit(true, 1200, false); },
         {"Use Maximum"},
         "Use Maximum",
         "Use Maximum"},
        {"Open New Instance?",
         [&] {
             remote->runAlert({true, "Open New Instance?", "Only one instance of Verozo may be run",
                               {"Cancel", "Continue"}});
         },
         {"Cancel", "Continue"},
         "Cancel",
         "Cancel"},
        {"Restarting",
         [&] { remote->runAlert({true, "Restarting", "Continue?", {"Continue", "Quit"}}); },
         {"Continue", "Quit"},
         "Continue",
         ""},
        {"Launch?",
         [] { KeloDesktopServices().confirmLaunchPilot(); },
         {"Launch", "Cancel"},
         "Launch",
         "Cancel"},
        {"Set Collection Failed",
         [&] { collections.checkCollectionChange({{"name", "Kelo A"}, {"collectionID", 2}}); },
         {"OK", "Cancel"},
         "OK",
         "Cancel"},
        {"Warning",
         [&] { shares.showAlert("Warning", "The share did not answer", "Cancel"); },
         {"Cancel"},
         "Cancel",
         "Cancel"},
        {"Overwrite Newer File?",
         [&] { ContentNewerFileDialog(newer, remote->mainWindow()).ask(); },
         {"Sync", "Skip", "Cancel (Do not start this job)"},
         "Sync",
         "Cancel (Do not start this job)"},
    };
    for (const auto& alert : alerts) {
        SCOPED_TRACE(alert.message);
        for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
            std::vector<AlertAnswer> answers;
            for (const QString& click : alert.before) answers.push_back({0, click});
            answers.push_back({key, {}});
            AlertProbe probe(answers);
            alert.show();
            ASSERT_TRUE(processUntil([&] { return probe.seen.size() >= answers.size(); }, 3000));
            const SeenAlert& seen = probe.seen.back();
            EXPECT_EQ(seen.text, alert.message);
            EXPECT_EQ(seen.buttons, alert.buttons);
            if (key == Qt::Key_Return) {
                EXPECT_EQ(seen.returnKey, alert.returnKey);
                seen.picture.save(artefactPath(
                    QStringLiteral("Alert %1.png").arg(QString(alert.message).remove('?').remove('!'))));
            } else {
                EXPECT_EQ(seen.escapeKey, alert.escapeKey);
            }
        }
    }
    EXPECT_EQ(taskUI.relaunches, 2) << "only the two answers that chose the reset";
    EXPECT_TRUE(taskUI.revealed.isEmpty());
}

}  // namespace

// Started as the program is with "-x", whose log command then explains itself.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    std::vector<char*> args(argv, argv + argc);
    char x[] = "-x";
    args.push_back(x);
    int count = int(args.size());
    QApplication app(count, args.data());
    return RUN_ALL_TESTS();
}
