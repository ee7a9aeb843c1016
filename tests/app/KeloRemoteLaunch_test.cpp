// The controller once the program has started: where it ran is recorded, the
// new-version check runs and shows its offer over the main window, and the
// pinned panels follow the application's activation.
#include "app/KeloCompositionRoot.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "foundation/InternetVersionCheck.h"
#include "foundation/OmLog.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "support/HttpPageServer.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"
#include "tabbar/TbTabView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <optional>
#include <thread>

namespace {

class Launch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        remote = std::make_unique<KeloRemote>(
            std::make_unique<KeloRemoteSettings>(dir.filePath("KeloRemote.plist")));
        root = std::make_unique<KeloCompositionRoot>(remote->frontEnd());
        ASSERT_TRUE(root->install()) << KeloCompositionRoot::missing().join(", ").toStdString();
        tick = std::make_unique<KeloRemoteTick>(*link, log);
        remote->awakeFromNib(*link, *tick, "4.2.0", dir.path());
        remote->mainWindow()->show();

        // The release notes come from a page on loopback, and this test
        // program counts as installed.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QCoreApplication::setApplicationVersion(QStringLiteral("4.2.0"));
        UserDefaults::standard().setObject(kVersionCheckPageKey, server.url());
        InternetVersionCheck::instance()->setInstallPrefix(QCoreApplication::applicationDirPath());
        InternetVersionCheck::instance()->setTimeout(5000);
    }

    void TearDown() override {
        remote.reset();
        tick.reset();
        root.reset();
        link.reset();
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Launches and waits for the version check's outcome.
    std::optional<bool> launch() {
        std::optional<bool> outcome;
        QEventLoop loop;
        auto connection = QObject::connect(InternetVersionCheck::instance(),
                                           &InternetVersionCheck::checkFinished, [&](bool offered) {
                                               outcome = offered;
                                               loop.quit();
                                           });
        remote->applicationDidFinishLaunching(QStringLiteral("/opt/Kelo Verozo/bin"));
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!outcome) loop.exec();
        QObject::disconnect(connection);
        return outcome;
    }

    QTemporaryDir dir;
    linktest::FakeSockets sockets;
    OmLog log;
    HttpPageServer server;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemote> remote;
    std::unique_ptr<KeloCompositionRoot> root;
    std::unique_ptr<KeloRemoteTick> tick;
};

TEST_F(Launch, RecordsWhereItRanAndOffersANewerVersionOverTheMainWindow) {
    server.page = "<a href=\"Kelo-Verozo-4.3.0.dmg\">\n";
    EXPECT_EQ(launch(), true);
    EXPECT_TRUE(server.request().startsWith("GET /kelo-software-software-release-notes/"));
    EXPECT_EQ(UserDefaults::standard().string("last_launch_path"),
              QStringLiteral("/opt/Kelo Verozo/bin"));
    QFile file(dir.filePath("defaults.plist"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/opt/Kelo Verozo/bin")) << "written to disk at once";

    auto* overlay = remote->mainWindow()->findChild<OverlayView*>();
    ASSERT_NE(overlay, nullptr) << "the offer shows over the main window's pages";
    const QString message =
        overlay->findChild<OverlayTextField*>()->attributedStringValue().string();
    EXPECT_TRUE(message.startsWith("Newer version 4.3.0 available here:\n"))
        << message.toStdString();
    // Over the pages, whole, where the operator sees it.
    EXPECT_TRUE(overlay->isVisible());
    KeloMainWindow* window = remote->mainWindow();
    const QRect pages(window->tabView()->mapToGlobal(QPoint()), window->tabView()->size());
    EXPECT_TRUE(pages.contains(overlay->geometry()))
        << overlay->x() << "," << overlay->y() << " " << overlay->width() << "x"
        << overlay->height();
    // The overlay is a window of its own: drawn into the picture where it stands.
    QImage picture(window->size(), QImage::Format_ARGB32_Premultiplied);
    window->render(&picture);
    overlay->render(&picture, overlay->pos() - window->mapToGlobal(QPoint()), QRegion(),
                    QWidget::DrawChildren);
    EXPECT_TRUE(picture.save(artefactPath("app-version-offer.png")));
}

TEST_F(Launch, PinnedPanelsStopFloatingWhileAnotherProgramIsActive) {
    server.page = "nothing new\n";
    launch();
    HUDThemeKeloWindow panel;
    panel.setIsPanel(true);
    panel.show();
    HUDThemeKeloWindow plain;
    plain.show();
    ASSERT_TRUE(panel.windowFlags() & Qt::WindowStaysOnTopHint);

    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    emit app->applicationStateChanged(Qt::ApplicationActive);
    emit app->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(panel.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_FALSE(plain.windowFlags() & Qt::WindowStaysOnTopHint);
    emit app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(panel.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_FALSE(plain.windowFlags() & Qt::WindowStaysOnTopHint);
}

}  // namespace

KELO_TEST_MAIN_GUI()
