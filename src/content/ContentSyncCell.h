#pragma once

#include "hud/cells/TextFieldCell.h"
#include "hud/views/MouseHoverProtocol.h"

#include <QImage>

class ContentUIPanel;

// The sync column of the folder and file tables: the sync arrows, bright
// where a managed row needs sync (and the row can be synced), faint where it
// is in step, turning while its folder is being sent, and shown on an
// unmanaged row only under the pointer as an offer to manage it. Its value
// is the row number; the row comes from the controller. Main thread only.
class ContentSyncCell : public TextFieldCell, public MouseHoverCell {
public:
    ContentSyncCell() = default;
    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<ContentSyncCell>(*this);
    }

    void setDelegate(ContentUIPanel* delegate, bool isFolder) {
        delegate_ = delegate;
        isFolder_ = isFolder;
    }
    bool isFolder() const { return isFolder_; }
    void setRow(int row) { row_ = row; }
    // The sync image turned by the angle (any integer); each of the 360
    // turns is made once.
    static QImage syncImage(int angle);

    void mouseHoverCell(bool hover) override { mouseInside_ = hover; }
    bool mouseInside() const { return mouseInside_; }

    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;

private:
    ContentUIPanel* delegate_ = nullptr;
    bool isFolder_ = false;
    bool mouseInside_ = false;
    int row_ = -1;
};

// The white glow of a cell under the pointer, for the image drawn next.
void drawWithHoverGlow(QPainter& painter, bool hovering, const QRectF& rect, const QImage& image,
                       double opacity);
