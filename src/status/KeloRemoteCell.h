#pragma once

#include "serverlink/KlReqV4.h"
#include "status/KeloImageCell.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>

class CellRect;
class KeloObject;
class KeloUIAttributes;
class KlUIProtocol;
class StretchImage;
struct keloLayerProgressRec;

// One thumbnail slot of a cell: the picture last shown, its sizes, which
// preview it shows and the part that shows it.
struct thumbref {
    QImage image;
    QSizeF imageSize;     // as delivered
    QSizeF originalSize;  // of the source on the server
    QSizeF contextSize;   // imageSize at the original's aspect
    KlReqV4 imageRequest;
    int32_t rectIndex = 0;
};

// The base of the monitor and breakout cells: the server shown, thumbnail
// geometry and the aspect ratio remembered per server (user default
// "sAspectRatioForKelo"), live thumbnails in the host's thumbnail layers, the
// drag image, and the server and layer texts of tool tips. Text is drawn into
// the cached image as Unicode. Main thread only.
class KeloRemoteCell : public KeloImageCell {
public:
    KeloRemoteCell();
    ~KeloRemoteCell() override;

    // Shows a slot's picture in the thumbnail layer of a part; with a
    // `square` colour the layer is an empty centred square instead.
    void drawThumbnailInCellRect(const thumbref* thumb, const CellRect* cellRect,
                                 const QColor& fill, const QColor& square = QColor());
    void setAllDirty();
    virtual thumbref* getThumbNail() { return nullptr; }
    virtual thumbref* getThumbNail2() { return nullptr; }
    // Votes 16:9 or 4:3 from the slots' pictures and redraws on a change.
    void updateAspectRatio();
    // The server's remembered aspect; also stored in the cell.
    bool isAspect_16x9();
    // Remembered for the server only by a whole-server cell.
    void setIsAspect_16x9(bool is16x9);
    static int widthForThumbHeight(int height, float aspect);

    void drawInteriorWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) override;
    virtual void setKeloObject(KeloObject* kelo);
    // The image of a part (y-up, cell-local) at `alpha`, for dragging.
    QImage imageForDragging(float alpha, const QRectF& part) const;
    QSizeF size() const override { return QSizeF(); }
    // True when the cell's size may have changed.
    virtual bool update() { return false; }
    virtual QString toolTipForPoint(const QPointF& point) {
        (void)point;
        return QString();
    }
    QString appendLayerInfo(const keloLayerProgressRec* rec, const QString& text) const;
    QString appendServerInfo(const QString& text);
    void updateToolTips() { addToolTips_ = true; }
    void getTypeKey(QString* key, int* number) const;

    KeloObject* keloObject() const { return keloObject_; }
    QString labelText() const { return labelText_; }
    void setLabelText(const QString& text) { labelText_ = text; }
    bool renamed() const { return renamed_; }
    void setRenamed(bool renamed) { renamed_ = renamed; }
    bool selected() const { return selected_; }
    virtual void setSelected(bool selected) { selected_ = selected; }
    bool pixMapSession() const { return pixMapSession_; }
    void setPixMapSession(bool session) { pixMapSession_ = session; }
    bool monitor() const { return monitor_; }
    void setMonitor(bool monitor) { monitor_ = monitor; }
    int32_t thumbHeight() const { return thumbHeight_; }
    virtual void setThumbHeight(int32_t height) { thumbHeight_ = height; }
    float thumbAspect() const { return thumbAspect_; }
    void setThumbAspect(float aspect) { thumbAspect_ = aspect; }
    int32_t cellWidth() const { return cellWidth_; }
    virtual void setCellWidth(int32_t width) { cellWidth_ = width; }
    int32_t layerNumber() const { return layerNumber_; }
    void setLayerNumber(int32_t number) { layerNumber_ = number; }
    int32_t DMX_MasterNumber() const { return DMX_MasterNumber_; }
    void setDMX_MasterNumber(int32_t number) { DMX_MasterNumber_ = number; }
    int32_t mixNumber() const { return mixNumber_; }
    void setMixNumber(int32_t number) { mixNumber_ = number; }
    QString subName() const { return subName_; }
    void setSubName(const QString& name) { subName_ = name; }
    bool forceTotalRedraw() const { return forceTotalRedraw_; }

protected:
    bool isWholeServer() const {
        return layerNumber_ == 0 && DMX_MasterNumber_ == 0 && mixNumber_ == 0;
    }
    // The cell's frame meets the visible part of a view in a window.
    bool isVisibleInView() const;

    const KeloUIAttributes* attributes_ = nullptr;
    QString labelText_;
    int32_t largeTextSize_ = 0;
    int32_t generalTextSize_ = 0;
    int32_t giantTextSize_ = 0;
    bool monitor_ = false;
    bool selected_ = false;
    bool pixMapSession_ = false;
    bool isAspect_16x9_ = false;
    int32_t thumbHeight_ = 0;
    int32_t thumbWidth_ = 0;
    float thumbAspect_ = 4.0f / 3.0f;
    int32_t cellWidth_ = 0;
    int32_t layerNumber_ = 0;
    int32_t numLayers_ = 0;
    int32_t DMX_MasterNumber_ = 0;
    int32_t mixNumber_ = 0;
    KeloObject* keloObject_ = nullptr;
    QString subName_;
    int32_t isRunning_ = 0;
    bool renamed_ = false;
    bool forceTotalRedraw_ = false;
};

// --- Drawing helpers of the status cells ----------------------------------------
// Rectangles are y-down, in the painter's coordinates. Font sizes are in
// points of the painter; a negative size asks for the red state colour where
// noted, and a size of 0 draws nothing.

// "hh:mm:ss:ff" of a 24.8 fixed-point time at `fps` (30 when 0 or not a
// number); no sign, hours not wrapped.
QString i24_8toTC(int time, float fps);
// The attributes' font at |size| points.
QFont cellFont(const KlUIProtocol* attributes, int size);
// Fills `rect` with `background` (the attributes' bgCol when invalid) and
// draws the text from its left edge in textCol, or redStateCol for a
// negative size.
void drawStringInRect(const QString& text, const QRectF& rect, QPainter& ctx,
                      const KeloUIAttributes* attributes, int size,
                      const QColor& background = QColor());
// The same in `textColour` (red for a negative size).
void drawTimecodeStringInRect(const QString& text, const QRectF& rect, QPainter& ctx,
                              const KeloUIAttributes* attributes, int size,
                              const QColor& background, const QColor& textColour);
// The text cut in the middle with "…" to fit the width; the measured width
// and the x of right alignment through the pointers (may be null).
QString truncateStringMiddle(const QString& text, const QRectF& rect, double* width, double* x,
                             int size, const KlUIProtocol* attributes);
// Right-aligned text over a cleared background; the measured width (0 for a
// null text).
double drawStringRight(const QString& text, const QRectF& rect, QPainter& ctx,
                       const KlUIProtocol* attributes, int size,
                       const QColor& textColour = QColor(), const QColor& background = QColor());
// `rect` inset vertically so that a line of the system font is centred; the
// font's descender (negative or 0) through `descender` (may be null).
QRectF adjustFrameToVerticallyCenterText(const QRectF& rect, int size, int* descender);
// The 14 × 14 badge of a collection letter 0..25, member or master style;
// null for any other letter.
const StretchImage* collectionImage(int letter, bool master);
void drawCollection(int letter, bool master, QPainter& ctx, const QRectF& rect);
// Refreshes a slot from the server's picture store (no server: empties it);
// true when the picture changed, which also marks the part dirty.
bool updateThumb(thumbref* thumb, KeloObject* kelo, CellRect* cellRect);
// Playback range and playhead under `part`, the part's rectangle in the view.
void drawProgressIndicator(const keloLayerProgressRec* rec, const QRectF& part, QPainter& ctx,
                           const KeloUIAttributes* attributes);
// The level bar left of `part`.
void drawOpacityIndicator(const keloLayerProgressRec* rec, const QRectF& part, QPainter& ctx,
                          const KeloUIAttributes* attributes);
// The column of flag marks right of `rect`.
void drawLayerIcons(const keloLayerProgressRec* rec, bool compact, const QRectF& rect,
                    QPainter& ctx, const KeloUIAttributes* attributes);
// A bevelled frame of width `width`: flag 1 sunken, flag 2 outside the rectangle.
void drawBezelForCGRectInContext(QPainter& ctx, const QRectF& rect,
                                 const KeloUIAttributes* attributes, double width, int flags);
