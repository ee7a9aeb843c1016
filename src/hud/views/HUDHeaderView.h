#pragma once

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

class QMenu;
class QMouseEvent;

// A header's delegate that starts drags from the header.
class DragFromProtocol {
public:
    virtual ~DragFromProtocol() = default;
    virtual void dragFromView(QWidget* view, const QPoint& fromPoint, QMouseEvent* event) = 0;
};

// A delegate that supplies the header's context menu (owned by the caller).
class RightClickMenuProtocol {
public:
    virtual ~RightClickMenuProtocol() = default;
    virtual QMenu* menuForEvent(QMouseEvent* event, QWidget* sender) = 0;
};

// The header strip of a panel: filled and framed in header colours, with
// drags, the context menu and an info-bar help text handed to its delegate.
// Read-only labels in it let the mouse through to the header. Draws y-down
// (fill and frame only).
class HUDHeaderView : public QWidget {
    Q_OBJECT
public:
    explicit HUDHeaderView(QWidget* parent = nullptr);
    ~HUDHeaderView() override;

    bool isBorderless() const { return isBorderless_; }
    void setIsBorderless(bool borderless);
    // Invalid until set or first drawn (then the theme's header fill).
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    bool isZeroOpacity() const { return isZeroOpacity_; }
    void setIsZeroOpacity(bool zero);
    // Not owned. It may implement DragFromProtocol, RightClickMenuProtocol
    // and a slot menuAction(QObject*).
    QObject* delegate() const { return delegate_; }
    void setDelegate(QObject* delegate) { delegate_ = delegate; }

    QString infoBarToolTip() const { return infoBarToolTip_; }
    void setInfoBarToolTip(const QString& text) { infoBarToolTip_ = text; }
    QPoint startPt() const { return startPt_; }
    bool hasDragStarted() const { return mouseDragged_; }

    // The delegate's menu, or null without one.
    QMenu* menuForEvent(QMouseEvent* event);
    void menuAction(QObject* sender);
    // The child under the point, or the header itself where that child is a
    // read-only text field.
    QWidget* hitTest(const QPoint& point);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void showInfo();
    bool delegateHasMenu() const;
    void passMouseThroughLabels();

    bool isBorderless_ = false;
    QColor backgroundColor_;
    bool isZeroOpacity_ = false;
    QPointer<QObject> delegate_;
    QPoint startPt_;
    bool mouseDragged_ = false;
    QString infoBarToolTip_;
};
