#pragma once

#include "hud/windows/KeloColouredWindow.h"

#include <QString>

#include <memory>

class HUDButton;
class HUDProgressIndicator;
class HUDTextField;
class KeloStatusLine;
class QListWidget;
class QMenuBar;
class TbTabBarControl;
class TbTabView;
class TbTabViewItem;

// "Kelo Verozo <version>" with the version cut at " r"; an install whose
// folder is named "Kelo Verozo <name>" (a name not starting with "v" or a
// digit) adds that name: "Kelo Verozo Beta (5.2)".
QString mainWindowTitle(const QString& version, const QString& bundlePath);
// The install's path, which names it: the folder of the executable.
QString applicationBundlePath();

// The main window: the sidebar, the page bar with its seven tabs over the tab
// view, and the status line with the content progress area. The sidebar shows the servers found on
// the network until the Status tab's server pane takes its place. Pages start as placeholders that
// their owners replace through tabItem(id)->setView(). Main thread only.
class KeloMainWindow : public KeloColouredWindow {
public:
    enum TabId {
        kStatusTab = 1,
        kContentTab,
        kPixelMapTab,
        kPreferencesTab,
        kOutputsTab,
        kMixesTab,
        kImageRemapTab
    };

    explicit KeloMainWindow(QWidget* parent = nullptr);
    ~KeloMainWindow() override;

    TbTabBarControl* tabBar() const { return tabBar_; }
    TbTabView* tabView() const { return tabView_; }
    KeloStatusLine* statusLine() const { return statusLine_; }
    QListWidget* serverList() const { return serverList_; }
    // The content transfer's progress area beside the status line, handed
    // to the Content tab, which shows it while transfers run.
    HUDProgressIndicator* progressBar() const { return progressBar_; }
    HUDTextField* progressText() const { return progressText_; }
    HUDButton* cancelTransferButton() const { return cancelTransferButton_; }
    // "Scan All Servers", handed to the Content tab; shown only while the
    // monitor list has servers.
    HUDButton* scanAllServersButton() const { return toScanAllServers_; }
    std::shared_ptr<TbTabViewItem> tabItem(int identifier) const;
    QStringList tabLabels() const;
    // Above everything else; the window owns it.
    void setMenuBar(QMenuBar* bar);
    // Puts `pane` in the sidebar instead of the found-servers list; the
    // sidebar then follows the pane's width, which its owner sets. Once.
    void setServersPane(QWidget* pane);
    QWidget* serversPane() const { return serversPane_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TbTabBarControl* tabBar_;
    TbTabView* tabView_;
    KeloStatusLine* statusLine_;
    HUDProgressIndicator* progressBar_;
    HUDTextField* progressText_;
    HUDButton* cancelTransferButton_;
    HUDButton* toScanAllServers_;
    QListWidget* serverList_;
    QWidget* sidebar_;
    QWidget* serversPane_ = nullptr;
};
