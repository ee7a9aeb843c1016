#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

class QAbstractButton;

// The grid of control points of a mesh or warp: select a point with the
// mouse or the keyboard, move it by dragging (a rate control) or by arrow
// nudges, reset it. On a 3 x 3 grid the five-point mode moves the corners and
// the centre and places the edge midpoints between them. Points are stored as
// offsets from their default places in a dictionary of texts (see
// dictionaryKeyForCell). Rows count from the bottom: the view works y-up and
// flips at the event and paint edges. Every change emits action(). Main thread
// only.
class KeloWarpEditorView : public QWidget {
    Q_OBJECT
public:
    explicit KeloWarpEditorView(QWidget* parent = nullptr);

    // The "all points" (tag 0) and "five point" (tag 1) radio buttons and the
    // reset-all button, laid out by the window.
    void setRadioButtons(QAbstractButton* allPoints, QAbstractButton* fivePoint);
    void setResetAllButton(QAbstractButton* button);

    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }
    void setRows(int rows) { rows_ = rows; }
    void setCols(int cols) { cols_ = cols; }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int pointCount() const { return pointCount_; }

    void setDictionary(const QVariantMap& dictionary);
    const QVariantMap& dictionary() const { return dictionary_; }
    bool hasDictionary() const { return hasDictionary_; }
    int clickedCell() const { return hasDictionary_ ? clickedCell_ : 0; }
    void setClickedCell(int cell) { clickedCell_ = cell; }
    QString selectedKey() const { return selectedKey_; }
    void setSelectedKey(const QString& key) { selectedKey_ = key; }
    bool fivePointMode() const { return fivePointMode_; }
    void setFivePointMode(bool on);
    QPointF linearity() const { return linearity_; }

    QPointF defaultPositionForPoint(int cell) const;
    QString dictionaryKeyForCell(int cell) const;
    QPointF pointForCell(int cell) const;
    void setPoint(const QPointF& point, int cell);
    QPointF convertPointForDisplay(const QPointF& point) const;
    QPointF tween(float t, int p1, int p2) const;
    void fivePointAdjust();
    bool validColumn(int column, int row);
    // Buttons: 1 the radio buttons, 2 reset all.
    void actionProc(int tag);
    void timerProc();
    QRectF activeRect() const { return activeRect_; }

signals:
    void action(KeloWarpEditorView* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layout();
    void press(const QPointF& at);
    void select(int cell);
    void resetSelected();
    void changed();
    QPointF offsetFor(const QString& key) const;

    QAbstractButton* allPointsButton_ = nullptr;
    QAbstractButton* fivePointButton_ = nullptr;
    QAbstractButton* resetAllButton_ = nullptr;
    QVariantMap dictionary_;
    bool hasDictionary_ = false;
    int clickedCell_ = 0;
    int rows_ = 0;
    int cols_ = 0;
    int pointCount_ = 0;
    qint64 tag_ = 0;
    QPointF startPt_;
    QPointF dragDist_;
    bool tracking_ = false;
    bool dragging_ = false;
    bool shiftHeld_ = false;
    int clickCount_ = 0;
    QTimer timer_;
    QRectF activeRect_;
    QSizeF cellSize_;
    QPointF origin_;
    QSizeF pointScale_;
    float handleSize_ = 1;
    bool fivePointMode_ = false;
    bool isCentre_ = false;
    QString selectedKey_;
    QPointF linearity_{0.5, 0.5};
};
