#include "app/KeloRemoteCommands.h"

#include "content/ShareMountOperation.h"
#include "foundation/KlStatusLine.h"
#include "foundation/VTaskManager.h"
#include "hud/theme/VNSColorCategory.h"
#include "platform/UserDefaults.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "support/AlertProbe.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>

namespace {

KELO_TEMP_DEFAULTS();

// Answers the modal alerts that open, in turn, with the buttons titled
// `answers`; records each.
class AlertAnswerer {
public:
    explicit AlertAnswerer(QStringList answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    std::vector<SeenAlert> seen;

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == last_) return;
        last_ = box;
        SeenAlert alert{box->text(), box->informativeText(), {}};
        for (QPushButton* b : AlertProbe::buttonsInOrder(box))
            alert.buttons << AlertProbe::shownText(b);
        seen.push_back(alert);
        const QString answer = answers_.value(int(seen.size()) - 1);
        for (QPushButton* b : AlertProbe::buttonsInOrder(box)) {
            if (AlertProbe::shownText(b) == answer) return b->click();
        }
        box->reject();
    }
    QStringList answers_;
    QTimer timer_;
    // Cleared when the alert goes: the next one may take its place in memory.
    QPointer<QMessageBox> last_;
};

struct RecordingOwner : KeloRemoteCommandsOwner {
    QString selectedKelo() override { return selected; }
    QStringList activeKeloes() override { return active; }
    void saveKeloes() override { ++saves; }
    void changeMonitorSetting(const QString& value, const QString& key) override {
        settings << key + "=" + value;
    }
    float bitRateFieldValue() override { return field; }
    void setBitRateFieldValue(float value) override { field = value; }
    void setBitRate(float rate, bool automatic) override {
        rates << rate;
        lastAutomatic = automatic;
    }
    bool controlState(int tag) override { return tag == 19 && automatic; }
    QString settingsFilePath() override { return settingsFile; }
    void quitApplication() override { ++quits; }

    QString selected;
    QStringList active;
    int saves = 0;
    QStringList settings;
    float field = 0;
    bool automatic = false;
    bool lastAutomatic = false;
    QList<float> rates;
    QString settingsFile;
    int quits = 0;
};

// The program's file viewer and relaunch.
struct RecordingTaskUI : VTaskManagerUI {
    void revealInFileViewer(const QString& path) override { revealed << path; }
    void relaunchNow() override { ++relaunches; }
    QStringList revealed;
    int relaunches = 0;
};

// A program standing in for xdg-open or gio: it writes its arguments and
// its standard input to files in `dir`.
QString recorder(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.args'\ncat > '%1.stdin'\n")
                     .arg(path)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(ShareAddress, OnlyDottedQuads) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"10.0.0.5", true},
                 {"192.168.200.17", true},
                 {"127.0.0.1", false},
                 {"0.0.0.0", false},
                 {"300.1.1.1", false},
                 {"10.0.0", false},
                 {"10.0.0.5; rm -rf ~", false},
                 {"kelo.local", false},
                 {" 10.0.0.5", false},
                 {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(!KeloRemoteCommands::shareAddress(c.text).isEmpty(), c.ok) << c.text;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        commands = std::make_unique<KeloRemoteCommands>(link.get(), &owner);
    }
    void TearDown() override {
        KeloRemoteCommands::setInterfaceRoot({});
        KeloRemoteCommands::setOpenerProgram({});
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    RecordingOwner owner;
    std::unique_ptr<KeloRemoteCommands> commands;
};

TEST_F(Commands, BitRateAboveTheLimitUsesTheMaximum) {
    EXPECT_FALSE(commands->bitRateCommit(false, 1200, false)) << "a click waits for Return";
    owner.field = 1200;
    owner.automatic = true;
    commands->actionProc(19);
    EXPECT_TRUE(owner.rates.isEmpty());
    EXPECT_EQ(owner.saves, 0);

    AlertAnswerer answerer({"Use Maximum"});
    commands->actionProc(17);
    ASSERT_EQ(answerer.seen.size(), 1u) << "no server reachable: only the limit applies";
    EXPECT_EQ(answerer.seen[0].text,
              "Selected bandwidth is higher than allowed limit of 1000 Mb/s!");
    EXPECT_EQ(answerer.seen[0].informative, "Click 'Use Maximum' to use 1000 Mb/s");
    EXPECT_EQ(answerer.seen[0].buttons, QStringList{"Use Maximum"});
    EXPECT_EQ(owner.field, 1000.0f);
    EXPECT_EQ(owner.rates, QList<float>{1000.0f});
    EXPECT_TRUE(owner.lastAutomatic);
    EXPECT_EQ(owner.saves, 1);
}

TEST_F(Commands, BitRateAboveTheLinkSpeed) {
    QTemporaryDir sys;
    auto speedFile = [&](const QString& ifName, const QByteArray& text) {
        QDir(sys.path()).mkpath(ifName);
        QFile f(sys.filePath(ifName + "/speed"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    speedFile("eth0", "1000\n");
    speedFile("eth1", "-1\n");
    speedFile("eth2", "fast\n");
    KeloRemoteCommands::setInterfaceRoot(sys.path());
    const struct {
        const char* name;
        int want;
    } speeds[] = {{"eth0", 1000}, {"eth1", 0}, {"eth2", 0}, {"eth9", 0}, {"../eth0", 0}, {"", 0}};
    for (const auto& s : speeds)
        EXPECT_EQ(KeloRemoteCommands::linkSpeedOfInterface(s.name), s.want) << s.name;

    // A server heard on eth0, a port of this computer.
    OmNetInterface::setInterfaceLister([] {
        return std::vector<OmInterfaceAddress>{{"eth0", 0x0A000001, 0xFFFFFF00, 2, 0, {}}};
    });
    KeloNetworkInterface ports;
    ports.scanForInterfaces();
    KlE_Control_Status::Options options;
    options.timer = false;
    options.socketFactory = sockets.factory();
    options.networkInterface = &ports;
    KlE_Control_Status wired(options);
    KeloObject* kelo = wired.addKeloForName("Kelo Wired");
    kelo->setEthIfName("eth0");
    owner.active = {"Kelo Absent", "Kelo Wired"};
    KeloRemoteCommands withLink(&wired, &owner);
    EXPECT_EQ(withLink.linkSpeedTowardsServers(), 1000);

    {
        AlertAnswerer answerer({"Use Maximum"});
        EXPECT_EQ(withLink.bitRateCommit(true, 1200, false), 1000.0f);
        EXPECT_EQ(answerer.seen.size(), 1u) << "set to the limit, the 1000 Mb/s link says nothing";
    }
    speedFile("eth0", "100\n");
    {
        AlertAnswerer answerer({"Fix"});
        EXPECT_EQ(withLink.bitRateCommit(true, 400, false), 100.0f);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text,
                  "Selected bandwidth is higher than computer's interface speed!");
        EXPECT_EQ(answerer.seen[0].buttons, (QStringList{"Fix", "Ignore"}));
    }
    {
        AlertAnswerer answerer({"Ignore"});
        EXPECT_EQ(withLink.bitRateCommit(true, 400, false), 400.0f);
    }
    OmNetInterface::setInterfaceLister({});
}

TEST_F(Commands, DispatcherTagsAndLogAlert) {
    QAction breakouts("3");
    commands->actionProc(16, &breakouts);
    QAction height("96");
    commands->actionProc(15, &height);
    QAction layers("8");
    commands->actionProc(7, &layers);
    QAction format("16:9");
    commands->actionProc(8, &format);
    EXPECT_EQ(owner.settings, (QStringList{"breakout_cols=3", "hud_height=96", "layers=8"}))
        << "the monitor format (8) stores nothing";
    commands->actionProc(9);
    commands->actionProc(40);
    EXPECT_EQ(owner.saves, 6) << "unhandled tags are logged and still save";

    // The suite's main starts the program with "-x".
    AlertAnswerer answerer({"OK"});
    commands->actionProc(35);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, "Log");
    EXPECT_EQ(answerer.seen[0].informative,
              "Logging to stdout because of '-x' command-line argument");

    QAction item("anything");
    for (const auto& [tag, title] :
         std::vector<std::pair<int, QString>>{{1, "Show Server Preferences"},
                                              {4, "Show Projection Editor"},
                                              {5, "Show Preferences"},
                                              {13, "Enable Monitor HUD"}}) {
        item.setData(tag);
        commands->validateMenuItem(&item, false);
        EXPECT_EQ(item.text(), title);
    }
    item.setData(33);
    EXPECT_FALSE(commands->validateMenuItem(&item, false));
}

TEST_F(Commands, ResetOffersCancelResetAndReveal) {
    QTemporaryDir dir;
    owner.settingsFile = dir.filePath("KeloRemote.plist");
    RecordingTaskUI taskUI;
    VTaskManagerUI::install(&taskUI);
    UserDefaults::standard().setObject("Contrast", 0.5);
    {
        AlertAnswerer answerer({"Cancel"});
        commands->resetAllToDefaults();
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text, "Reset Preferences");
        EXPECT_EQ(answerer.seen[0].informative,
                  "This will reset all application preferences to defaults.");
        EXPECT_EQ(answerer.seen[0].buttons,
                  (QStringList{"Cancel", "Reset Preferences", "Reveal In Finder"}));
    }
    EXPECT_TRUE(UserDefaults::standard().contains("Contrast"));
    EXPECT_TRUE(taskUI.revealed.isEmpty());
    {
        AlertAnswerer answerer({"Reveal In Finder"});
        commands->resetAllToDefaults();
        EXPECT_EQ(taskUI.revealed,
                  (QStringList{UserDefaults::standard().filePath(), owner.settingsFile}));
        EXPECT_EQ(taskUI.relaunches, 0);
    }
    {
        QFile settings(owner.settingsFile);
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("<plist/>");
    }
    {
        AlertAnswerer answerer({"Reset Preferences"});
        commands->resetAllToDefaults();
        EXPECT_EQ(answerer.seen.size(), 1u);
        EXPECT_FALSE(QFile::exists(owner.settingsFile));
        EXPECT_FALSE(UserDefaults::standard().contains("Contrast"));
        EXPECT_EQ(taskUI.relaunches, 1);
    }
    {
        // Nothing to delete: the error is shown and the relaunch follows.
        AlertAnswerer answerer({"Reset Preferences", "OK"});
        commands->resetAllToDefaults();
        ASSERT_EQ(answerer.seen.size(), 2u);
        EXPECT_EQ(answerer.seen[1].text, "Error clearing new preferences");
        EXPECT_EQ(taskUI.relaunches, 2);
    }
    VTaskManagerUI::install(nullptr);
}

TEST_F(Commands, ContrastIsStoredAndReadBack) {
    commands->contrastChanged(0.5, 0.2);
    EXPECT_TRUE(commands->relaunchRequired());
    EXPECT_DOUBLE_EQ(gUIContrast, 0.75);
    EXPECT_NEAR(gUITextBrightness, 0.9, 1e-6);
    EXPECT_DOUBLE_EQ(UserDefaults::standard().doubleValue("Contrast"), 0.75);
    const auto [contrast, brightness] = KeloRemoteCommands::readUiContrastPreferences();
    ASSERT_TRUE(contrast && brightness);
    EXPECT_DOUBLE_EQ(*contrast, 0.5);
    EXPECT_NEAR(*brightness, 0.2, 1e-6);
}

// A changed contrast shows a sample right of the sliders, in the space
// between the brightness slider and the edge, over both sliders' height.
TEST_F(Commands, ContrastSampleBesideTheSliders) {
    QWidget box;
    box.resize(400, 60);
    QSlider contrast(Qt::Horizontal, &box), brightness(Qt::Horizontal, &box);
    contrast.setGeometry(100, 4, 160, 20);
    brightness.setGeometry(100, 32, 160, 20);
    for (QSlider* slider : {&contrast, &brightness})
        slider->setRange(0, KeloRemoteCommands::kContrastSliderSteps);
    commands->contrastChanged(0.5, 0.2);
    contrast.setValue(50);
    brightness.setValue(20);
    commands->contrastChanged(&contrast, &brightness);
    EXPECT_EQ(commands->contrastSample(), nullptr) << "nothing changed";

    contrast.setValue(40);
    commands->contrastChanged(&contrast, &brightness);
    QLabel* sample = commands->contrastSample();
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->parentWidget(), &box);
    EXPECT_EQ(sample->geometry(), QRect(280, 4, 115, 48));
    EXPECT_EQ(sample->text(), "Sample Contrast...\n(relaunch required)");
    EXPECT_EQ(sample->palette().color(QPalette::Window), colorWithContrastWhite(50.0 / 255.0, 1.0));
    EXPECT_NEAR(gUIContrast, 0.8, 1e-6);
    brightness.setValue(10);
    commands->contrastChanged(&contrast, &brightness);
    EXPECT_EQ(commands->contrastSample(), sample) << "made once";
}

TEST_F(Commands, HelpMenuListsEachManualOnce) {
    QTemporaryDir software, utilities;
    for (const char* name : {"Kelo Verozo Manual.pdf", "Other.pdf", "Kelo Verozo Notes.txt"}) {
        QFile f(software.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile(utilities.filePath("Kelo Verozo Quick Start.pdf")).open(QIODevice::WriteOnly);
    KeloRemoteCommands::setManualFolders({software.path(), utilities.path(), "/nonexistent/Kelo"});
    QMenu help("Help");
    help.addAction("Search");
    QAction* main = help.addAction("Kelo Verozo Help");
    help.addAction("Acknowledgements");
    commands->menuWillOpen(&help);
    commands->menuWillOpen(&help);
    QStringList titles;
    for (const QAction* a : help.actions()) titles << a->text();
    EXPECT_EQ(titles,
              (QStringList{"Search", "Kelo Verozo Help",
                           utilities.filePath("Kelo Verozo Quick Start.pdf"),
                           software.filePath("Kelo Verozo Manual.pdf"), "Acknowledgements"}));
    EXPECT_FALSE(main->isEnabled());
    RecordingTaskUI taskUI;
    VTaskManagerUI::install(&taskUI);
    help.actions()[3]->trigger();
    EXPECT_EQ(taskUI.revealed, QStringList{software.filePath("Kelo Verozo Manual.pdf")});
    VTaskManagerUI::install(nullptr);
    QMenu other("File");
    commands->menuWillOpen(&other);
    EXPECT_TRUE(other.actions().isEmpty());
}

// Stand-ins for the related applications: this user's processes by name.
TEST_F(Commands, QuitAllStopsOnlyTheRelatedApplications) {
    QTemporaryDir dir;
    const QString sleepBinary = QStandardPaths::findExecutable("sleep");
    ASSERT_FALSE(sleepBinary.isEmpty());
    for (const char* name : {"kelo-egret", "kelo-daemon", "kelo-other"})
        ASSERT_TRUE(QFile::link(sleepBinary, dir.filePath(name)));
    QProcess egret, daemon, other;
    egret.start(dir.filePath("kelo-egret"), {"30"});
    // The daemon ignores the request to quit: ignored signals stay ignored across exec.
    daemon.start("/bin/sh", {"-c", "trap '' TERM; exec \"$0\" 30", dir.filePath("kelo-daemon")});
    other.start(dir.filePath("kelo-other"), {"30"});
    ASSERT_TRUE(egret.waitForStarted() && daemon.waitForStarted() && other.waitForStarted());
    ASSERT_TRUE(processUntil(
        [] { return !KeloRemoteCommands::processesNamed("kelo-daemon").empty(); }, 3000));
    EXPECT_EQ(KeloRemoteCommands::processesNamed("kelo-egret"),
              std::vector<int64_t>{egret.processId()});

    commands->quitAllRelatedApps();
    EXPECT_EQ(owner.quits, 1);
    EXPECT_TRUE(egret.waitForFinished(1000));
    EXPECT_EQ(daemon.state(), QProcess::Running) << "given time to quit";
    ASSERT_TRUE(processUntil([&] { return daemon.state() == QProcess::NotRunning; },
                             KeloRemoteCommands::kQuitGraceMs + 2000));
    EXPECT_EQ(daemon.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(other.state(), QProcess::Running) << "unrelated processes are left alone";
    other.kill();
    other.waitForFinished();
}

// The real link against a simulated server over loopback.
class ServerCommands : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(42000 + 3 * line));
        statusPort = options.statusPort;
        prefsPort = options.prefsPort;
        link = std::make_unique<KlE_Control_Status>(options);
        sim = std::make_unique<KeloServerSim>(simNetworkFor(options));
        KeloServerSim::Config config;
        config.name = "Kelo Cmd";
        config.address = 0x7F040001 + (uint32_t(line) << 8);
        address = QString("%1.%2.%3.%4")
                      .arg(config.address >> 24)
                      .arg(config.address >> 16 & 0xFF)
                      .arg(config.address >> 8 & 0xFF)
                      .arg(config.address & 0xFF);
        sim->addServer(config);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Cmd"); }, 3000));
        kelo = link->addKeloForName("Kelo Cmd");
        ASSERT_TRUE(processUntil([&] { return kelo->isRunning(); }, 3000));
        owner.selected = "Kelo Cmd";
        owner.active = {"Kelo Cmd"};
        commands = std::make_unique<KeloRemoteCommands>(link.get(), &owner);
    }
    void TearDown() override {
        KeloRemoteCommands::setOpenerProgram({});
        ShareMountOperation::setMounterProgram({});
        commands.reset();
        sim.reset();
        link.reset();
    }

    // Datagrams other than the link's own polling, as hex, per port.
    std::vector<KeloServerSim::Received> sentCommands() {
        std::vector<KeloServerSim::Received> found;
        for (auto& r : sim->takeReceived(0)) {
            const bool polling = r.bytes.mid(2, 7) == "KlEStat" && r.bytes.size() > 11 &&
                                 (uint8_t(r.bytes[11]) == 10 || uint8_t(r.bytes[11]) == 16);
            if (!polling) found.push_back(r);
        }
        return found;
    }

    uint16_t statusPort = 0, prefsPort = 0;
    QString address;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloObject* kelo = nullptr;
    RecordingOwner owner;
    std::unique_ptr<KeloRemoteCommands> commands;
};

TEST_F(ServerCommands, ReachTheServerByteForByte) {
    sentCommands();
    for (int tag : {7, -1, -2, -5, -6, 0, -7}) commands->sendCommand(tag);
    const QByteArray klec = QByteArray("KlEC") + QByteArray::fromHex("0c000000");
    const struct {
        uint16_t port;
        QByteArray bytes;
    } expected[] = {
        {prefsPort, QByteArray::fromHex("000e") + QByteArray("KlEStat\0", 8) +
                        QByteArray::fromHex("00070000")},
        {statusPort, klec + "SHOW"},
        {statusPort, klec + "EXEC"},
        {statusPort, klec + "PRBE"},
        {statusPort, klec + "PRBX"},
        {statusPort, klec + QByteArray::fromHex("fffffffa")},
    };
    std::vector<KeloServerSim::Received> got;
    ASSERT_TRUE(processUntil(
        [&] {
            for (auto& r : sentCommands()) got.push_back(r);
            return got.size() >= std::size(expected);
        },
        2000));
    processUntil([] { return false; }, 200);
    for (auto& r : sentCommands()) got.push_back(r);
    ASSERT_EQ(got.size(), std::size(expected));
    for (uint16_t port : {prefsPort, statusPort}) {
        std::vector<QByteArray> want, have;
        for (const auto& e : expected)
            if (e.port == port) want.push_back(e.bytes.toHex());
        for (const auto& r : got)
            if (r.port == port) have.push_back(r.bytes.toHex());
        EXPECT_EQ(have, want) << "port " << port;
    }
}

TEST_F(ServerCommands, MenuFollowsTheServersState) {
    QAction remote("Restart"), exec("Start"), probeAll("Probe All");
    remote.setData(3);
    exec.setData(-2);
    probeAll.setData(-6);
    EXPECT_TRUE(commands->validateMenuItem(&remote, true));
    EXPECT_FALSE(commands->validateMenuItem(&exec, true)) << "already running";
    sim->setRunning(0, false);
    ASSERT_TRUE(processUntil([&] { return !kelo->isRunning(); }, 4000));
    EXPECT_FALSE(commands->validateMenuItem(&remote, true));
    EXPECT_TRUE(commands->validateMenuItem(&exec, true));
    owner.selected.clear();
    EXPECT_FALSE(commands->validateMenuItem(&exec, true));
    EXPECT_TRUE(commands->validateMenuItem(&probeAll, true));

    QMenu menu;
    menu.addAction("Show")->setData(-1);
    commands->setupCommandsMenu(&menu, true);
    owner.selected = "Kelo Cmd";
    sentCommands();
    menu.actions()[0]->trigger();
    ASSERT_TRUE(processUntil([&] {
        for (auto& r : sentCommands())
            if (r.bytes.endsWith("SHOW")) return true;
        return false;
    }));
}

TEST_F(ServerCommands, ShareAndScreenSharingGetTheAddressAndNoPassword) {
    QTemporaryDir dir;
    const QString opener = recorder(dir, "opener");
    const QString mounter = recorder(dir, "gio");
    KeloRemoteCommands::setOpenerProgram(opener);
    ShareMountOperation::setMounterProgram(mounter);

    commands->sendCommand(-4);
    ASSERT_TRUE(processUntil([&] { return !readFile(opener + ".args").isEmpty(); }, 3000));
    EXPECT_EQ(readFile(opener + ".args"), "vnc://" + address + "\n");
    QFile::remove(opener + ".args");

    // Return takes the last button, as a script's alert does.
    AlertProbe answerer(std::vector<AlertAnswer>{{Qt::Key_Return, {}}});
    commands->sendCommand(-3);
    ASSERT_TRUE(processUntil([&] { return !answerer.seen.empty(); }, 3000));
    EXPECT_EQ(answerer.seen[0].returnKey, "Continue");
    EXPECT_EQ(answerer.seen[0].text, "Check DATE & TIME on both computers!");
    // No AFP, which this system cannot mount; the ampersand reads as itself.
    EXPECT_EQ(answerer.seen[0].buttons, (QStringList{"Open Date & Time", "Continue"}));
    EXPECT_FALSE(answerer.seen[0].informative.contains("AFP"));
    ASSERT_TRUE(processUntil([&] { return !readFile(mounter + ".stdin").isEmpty(); }, 3000));
    EXPECT_EQ(readFile(mounter + ".args"), "mount\nsmb://" + address + "/\n");
    EXPECT_EQ(readFile(mounter + ".stdin"), "ombrel\n\nkvrd\n")
        << "the login goes to standard input only";
    ASSERT_TRUE(processUntil([&] { return !readFile(opener + ".args").isEmpty(); }, 3000));
    EXPECT_EQ(readFile(opener + ".args"), "smb://" + address + "/\n");

    // A desktop without a program for the link: the operator reads so in the
    // status line, as when the opener itself is missing.
    struct RecordingStatusLine : KlStatusLine {
        void showStatusText(const QString& text, const QColor&) override { texts << text; }
        QStringList texts;
    } statusLine;
    KlStatusLine::install(&statusLine);
    const auto uninstall = qScopeGuard([] { KlStatusLine::install(nullptr); });
    const QString refusing = dir.filePath("refusing");
    {
        QFile script(refusing);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexit 4\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    const QString failed = "Error: this desktop has no program for screen sharing (vnc://" + address + ")";
    for (const QString& program : {refusing, dir.filePath("no-such-opener")}) {
        statusLine.texts.clear();
        KeloRemoteCommands::setOpenerProgram(program);
        commands->sendCommand(-4);
        EXPECT_TRUE(processUntil([&] { return !statusLine.texts.isEmpty(); }, 3000)) << program.toStdString();
        EXPECT_EQ(statusLine.texts, QStringList{failed});
    }
    KeloRemoteCommands::setOpenerProgram(opener);

    // Nothing for a server the link does not know.
    QFile::remove(opener + ".args");
    owner.selected = "Kelo Nobody";
    commands->sendCommand(-4);
    processUntil([] { return false; }, 300);
    EXPECT_FALSE(QFile::exists(opener + ".args"));
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
