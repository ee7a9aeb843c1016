// The drawing helpers shared by the status cells (declared in KeloRemoteCell.h).

#include "status/KeloRemoteCell.h"

#include "graphics/StretchImage.h"
#include "hud/theme/FPColorPalette.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/theme/VNSColorCategory.h"
#include "serverlink/KeloObject.h"
#include "serverlink/keloLayerProgressRec.h"
#include "status/CellRect.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

const KeloUIAttributes* orShared(const KeloUIAttributes* attributes) {
    return attributes ? attributes : KeloUIAttributes::attributes();
}

const KlUIProtocol* orShared(const KlUIProtocol* attributes) {
    return attributes ? attributes : KeloUIAttributes::attributes();
}

QFont systemFontOfSize(int size) {
    QFont font = qGuiApp ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont();
    font.setPixelSize(std::max(1, std::abs(size)));
    return font;
}

// The baseline sits 0.4 × size above the rectangle's bottom edge.
void drawTextAtBaseline(QPainter& ctx, const QString& text, const QRectF& rect, const QFont& font,
                        const QColor& colour, int size) {
    ctx.save();
    ctx.setFont(font);
    ctx.setPen(colour);
    ctx.drawText(QPointF(rect.x(), rect.bottom() - 0.4 * std::abs(size)), text);
    ctx.restore();
}

void drawTextInRect(const QString& text, const QRectF& rect, QPainter& ctx,
                    const KeloUIAttributes* attributes, int size, const QColor& background,
                    const QColor& colour) {
    ctx.fillRect(rect, background.isValid() ? background : attributes->bgCol());
    if (size == 0 || text.isEmpty()) return;
    // A check mark comes from the system font in the default text colour.
    if (text.contains(QChar(0x221A)))
        drawTextAtBaseline(ctx, text, rect, systemFontOfSize(size), defaultTextColor(), size);
    else
        drawTextAtBaseline(ctx, text, rect, cellFont(attributes, size), colour, size);
}

}  // namespace

QString i24_8toTC(int time, float fps) {
    const double f = std::isfinite(fps) && fps != 0.0f ? double(fps) : 30.0;
    const int64_t t = int64_t(time) + 4;
    const int64_t s = t >> 8;
    const int64_t frames = int64_t(double(t & 255) * f / 256.0);
    return QString::asprintf("%02lld:%02lld:%02lld:%02lld", (long long)(s / 3600),
                             (long long)((s % 3600) / 60), (long long)(s % 60), (long long)frames);
}

QFont cellFont(const KlUIProtocol* attributes, int size) {
    QFont font(QString::fromLatin1(orShared(attributes)->fontName()));
    font.setPixelSize(std::max(1, std::abs(size)));
    return font;
}

void drawStringInRect(const QString& text, const QRectF& rect, QPainter& ctx,
                      const KeloUIAttributes* attributes, int size, const QColor& background) {
    attributes = orShared(attributes);
    drawTextInRect(text, rect, ctx, attributes, size, background,
                   size < 0 ? attributes->redStateCol() : attributes->textCol());
}

void drawTimecodeStringInRect(const QString& text, const QRectF& rect, QPainter& ctx,
                              const KeloUIAttributes* attributes, int size,
                              const QColor& background, const QColor& textColour) {
    attributes = orShared(attributes);
    drawTextInRect(text, rect, ctx, attributes, size, background,
                   size < 0 ? attributes->redStateCol() : textColour);
}

QString truncateStringMiddle(const QString& text, const QRectF& rect, double* width, double* x,
                             int size, const KlUIProtocol* attributes) {
    const int magnitude = std::abs(size);
    const double w =
        magnitude ? QFontMetricsF(cellFont(attributes, size)).horizontalAdvance(text) : 0.0;
    const double reported = std::trunc(w) + 1;
    double right = std::trunc(rect.x() + rect.width() - w);
    QString result = text;
    if (magnitude && reported > rect.width() && std::isfinite(rect.width())) {
        // Characters to drop, estimated from the size: about 2.5 per point.
        double excess = reported - rect.width();
        int n = 1;
        while (excess > 0 && n <= text.size()) {
            excess -= magnitude / 2.5;
            ++n;
        }
        int start = text.size() / 2 - n / 2;
        int end = start + n;
        if (start >= 0 && end < text.size()) {
            // Never split a surrogate pair: a name in any script stays whole.
            if (start > 0 && text.at(start).isLowSurrogate()) --start;
            if (text.at(end).isLowSurrogate()) ++end;
            result = text.left(start) + QChar(0x2026) + text.mid(end);
            right = rect.x();
        }
    }
    if (width) *width = reported;
    if (x) *x = right;
    return result;
}

double drawStringRight(const QString& text, const QRectF& rect, QPainter& ctx,
                       const KlUIProtocol* attributes, int size, const QColor& textColour,
                       const QColor& background) {
    attributes = orShared(attributes);
    // The cleared area reaches 3 points below the rectangle for descenders.
    const QRectF area(rect.x(), rect.y(), rect.width(), rect.height() + 3);
    ctx.save();
    ctx.setCompositionMode(QPainter::CompositionMode_Source);
    ctx.fillRect(area, Qt::transparent);
    ctx.setCompositionMode(QPainter::CompositionMode_SourceOver);
    ctx.fillRect(area, background.isValid() ? background : attributes->bgCol());
    ctx.restore();
    if (text.isNull() || size == 0) return 0;
    double width = 0;
    double x = 0;
    const QString shown = truncateStringMiddle(text, rect, &width, &x, size, attributes);
    ctx.save();
    ctx.setFont(cellFont(attributes, size));
    ctx.setPen(textColour.isValid() ? textColour : attributes->textCol());
    ctx.drawText(QPointF(x, rect.bottom()), shown);
    ctx.restore();
    return width;
}

QRectF adjustFrameToVerticallyCenterText(const QRectF& rect, int size, int* descender) {
    if (size <= 0 || size >= 100) {
        if (descender) *descender = 0;
        return rect;
    }
    struct Metrics {
        int descender, ascender, lineHeight;
        bool made;
    };
    static std::array<Metrics, 100> table{};
    Metrics& m = table[size_t(size)];
    if (!m.made) {
        const QFontMetricsF metrics(systemFontOfSize(size));
        m = {int(-metrics.descent()), int(metrics.ascent()),
             int(metrics.ascent()) - int(-metrics.descent()), true};
    }
    if (descender) *descender = m.descender;
    const double inset = std::floor((rect.height() - m.lineHeight) / 2);
    return rect.adjusted(0, inset, 0, -inset);
}

const StretchImage* collectionImage(int letter, bool master) {
    if (letter < 0 || letter > 25) return nullptr;
    static std::array<std::unique_ptr<StretchImage>, 52> table;
    auto& entry = table[size_t(letter * 2 + (master ? 1 : 0))];
    if (!entry) {
        entry = std::make_unique<StretchImage>(0, 0, 14, 14);
        QPainter* p = entry->lockFocusAndClear();
        if (p) {
            const QRectF box(0.5, 0.5, 13, 13);
            p->setPen(master ? kFPColorBlack : kFPColorGrey70percent);
            p->setBrush(master ? kFPColorHighlightAmber : kFPColorGrey20percent);
            p->drawRoundedRect(box, 3, 3);
            QFont font = systemFontOfSize(11);
            font.setBold(true);
            p->setFont(font);
            p->setPen(master ? kFPColorBlack : kFPColorWhite);
            p->drawText(box, Qt::AlignCenter, QString(QChar('a' + letter)));
        }
        entry->unlockFocusAndDraw(false);
    }
    return entry.get();
}

void drawCollection(int letter, bool master, QPainter& ctx, const QRectF& rect) {
    const StretchImage* image = collectionImage(letter, master);
    if (image) ctx.drawImage(rect, image->cgImageRef());
}

bool updateThumb(thumbref* thumb, KeloObject* kelo, CellRect* cellRect) {
    if (!thumb) return false;
    KeloImage* source = kelo ? kelo->imageWithRequest(thumb->imageRequest) : nullptr;
    const QImage image = source ? source->cg_image() : QImage();
    if (image.cacheKey() == thumb->image.cacheKey() && image.isNull() == thumb->image.isNull())
        return false;
    thumb->image = image;
    thumb->imageSize = source ? source->imageSize() : QSizeF();
    thumb->originalSize = source ? source->originalSize() : QSizeF();
    thumb->contextSize = thumb->imageSize;
    const QSizeF& o = thumb->originalSize;
    const QSizeF& i = thumb->imageSize;
    if (o.width() > 0 && o.height() > 0 && i.width() > 0 && i.height() > 0) {
        const float a = float(o.width() / o.height());
        const float b = float(i.width() / i.height());
        if (b > a) thumb->contextSize.setWidth(i.width() * a / b);
        if (a > b) thumb->contextSize.setHeight(i.height() * b / a);
    }
    if (cellRect) cellRect->makeDirty();
    return true;
}

void drawProgressIndicator(const keloLayerProgressRec* rec, const QRectF& part, QPainter& ctx,
                           const KeloUIAttributes* attributes) {
    if (!rec || !(rec->level != 0) || (rec->flags & 0x80) || rec->out_pt < rec->in_pt) return;
    attributes = orShared(attributes);
    // A duration of 0 has no scale: both marks sit at the start.
    const double k = rec->posn <= rec->length && !(rec->flags & 0x40) && rec->length != 0
                         ? part.width() / rec->length
                         : 0.0;
    const double y = part.bottom() + 4;
    ctx.fillRect(QRectF(part.x() + rec->in_pt * k, y, double(rec->out_pt - rec->in_pt) * k, 2),
                 rec->hasTiming ? attributes->progCol() : kFPColorHighlightAmber);
    ctx.fillRect(QRectF(part.x() + rec->posn * k - 1, y - 0.5, 2, 3), attributes->playheadCol());
}

void drawOpacityIndicator(const keloLayerProgressRec* rec, const QRectF& part, QPainter& ctx,
                          const KeloUIAttributes* attributes) {
    if (!rec) return;
    // A level that is not a number, or outside 0..1, is drawn as its nearest bound.
    const float level = std::isnan(rec->level) ? 0.0f : std::clamp(rec->level, 0.0f, 1.0f);
    if (level == 0.0f) return;
    const double l = double(level * float(part.height()));
    ctx.fillRect(QRectF(part.x() - 4, part.bottom() - l, 2, l), orShared(attributes)->opacityCol());
}

void drawLayerIcons(const keloLayerProgressRec* rec, bool compact, const QRectF& rect,
                    QPainter& ctx, const KeloUIAttributes* attributes) {
    if (!rec) return;
    attributes = orShared(attributes);
    static const QImage audio = [] {
        QImage image(10, 12, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(systemFontOfSize(10));
        p.setPen(defaultTextColor());
        p.drawText(image.rect(), Qt::AlignCenter, QString(QChar(0x266B)));
        return image;
    }();
    const double x = rect.right() + (compact ? 2 : 4);
    const double w = compact ? 2 : rect.height() * 0.1;
    const double h = rect.height() * 0.1;
    const double step = double(float(rect.height()) * 0.9f / 4.0f);
    const bool counts = (rec->flags & 0x100) && rec->level != 0;
    const QRectF first(x, rect.top(), w, h);
    ctx.fillRect(first, attributes->bgCol());
    const uint32_t masks[4] = {0x1, 0x4, 0x40, 0};
    for (int i = 0; i < 4; ++i) {
        const QRectF mark(x, rect.top() + step * i, w, h);
        const bool set = counts && masks[i] != 0 && (rec->flags & masks[i]);
        if (!set) {
            ctx.fillRect(mark.adjusted(-1, -1, 1, 1), attributes->bgCol());
            continue;
        }
        ctx.fillRect(mark, attributes->bgCol());
        if (masks[i] == 0x4)
            ctx.drawImage(QRectF(x, rect.top(), std::max(w, h), h), audio);
        else
            ctx.fillRect(mark, attributes->redStateCol());
    }
}

void drawBezelForCGRectInContext(QPainter& ctx, const QRectF& rect,
                                 const KeloUIAttributes* attributes, double width, int flags) {
    if (!(width > 0) || !rect.isValid()) return;
    attributes = orShared(attributes);
    QRectF r = rect;
    if (flags & 2) r.adjust(-width, -width, width, width);
    // Corners wider than the rectangle would cross over: keep them within it.
    const double w = std::min(width, std::min(r.width(), r.height()) / 2);
    const double x0 = r.left(), x1 = r.right(), top = r.top(), bottom = r.bottom();
    auto fill = [&ctx](std::initializer_list<QPointF> points, const QColor& colour) {
        QPainterPath path;
        auto it = points.begin();
        path.moveTo(*it);
        for (++it; it != points.end(); ++it) path.lineTo(*it);
        path.closeSubpath();
        ctx.fillPath(path, colour);
    };
    const bool sunken = flags & 1;
    fill({{x0, top}, {x1, top}, {x1 - w, top + w}, {x0 + w, top + w}},
         sunken ? attributes->drkCol() : attributes->litCol());
    fill({{x0, bottom}, {x1, bottom}, {x1 - w, bottom - w}, {x0 + w, bottom - w}},
         sunken ? attributes->litCol() : attributes->drkCol());
    fill({{x0, top}, {x0 + w, top + w}, {x0 + w, bottom - w}, {x0, bottom}}, attributes->angCol());
    fill({{x1, top}, {x1 - w, top + w}, {x1 - w, bottom - w}, {x1, bottom}}, attributes->angCol());
}
