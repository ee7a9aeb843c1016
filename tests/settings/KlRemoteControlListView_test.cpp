// The Preferences list's window side without a network: value texts and
// frames, choice pop-ups, the search, which rows are drawn, the reset bullet,
// the live controls of the selected row and inputs that must not hurt it.

#include "settings/KlRemoteControlListView.h"

#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDSearchField.h"
#include "hud/controls/VEditableTextField.h"
#include "hud/views/HUDScrollView.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/NSWindow_Additions.h"
#include "platform/NotificationCenter.h"
#include "serverlink/LinkTestSupport.h"
#include "settings/KeloCameraSetupView.h"
#include "settings/KlPrefEditorView.h"
#include "settings/KlRemoteControlPanel.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <memory>

namespace {

KELO_TEMP_DEFAULTS();

void press(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
void release(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
}
void hover(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseMove, at, Qt::NoButton, {});
}

QVariantMap entry(const char* type, const QVariant& value, const QVariantMap& extra = {}) {
    QVariantMap e = extra;
    e.insert("_type", type);
    if (value.isValid()) e.insert("_value", value);
    return e;
}

TEST(PrefValueText, ByType) {
    const struct {
        QVariantMap entry;
        const char* text;
    } cases[] = {
        {entry("float", "0.5"), "0.500"},
        {entry("s_array", QVariantList{"a", "b", "c"}), "3 items"},
        {entry("dict", QVariantMap{{"a", "1"}}, {{"_local", "3"}}), "C-K-S"},
        {entry("dict", QVariantMap{{"a", "1"}}, {{"_direct_summary", "ready"}}), "ready"},
        {entry("dict", QVariantMap{{"SourceDescription", "N/A:input:a-b-c-d-e-f-g-h-i-j-k-l-m-n-o-p"}},
               {{"_summary", QVariantList{"SourceDescription"}}}),
         "N/A: input: abcdefghijkl"},
        {entry("dict", QVariantMap{{"SourceDescription", "broken"}, {"w", "7"}},
               {{"_summary", QVariantList{"SourceDescription", "w"}}}),
         " broken 7"},
        {entry("str", "hello"), "hello"},
        {entry("int", QVariant()), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(prefDisplayText(c.entry), c.text) << c.text;
}

TEST(PrefValueText, FieldWidthsFollowTheRange) {
    const struct {
        QVariantMap entry;
        double width;
    } cases[] = {
        {entry("int", "1", {{"_rng", "{0, 255}"}}), 39},
        {entry("int", "1", {{"_rng", "{0, 9999}"}}), 47},
        {entry("int", "1", {{"_rng", "{0, 65535}"}}), 56},
        {entry("int", "1"), 39},
        {entry("float", "1"), 57},
        {entry("str", "x"), 144},
        {entry("str", "x", {{"_textWidth", "50"}}), 72},
    };
    for (const auto& c : cases) {
        const QRectF frame = prefValueFrame(c.entry);
        EXPECT_EQ(frame.width(), c.width);
        EXPECT_EQ(frame.right(), 384) << "fields end at the value area's right edge";
    }
}

TEST(PrefPopUps, ChoicesTagsAndMissingValues) {
    HUDPopUpButtonCell cell;
    // Numeric titles are their own tags, others count from 0.
    EXPECT_EQ(loadPopupValues(cell, entry("int", "50", {{"_list", QVariantList{"25", "50", "60"}}})),
              (QStringList{"25", "50", "60"}));
    EXPECT_EQ(cell.indexOfSelectedItem(), 1);
    EXPECT_EQ(loadPopupValues(cell, entry("int", "1", {{"_list", QVariantList{"Off", "On"}}})),
              (QStringList{"0", "1"}));
    EXPECT_EQ(cell.title(), "On");

    // A value no choice stands for shows, disabled and selected.
    loadPopupValues(cell, entry("list", "Gone", {{"_list", QVariantList{"A", "B"}}}));
    ASSERT_EQ(cell.numberOfItems(), 3);
    EXPECT_EQ(cell.title(), "Gone");
    EXPECT_FALSE(cell.itemAtIndex(2).enabled);

    // Represented values: the server's name for a missing one, in yellow.
    const QVariantMap reps = entry("str", "uid-9", {{"_list", QVariantList{"Left", "Right"}},
                                                   {"_list_reps", QVariantList{"uid-1", "uid-2"}},
                                                   {"_value_name", "Screen 9 (missing)"}});
    EXPECT_EQ(loadPopupValues(cell, reps), (QStringList{"uid-1", "uid-2", "uid-9"}));
    EXPECT_EQ(cell.title(), "Screen 9 (missing)");
    EXPECT_EQ(cell.attributedColor(), QColor(Qt::yellow));
    loadPopupValues(cell, entry("str", "uid-2", {{"_list", QVariantList{"Left", "Right"}},
                                                 {"_list_reps", QVariantList{"uid-1", "uid-2"}}}));
    EXPECT_EQ(cell.title(), "Right");
    EXPECT_FALSE(cell.attributedColor().isValid());

    // Addresses are shown after the title, and only the title is sent.
    const QStringList sent = loadPopupValues(
        cell, entry("list", "en1", {{"_list", QVariantList{"Local", "en1"}},
                                    {"_list_addr", QVariantList{"127.0.0.1", "10.0.0.5"}}}));
    EXPECT_EQ(cell.itemAtIndex(0).title, "Local");
    EXPECT_EQ(cell.itemAtIndex(1).title, "en1: 10.0.0.5");
    EXPECT_EQ(sent[1], "en1");
}

// A panel over a dictionary of `count` entries, editing allowed, no network.
class ListView : public ::testing::Test {
protected:
    void SetUp() override {
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        panel = std::make_unique<KlRemoteControlPanel>(link.get());
        panel->resize(760, 500);
        token = NotificationCenter::defaultCenter().addObserver(
            "KeloRemoteNotification", nullptr,
            [this](const Notification& n) { posted.push_back(n.userInfo); });
    }
    void show(const QVariantMap& prefs) {
        dict = prefs;
        panel->list()->setDictionary(&dict);
        panel->list()->setCannotCompareOrEdit(false);
        panel->show();
        QApplication::processEvents();
        view()->recalculateHeight();
        view()->repaint();
    }
    KlRemoteControlListView* view() { return panel->leftView(); }
    QPoint rowPoint(const QString& key, int x) {
        const QRectF r = view()->rowRect(view()->rowOfKey(key));
        return QPoint(x, int(r.top()) + 12);
    }
    static QVariantMap manyPrefs(int count) {
        QVariantMap d;
        for (int i = 0; i < count; ++i)
            d.insert(QString("pref_%1").arg(i, 4, 10, QChar('0')),
                     entry("int", QString::number(i), {{"_group", i % 2 ? "Core" : "Network"},
                                                       {"_idx", i}, {"_alias", QString("Setting %1").arg(i)}}));
        return d;
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KlRemoteControlPanel> panel;
    QVariantMap dict;
    NotificationCenter::Token token;
    std::vector<QVariantMap> posted;
};

TEST_F(ListView, OnlyRowsOnScreenAreDrawnAndMarkedVisible) {
    show(manyPrefs(2000));
    ASSERT_EQ(view()->rows().size(), 2002u) << "two group headers";
    EXPECT_GT(view()->paintedRows(), 5);
    EXPECT_LT(view()->paintedRows(), 40);
    const int onScreen = view()->visibleKeys().size();
    const QString first = view()->rows()[1].key, last = view()->rows().back().key;
    EXPECT_EQ(dict.value(first).toMap().value("visible").toString(), "1");
    EXPECT_EQ(dict.value(last).toMap().value("visible").toString(), "");

    panel->scrollView()->verticalScrollBar()->setValue(panel->scrollView()->verticalScrollBar()->maximum());
    view()->repaint();
    EXPECT_EQ(dict.value(last).toMap().value("visible").toString(), "1");
    EXPECT_EQ(dict.value(first).toMap().value("visible").toString(), "0");
    EXPECT_NEAR(view()->visibleKeys().size(), onScreen, 2);
}

TEST_F(ListView, SearchIgnoresCaseAndWrapsFromTheSelection) {
    QVariantMap prefs{
        {"alpha", entry("int", "1", {{"_group", "Core"}, {"_idx", 1}, {"_alias", "Alpha Gain"}})},
        {"beta", entry("int", "2", {{"_group", "Core"}, {"_idx", 2}, {"_alias", "Beta"}, {"_help", "the GAIN of b"}})},
        {"gamma", entry("int", "3", {{"_group", "Network"}, {"_idx", 3}, {"_alias", "Gamma gain"}})},
    };
    show(prefs);
    // Network comes before Core: gamma, then alpha and beta.
    view()->search("gain");
    EXPECT_EQ(panel->list()->selectedPrefName(), "gamma");
    EXPECT_EQ(view()->searchMatchRows().size(), 3);
    view()->findNext();
    EXPECT_EQ(panel->list()->selectedPrefName(), "alpha");
    view()->findNext();
    EXPECT_EQ(panel->list()->selectedPrefName(), "beta") << "matched outside its name";
    view()->findNext();
    EXPECT_EQ(panel->list()->selectedPrefName(), "gamma") << "wrapped";

    // A group name matches its header, but a preference is selected.
    view()->search("netw");
    EXPECT_TRUE(view()->searchMatchRows().contains(view()->rowOfKey("Network")));
    EXPECT_EQ(panel->list()->selectedPrefName(), "gamma");
    view()->repaint();
}

TEST_F(ListView, ResetBulletOnlyWhereTheDefaultDiffers) {
    show({{"same", entry("int", "5", {{"_dflt", "5"}, {"_idx", 1}})},
          {"other", entry("int", "7", {{"_dflt", "5"}, {"_idx", 2}, {"_alias", "Other"}})}});
    // A row whose value is its default opens no menu.
    press(view(), rowPoint("same", 10));
    release(view(), rowPoint("same", 10));
    EXPECT_EQ(view()->resetMenu(), nullptr);
    // Released over another row, neither.
    press(view(), rowPoint("other", 10));
    release(view(), rowPoint("same", 10));
    EXPECT_EQ(view()->resetMenu(), nullptr);

    hover(view(), rowPoint("other", 10));
    EXPECT_EQ(view()->helpText(), "reset preference to default value\ndefault:\t'5'\ncurrent:\t'7'");
    posted.clear();
    press(view(), rowPoint("other", 10));
    release(view(), rowPoint("other", 10));
    ASSERT_NE(view()->resetMenu(), nullptr);
    const QList<QAction*> actions = view()->resetMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Other");
    EXPECT_FALSE(actions[0]->isEnabled());
    posted.clear();
    actions[2]->trigger();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted.front().value("type").toInt(), 2);
    EXPECT_EQ(posted.front().value("prefValue").toString(), "5");
}

TEST_F(ListView, SelectedRowGetsItsLiveControl) {
    show({{"on", entry("bool", "1", {{"_idx", 1}})},
          {"count", entry("int", "4", {{"_idx", 2}, {"_rng", "{0, 10}"}})},
          {"mode", entry("int", "1", {{"_idx", 3}, {"_list", QVariantList{"Off", "On"}}})},
          {"odd", entry("dict", QVariantMap{{"a", "1"}}, {{"_idx", 4}, {"_editor", "no_such_editor"}})}});
    press(view(), rowPoint("count", 100));
    EXPECT_EQ(panel->list()->selectedPrefName(), "count");
    EXPECT_TRUE(view()->textField()->isVisible());
    EXPECT_EQ(view()->textField()->text(), "4");
    posted.clear();
    view()->textField()->setText("6");
    view()->textField()->sendAction();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().value("prefValue").toString(), "6");

    // A click on a check box both selects and flips it.
    posted.clear();
    press(view(), rowPoint("on", 375));
    EXPECT_TRUE(view()->checkBox()->isVisible());
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().value("prefValue").toString(), "0");

    // Choices are edited in the list selector, which sends the tag.
    press(view(), rowPoint("mode", 100));
    KlPrefEditorView* editor = view()->selectedEditorView();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->choiceValues(), (QStringList{"0", "1"}));

    // An editor this program does not know: the row edits nothing.
    press(view(), rowPoint("odd", 100));
    EXPECT_EQ(panel->list()->selectedPrefName(), "odd");
    EXPECT_FALSE(view()->textField()->isVisible());
    EXPECT_EQ(view()->selectedEditorView(), nullptr);
    view()->repaint();
}

TEST_F(ListView, ItemPopUpShowsTheTextsOnlyWhileOpen) {
    show({{"names",
           entry("s_array", QVariantList{"left", "right"}, {{"_idx", 1}, {"_1_based", "1"}})},
          {"rects", entry("s_array", QVariantList{QVariantMap{{"rect", "{{0, 0}, {1, 1}}"}}},
                          {{"_idx", 2}})}});
    press(view(), rowPoint("names", 100));
    KlPrefEditorView* editor = view()->selectedEditorView();
    ASSERT_NE(editor, nullptr);
    auto* items = qobject_cast<HUDPopUpButton*>(editor->controlWithTag(1000));
    ASSERT_NE(items, nullptr);
    const auto titles = [items] {
        QStringList t;
        for (int i = 0; i < items->cell()->numberOfItems(); ++i)
            t << items->cell()->itemAtIndex(i).title;
        return t;
    };
    EXPECT_EQ(titles(), (QStringList{"Item 1", "Item 2"}));
    items->showMenu();
    ASSERT_NE(items->menu(), nullptr);
    EXPECT_EQ(titles(), (QStringList{"Item 1 : left", "Item 2 : right"}));
    EXPECT_EQ(items->menu()->actions().value(1)->text(), "Item 2 : right");
    items->menu()->close();
    EXPECT_EQ(titles().value(0), "Item 1 : left") << "the numbers come back a moment later";
    items->showMenu();
    EXPECT_EQ(titles(), (QStringList{"Item 1 : left", "Item 2 : right"})) << "reopened at once";
    items->menu()->close();
    EXPECT_TRUE(processUntil([&] { return titles() == QStringList{"Item 1", "Item 2"}; }, 1000));

    // Items that are no texts keep their numbers.
    press(view(), rowPoint("rects", 100));
    items->showMenu();
    EXPECT_EQ(titles(), QStringList{"Item 0"});
    items->menu()->close();
}

TEST_F(ListView, ReturnInAFieldCommitsAndMovesOnClosingOverlays) {
    show({{"fx", entry("str", "1,2,3,4,5", {{"_idx", 1}, {"_editor", "effect"}})}});
    press(view(), rowPoint("fx", 100));
    KlPrefEditorView* editor = view()->selectedEditorView();
    ASSERT_NE(editor, nullptr);
    auto* first = qobject_cast<VEditableTextField*>(editor->controlWithTag(2001));
    auto* second = qobject_cast<VEditableTextField*>(editor->controlWithTag(2002));
    ASSERT_TRUE(first && second);
    panel->activateWindow();
    QApplication::setActiveWindow(panel.get());
    first->setFocus();
    ASSERT_TRUE(processUntil([&] { return first->hasFocus(); }, 1000));
    OverlayView::addOverlayViewWithTitle(QStringLiteral("a warning"), view());
    ASSERT_TRUE(hasOverlayView(panel->window()));
    first->selectAll();
    QTest::keyClicks(first, "9");
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(panel->list()->getEditValueForTag(2001), 9);
    EXPECT_TRUE(second->hasFocus()) << "Return moved on as Tab does";
    EXPECT_FALSE(hasOverlayView(panel->window()));
}

TEST_F(ListView, SearchFieldRemembersRecentSearches) {
    show({{"alpha", entry("int", "1", {{"_idx", 1}})}, {"beta", entry("int", "2", {{"_idx", 2}})}});
    const auto menuTitles = [this] {
        std::unique_ptr<QMenu> menu(panel->searchMenu(panel.get()));
        QStringList t;
        for (QAction* a : menu->actions()) t << (a->isSeparator() ? "-" : a->text());
        return t;
    };
    EXPECT_TRUE(menuTitles().isEmpty()) << "nothing to offer yet";
    HUDSearchField* field = panel->searchField();
    const auto confirm = [field](const QString& text) {
        field->setText(text);
        field->beginEditing();
        ASSERT_NE(field->fieldEditor(), nullptr);
        QTest::keyClick(field->fieldEditor(), Qt::Key_Return);
    };
    confirm("alp");
    confirm("bet");
    confirm("alp");
    EXPECT_EQ(menuTitles(), (QStringList{"Clear", "-", "Recent Searches", "alp", "bet"}));
    // The magnifier opens the menu.
    const QRectF glyph =
        field->cell()->searchButtonRectForBounds(QRectF(field->rect()).adjusted(5, 0, 0, 0));
    press(field, glyph.center().toPoint());
    QMenu* shown = field->findChild<QMenu*>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
    std::unique_ptr<QMenu> menu(panel->searchMenu(panel.get()));
    menu->actions()[4]->trigger();
    EXPECT_EQ(field->text(), "bet");
    EXPECT_EQ(panel->list()->selectedPrefName(), "beta");
    EXPECT_EQ(panel->recentSearches(), (QStringList{"bet", "alp"}));
    for (int i = 0; i < 15; ++i) panel->noteRecentSearch(QString("s%1").arg(i));
    EXPECT_EQ(panel->recentSearches().size(), KlRemoteControlPanel::kMaximumRecents);
    EXPECT_EQ(panel->recentSearches().first(), "s14");
    menu.reset(panel->searchMenu(panel.get()));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(panel->recentSearches().isEmpty());
}

TEST(PrefVideoInputs, OnlyTheEightInputsAreAnnounced) {
    const struct {
        const char* name;
        bool input;
    } cases[] = {{"VideoInput241", true}, {"VideoInput248", true}, {"VideoInput249", false},
                 {"VideoInput2410", false}, {"xVideoInput241", false}, {"VideoInput240", false}};
    for (const auto& c : cases) EXPECT_EQ(isVideoInput(c.name), c.input) << c.name;
}

TEST_F(ListView, HostileValuesAreDrawnWithoutHarm) {
    const QString huge(200000, QChar('x'));
    show({{"long", entry("str", huge, {{"_idx", 1}, {"_alias", QString(5000, QChar('n'))}})},
          {"cam", entry("dict", QVariantMap{{"SourceDescription", "N/A::"}},
                        {{"_idx", 2}, {"_editor", "camera_settings"}, {"_summary", QVariantList{"SourceDescription"}}})},
          {"bad", entry("dict", "not a dictionary", {{"_idx", 3}, {"_editor", "camera_settings"}})},
          {"dflt", entry("s_array", QVariantList{"a"}, {{"_idx", 4}, {"_dflt", "(unclosed"}})}});
    view()->repaint();
    press(view(), rowPoint("long", 100));
    EXPECT_EQ(view()->textField()->text().size(), huge.size());
    press(view(), rowPoint("bad", 100));
    ASSERT_NE(view()->selectedEditorView(), nullptr);
    EXPECT_TRUE(view()->selectedEditorView()->cameraView()->dictionary().isEmpty());
    // An unreadable default offers no reset.
    press(view(), rowPoint("dflt", 10));
    release(view(), rowPoint("dflt", 10));
    EXPECT_EQ(view()->resetMenu(), nullptr);
    view()->repaint();
}

}  // namespace

KELO_TEST_MAIN_GUI()
