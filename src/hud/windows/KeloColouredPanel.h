#pragma once

#include <QColor>
#include <QDialog>
#include <QList>
#include <QPointer>

#include <QLabel>

// A dialog panel with the dark palette and a title line of its own at the
// top of the content; Escape as in KeloColouredWindow, and the cancel key
// (Ctrl-".") that no control takes cancels the dialog.
class KeloColouredPanel : public QDialog {
    Q_OBJECT
public:
    explicit KeloColouredPanel(QWidget* parent = nullptr);

    QColor titleBarColour() const { return titleBarColour_; }
    void setTitleBarColour(const QColor& colour);
    // Sets the panel's own title line (not the window manager's title).
    void setTitle(const QString& title);
    QLabel* titleview() const { return titleview_; }
    // Places a view at the right end of the title line, narrowing the title.
    void addItemToTitleBar(QWidget* view, bool rhs);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutTitleBar();

    QPointer<QLabel> titleview_;
    QColor titleBarColour_;
    QList<QPointer<QWidget>> titleItems_;
};
