#include "graphics/GLStringUnscaled.h"

#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "graphics/VertGeometry.h"

#include "support/TestMain.h"

#include <QGuiApplication>

#include <cmath>

namespace {

QSizeF textSize(const QString& text) {
    AttributedString attr = attrStringWithColor(text, Qt::white);
    return integralRect(QRectF(QPointF(0, 0), attr.size())).size();
}

// Alpha-weighted centre of the pixels matching `keep`, in image rows top first.
template <typename Keep>
QPointF inkCentre(const QImage& image, Keep keep) {
    double sum = 0, sx = 0, sy = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (!keep(p)) continue;
            const double a = qAlpha(p);
            sum += a;
            sx += a * x;
            sy += a * y;
        }
    }
    return sum > 0 ? QPointF(sx / sum, sy / sum) : QPointF(-1, -1);
}

bool anyInk(QRgb p) {
    return qAlpha(p) > 0;
}

TEST(GLStringUnscaled, UpdateRendersOnlyWhatShapesTheImage) {
    GLStringUnscaled label;
    label.updateWithString("Output 1", QColor(), Qt::white, 0);
    ASSERT_NE(label.glString(), nullptr);
    const qint64 first = label.glString()->cgImageRef.cacheKey();
    EXPECT_TRUE(label.glTextureUpdateNeeded());

    label.updateGLTextureIfNeeded(7, nullptr, QRectF(0, 0, 10, 10));
    EXPECT_TRUE(label.glTextureUpdateNeeded()) << "still pending without a GL context";
    label.updateWithString("Output 1", QColor(), Qt::red, 0);
    EXPECT_EQ(label.glString()->cgImageRef.cacheKey(), first) << "the text colour alone is ignored";

    label.setFlipVertical(true);
    EXPECT_EQ(label.glString()->cgImageRef.cacheKey(), first) << "a property renders nothing";

    struct Step {
        QString text;
        QColor bg;
        double rotation;
        const char* what;
    };
    const Step steps[] = {
        {"Output 1", QColor(), 0, "pending mirror flag"},
        {"Output 2", QColor(), 0, "new text"},
        {"Output 2", Qt::blue, 0, "background appears"},
        {"Output 2", Qt::green, 0, "background changes"},
        {"Output 2", QColor(), 0, "background goes"},
        {"Output 2", QColor(), 45, "rotation"},
    };
    qint64 last = first;
    for (const Step& s : steps) {
        label.updateWithString(s.text, s.bg, Qt::white, s.rotation);
        const qint64 key = label.glString()->cgImageRef.cacheKey();
        EXPECT_NE(key, last) << s.what;
        last = key;
    }
    EXPECT_EQ(label.rotation(), 45);
}

TEST(GLStringUnscaled, EmptyTextShowsNoName) {
    GLStringUnscaled label;
    label.updateWithString(QString(), QColor(), QColor(), 0);
    EXPECT_EQ(label.string(), "<no name>");
    EXPECT_EQ(label.glString()->size, textSize("<no name>"));
    EXPECT_FALSE(label.glString()->cgImageRef.isNull());
    const qint64 key = label.glString()->cgImageRef.cacheKey();
    label.updateWithString("", QColor(), QColor(), 0);
    EXPECT_EQ(label.glString()->cgImageRef.cacheKey(), key);
}

TEST(GLStringUnscaled, TurnedTextRendersIntoASquare) {
    const QSizeF t = textSize("Keystone");
    const double w = t.width(), h = t.height(), side = w + h;
    struct Case {
        double rotation;
        bool flipH;
        QSizeF size;
    };
    const Case cases[] = {
        {0, false, t},
        {90, false, {side, side}},
        {-33, false, {side, side}},
        {0, true, {side, side}},
    };
    for (const Case& c : cases) {
        GLStringUnscaled label;
        label.setFlipHorizontal(c.flipH);
        label.updateWithString("Keystone", QColor(), Qt::white, c.rotation);
        const CoreGLStringUnscaled* s = label.glString();
        EXPECT_EQ(s->size, c.size) << c.rotation;
        EXPECT_EQ(s->cgImageRef.size(), c.size.toSize()) << c.rotation;
        EXPECT_EQ(s->origSize, t);
        EXPECT_EQ(s->midPoint, QPointF(c.size.width() / 2, c.size.height() / 2));
        EXPECT_EQ(label.currentSize(), c.size);
    }

    // At 90 degrees the corners are exact and the text is a centred upright strip.
    GLStringUnscaled label;
    label.setBackgroundColor(Qt::blue);
    label.updateWithString("Keystone", Qt::blue, Qt::white, 90);
    const double* m = label.rotate2dMtx();
    EXPECT_EQ(m[0], 0);
    EXPECT_EQ(m[1], -1);
    EXPECT_EQ(m[2], 1);
    EXPECT_EQ(m[3], 0);
    const CoreGLStringUnscaled* s = label.glString();
    const double c = side / 2;
    EXPECT_EQ(s->attrStrVerts[0], QPointF(c - h / 2, c + w / 2));
    EXPECT_EQ(s->attrStrVerts[1], QPointF(c + h / 2, c + w / 2));
    EXPECT_EQ(s->attrStrVerts[2], QPointF(c + h / 2, c - w / 2));
    EXPECT_EQ(s->attrStrVerts[3], QPointF(c - h / 2, c - w / 2));
    const QImage& img = s->cgImageRef;
    EXPECT_EQ(qAlpha(img.pixel(int(c), int(c))), 255) << "background fills the strip";
    EXPECT_EQ(qAlpha(img.pixel(int(c), int(c - w / 2) + 1)), 255);
    EXPECT_EQ(qAlpha(img.pixel(1, int(c))), 0) << "nothing beside the strip";
    EXPECT_EQ(qAlpha(img.pixel(int(side) - 2, int(c))), 0);
}

TEST(GLStringUnscaled, RotationAndMirrorsTurnTheRightWay) {
    // Heavy glyphs at the start, dots after them.
    const QString text = "WW.......";
    GLStringUnscaled plain;
    plain.updateWithString(text, QColor(), Qt::white, 0);
    const QImage& p = plain.glString()->cgImageRef;
    const double lean = p.width() / 2.0 - inkCentre(p, anyInk).x();
    ASSERT_GT(lean, 4);

    struct Case {
        double rotation;
        bool flipH, flipHV;
        bool alongY;  // where the start of the text ends up, from the centre
        const char* what;
    };
    const Case cases[] = {
        {90, false, false, true, "counter-clockwise: the start at the bottom"},
        {0, true, false, false, "mirrored: the start on the right"},
        {0, false, true, false, "a half turn: the start on the right"},
    };
    for (const Case& c : cases) {
        GLStringUnscaled label;
        label.setFlipHorizontal(c.flipH);
        label.setFlipHorizontalAndVertical(c.flipHV);
        label.updateWithString(text, QColor(), Qt::white, c.rotation);
        const QImage& img = label.glString()->cgImageRef;
        const QPointF ink = inkCentre(img, anyInk);
        const double centre = img.width() / 2.0;
        EXPECT_GT((c.alongY ? ink.y() : ink.x()) - centre, lean / 2) << c.what;
    }
}

TEST(GLStringUnscaled, EmbossDrawsOffsetCopiesUnderTheText) {
    GLStringUnscaled label;
    label.setEmbossedColor(QColor(255, 0, 0));
    label.updateWithString("HUD", QColor(), QColor(0, 0, 255), 0);
    const QImage& img = label.glString()->cgImageRef;
    auto red = [](QRgb p) { return qRed(p) > 128 && qBlue(p) < 64; };
    auto blue = [](QRgb p) { return qBlue(p) > 128 && qRed(p) < 64; };
    const QPointF r = inkCentre(img, red), b = inkCentre(img, blue);
    ASSERT_GE(r.x(), 0) << "emboss colour visible";
    EXPECT_GT(r.x(), b.x()) << "to the right";
    EXPECT_GT(r.y(), b.y()) << "and below";
}

TEST(GLStringUnscaled, AutosizeSwitchesToTheSmallTextWhileTheFullOneDoesNotFit) {
    GLStringUnscaled label;
    label.setAutosizeFont(true);
    label.setFontSize(24);
    label.updateWithString("Projector", QColor(), Qt::white, 0);
    const QSizeF full = label.glString()->size;
    const QSizeF mini = label.miniGlString()->size;
    ASSERT_LT(mini.width(), full.width());

    QPointF narrow[4], wide[4];
    nsGetVertsFromRect(narrow, QRectF(0, 0, full.width() - 4, 200));
    nsGetVertsFromRect(wide, QRectF(0, 0, full.width() + 40, 200));
    const QRectF narrowRect = nsGetBounds(narrow), wideRect = nsGetBounds(wide);

    label.updateGLTextureIfNeeded(1, narrow, narrowRect);
    EXPECT_TRUE(label.usingMiniSize());
    EXPECT_EQ(label.currentSize(), mini);
    label.updateGLTextureIfNeeded(1, narrow, narrowRect);
    EXPECT_TRUE(label.usingMiniSize());
    label.updateGLTextureIfNeeded(1, wide, wideRect);
    EXPECT_FALSE(label.usingMiniSize());
    EXPECT_EQ(label.currentSize(), full);

    GLStringUnscaled fixed;  // without autosizing the quad is not consulted
    fixed.setFontSize(24);
    fixed.updateWithString("Projector", QColor(), Qt::white, 0);
    fixed.updateGLTextureIfNeeded(1, narrow, narrowRect);
    EXPECT_FALSE(fixed.usingMiniSize());
}

TEST(GLStringUnscaled, PlacementCodes) {
    GLStringUnscaled label;
    label.updateWithString("Mix 3", QColor(), Qt::white, 0);
    const CoreGLStringUnscaled& s = *label.glString();
    const QPointF mid = s.midPoint;
    const QRectF rect(10, 20, 40, 30);
    QPointF quad[4];
    nsGetVertsFromRect(quad, rect);
    auto whole = [](QPointF p) { return QPointF(std::trunc(p.x()), std::trunc(p.y())); };
    const QPointF centre(30 * 2 - mid.x(), 35 * 3 - mid.y());  // zoom 2 x 3
    struct Case {
        int32_t code;
        bool withQuad;
        QPointF indent;
        QPointF offset;
        const char* what;
    };
    const Case cases[] = {
        {0, true, {}, whole(centre), "centred on the zoomed rectangle"},
        {6, true, {}, whole(QPointF(20, 150) - s.attrStrVerts[1]), "second corners meet"},
        {1000, true, {}, whole(QPointF(20, 60) - mid), "centre on the first corner"},
        {1002, true, {}, whole(QPointF(100, 150) - mid), "centre on the third corner"},
        {1003, true, {}, whole(QPointF(100, 60) - mid), "centre on the fourth corner"},
        {1004, true, {}, whole(centre), "no fifth corner"},
        {1000, false, {}, whole(centre), "corner code without corners"},
        {6, false, {}, whole(centre), "second-corner code without corners"},
        {0, true, {3.7, -2}, whole(centre + QPointF(3.7, -2)), "indented"},
    };
    for (const Case& c : cases) {
        label.drawGLunscaled(1, rect, c.withQuad ? quad : nullptr, c.code, c.indent, 2, 3, nullptr);
        EXPECT_EQ(label.currentDrawAtOffset(), c.offset) << c.what;
        EXPECT_EQ(label.drawnAttrStrVerts()[2], s.attrStrVerts[2] + c.offset) << c.what;
    }

    // The indentation turns with the text.
    GLStringUnscaled turned;
    turned.updateWithString("Mix 3", QColor(), Qt::white, 90);
    turned.drawGLunscaled(1, rect, quad, 1000, QPointF(5, 0), 1, 1, nullptr);
    const QPointF base = QPointF(10, 20) - turned.glString()->midPoint;
    EXPECT_EQ(turned.currentDrawAtOffset(), whole(base + QPointF(0, -5)));
}

TEST(GLStringUnscaled, SmallTextThatStillDoesNotFitMovesToTheFirstEdge) {
    GLStringUnscaled label;
    label.setAutosizeFont(true);
    label.setFontSize(30);
    label.updateWithString("Very long output name", QColor(), Qt::white, 0);
    const CoreGLStringUnscaled& mini = *label.miniGlString();
    const QRectF rect(100, 100, 10, 10);  // too small even for the small text
    QPointF quad[4];
    nsGetVertsFromRect(quad, rect);
    label.drawGLunscaled(1, rect, quad, 0, QPointF(), 1, 1, nullptr);
    ASSERT_TRUE(label.usingMiniSize());
    const QPointF edgeMid(100, 105);
    const QPointF textEdgeMid = (mini.attrStrVerts[0] + mini.attrStrVerts[1]) / 2;
    const QPointF expected = edgeMid - textEdgeMid + QPointF(2, 0);
    EXPECT_EQ(label.currentDrawAtOffset(),
              QPointF(std::trunc(expected.x()), std::trunc(expected.y())));
    EXPECT_EQ(label.drawnAttrStrVerts()[0], mini.attrStrVerts[0] + label.currentDrawAtOffset());
}

}  // namespace

KELO_TEST_MAIN_WITH_APP(QGuiApplication)
