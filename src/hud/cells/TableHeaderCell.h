#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QVariant>

class QWidget;

// The plain column header cell the HUD header cell replaces: a text cell with
// an object value, a tag, a highlight state and a sort indicator.
class TableHeaderCell : public TextFieldCell {
public:
    explicit TableHeaderCell(const QString& title = {});

    QVariant objectValue() const { return objectValue_; }
    void setObjectValue(const QVariant& value) { objectValue_ = value; }
    qint64 tag() const { return tag_; }
    void setTag(qint64 tag) { tag_ = tag; }

    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    virtual void highlight(QPainter& painter, bool flag, const QRectF& frame, QWidget* view);
    // A small rectangle at the right end of the header.
    QRectF sortIndicatorRectForBounds(const QRectF& frame) const;
    virtual void drawSortIndicatorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view,
                                            bool ascending, int priority);

private:
    QVariant objectValue_;
    qint64 tag_ = 0;
};
