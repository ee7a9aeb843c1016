#pragma once

#include "serverlink/keloLayerProgressRec.h"
#include "status/KeloRemoteCell.h"

#include <QSizeF>
#include <QString>

#include <array>
#include <cstdint>

// A breakout cell showing one layer, mix or DMX master of a server (exactly
// one of layerNumber, mixNumber and DMX_MasterNumber is set): a name band, a
// preview with range and level bars and flag marks, and for a layer seven
// text fields. Parts by index: 0 preview, 1 name, 2 in point, 3 out point,
// 4 length, 5 position, 6 media line, 7 file name, 8 remaining time. The
// texts are formatted only when their inputs change. Main thread only.
class KeloLayerBreakoutCell : public KeloRemoteCell {
public:
    KeloLayerBreakoutCell();
    ~KeloLayerBreakoutCell() override;

    thumbref* getThumbNail() override { return &thumbnail_; }
    thumbref* getThumbNail2() override { return nullptr; }
    bool update() override;
    void setKeloObject(KeloObject* kelo) override;
    void drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) override;
    QSizeF size() const override;
    QString toolTipForPoint(const QPointF& point) override;

    bool active() const { return active_; }
    // The cached text of a field part (2 to 8); null before it was made.
    QString fieldText(int part) const;
    const keloLayerProgressRec& layerRec() const { return layerRec_; }

protected:
    void buildRectList() override;
    void drawStructure() override;
    void drawDirtyParts() override;

private:
    bool isLayerCell() const { return mixNumber_ == 0 && DMX_MasterNumber_ == 0; }
    QString kindSuffix();
    // The server runs and has this cell's layer.
    bool showsFields() const;
    void rebuildTexts(const keloLayerProgressRec& rec, bool all);

    thumbref thumbnail_;
    bool active_ = false;
    int32_t timeFieldWidth_ = 0;
    keloLayerProgressRec layerRec_{};
    bool flagchange_ = false;
    std::array<QString, 7> strings_;
};
