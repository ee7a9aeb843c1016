#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <memory>

class HUDButtonCell;
class KlRemoteControlListView;

// The strip between two compared lists: on each row whose values differ, a
// button that copies the right value to the left server and one that copies
// the left value to the right server. Rows follow the left list. Main thread
// only.
class KlCopyingControls : public QWidget {
    Q_OBJECT
public:
    KlCopyingControls(KlRemoteControlListView* left, KlRemoteControlListView* right,
                      QWidget* parent = nullptr);
    ~KlCopyingControls() override;

    QRectF copyToLeftRect() const { return copyToLeftRect_; }
    QRectF copyToRightRect() const { return copyToRightRect_; }
    QString mouseHoverKey() const { return mouseHoverKey_; }
    QString mouseDownKey() const { return mouseDownKey_; }
    // Rows whose copy buttons the last paint drew.
    int drawnButtonRows() const { return drawnButtonRows_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool insideX(const QRectF& rect, double x) const { return x > rect.left() && x < rect.right(); }
    QString keyAt(const QPointF& at) const;

    KlRemoteControlListView* left_;
    KlRemoteControlListView* right_;
    QRectF copyToLeftRect_{10, 3, 54, 23};
    QRectF copyToRightRect_{68, 3, 54, 23};
    std::unique_ptr<HUDButtonCell> copyToLeftButtonCell_;
    std::unique_ptr<HUDButtonCell> copyToRightButtonCell_;
    bool hoverCopyLeft_ = false;
    bool hoverCopyRight_ = false;
    QString mouseHoverKey_;
    QString mouseDownKey_;
    QPointF mouseDownPt_{-1, -1};
    QPointF currentMousePt_{-1, -1};
    int drawnButtonRows_ = 0;
};
