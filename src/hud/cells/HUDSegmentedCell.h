#pragma once

#include "hud/cells/HUDCell.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <optional>

class HUDTheme;
class QPainter;

// The two segment styles the HUD draws.
enum HUDSegmentStyle : int { kSegmentStyleRounded = 1, kSegmentStyleSmallSquare = 6 };

// The dark segmented control cell. The background and every segment of
// ordinary size are rendered once per look into the shared SegCellImage list;
// the selected segment is drawn pressed, segments are divided by thin lines.
// Geometry is the control view's, y-down.
class HUDSegmentedCell : public HUDCell {
public:
    HUDSegmentedCell();
    ~HUDSegmentedCell() override = default;
    HUDSegmentedCell(const HUDSegmentedCell&) = delete;
    HUDSegmentedCell& operator=(const HUDSegmentedCell&) = delete;

    // "themeKey" is the cell's only archived setting; without it the cell
    // keeps "gradientTheme".
    static std::unique_ptr<HUDSegmentedCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    // Invalid means none.
    QColor selectedTextColor() const { return selectedTextColor_; }
    void setSelectedTextColor(const QColor& color) { selectedTextColor_ = color; }
    const std::optional<QList<QColor>>& segmentTextColors() const { return segmentTextColors_; }
    // Always redraws the control view.
    void setSegmentTextColors(const std::optional<QList<QColor>>& colors);
    QColor selectedBgColor() const { return selectedBgColor_; }
    void setSelectedBgColor(const QColor& color) { selectedBgColor_ = color; }

    int segmentStyle() const { return segmentStyle_; }
    // Only the rounded and small square styles are taken; others are ignored.
    void setSegmentStyle(int style);

    // The standard segmented cell state.
    int segmentCount() const { return int(segments_.size()); }
    void setSegmentCount(int count);
    // A null string means the segment has no label.
    QString labelForSegment(int segment) const;
    void setLabel(const QString& label, int segment);
    QImage imageForSegment(int segment) const;
    void setImage(const QImage& image, int segment);
    // 0 scales proportionally down (the default), anything else draws the
    // image at its own size.
    int imageScalingForSegment(int segment) const;
    void setImageScaling(int scaling, int segment);
    // 0 means the segment shares the width left over by fixed-width segments.
    double widthForSegment(int segment) const;
    void setWidth(double width, int segment);
    bool isEnabledForSegment(int segment) const;
    void setEnabled(bool enabled, int segment);
    // -1 when none is selected.
    int selectedSegment() const { return selectedSegment_; }
    using HUDCell::setEnabled;
    void setSelectedSegment(int segment);

    // The size that fits every segment: fixed widths as set, each shared
    // segment as wide as the widest label or image needs, plus the outline.
    QSizeF cellSize() const;
    // Segments lie side by side from the frame's left edge.
    QRectF rectForSegment(int segment, const QRectF& frame) const;
    // The segment under a point of the frame, or -1.
    int segmentAtPoint(const QPointF& point, const QRectF& frame) const;
    // True when some segment has a non-empty label.
    bool hasText() const;
    // The label font: the system font at the size for the control size.
    QFont font() const;

    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void drawSegment(QPainter& ctx, int segment, const QRectF& frame, QWidget* controlView);
    void drawInteriorForSegment(QPainter& ctx, int segment, const QRectF& frame);

private:
    struct Segment {
        QString label;
        QImage image;
        int imageScaling = 0;
        double width = 0;
        bool enabled = true;
    };

    HUDTheme* keyedTheme() const;
    QRectF fittedFrame(const QRectF& frame) const;
    QColor labelColor(int segment) const;
    void renderSegment(QPainter& ctx, int segment, const QRectF& rect, const QRectF& frame,
                       const QPointF& shift);

    QColor selectedTextColor_;
    std::optional<QList<QColor>> segmentTextColors_;
    QColor selectedBgColor_;
    int segmentStyle_ = kSegmentStyleRounded;
    QList<Segment> segments_;
    int selectedSegment_ = -1;
};
