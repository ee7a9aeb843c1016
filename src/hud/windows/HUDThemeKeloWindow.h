#pragma once

#include "hud/windows/ToolTipWindowProtocol.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>

class KlThumbTackButtonView;
class QDrag;
class QKeyEvent;

// Draw throttle shared by every HUD view: 1..99 switch it on, 0 and values
// above 99 mean off. Atomic, no lock: the preferences set the percentage on
// the main thread, and every view's draw reads it and moves the window's
// start and count, GL views on their render threads too. Two draws racing at
// a window's edge at worst both pause once.
extern std::atomic<int32_t> gThrottlePercentage;
extern std::atomic<int32_t> gThrottlePercentageIncrement;
extern std::atomic<uint64_t> gDrawStartTime;  // milliseconds since 1970
extern std::atomic<uint32_t> gNumDrawsSinceStartTime;

// Called at the start of a HUD view's paintEvent: once a burst of draws has
// run past its time window, sleeps 33 ms to let the rest of the application
// breathe. The view is not used.
void waitIfNeeded(QWidget* view);
// Starts a new throttle window (before a display pass of a whole window).
void restartDrawThrottle();

// Key equivalents for a window that shows a zoomable preview. Each answers
// true when it handled the key; the defaults leave it to the window.
class HUDThemeKeloWindowPreviewZoomDelegate {
public:
    virtual ~HUDThemeKeloWindowPreviewZoomDelegate() = default;
    virtual bool zoomPreviewIn() { return false; }
    virtual bool zoomPreviewOut() { return false; }
    virtual bool zoomPreviewToFit() { return false; }
};

// The themed top-level window: dark palette on the header fill colour, title
// colour following activation, an optional pin that keeps the window on top
// (remembered per frame autosave name), Escape closing overlays and hiding a
// pinned window, Ctrl-0 / Ctrl-= / Ctrl-+ / Ctrl-- preview zoom keys, and a
// line of info-bar text.
class HUDThemeKeloWindow : public QWidget, public ToolTipWindowProtocol {
    Q_OBJECT
public:
    explicit HUDThemeKeloWindow(QWidget* parent = nullptr);
    ~HUDThemeKeloWindow() override;

    // "ThrottlePercentage" when it is a number from 5 to 100; otherwise 100,
    // which is written back to the user defaults.
    static qint64 throttlePercentagePreference();
    static bool isUsingDarkAppearance();
    // The application's dark palette, every role set.
    static const QPalette& darkPalette();
    // Gives a window the application's dark palette.
    static void initAppearance(QWidget* window);
    // Makes the dark palette the whole application's, so that menus and the
    // standard dialogs match the themed windows.
    static void initApplicationAppearance();
    static bool isDragDropInProgress();
    // Runs a drag with the class-wide drag flag raised.
    static Qt::DropAction dragImage(QDrag* drag, Qt::DropActions actions);

    void initThrottlePercentage();
    bool usesThrottlePercentage() const { return usesThrottlePercentage_; }
    void setUsesThrottlePercentage(bool uses) { usesThrottlePercentage_ = uses; }
    // The window's copy of the preference; 0 until read.
    qint64 throttlePercentage() const { return throttlePercentage_; }
    void setThrottlePercentage(qint64 percentage) { throttlePercentage_ = percentage; }
    int32_t throttlePercentageIncrement() const { return throttlePercentageIncrement_; }
    bool deferredDraw() const { return deferredDraw_; }

    QColor titleBarColour() const { return titleBarColour_; }
    void setTitleBarColour(const QColor& colour);

    // Preview zoom keys; true when the delegate took the key.
    bool performKeyEquivalent(const QKeyEvent* event);
    HUDThemeKeloWindowPreviewZoomDelegate* previewZoomDelegate() const { return zoomDelegate_; }
    void setPreviewZoomDelegate(HUDThemeKeloWindowPreviewZoomDelegate* delegate) {
        zoomDelegate_ = delegate;
    }

    // Views repainted first, in registration order, at the next display pass.
    void addViewNeedingDisplay(QWidget* view);
    void displayIfNeeded();

    QString toolTipInfo(QColor* color) const override;
    void setToolTipInfo(const QString& info, const QColor& color) override;
    ToolTipWindowDelegate* delegate() const { return delegate_; }
    void setDelegate(ToolTipWindowDelegate* delegate) { delegate_ = delegate; }

    bool isPanel() const { return isPanel_; }
    // Floating (kept on top) when set.
    void setIsPanel(bool panel);
    bool escKeyDoesNotCancelPanel() const { return escKeyDoesNotCancelPanel_; }
    void setEscKeyDoesNotCancelPanel(bool flag) { escKeyDoesNotCancelPanel_ = flag; }
    // Called by the application when it loses or regains activation: a
    // pinned window stops floating meanwhile.
    void appDeactivating();
    void appActivating();
    // Escape: closes an overlay, else hides a pinned window; true when done.
    bool cancelOperation();

    // The window's frame kept in the user defaults under "NSWindow Frame
    // <name>". Restoring answers false without a stored frame, and brings a
    // window restored off every screen back onto the menu-bar screen.
    void saveFrameUsingName(const QString& name) const;
    bool setFrameUsingName(const QString& name);

    // A null name (the default) is different from an empty one.
    QString frameAutosaveName() const { return frameAutosaveName_; }
    void setFrameAutosaveName(const QString& name) { frameAutosaveName_ = name; }
    KlThumbTackButtonView* thumbTackButtonView() const;
    // "isAlwaysOnTop <name>", or null without an autosave name.
    QString alwaysOnTopAutosaveName() const;
    bool isPinnable() const;
    void setPinnable(bool pinnable);
    bool isAlwaysOnTop() const { return isPanel_; }
    void setIsAlwaysOnTop(bool onTop);
    void thumbTackClicked(bool checked);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Tab never moves the focus by itself; fields that want it do it.
    bool focusNextPrevChild(bool next) override;

private:
    // Gives a text editor that gains the focus in this window the application
    // theme's editing colours when it, or the control holding it, is themed.
    void themeFieldEditor(QWidget* editor);
    KlThumbTackButtonView* makeThumbTackButton();
    void placeThumbTackButton();
    void setBackground(const QColor& colour);

    bool usesThrottlePercentage_ = false;
    qint64 throttlePercentage_ = 0;
    int32_t throttlePercentageIncrement_ = 0;
    bool deferredDraw_ = false;
    QString toolTipInfo_;
    QColor toolTipColor_;
    QList<QPointer<QWidget>> viewsNeedingDisplay_;
    bool isPanel_ = false;
    bool escKeyDoesNotCancelPanel_ = false;
    QColor titleBarColour_;
    QString frameAutosaveName_;
    HUDThemeKeloWindowPreviewZoomDelegate* zoomDelegate_ = nullptr;
    ToolTipWindowDelegate* delegate_ = nullptr;
    QMetaObject::Connection focusConnection_;
};
