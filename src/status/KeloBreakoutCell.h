#pragma once

#include "serverlink/keloLayerProgressRec.h"
#include "status/KeloRemoteCell.h"

#include <QSizeF>

#include <array>
#include <cstdint>

// A breakout cell showing a whole server: a band with the display name and
// the received time code, the output preview, and below it the layer
// previews four to a row with media number, range bar and level bar. Its
// part list always has 28 parts: 0 the output preview (part number -1),
// 1 an empty place, 2 the name, 3 the time code, 4 + i layer i + 1 (part
// number i + 1). A server with more than 24 layers shows its first 24.
// Main thread only.
class KeloBreakoutCell : public KeloRemoteCell {
public:
    static constexpr int kMaxLayers = 24;

    KeloBreakoutCell();
    ~KeloBreakoutCell() override;

    thumbref* getThumbNail() override { return &outputThumbnail_; }
    thumbref* getThumbNail2() override { return &rightThumbnail_v3_; }
    bool update() override;
    void drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) override;
    QSizeF size() const override;
    QString toolTipForPoint(const QPointF& point) override;

    int32_t numLayers() const { return numLayers_; }
    int32_t layerRowCount() const { return layerRowCount_; }
    int32_t tcValue() const { return tc_value_; }
    const keloLayerProgressRec& layerRec(int index) const { return layerRecs_[size_t(index)]; }
    const thumbref& layerThumbNail(int index) const { return layerThumbNails_[size_t(index)]; }

protected:
    void buildRectList() override;
    void drawStructure() override;
    void drawDirtyParts() override;

private:
    // Layers that have parts: the server's count, at most 24.
    int shownLayers() const;
    void drawPart(CellRect* part);

    thumbref outputThumbnail_;
    thumbref rightThumbnail_v3_;
    std::array<thumbref, kMaxLayers> layerThumbNails_;
    mutable int32_t layerWidth_ = 0;
    mutable int32_t layerHeight_ = 0;
    mutable int32_t layerXspace_ = 12;
    mutable int32_t layerThumbHeight_ = 0;
    mutable int32_t layerRowCount_ = 0;
    int32_t tc_value_ = -1;
    QSizeF mLabelSize_;
    float mLabelOffset_ = -18;
    std::array<keloLayerProgressRec, kMaxLayers> layerRecs_{};
    std::array<bool, kMaxLayers> layerFlagChanges_{};
};
