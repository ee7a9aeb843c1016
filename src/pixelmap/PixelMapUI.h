#pragma once

#include "pixelmap/PixelMapModel.h"
#include "pixelmap/PixelMapModelDelegate.h"
#include "tabbar/TbTabBarControlDelegate.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <memory>

class OmPixelMapView;
class QMouseEvent;
class TbTabBarControl;
class TbTabView;
class TbTabViewItem;

// The window half of the Pixel Map tab's controller: the page with the
// sources-and-contexts tab bar over the canvas, the editor's 0.1 s timer, and
// the model's refreshes shown on screen. The model (contexts, fixtures,
// sources, undo) is PixelMapModel's. Main thread only.
class PixelMapUI : public QWidget, public PixelMapModelDelegate, public TbTabBarControlDelegate {
public:
    explicit PixelMapUI(QWidget* parent = nullptr);
    ~PixelMapUI() override;

    PixelMapModel& model() { return *model_; }
    OmPixelMapView* pixelMapView() const { return view_; }
    TbTabBarControl* contextTabBar() const { return tabBar_; }
    TbTabView* contextTabView() const { return tabView_; }

    // The main window's hooks: the tab the page is shown in, and the start of
    // the timer once the application runs (first tick 0.5 s later).
    void setPixelMapTab(const std::shared_ptr<TbTabViewItem>& item);
    void appFinishedLaunching();
    bool finishedLaunching() const { return finishedLaunching_; }
    // Loads the built-in default map: the first tick on which the tab shows.
    void finishLaunching();
    void timerProc();
    // A file handed to the program (the command line): ".pmap" files are
    // opened, once launching has finished, and anything else is refused.
    // A file that is not a document leaves the open one and shows why.
    bool applicationOpenFile(const QString& path);
    QTimer& timer() { return timer_; }

    // Colour of the context with that unique id; ids outside 0..1000 take
    // id 0's colour. `tabNum`, when given, gets the context's 1-based
    // position in `contexts`' list, 0 when absent.
    static QColor colorForContext(int32_t uniqueId, int32_t* tabNum = nullptr,
                                  const PixelMapModel* contexts = nullptr);

    // Tabs: the sources, then one per context.
    void updateContextTabs();
    // 0 selects the source tabs; n the n-th context.
    void selectContextNum(int32_t number, bool updateTab);
    void onAddNewContext();
    // 1-based; refused while only one context exists.
    bool deleteContext(int32_t number);

    // 0 place fixture, 1 edit/select, 2 resequence, 3 place multiple, 4 pick
    // points.
    int32_t fixtureMode() const { return fixtureMode_; }
    void setFixtureMode(int32_t mode);
    void handleMainMapMouseDown(QPointF docPoint, QMouseEvent* event);

    // The informational alerts shown last (title, text), for the log and tests.
    QStringList shownAlerts() const { return shownAlerts_; }

    // PixelMapModelDelegate
    void pixelMapDataUpdated() override;
    void contextSizeChanged() override;
    void showPixelMapRepairs(const QString& text) override;
    void invalidPixelMapFileReported(const QString& text) override;
    bool isVisible() override { return QWidget::isVisible(); }

    // TbTabBarControlDelegate
    void tabViewDidSelectTabViewItem(TbTabView* view, const std::shared_ptr<TbTabViewItem>& item) override;
    QColor tabViewColorForItem(TbTabView* view, const TbItem& item) override;

private:
    // Shows an alert without running a nested loop, once per open alert, so
    // that timer steps never stack a second copy of their own alert.
    void showAlert(const QString& title, const QString& text);

    std::unique_ptr<PixelMapModel> model_;
    TbTabBarControl* tabBar_;
    TbTabView* tabView_;
    OmPixelMapView* view_;
    QTimer timer_;
    std::shared_ptr<TbTabViewItem> pixelMapTab_;
    int32_t fixtureMode_ = 1;
    bool finishedLaunching_ = false;
    bool isUpdatingTabs_ = false;
    bool inTimer_ = false;
    bool firstSelection_ = true;
    QStringList shownAlerts_;
    QStringList openAlerts_;
    QString pendingOpen_;
};
