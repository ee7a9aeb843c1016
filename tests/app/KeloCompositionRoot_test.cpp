#include "app/KeloCompositionRoot.h"
#include "app/KeloDesktopServices.h"

#include "app/KeloHeadlessFrontEnd.h"
#include "imageremap/ImageRemapMixes.h"
#include "app/KeloOutputsRemoteFiles.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloRemoteTickView.h"
#include "content/ContentUI.h"
#include "content/keloRootPath.h"
#include "foundation/KeloRootPathProvider.h"
#include "foundation/OmLog.h"
#include "graphics/ImageUtilColours.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeManager.h"
#include "platform/NotificationCenter.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KeloNetworkInterfaceUI.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloProfileNameProvider.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/MixRectangleServices.h"
#include "serverlink/OmNetInterface.h"
#include "serverlink/ServerLinkNotifications.h"
#include "settings/KlTroubleShooter.h"
#include "status/KeloRemoteOwner.h"
#include "status/ServerCollections.h"
#include "support/TestMain.h"

#include <QTemporaryDir>

#include <cstdio>

namespace {

// The headless front end, keeping what it was asked to show.
class RecordingFrontEnd : public KeloHeadlessFrontEnd {
public:
    void showStatusText(const QString& text, const QColor& color) override {
        texts << text;
        KeloHeadlessFrontEnd::showStatusText(text, color);
    }
    void updateInfoBar() override { ++infoBarUpdates; }

    QStringList texts;
    int infoBarUpdates = 0;
};

QString capturedStdout(const std::function<void()>& run) {
    ::testing::internal::CaptureStdout();
    run();
    std::fflush(stdout);
    return QString::fromStdString(::testing::internal::GetCapturedStdout());
}

TEST(KeloCompositionRoot, InstallsEveryInterfaceAndRemovesThemAgain) {
    EXPECT_FALSE(KeloCompositionRoot::missing().isEmpty()) << "nothing installed before the root";
    RecordingFrontEnd frontEnd;
    {
        KeloCompositionRoot root(frontEnd.frontEnd());
        ASSERT_TRUE(root.install()) << KeloCompositionRoot::missing().join(", ").toStdString();
        EXPECT_TRUE(KeloCompositionRoot::missing().isEmpty());

        // The real implementations answer through the lower layers' interfaces.
        EXPECT_NE(dynamic_cast<KeloRootPathFinder*>(KeloRootPathProvider::installed()), nullptr);
        EXPECT_EQ(KlStatusLine::installed(), &frontEnd);
        EXPECT_EQ(VTaskManagerUI::installed(), &frontEnd);
        EXPECT_EQ(HUDWindowServices::installed(), &frontEnd);
        EXPECT_EQ(StatusTabServices::installed(), &frontEnd);
        EXPECT_EQ(KeloRemoteOwner::installed(), &frontEnd);
        EXPECT_EQ(ContentUIServices::installed(), &frontEnd);
        EXPECT_EQ(ContentSyncServices::installed(), &frontEnd);
        EXPECT_NE(dynamic_cast<KeloDesktopServices*>(ContentDesktopServices::installed()), nullptr);
        EXPECT_NE(KlTroubleShooter::installed(), nullptr);
        EXPECT_EQ(ServerCollectionsContent::installed(), ContentUI::instance());
        EXPECT_NE(ImageRemapMixes::installed(), nullptr);
        EXPECT_NE(dynamic_cast<KeloOutputsRemoteFiles*>(KlOutputsRemoteFiles::installed()), nullptr);
        EXPECT_EQ(HUDThemeManager::keyedManager()->themeForKey(kHUDGradientThemeKey),
                  HUDThemeKelo::instance());
        KeloObject kelo;
        kle_general_stat s{};
        s.profile = 20;
        ASSERT_TRUE(kelo.setGeneralStatus(&s, sizeof s));
        kelo.setIsRunning(true);
        EXPECT_EQ(kelo.profileName(), "Heron v5.x");
        EXPECT_EQ(MixRectangleServices::shared().applyRemoteChanges(
                      QVariantMap{{"002", QVariantMap{{"name", "Wall"}}}}),
                  2);
        ASSERT_EQ(MixRectangleServices::shared().sortedMixRectangles().size(), 1u);
        EXPECT_EQ(MixRectangleServices::shared().sortedMixRectangles()[0].name, "Wall");

        // Address conflicts reach the status line.
        KeloNetworkInterfaceUI::shared().showConflictNotice(
            "Kelo Verozo: Network IP Address "
            "Conflict: - eth0");
        EXPECT_EQ(frontEnd.texts, QStringList{"Kelo Verozo: Network IP Address Conflict: - eth0"});
    }
    const QStringList gone = KeloCompositionRoot::missing();
    for (const char* name :
         {"KeloRootPathProvider", "VTaskManagerUI", "InternetVersionCheckUI", "KlStatusLine",
          "ImageUtilColours", "KeloProfileNameProvider", "MixRectangleServices",
          "KeloNetworkInterfaceUI", "HUDWindowServices", "StatusTabServices", "KeloRemoteOwner",
          "KlTroubleShooter", "ContentUIServices", "ContentSyncServices", "ContentDesktopServices",
          "ServerCollectionsContent", "ImageRemapMixes",
          "KlOutputsRemoteFiles"})
        EXPECT_TRUE(gone.contains(name)) << name;
}

TEST(KeloCompositionRoot, RefusesToStartWhenTheFrontEndLacksAService) {
    RecordingFrontEnd frontEnd;
    KeloFrontEnd partial = frontEnd.frontEnd();
    partial.statusLine = nullptr;
    KeloCompositionRoot root(partial);
    bool started = true;
    const QString log = capturedStdout([&] { started = root.install(); });
    EXPECT_FALSE(started);
    EXPECT_EQ(KeloCompositionRoot::missing(), QStringList{"KlStatusLine"});
    EXPECT_TRUE(log.contains("cannot start: nothing installed for KlStatusLine"))
        << log.toStdString();
}

// A view that counts what the tick asked of it.
struct CountingView : KeloRemoteTickView {
    void reloadData() override { ++reloads; }
    void performUpdate() override { ++updates; }
    int reloads = 0;
    int updates = 0;
};

class RootWithLink : public ::testing::Test {
protected:
    void SetUp() override {
        OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        root = std::make_unique<KeloCompositionRoot>(frontEnd.frontEnd());
        ASSERT_TRUE(root->install());
    }
    void TearDown() override {
        root.reset();
        link.reset();
        OmNetInterface::setInterfaceLister({});
    }

    RecordingFrontEnd frontEnd;
    OmLog log;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloCompositionRoot> root;
    linktest::FakeSockets sockets;
    std::vector<linktest::Sent>& sent = sockets.sent;
};

TEST_F(RootWithLink, RoutesTheRemoteNotificationToTheLink) {
    KeloObject* kelo = link->addKeloForName("Kelo Far");
    kelo->setAddress(0x7F000002, 0x7F000002);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    const QVariantMap set{
        {"type", 2}, {"fixtureName", "Kelo Far"}, {"prefName", "level"}, {"prefValue", "7"}};
    centre.post(kKeloRemoteNotification, nullptr, set);
    EXPECT_TRUE(sent.empty()) << "no route before the link is started";

    root->startLink(*link, log);
    centre.post(kKeloRemoteNotification, nullptr, set);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(
        sent[0].datagram.endsWith(QByteArray("level\0"
                                             "7\0",
                                             8)));

    // Moves are the controller's own: logged, never sent.
    const QString logged = capturedStdout([&] {
        centre.post(kKeloRemoteNotification, nullptr, {{"type", 3}, {"fixtureName", "Kelo Far"}});
    });
    EXPECT_TRUE(logged.contains(" move ")) << logged.toStdString();
    EXPECT_EQ(sent.size(), 1u);
    const QString unknown = capturedStdout([&] {
        centre.post(kKeloRemoteNotification, nullptr, {{"type", 9}});
    });
    EXPECT_TRUE(unknown.contains("unhandled KeloRemoteNotification")) << unknown.toStdString();
}

TEST_F(RootWithLink, TickReloadsOnServerListChangesAndPostsTheLinksNotification) {
    KeloRemoteTick& tick = root->startLink(*link, log);
    EXPECT_EQ(&tick, root->tick());
    EXPECT_EQ(&root->startLink(*link, log), &tick) << "one tick per root";
    CountingView first, second;
    tick.addView(&first);
    tick.addView(&second);
    tick.addView(&first);
    int posted = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "kKeloPatchChangedNotification", nullptr, [&](const Notification&) { ++posted; });

    link->addKeloForName("Kelo New");  // a server appeared
    tick.tick();
    EXPECT_EQ(first.reloads, 1);
    EXPECT_EQ(second.reloads, 1);
    EXPECT_EQ(first.updates, 1);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(link->changes(), 0);
    EXPECT_EQ(frontEnd.infoBarUpdates, 1);

    // Nothing changed: views update, nothing reloads or posts.
    tick.removeView(&second);
    tick.tick();
    EXPECT_EQ(first.reloads, 1);
    EXPECT_EQ(first.updates, 2);
    EXPECT_EQ(second.updates, 1);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(frontEnd.infoBarUpdates, 2);

    EXPECT_FALSE(tick.isActive());
    tick.start();
    EXPECT_TRUE(tick.isActive());
    tick.stop();
}

}  // namespace

KELO_TEST_MAIN_GUI()
