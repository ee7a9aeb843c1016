#pragma once

#include "pixelmap/PmFixture.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <vector>

// One pixel-mapping context: a rectangle of a source picture mapped onto a
// grid of context pixels, holding the fixtures placed on that grid. The
// lasting form is the context dictionary: "context" (the settings) and
// "fixtures" (fixture dictionaries). Each context has a unique id, unique in
// the process, that its fixtures point back to. The background texture and
// camera capture live with the canvas; the context keeps only the encoded
// background image and a change counter for them. Main thread only.
class PmContext {
public:
    // Reads the id (the next counter value when absent) and the settings,
    // creates the fixtures, and writes the id back. Wrong value types are
    // read as 0 and counted in `repairs` when given.
    PmContext(const QVariantMap& dict, const QVariantList& profiles,
              PmTypeRepairs* repairs = nullptr);
    // A context without dictionary or fixtures, used only for its pixel sizes.
    static std::unique_ptr<PmContext> initDummyWithPixelSize(QSizeF pixelSize, QSizeF zoomSize);
    // A deep copy of `source`, with its fixtures or none, under the next id.
    static std::unique_ptr<PmContext> context(PmContext& source, const QVariantList& profiles,
                                              bool copyFixtures);

    void setDict(const QVariantMap& dict, const QVariantList& profiles,
                 PmTypeRepairs* repairs = nullptr);
    void readContextDict(const QVariantMap& contextDict, PmTypeRepairs* repairs = nullptr);
    // Reads the settings and keeps them as "context"; fixtures are untouched.
    void updateContextDict(const QVariantMap& contextDict, const QVariantList& profiles);
    // The dictionary with "fixtures" rebuilt from the current fixtures.
    QVariantMap mutableCopyDeep();

    const std::vector<std::unique_ptr<PmFixture>>& fixtures() const { return fixtures_; }
    // Takes ownership; the fixture's context id becomes this context's.
    PmFixture* addFixture(std::unique_ptr<PmFixture> fixture);
    void removeFixturesInArray(const std::vector<PmFixture*>& fixtures);

    int32_t unique_id() const { return unique_id_; }
    QRectF source_rect() const { return source_rect_; }
    bool source_auto() const { return source_auto_; }
    int32_t source_id() const { return source_id_; }
    QSizeF context_size() const { return context_size_; }
    QSizeF tile_size() const { return tile_size_; }
    float dmx_ghost() const { return dmx_ghost_; }
    QRectF bgimage_rect() const { return bgimage_rect_; }
    float bgimage_scale() const { return bgimage_scale_; }
    float bgimage_rotate() const { return bgimage_rotate_; }
    int32_t ctx_protocol() const { return ctx_protocol_; }
    bool hasBgImage() const { return hasBgImage_; }
    void setHasBgImage(bool v) { hasBgImage_ = v; }
    bool wantsBgImage() const { return wantsBgImage_; }
    bool usesLiveImage() const { return usesLiveImage_; }
    bool usesAvfImage() const { return usesAvfImage_; }
    bool usesNdiImage() const { return usesNdiImage_; }
    QString bgImageName() const;
    QString avfSourceName() const;
    const QByteArray& bgImgData() const { return bgImgData_; }
    // Advances whenever the background must be rebuilt.
    uint64_t bgImgDataIncrement() const { return bgImgDataIncrement_; }
    // The stored dictionary (its "fixtures" as last loaded).
    const QVariantMap& dict() const { return dict_; }

    QSizeF basePixelSize() const { return basePixelSize_; }
    QSizeF zoomedPixelSize() const { return zoomedPixelSize_; }
    void setPixelSizes(QSizeF size, double zoom);
    QRectF drawableContextRect() const { return drawableContextRect_; }
    void setDrawableContextRect(const QRectF& rect) { drawableContextRect_ = rect; }
    // The (fractional) context pixel under a canvas point; outside the
    // drawable rectangle the point is clamped to its edge.
    QPointF pixelForMousePt(QPointF point, bool* isInContext = nullptr) const;

    // The id counter, reset before a whole document is loaded.
    static void reset_unique_id() { sNext_unique_id_ = 0; }
    static int32_t next_unique_id() { return sNext_unique_id_; }
    // The largest id a file may give a context; larger ones are replaced by
    // the counter, which therefore never runs out of range.
    static constexpr int32_t kMaxUniqueId = 1 << 30;

    QString description() const;

private:
    PmContext() = default;

    QRectF source_rect_;
    bool source_auto_ = false;
    int32_t source_id_ = 0;
    QSizeF context_size_;
    QSizeF tile_size_;
    float dmx_ghost_ = 0.25f;
    int32_t unique_id_ = 0;
    std::vector<std::unique_ptr<PmFixture>> fixtures_;
    QVariantMap dict_;
    QRectF bgimage_rect_;
    float bgimage_scale_ = 1.0f;
    float bgimage_rotate_ = 0;
    int32_t ctx_protocol_ = 0;
    QSizeF basePixelSize_{1, 1};
    QSizeF zoomedPixelSize_{1, 1};
    QRectF drawableContextRect_;
    bool hasBgImage_ = false;
    bool wantsBgImage_ = false;
    bool usesLiveImage_ = false;
    bool usesAvfImage_ = false;
    bool usesNdiImage_ = false;
    QByteArray bgImgData_;
    uint64_t bgImgDataIncrement_ = 0;

    // Main thread only, as the contexts.
    static inline int32_t sNext_unique_id_ = 0;
};
