#include "hud/windows/InternetVersionOverlay.h"

#include "hud/controls/HUDButton.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

namespace {

KELO_TEMP_DEFAULTS();

QStringList titles(OverlayView* overlay) {
    QStringList out;
    for (HUDButton* b : overlay->findChildren<HUDButton*>(Qt::FindDirectChildrenOnly))
        out << b->title();
    return out;
}

HUDButton* button(OverlayView* overlay, const QString& title) {
    for (HUDButton* b : overlay->findChildren<HUDButton*>(Qt::FindDirectChildrenOnly))
        if (b->title() == title) return b;
    return nullptr;
}

bool gone(const QPointer<OverlayView>& overlay) {
    return processUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return overlay.isNull();
    });
}

class Offer : public ::testing::Test {
protected:
    void SetUp() override {
        registerKeloThemes();
        window.setGeometry(100, 100, 500, 300);
        content->setGeometry(0, 0, 500, 300);
        window.show();
        UserDefaults::standard().remove(kNotifyNewVersionLaterKey);
        UserDefaults::standard().remove(kIgnoreThisUpdateKey);
    }
    HUDThemeKeloWindow window;
    QWidget* content = new QWidget(&window);
    InternetVersionOverlay offer{content};
};

TEST_F(Offer, FourAnswersAndTheirRules) {
    InternetVersionCheck::instance()->setNewestVersionStr(QStringLiteral("4.2.1"));
    offer.notifyNewerVersion(QStringLiteral("http://127.0.0.1:9/notes/"));
    QPointer<OverlayView> overlay = offer.overlay();
    ASSERT_TRUE(overlay);
    EXPECT_EQ(titles(overlay),
              (QStringList{"Show Web Page", "Disable Check", "Ignore This Update", "Later"}));
    const AttributedString message =
        overlay->findChild<OverlayTextField*>()->attributedStringValue();
    EXPECT_TRUE(message.string().startsWith("Newer version 4.2.1 available here:\n"));
    EXPECT_EQ(message.attributesAt(0).foreground, QColor::fromRgbF(0.851f, 0.949f, 0.965f, 1.0f));

    button(overlay, "Ignore This Update")->click();
    EXPECT_TRUE(gone(overlay));
    EXPECT_EQ(UserDefaults::standard().string(kIgnoreThisUpdateKey), QStringLiteral("4.2.1"));
    EXPECT_TRUE(UserDefaults::standard().object(kNotifyNewVersionLaterKey).isValid());

    offer.notifyNewerVersion(QStringLiteral("http://127.0.0.1:9/notes/"));
    overlay = offer.overlay();
    ASSERT_TRUE(overlay);
    const double before = UserDefaults::standard().doubleValue(kNotifyNewVersionLaterKey);
    button(overlay, "Disable Check")->click();
    EXPECT_TRUE(gone(overlay));
    EXPECT_GT(UserDefaults::standard().doubleValue(kNotifyNewVersionLaterKey), before + 3e9);
}

TEST_F(Offer, NoIgnoreWithoutAVersionText) {
    InternetVersionCheck::instance()->setNewestVersionStr(QString());
    offer.notifyNewerVersion(QStringLiteral("http://127.0.0.1:9/notes/"));
    ASSERT_TRUE(offer.overlay());
    EXPECT_EQ(titles(offer.overlay()), (QStringList{"Show Web Page", "Disable Check", "Later"}));
    QPointer<OverlayView> overlay = offer.overlay();
    button(overlay, "Later")->click();
    EXPECT_TRUE(gone(overlay));
}

}  // namespace

KELO_TEST_MAIN_GUI()
