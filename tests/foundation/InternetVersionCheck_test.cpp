#include "foundation/InternetVersionCheck.h"

#include "platform/UserDefaults.h"
#include "support/HttpPageServer.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QTimer>

#include <optional>

namespace {

KELO_TEMP_DEFAULTS();

TEST(KlVersion, ReadsVersionTexts) {
    const struct {
        const char* text;
        const char* prefix;
        bool valid;
        int major, minor, sub, rev;
    } cases[] = {
        {"v3.12.4 r1234", "", true, 3, 12, 4, 1234},
        {"3.12", "", true, 3, 12, 0, 0},
        {"Kelo 4.2.1", "Kelo ", true, 4, 2, 1, 0},
        {"4.2.1", "Kelo ", false, 0, 0, 0, 0},
        {"4.2.1", "v", true, 4, 2, 1, 0},
        {"v", "", false, 0, 0, 0, 0},
        {"garbage", "", false, 0, 0, 0, 0},
        {"99999999999.1", "", false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const KlVersion v = InternetVersionCheck::klVersionWithString(
            QString::fromLatin1(c.text), QString::fromLatin1(c.prefix));
        EXPECT_EQ(v.valid, c.valid) << c.text;
        EXPECT_EQ(v.major, c.major) << c.text;
        EXPECT_EQ(v.minor, c.minor) << c.text;
        EXPECT_EQ(v.sub, c.sub) << c.text;
        EXPECT_EQ(v.rev, c.rev) << c.text;
    }
}

TEST(KlVersion, NewestDownloadOnThePage) {
    QString text;
    KlVersion v = InternetVersionCheck::newestOnPage(
        "<a href=\"Kelo-Verozo-4.2.1.dmg\">\n<a href=\"Kelo-Verozo-4.3.0.zip\">\n"
        "Kelo-Verozo-9.9.9 without a download\n",
        &text);
    EXPECT_EQ(text, QStringLiteral("4.3.0"));
    v = InternetVersionCheck::newestOnPage("Kelo-Verozo-v4.2.1.dmg\n", &text);
    EXPECT_EQ(text, QStringLiteral("4.2.1"));
    const KlVersion r500{true, 4, 2, 1, 500};
    const KlVersion r480{true, 4, 2, 1, 480};
    const KlVersion plain{true, 4, 2, 1, 0};
    EXPECT_TRUE(isNewerVersion(r480, r500)) << "the lower build counts as newer";
    EXPECT_FALSE(isNewerVersion(plain, r480));
    EXPECT_FALSE(isNewerVersion(r480, plain));
    v = InternetVersionCheck::newestOnPage(QByteArray("\xff\xfe\x00garbage", 10), &text);
    EXPECT_FALSE(v.valid);
}

class VersionCheck : public ::testing::Test {
protected:
    void SetUp() override {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QCoreApplication::setApplicationVersion(QStringLiteral("4.2.0"));
        UserDefaults& defaults = UserDefaults::standard();
        defaults.remove(kNotifyNewVersionLaterKey);
        defaults.remove(kIgnoreThisUpdateKey);
        defaults.setObject(kVersionCheckPageKey, server.url());
        check()->setInstallPrefix(QCoreApplication::applicationDirPath());
        check()->setTimeout(1000);
        InternetVersionCheckUI::install(&ui);
    }
    void TearDown() override { InternetVersionCheckUI::install(nullptr); }

    static InternetVersionCheck* check() { return InternetVersionCheck::instance(); }

    // The outcome of one check, or nothing when it did not finish in time.
    std::optional<bool> run() {
        std::optional<bool> outcome;
        QEventLoop loop;
        auto connection =
            QObject::connect(check(), &InternetVersionCheck::checkFinished, [&](bool offered) {
                outcome = offered;
                loop.quit();
            });
        QTimer::singleShot(0, [] { check()->internetVersionCheck(); });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(connection);
        return outcome;
    }

    class UI : public InternetVersionCheckUI {
    public:
        void notifyNewerVersion(const QString& address) override { offers.append(address); }
        QStringList offers;
    } ui;
    HttpPageServer server;
};

TEST_F(VersionCheck, OffersOnlyANewerVersion) {
    server.page = "<p>Kelo-Verozo-4.2.1.dmg</p>\n";
    EXPECT_EQ(run(), true);
    EXPECT_TRUE(server.request().startsWith("GET /kelo-software-software-release-notes/"));
    ASSERT_EQ(ui.offers.size(), 1);
    EXPECT_EQ(ui.offers.first(), server.url());
    EXPECT_EQ(check()->newestVersionStr(), QStringLiteral("4.2.1"));

    UserDefaults::standard().remove(kNotifyNewVersionLaterKey);
    server.page = "<p>Kelo-Verozo-4.2.0.dmg</p>\n";
    EXPECT_EQ(run(), false);
    server.page = QByteArray(5000, '\x80');
    EXPECT_EQ(run(), false);
    EXPECT_EQ(ui.offers.size(), 1);
}

TEST_F(VersionCheck, BadServersEndTheCheckSilently) {
    server.page = QByteArray(50 * 1024 * 1024, 'K');
    server.page.append("\nKelo-Verozo-9.0.0.dmg\n");
    EXPECT_EQ(run(), false) << "50 MB page";

    server.silent = true;
    EXPECT_EQ(run(), false) << "no answer";

    const QString address = server.url();
    server.close();
    UserDefaults::standard().setObject(kVersionCheckPageKey, address);
    EXPECT_EQ(run(), false) << "refused";
    EXPECT_TRUE(ui.offers.isEmpty());
}

TEST_F(VersionCheck, SkipRules) {
    server.page = "Kelo-Verozo-4.2.1.dmg\n";
    check()->showLinkLater();
    EXPECT_EQ(run(), false) << "after Later";
    EXPECT_TRUE(server.request().isEmpty()) << "no fetch within two days";
    UserDefaults::standard().setObject(
        kNotifyNewVersionLaterKey,
        UserDefaults::standard().doubleValue(kNotifyNewVersionLaterKey) - 172801);
    EXPECT_EQ(run(), true) << "two days later";

    check()->disableCheck();
    EXPECT_EQ(run(), false) << "disabled";
    UserDefaults::standard().remove(kNotifyNewVersionLaterKey);

    for (const char* ignored : {"4.2.1", "v4.2.1"}) {
        UserDefaults::standard().setObject(kIgnoreThisUpdateKey, QString::fromLatin1(ignored));
        EXPECT_EQ(run(), false) << ignored;
    }
    server.page = "Kelo-Verozo-4.3.0.dmg\n";
    EXPECT_EQ(run(), true) << "a later version than the ignored one";
    check()->ignoreThisUpdate();
    EXPECT_EQ(UserDefaults::standard().string(kIgnoreThisUpdateKey), QStringLiteral("4.3.0"));

    UserDefaults::standard().remove(kNotifyNewVersionLaterKey);
    check()->setInstallPrefix(QStringLiteral("/nowhere/kelo"));
    EXPECT_EQ(run(), false) << "not installed";
}

}  // namespace

KELO_TEST_MAIN_CORE()
