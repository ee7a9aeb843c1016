// The live video input editor: mode names and codes, what it offers for a
// card, the device that moved to another port, the server's status text and
// the auto-switched mode, and what each control stores.

#include "settings/KeloCameraSetupView.h"

#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QSet>

namespace {

KELO_TEMP_DEFAULTS();

const QChar kWarning(0x26A0);

QStringList titles(HUDPopUpButton* p) {
    QStringList t;
    for (int i = 0; i < p->cell()->numberOfItems(); ++i) t << p->cell()->itemAtIndex(i).title;
    return t;
}

QVariantMap card(quint64 uid, const QString& name, bool online, const QStringList& modes) {
    QVariantList m;
    for (const QString& code : modes) m << QVariantMap{{"mode", code}};
    return {{"DeckLinkUID", uid}, {"device_name", name}, {"online", online}, {"display_modes", m}};
}

QVariantMap blackmagic(const QVariantMap& extra = {}) {
    QVariantMap d{{"SourceType", "Blackmagic"},
                  {"decklink_sources",
                   QVariantList{card(1001, "Duo A", true, {}), card(1002, "Duo B", true, {"Hp50", "Hp59", "xyz1"}),
                                card(1003, "Duo C", false, {})}}};
    for (auto it = extra.begin(); it != extra.end(); ++it) d.insert(it.key(), *it);
    return d;
}

TEST(KeloCameraSetupView, ModeCodesAndNames) {
    EXPECT_EQ(KeloCameraSetupView::tagFromString("Hp50"), 0x48703530u);
    EXPECT_EQ(KeloCameraSetupView::stringFromTag(0x48703530u), "Hp50");
    EXPECT_EQ(KeloCameraSetupView::stringFromTag(KeloCameraSetupView::tagFromString("pal ")), "pal ");
    const struct {
        const char* code;
        const char* name;
    } names[] = {{"ntsc", "NTSC"},          {"pal ", "PAL"},         {"23ps", "1080p23.98"},
                 {"Hp29", "1080p29.97"},    {"Hi59", "1080i59.94"},  {"hp60", "720p60"},
                 {"2k23", "2k23.98"},       {"2d47", "2Kp47.95 DCI"}, {"4k59", "2160p59.94"},
                 {"4d60", "4Kp60 DCI"},     {"8k48", "8k48"},        {"8d23", "8Kp23.98 DCI"},
                 {"Hp23", ""},              {"2k30", ""},            {"zzzz", ""}};
    for (const auto& n : names)
        EXPECT_EQ(KeloCameraSetupView::readableStringFromFormat(n.code), n.name) << n.code;

    // Every named code, once: 71 of them.
    QSet<QString> named;
    const QString prefixes[] = {"Hp", "Hi", "hp", "2k", "2d", "4k", "4d", "8k", "8d"};
    const QString rates[] = {"23", "24", "25", "29", "30", "47", "48", "50", "59", "60"};
    for (const QString& p : prefixes)
        for (const QString& r : rates)
            if (!KeloCameraSetupView::readableStringFromFormat(p + r).isEmpty()) named.insert(p + r);
    for (const char* c : {"ntsc", "pal ", "23ps", "24ps"})
        if (!KeloCameraSetupView::readableStringFromFormat(c).isEmpty()) named.insert(c);
    EXPECT_EQ(named.size(), 71);
    EXPECT_EQ(KeloCameraSetupView::formatlist().size(), 40);
}

TEST(KeloCameraSetupView, CardsAndTheirModes) {
    KeloCameraSetupView view;
    // A card without modes gets the fixed list; the stored code is found by it.
    view.setDictionary(blackmagic({{"DeckLinkUID", "1001"}, {"SourceFormat", "Hp50"}}));
    EXPECT_EQ(view.cardNumber()->currentText(), "1 : disabled (Duo A)");
    EXPECT_EQ(titles(view.cardNumber()).mid(1, 3), (QStringList{"2 : online (Duo B)", "3 : offline (Duo C)", "4"}));
    EXPECT_TRUE(view.modeButton()->cell()->numberOfItems() == 0) << "a disabled card offers no modes";

    view.setDictionary(blackmagic({{"DeckLinkUID", "1003"}, {"SourceFormat", "Hp50"}}));
    EXPECT_EQ(view.modeButton()->cell()->numberOfItems(), 40);
    EXPECT_EQ(view.modeButton()->currentText(), "1080p50");

    // A card with modes lists its own; an unnamed code keeps its code as title.
    view.setDictionary(blackmagic({{"DeckLinkUID", "1002"}, {"SourceFormat", "Hp59"}}));
    EXPECT_EQ(titles(view.modeButton()), (QStringList{"1080p50", "1080p59.94", "xyz1"}));
    EXPECT_EQ(view.modeButton()->currentText(), "1080p59.94");

    // A source index beyond the eight cards counts as the first.
    view.setDictionary(blackmagic({{"SourceID", "9"}, {"DeckLinkUID", "77"}}));
    EXPECT_EQ(view.cardNumber()->currentIndex(), 0);
    // Without an id, the card at the source index lends its own.
    view.setDictionary(blackmagic({{"SourceID", "1"}}));
    EXPECT_EQ(view.dictionary().value("DeckLinkUID").toULongLong(), 1002u);
    EXPECT_EQ(view.cardNumber()->currentIndex(), 1);
}

TEST(KeloCameraSetupView, DeviceThatMovedPortIsStillChosen) {
    KeloCameraSetupView view;
    const QVariantList usb2{QVariantMap{{"name", "Cam B"}, {"busInfo", "USB 1"}},
                            QVariantMap{{"name", "Cam A"}, {"busInfo", "USB 2"}}};
    view.setDictionary({{"SourceType", "AVFoundation"}, {"AVFoundationSource", "Cam A (USB 1)"}, {"av_sources_live", usb2}});
    EXPECT_EQ(view.avfSourceList()->currentText(), "Cam A (USB 2)");
    EXPECT_TRUE(view.avfSourceList()->isVisibleTo(&view));
    EXPECT_FALSE(view.cardNumber()->isVisibleTo(&view));

    const QVariantList both{QVariantMap{{"name", "Cam A"}, {"busInfo", "USB 1"}},
                            QVariantMap{{"name", "Cam A"}, {"busInfo", "USB 2"}}};
    view.setDictionary({{"SourceType", "AVFoundation"}, {"AVFoundationSource", "Cam A (USB 1)"}, {"av_sources_live", both}});
    EXPECT_EQ(view.avfSourceList()->currentIndex(), 0) << "the exact match wins";

    view.setDictionary({{"SourceType", "AVFoundation"}, {"AVFoundationSource", "Cam Z (USB 1)"}, {"av_sources_live", both}});
    EXPECT_EQ(view.avfSourceList()->currentIndex(), -1);
}

TEST(KeloCameraSetupView, StatusTextAndAutoSwitchedMode) {
    KeloCameraSetupView view;
    const struct {
        const char* status;
        const char* shown;
    } cleaned[] = {
        {"N/A:input:x#y!z", "N/A: input: xyz"},
        {"N/A:in:abcdefghij-klmnopq", "N/A: in: abcdefghijkl"},
        {"OK:input:x#y", "OK:input:x#y"},
        {"N/A:a:b:c", "N/A:a:b:c"},
        {"", ""},
    };
    for (const auto& c : cleaned) {
        view.setDictionary({{"SourceType", "Disabled"}, {"SourceDescription", c.status}});
        EXPECT_EQ(view.statusText()->text(), c.shown) << c.status;
    }

    const auto withStatus = [](const QString& status) {
        return blackmagic({{"DeckLinkUID", "1002"}, {"SourceFormat", "Hp50"}, {"SourceDescription", status}});
    };
    view.setDictionary(withStatus("DLink 001 running 'Hp59' now"));
    EXPECT_EQ(view.statusText()->text(), " running 'Hp59' now");
    EXPECT_EQ(view.modeButton()->currentText(), kWarning + QString("1080p50"));
    EXPECT_EQ(titles(view.modeButton())[1],
              "*** 1080p59.94 (AutoSwitched, must select to save permanently)");
    EXPECT_EQ(view.statusColor(), QColor(Qt::yellow));
    EXPECT_EQ(view.modeTitleColor(), QColor(Qt::yellow));
    // Shown again, the decorations are not doubled.
    view.setDictionary(withStatus("DLink 001 running 'Hp59' now"));
    EXPECT_EQ(view.modeButton()->currentText(), kWarning + QString("1080p50"));

    view.setDictionary(withStatus("DLink 001 running 'Hp50' now"));
    EXPECT_EQ(titles(view.modeButton()), (QStringList{"1080p50", "1080p59.94", "xyz1"}));
    EXPECT_NE(view.statusColor(), QColor(Qt::yellow));
    EXPECT_FALSE(view.modeTitleColor().isValid());

    // A status cut short after the apostrophe names no mode.
    view.setDictionary(withStatus("DLink 001 running 'Hp5"));
    EXPECT_EQ(titles(view.modeButton()), (QStringList{"1080p50", "1080p59.94", "xyz1"}));
    view.setDictionary(withStatus("mode not supported"));
    EXPECT_EQ(view.statusColor(), QColor(Qt::yellow));
}

TEST(KeloCameraSetupView, ControlsStoreCodesAndReport) {
    KeloCameraSetupView view;
    int reports = 0;
    QObject::connect(&view, &KeloCameraSetupView::action, [&] { ++reports; });
    view.setDictionary(blackmagic({{"DeckLinkUID", "1002"}, {"SourceFormat", "Hp50"}}));

    view.modeButton()->setCurrentIndex(1);
    view.actionProc(KeloCameraSetupView::kMode);
    EXPECT_EQ(view.dictionary().value("SourceFormat").toString(), "Hp59") << "the code, not the name";

    view.cardNumber()->setCurrentIndex(2);
    view.actionProc(KeloCameraSetupView::kCard);
    EXPECT_EQ(view.dictionary().value("SourceID").toString(), "2");
    EXPECT_EQ(view.dictionary().value("DeckLinkUID").toString(), "1003");

    EXPECT_FALSE(view.needsRefresh());
    view.apiButton()->setCurrentIndex(2);
    view.actionProc(KeloCameraSetupView::kApi);
    EXPECT_EQ(view.dictionary().value("SourceType").toString(), "AVFoundation");
    EXPECT_TRUE(view.needsRefresh());

    // A device choice outside the server's list stores and reports nothing.
    const int before = reports;
    view.actionProc(KeloCameraSetupView::kDevice);
    EXPECT_EQ(reports, before);
    EXPECT_FALSE(view.dictionary().contains("AVFoundationSource"));
    EXPECT_EQ(reports, 3);
}

}  // namespace

KELO_TEST_MAIN_GUI()
