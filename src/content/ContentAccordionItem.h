#pragma once

#include "hud/views/KlAccordionView.h"

// A folder-type header of the Content tab: the sync arrows left of the
// title, bright when a managed folder of the type needs sync, faint when
// folders are managed and in step, absent otherwise.
class ContentAccordionItem : public KlAccordionItem {
public:
    using KlAccordionItem::KlAccordionItem;
    bool anyWatched() const { return anyWatched_; }
    void setAnyWatched(bool on) { anyWatched_ = on; }
    bool anyNeedsSync() const { return anyNeedsSync_; }
    void setAnyNeedsSync(bool on) { anyNeedsSync_ = on; }
    // The opacity the arrows are drawn with.
    double imageOpacity() const { return anyNeedsSync_ ? 1.0 : anyWatched_ ? 0.15 : 0.0; }

    QRectF drawImageInRect(QPainter& painter, const QRectF& rect) override;

private:
    bool anyWatched_ = false;
    bool anyNeedsSync_ = false;
};
