#include "pixelmap/PmFixtureDrawing.h"

#include "hud/theme/FPColorPalette.h"
#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"
#include "pixelmap/PmFixtureGeometry.h"

#include <QOpenGLFunctions_2_1>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Rgba = std::array<float, 4>;

constexpr Rgba kGray90{0.9f, 0.9f, 0.9f, 1.0f};
constexpr Rgba kGray65{0.65f, 0.65f, 0.65f, 1.0f};
constexpr Rgba kGray60Alpha50{0.6f, 0.6f, 0.6f, 0.5f};
constexpr Rgba kGray50Alpha50{0.5f, 0.5f, 0.5f, 0.5f};
constexpr Rgba kRed{1, 0, 0, 1};
constexpr Rgba kGreen{0, 1, 0, 1};
constexpr Rgba kLightGrey{0.8f, 0.8f, 0.8f, 1};
constexpr Rgba kLightYellow{1, 1, 0.6f, 1};
constexpr Rgba kDarkGrey{0.2f, 0.2f, 0.2f, 0.9f};

Rgba fromColour(const QColor& c) {
    return {float(c.redF()), float(c.greenF()), float(c.blueF()), float(c.alphaF())};
}

// Converted once: drawing runs for thousands of pixels per frame.
const Rgba& selFloats() {
    static const Rgba c = fromColour(kFPColorLightHighColorAmber);
    return c;
}
const Rgba& selPrimaryFloats() {
    static const Rgba c = fromColour(kFPColorHighlightAmber);
    return c;
}

void colour(QOpenGLFunctions_2_1& gl, const Rgba& c, float alphaFactor = 1) {
    gl.glColor4f(c[0], c[1], c[2], c[3] * alphaFactor);
}

void quad(QOpenGLFunctions_2_1& gl, const QRectF& r) {
    gl.glBegin(GL_QUADS);
    gl.glVertex3f(float(r.left()), float(r.top()), 0);
    gl.glVertex3f(float(r.left()), float(r.bottom()), 0);
    gl.glVertex3f(float(r.right()), float(r.bottom()), 0);
    gl.glVertex3f(float(r.right()), float(r.top()), 0);
    gl.glEnd();
}

void disc(QOpenGLFunctions_2_1& gl, double radius, int slices) {
    if (radius <= 0) return;
    gl.glBegin(GL_TRIANGLE_FAN);
    gl.glVertex2f(0, 0);
    for (int i = 0; i <= slices; ++i) {
        const double a = 2 * M_PI * i / slices;
        gl.glVertex2f(float(radius * std::cos(a)), float(radius * std::sin(a)));
    }
    gl.glEnd();
}

QRectF insetBy(const QRectF& r, double d) { return r.adjusted(d, d, -d, -d); }

}  // namespace

void PmFixtureDrawing::drawInContext(QOpenGLFunctions_2_1& gl, PmFixture& fixture,
                                     const PmContext& context, const QRectF& rect,
                                     bool isSelectedCtx, const std::set<int>* selPix,
                                     std::set<long long>& overlaps) {
    const auto& pixels = fixture.pixels();
    if (pixels.empty()) return;
    const bool soloed = fixture.isSoloed();
    if (!soloed && fixture.testingSoloCookie() != 0 &&
        fixture.testingSoloCookie() != PmFixture::sTestingSoloCookie())
        fixture.clearTestingSoloCookie();

    gl.glPushMatrix();
    const float ghost = context.hasBgImage() ? 1 - context.dmx_ghost() : 1;
    const double w = context.basePixelSize().width();
    const double h = context.basePixelSize().height();
    const float fill = fixture.mPixelFill();
    const double f = fill < 0.125f ? 0.875 : 1 - fill;
    const double dx = f * w / 2;
    const double dy = f * h / 2;
    const double radius = std::min(w, h) / 2 - std::min(dx, dy);
    const int slices = std::clamp(int(context.zoomedPixelSize().width()) + 30, 8, 200);
    const bool selectedFixture = isSelectedCtx && fixture.mSelected();

    for (int i = int(pixels.size()) - 1; i >= 0; --i) {
        const OmFixturePixel& pixel = pixels[size_t(i)];
        int shape = pixel.shape;
        int typeShape = 0;
        dmxCountForPixType(pixel.type, &typeShape);
        if (typeShape == -1 || shape == -1) continue;
        const QPointF o = PmFixtureGeometry::originForPixel(fixture, {pixel.x, pixel.y}, {w, h}, rect);
        const QPointF c(o.x() + w / 2, o.y() + h / 2);
        const bool inside = rect.contains(c);
        if (inside) {
            const long long cell = (long long)o.x() + (long long)o.y() * (long long)rect.width();
            if (overlaps.count(cell))
                shape = shape == 1 ? 11 : 10;
            else if (cell >= 0)
                overlaps.insert(cell);
        }
        const bool first = i == fixture.firstDrawnPix();
        Rgba pc;
        if ((selPix && selPix->count(i)) || selectedFixture)
            pc = first ? selPrimaryFloats() : selFloats();
        else if (isSelectedCtx)
            pc = first ? kGray90 : kGray65;
        else
            pc = first ? kGray60Alpha50 : kGray50Alpha50;

        if (shape == 1 || shape == 11) {
            gl.glPushMatrix();
            gl.glTranslatef(float(c.x()), float(c.y()), 0);
            if (h != 0) gl.glScalef(float(w / h), 1, 1);
            double rho = radius;
            float alpha = ghost;
            if (!inside) {
                colour(gl, kRed);
                disc(gl, rho, slices);
                rho = 0.875 * radius;
                // The marked pixel itself shows at full strength.
                alpha = 1;
            }
            if (soloed) {
                colour(gl, fixture.testingSoloGreen() != 0 ? kGreen : kLightGrey);
                disc(gl, rho, slices);
                rho *= 0.875;
            }
            colour(gl, pc, alpha);
            disc(gl, rho, slices);
            if (isSelectedCtx && shape == 11) {
                colour(gl, kLightYellow);
                disc(gl, rho, slices);
                colour(gl, kDarkGrey);
                disc(gl, rho - rho / 8, slices);
                colour(gl, pc, alpha);
                disc(gl, rho - rho / 4, slices);
            }
            gl.glPopMatrix();
        } else if (shape == 0 || shape == 10) {
            QRectF q = QRectF(o, QSizeF(w, h)).adjusted(dx, dy, -dx, -dy);
            if (!inside) {
                colour(gl, kRed);
                quad(gl, q);
                q = insetBy(q, q.width() / 15);
            }
            if (soloed) {
                colour(gl, fixture.testingSoloGreen() != 0 ? kGreen : kLightGrey);
                quad(gl, q);
                q = insetBy(q, q.width() / 15);
            }
            colour(gl, pc, ghost);
            quad(gl, q);
            if (isSelectedCtx && shape == 10) {
                const double t = q.width() / 15;
                colour(gl, kLightYellow);
                quad(gl, q);
                colour(gl, kDarkGrey);
                quad(gl, insetBy(q, t));
                colour(gl, pc, ghost);
                quad(gl, insetBy(q, 2 * t));
            }
        }
    }
    gl.glPopMatrix();
}
