// The derived geometry of a mix and the limits of the global surface.

#include "foundation/OmLog.h"
#include "outputs/MixRectangle.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLineWeight = 4;  // the HUD line weight; the controller keeps the default
constexpr float kFloatMax = 3.4028235e38f;
const QSizeF kLeastSurface(800, 600);
const QRectF kSurfaceBounds(0, 0, 16384, 16384);

// Parent chains may loop (they come from the server); a chain longer than
// the table can hold is one, and its end is placed as if it had no parent.
int sRecalcDepth = 0;

double snap(double v) {
    return std::round(v * 256.0) / 256.0;
}

double maxX(const QRectF& r) {
    return r.x() + r.width();
}

double maxY(const QRectF& r) {
    return r.y() + r.height();
}

}  // namespace

QRectF MixRectangle::worldrect() {
    if (updated_ != rects_updated_) recalculate();
    return worldrect_;
}

QRectF MixRectangle::camerarect() {
    if (updated_ != rects_updated_) recalculate();
    return camerarect_;
}

QRectF MixRectangle::mix_world_bounds() {
    if (updated_ != rects_updated_) recalculate();
    return mix_world_bounds_;
}

std::array<QPointF, 4> MixRectangle::texVerts() {
    if (updated_ != rects_updated_) recalculate();
    return texverts_;
}

std::array<QPointF, 4> MixRectangle::worldVerts() {
    if (updated_ != rects_updated_) recalculate();
    return worldverts_;
}

void MixRectangle::recalculate() {
    worldrect_ = rect_;
    if (parent_ != 0 && sRecalcDepth < kMaxMixIndex + 1) {
        if (MixRectangle* p = mixRectangleAtIndex(int(parent_)); p && p != this) {
            ++sRecalcDepth;
            const QRectF parentWorld = p->worldrect();
            --sRecalcDepth;
            worldrect_.translate(parentWorld.x(), parentWorld.y());
        }
    }
    renderChildren_ = false;
    rebuild_outlineVerts_ = true;
    renderChildren_ = hasChildOutputs();

    const double H = gWorldRect.height();
    camerarect_ = worldrect_;
    camerarect_.moveTop(H - (worldrect_.y() + worldrect_.height()));
    const double hw = camerarect_.width() / 2, hh = camerarect_.height() / 2;
    const double cx = camerarect_.x() + hw, cy = camerarect_.y() + hh;

    tex_transform_ = m3_identity;
    if (mix_rotation_ != 0) m3_rotate(tex_transform_, -double(mix_rotation_));
    m3_translate(tex_transform_, cx, cy);

    const double ox = mix_offset_.x(), oy = mix_offset_.y();
    const QPointF corner[4] = {{-hw, hh}, {-hw, -hh}, {hw, -hh}, {hw, hh}};
    for (int i = 0; i < 4; ++i) texverts_[size_t(i)] = corner[i] + QPointF(ox, -oy);
    const double lw = kLineWeight;
    for (int i = 0; i < 4; ++i) {
        const QPointF& t = texverts_[size_t(i)];
        showverts_[size_t(i)] =
            QPointF(t.x() + (i < 2 ? lw : -lw), t.y() + (i == 0 || i == 3 ? -lw : lw));
    }
    // The diagonals' ends sit lw in from the corners along the diagonal:
    // 1/s and q/s are its cosine and sine against the sides. A rectangle
    // without height (multi-mixes are 0 x 0) takes the limits, so no
    // infinity or NaN reaches the points.
    float across, along;
    if (hh != 0) {
        const float q = float(hw / hh);
        const float s = std::sqrt(q * q + 1.0f);
        across = float(lw * (1.0 / double(s)));
        along = float(lw) * (q / s);
    } else {
        across = hw != 0 ? 0.0f : float(lw);
        along = hw != 0 ? float(lw) : 0.0f;
    }
    for (int i = 0; i < 4; ++i) {
        const QPointF& t = texverts_[size_t(i)];
        diagverts_[size_t(i)] = QPointF(t.x() + (i < 2 ? across : -across), t.y());
        diagverts_[size_t(4 + i)] = QPointF(t.x(), t.y() + (i == 0 || i == 3 ? -along : along));
    }
    for (auto* points : {texverts_.data(), showverts_.data()}) {
        for (int i = 0; i < 4; ++i) {
            m3_transform(tex_transform_, points[i]);
            points[i] = QPointF(snap(points[i].x()), snap(points[i].y()));
        }
    }
    for (QPointF& p : diagverts_) {
        m3_transform(tex_transform_, p);
        p = QPointF(snap(p.x()), snap(p.y()));
    }
    rects_updated_ = updated_;

    float minx = kFloatMax, miny = kFloatMax, maxx = -kFloatMax, maxy = -kFloatMax;
    for (int i = 0; i < 4; ++i) {
        const float x = float(texverts_[size_t(i)].x()), y = float(texverts_[size_t(i)].y());
        if (x < minx) minx = x;
        if (y < miny) miny = y;
        if (x > maxx) maxx = x;
        if (y > maxy) maxy = y;
        worldverts_[size_t(i)] = QPointF(x, H - y);
    }
    cam_minx_ = minx;
    cam_miny_ = miny;
    cam_maxx_ = maxx;
    cam_maxy_ = maxy;
    const float width = maxx - minx, height = maxy - miny;
    mix_cam_bounds_ = QRectF(minx, miny, width, height);
    mix_world_bounds_ = QRectF(minx, H - (double(miny) + height), width, height);
    cam_centre_ = QPointF(minx + width / 2.0, miny + height / 2.0) + orgOffset_;
    parent_viewport_ = rect_;

    const double turns = double(mix_rotation_) / 90.0;
    const double fraction = turns - std::trunc(turns);
    if (mix_rotation_ != 0 && (fraction >= 0.0001 || fraction <= -0.0001))
        mask_id_ = cFormat("%0.0fx%0.0f:%0.2f", double(width), double(height),
                                     double(mix_rotation_));
    else
        mask_id_ = QString();
    matrixValid_ = false;
    if (mixIndex_ == 0) ++gWorldChanged;
    mix_title_.clear();
}

QPointF MixRectangle::transformFromWorld(QPointF point) const {
    if (mix_rotation_ == 0) return QPointF(float(point.x()), float(point.y()));
    M3 m = m3_identity;
    m3_rotate(m, -double(mix_rotation_));
    m3_transform(m, point);
    return point;
}

QPointF MixRectangle::transformToWorld(QPointF point) const {
    if (mix_rotation_ == 0) return QPointF(float(point.x()), float(point.y()));
    M3 m = m3_identity;
    m3_rotate(m, double(mix_rotation_));
    m3_transform(m, point);
    return point;
}

// --- Global-surface limits ---------------------------------------------------------------

QRectF MixRectangle::constrainRectOrigin(QRectF r, QSizeF least, const QRectF& b) {
    if (r.width() < least.width()) r.setWidth(least.width());
    if (r.height() < least.height()) r.setHeight(least.height());
    double x = r.x(), y = r.y();
    const double w = r.width(), h = r.height();
    if (x + w > maxX(b)) x = std::trunc(maxX(b) - w);
    if (y + h > maxY(b)) y = std::trunc(maxY(b) - h);
    if (b.x() > x) x = b.x();
    if (b.x() < 0) {
        if (x + w < 0) x = std::trunc(std::max(x, -w));
        if (x > maxX(gWorldRect)) x = std::trunc(std::max(maxX(gWorldRect), 800.0));
    }
    if (b.y() > y) y = std::trunc(b.y());
    if (b.y() < 0) {
        if (y + h < 0) y = std::trunc(std::max(y, -h));
        if (y > maxY(gWorldRect)) y = std::trunc(std::max(maxY(gWorldRect), 600.0));
    }
    return {x, y, w, h};
}

QRectF MixRectangle::constrainRectSize(QRectF r, QSizeF least, const QRectF& b) {
    if (r.width() < least.width()) r.setWidth(least.width());
    if (r.height() < least.height()) r.setHeight(least.height());
    if (nsContainsRect(b, r)) return r;
    double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    if (b.x() > x) x = b.x();
    if (b.y() > y) y = b.y();
    if (x + w > maxX(b)) w = std::trunc(maxX(b) - x);
    if (y + h > maxY(b)) h = std::trunc(maxY(b) - y);
    return {x, y, w, h};
}

QString MixRectangle::isRectInvalid(const QRectF& r, QSizeF least, const QRectF& b) {
    if (!(r.width() >= least.width()))
        return cFormat("width must be at least %d", clampToInt(least.width()));
    if (!(r.height() >= least.height()))
        return cFormat("height must be at least %d", clampToInt(least.height()));
    if (!nsContainsRect(b, r))
        return QStringLiteral("%1 does not fit within bounds %2")
            .arg(nsStringFromRect(r), nsStringFromRect(b));
    return {};
}

void MixRectangle::setWorld(const QRectF& r) {
    gWorldRect = r;
    gWorldAspect = r.height() > 0 ? r.width() / r.height() : 1.0;
    gWorldCentre = r.center();
    ++sRevision;
}

QString MixRectangle::setWorldRect(const QRectF& r) {
    QRectF c = constrainRectOrigin(r, kLeastSurface, kSurfaceBounds);
    c = constrainRectSize(c, kLeastSurface, kSurfaceBounds);
    const QString message = isRectInvalid(c, kLeastSurface, kSurfaceBounds);
    if (!message.isNull()) return message;
    if (MixRectangle* surface = mixRectangleAtIndex(0)) surface->setRect(c);
    setWorld(c);
    return {};
}

QRectF MixRectangle::uiMaxRect() {
    if (guiAutoresizeSurface) return kSurfaceBounds;
    return {gWorldRect.x(), gWorldRect.y(), std::max(800.0, gWorldRect.width()),
            std::max(600.0, gWorldRect.height())};
}

QString MixRectangle::performAutoresizeGlobalSurfaceIfNeeded() {
    QRectF u;
    for (int pass = 0; pass < 2; ++pass) {
        u = QRectF(0, 0, 800, 600);
        for (const auto& [index, m] : sTable) {
            m->recalculate();
            if (index > 0) u = nsUnionRect(u, m->mix_world_bounds_);
        }
    }
    float w = float(u.width()), h = float(u.height());
    float cut = std::trunc(w);
    if (cut != w) cut += 1;
    const double sixteenths = std::trunc((double(cut) + 15) / 16);
    w = sixteenths >= 1025 ? 16384.0f : float(sixteenths * 16);
    cut = std::trunc(h);
    if (cut != h) cut += 1;
    h = std::min(cut, 16384.0f);
    u = QRectF(std::max(u.x(), 0.0), std::max(u.y(), 0.0), w, h);

    QString message;
    if (nsContainsRect(gWorldRect, u)) {
        const bool equal = gWorldRect.x() == u.x() && gWorldRect.y() == u.y() &&
                           gWorldRect.width() == u.width() && gWorldRect.height() == u.height();
        if (equal || !guiAutoresizeSurface) {
            ++gWorldChanged;
            return {};
        }
        OmLogNoFlood(kOmLogInfo, "MixRectangles: auto-resize global surface shrinking size\n");
        message = setWorldRect(u);
    } else {
        OmLogNoFlood(kOmLogInfo, "MixRectangles: Mix 000 (%s) does not enclose all mixes (%s)\n",
                     qPrintable(nsStringFromRect(gWorldRect)), qPrintable(nsStringFromRect(u)));
        if (!guiAutoresizeSurface) {
            ++gWorldChanged;
            return {};
        }
        message = setWorldRect(u);
    }
    if (!message.isNull()) return message;
    ++gWorldChanged;
    return {};
}
