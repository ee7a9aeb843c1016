#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class HUDThemeKeloWindow;
class QWidget;

// Floating panels (themed windows in panel mode) stay above the program's
// other windows, but a modal dialog has to come above them, or its buttons
// hide under a panel. While a modal window of the program is shown the
// panels float no more; when the last one closes they float again.
//
// One instance watches the whole application; install() makes it on first
// use.
class FloatingPanelLevels : public QObject {
    Q_OBJECT
public:
    static void install();
    // True while the panels are held down under a modal window.
    static bool panelsLowered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FloatingPanelLevels(QObject* parent);
    void lowerPanels(QWidget* dialog);
    void restorePanelsUnlessModal();
    static bool isModalWindow(const QWidget* widget);

    QList<QPointer<HUDThemeKeloWindow>> lowered_;
    bool restoreQueued_ = false;
};
