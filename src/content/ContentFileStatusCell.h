#pragma once

#include "hud/cells/TextFieldCell.h"
#include "hud/views/MouseHoverProtocol.h"

#include <QImage>

class ContentUIPanel;

// The first column of the file table: a document icon tinted by the file's
// state (yellow: issues, red: conflicted, cyan: versioned; later wins) and
// the thumbnail beside it. Its value is the row number. Main thread only.
class ContentFileStatusCell : public TextFieldCell, public MouseHoverCell {
public:
    enum class Icon { None, Yellow, Red, Cyan };

    ContentFileStatusCell() = default;
    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<ContentFileStatusCell>(*this);
    }
    void setDelegate(ContentUIPanel* delegate) { delegate_ = delegate; }
    void setRow(int row) { row_ = row; }
    void mouseHoverCell(bool hover) override { mouseInside_ = hover; }

    // Issue bits that make the icon yellow.
    static constexpr int kYellowIssues = 0x2B40;
    static Icon iconFor(const struct ContentTableRow& row);
    // The document icon in that tint, made once; null for none.
    static const QImage& iconImage(Icon icon);

    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;

private:
    ContentUIPanel* delegate_ = nullptr;
    bool mouseInside_ = false;
    int row_ = -1;
};
