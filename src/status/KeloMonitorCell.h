#pragma once

#include "status/KeloRemoteCell.h"

#include <QColor>
#include <QSizeF>

#include <cstdint>
#include <memory>

class ChangeIncrementsDict;

// Degrees of the monitor cells' sync icon; the Status tab turns it at each
// refresh. Main thread only.
extern int gSyncRotateDegrees;

// One server in the Status tab's grid: live output thumbnail, display name
// with its collection badge, lamp and state word, address, time code, content
// sync state with troubleshooting and version warnings, DMX control source,
// the pixel-map session frame and the address-change warning. `update`, once
// per tick, marks only the parts whose data changed. Parts by index:
// 0 thumbnail, 1 second slot (no area), 2 badge, 3 name, 4 lamp and state,
// 5 address, 6 time code, 7 sync state, 8 control source. Main thread only.
class KeloMonitorCell : public KeloRemoteCell {
public:
    KeloMonitorCell();
    ~KeloMonitorCell() override;

    thumbref* getThumbNail() override { return &outputThumbnail_; }
    thumbref* getThumbNail2() override { return &rightThumbnail_v3_; }
    void setCollectionID(int collectionID, int currentSelected, int syncState,
                         uint16_t progressSecs, uint16_t progressMax);
    void setIsMaster(bool master);
    void setSelected(bool selected) override;
    bool update() override;
    void drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) override;
    QString toolTipForPoint(const QPointF& point) override;
    QSizeF sizeForCurrentSettings(bool setTextX);
    QSizeF size() const override;

    // The state word beside the lamp ("Online", "Offline", "Kelo Not
    // Running", ...), the lamp's image and the word's colour as last updated.
    struct Lamp {
        QString word;
        QString imageName;
        QColor colour;
    };
    Lamp lamp() const;

    bool drawTextAboveImage() const { return drawTextAboveImage_; }
    void setDrawTextAboveImage(bool above);
    int32_t textX() const { return textX_; }
    void setTextX(int32_t x) { textX_ = x; }
    bool canShowTime() const { return canShowTime_; }
    int32_t tcValue() const { return tc_value_; }

protected:
    void buildRectList() override;
    void drawStructure() override;
    void drawDirtyParts() override;

private:
    QRectF addCollectionAndLabelRects(const QRectF& origin);
    void compactTextLayout();
    void drawLabel(CellRect* part, const QColor& bg);
    void drawServerStatusText(CellRect* part, const QColor& bg);
    void drawSyncPart(CellRect* part, const QColor& bg);
    void drawPart(int64_t index, const QColor& bg);
    void drawDirtyPartsWithWarning(const QString& warningText);
    void markPartDirty(int64_t index);

    thumbref outputThumbnail_;
    thumbref rightThumbnail_v3_;
    uint32_t address_ = 0;
    int32_t tc_value_ = -1;
    int32_t dmx_source_ip_address_ = 0;
    int32_t flashCount_ = 0;
    bool flashState_ = false;
    bool isBackup_ = false;
    bool isInWindow_ = false;
    bool canShowTime_ = false;
    int32_t timeFieldWidth_ = 0;
    int32_t ipFieldWidth_ = 0;
    int32_t labelOffset_ = 0;
    bool isMaster_ = false;
    int32_t collectionID_ = -1;
    int32_t currentSelectedCollectionID_ = -1;
    int32_t syncState_ = 0;
    uint16_t progressSecs_ = 0;
    uint16_t progressMax_ = 0;
    bool drawTextAboveImage_ = false;
    int32_t textX_ = 0;
    int32_t imageSeparation_ = 8;
    bool compactTextLayout_ = false;
    std::unique_ptr<ChangeIncrementsDict> changeIncrementsDict_;
    bool warning_ = false;
};
