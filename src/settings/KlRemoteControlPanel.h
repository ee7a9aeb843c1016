#pragma once

#include <QPixmap>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class HUDButton;
class HUDLabel;
class HUDPopUpButton;
class HUDScrollView;
class HUDSearchField;
class KlCopyingControls;
class KlE_Control_Status;
class KlRemoteControlList;
class KlRemoteControlListView;

// The Preferences tab: the selected server's preference list with its name,
// search field and compare controls, and, while comparing, a second list for
// another server to the right with the copy strip between them. It owns the
// preference list model; the main window shows the page, forwards selection
// changes to list() and calls list()->update() on its tick. Main thread only.
class KlRemoteControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit KlRemoteControlPanel(KlE_Control_Status* link = nullptr, QWidget* parent = nullptr);
    ~KlRemoteControlPanel() override;

    KlRemoteControlList* list() const { return list_.get(); }
    KlRemoteControlListView* leftView() const { return left_; }
    KlRemoteControlListView* rightView() const { return right_; }
    KlCopyingControls* copyingControls() const { return strip_; }
    HUDScrollView* scrollView() const { return scroll_; }
    HUDSearchField* searchField() const { return searchField_; }
    HUDButton* compareButton() const { return compareButton_; }
    HUDPopUpButton* comparePopUp() const { return comparePopUp_; }
    HUDLabel* nameText() const { return fixNameText_; }
    HUDLabel* helpText(bool right) const { return right ? rightHelp_ : leftHelp_; }
    bool isComparing() const { return comparing_; }
    // Width 920 while comparing, else 701; height 400.
    static QSize minimumSize(bool comparing);

    // The operator commands offered under "Send Command"; not owned.
    void setCommandsMenu(QMenu* menu) { commandsMenu_ = menu; }
    // The action menu: "Prefs Menu", with the commands when there are any.
    QMenu* menuForEvent(QWidget* parent);

    // The search field's menu: "Clear" and the recent searches under their
    // title; empty while there are none. Searches confirmed with Return are
    // remembered, the latest first.
    void setupSearchFieldMenu();
    QMenu* searchMenu(QWidget* parent);
    QStringList recentSearches() const { return recentSearches_; }
    void noteRecentSearch(const QString& text);
    static constexpr int kMaximumRecents = 10;

    // Called by the lists.
    void resizeIfNeeded();
    void ensureVisible(KlRemoteControlListView* view, const QRectF& rect);
    void setNeedsDisplayAll();
    void windowTitleChanged(KlRemoteControlListView* view, const QString& title);
    void compareMenuChanged();
    void comparingChanged(bool comparing);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutContent();

    std::unique_ptr<KlRemoteControlList> list_;
    HUDLabel* fixNameText_;
    HUDLabel* rightNameText_;
    HUDSearchField* searchField_;
    HUDButton* compareButton_;
    HUDPopUpButton* comparePopUp_;
    HUDScrollView* scroll_;
    QWidget* content_;
    KlRemoteControlListView* left_;
    KlRemoteControlListView* right_;
    KlCopyingControls* strip_;
    HUDLabel* leftHelp_;
    HUDLabel* rightHelp_;
    QPointer<QMenu> commandsMenu_;
    struct SearchMenuItem {
        int tag;
        QString title;
    };
    std::vector<SearchMenuItem> searchMenuTemplate_;
    QStringList recentSearches_;
    bool comparing_ = false;
    bool fillingCompareMenu_ = false;
    QPixmap background_;
};
