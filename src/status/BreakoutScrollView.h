#pragma once

#include "hud/views/HUDScrollView.h"

#include <QString>

// The scroll view round a breakout pane: while the pane has nothing to show
// it draws a help text over the box fill. Drops anywhere in it go to its
// status view: an empty pane's view is only a few points high, and a server
// dropped below it must still land. Main thread only.
class BreakoutScrollView : public HUDScrollView {
    Q_OBJECT
public:
    explicit BreakoutScrollView(QWidget* parent = nullptr);

    QString helpText() const { return helpText_; }
    void setHelpText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString helpText_;
};
