#pragma once

#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

// The pop-over button's cell: its face for a KeloPopOverButton (background,
// title, highlight frame) and the pop-over's background when the button has
// no frame image.
class KeloPopOverButtonCell {
public:
    explicit KeloPopOverButtonCell(const QString& title = QString()) : title_(title) {}

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
    // The cell has no menu of its own to enable.
    void setAutoenablesItems(bool) {}

    void drawWithFrame(QPainter& ctx, const QRectF& frame, QWidget* controlView) const;

private:
    QString title_;
    bool highlighted_ = false;
};
