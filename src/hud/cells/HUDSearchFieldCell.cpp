#include "hud/cells/HUDSearchFieldCell.h"

#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeManager.h"
#include "platform/AttributedString.h"

#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace {
constexpr double kButtonWidth = 22;
}  // namespace

QPainterPath hudFieldOutline(const QRectF& frame, double inset, int bezelStyle) {
    const QRectF r = frame.adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    if (bezelStyle == HUDSearchFieldCell::kRoundedBezel) {
        const double radius = r.height() / 2;
        path.moveTo(r.x() + radius, r.bottom());
        path.arcTo(QRectF(r.x(), r.y(), r.height(), r.height()), 270, -180);
        path.lineTo(r.right() - radius, r.y());
        path.arcTo(QRectF(r.right() - r.height(), r.y(), r.height(), r.height()), 90, -180);
        path.closeSubpath();
    } else {
        path.addRoundedRect(r, 3, 3);
    }
    return path;
}

HUDSearchFieldCell::HUDSearchFieldCell(const QString& text, bool drawsBackground)
    : fillsBackground_(drawsBackground), stringValue_(text) {
    bezeled_ = true;
    bezelStyle_ = kRoundedBezel;
    textColor_ = theme(this)->textColor();
}

std::unique_ptr<HUDSearchFieldCell> HUDSearchFieldCell::initWithCoder(const QVariantMap& archive) {
    return std::make_unique<HUDSearchFieldCell>(
        archive.value(QStringLiteral("NSContents")).toString(),
        archive.value(QStringLiteral("NSDrawsBackground")).toBool());
}

QFont HUDSearchFieldCell::font() const {
    QFont f = AttributedString::defaultFont();
    f.setPixelSize(controlSize_ == 1 ? 11 : controlSize_ == 2 ? 9 : 13);
    return f;
}

QImage HUDSearchFieldCell::searchButtonImage() {
    static const QImage image = [] {
        QImage glyph(14, 14, QImage::Format_ARGB32_Premultiplied);
        glyph.fill(Qt::transparent);
        QPainter p(&glyph);
        p.setRenderHint(QPainter::Antialiasing, true);
        // Drawn y-up in a 14-point square: the lens above, the handle down right.
        p.translate(0, 14);
        p.scale(1, -1);
        QPainterPath path;
        path.addEllipse(QRectF(1, 4, 8, 8));
        path.moveTo(7, 6);
        path.lineTo(12, 1);
        const QColor colour =
            HUDThemeManager::keyedManager()->themeForKey(kHUDGradientThemeKey)->textColor();
        p.setPen(QPen(colour, 1.9));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        return glyph;
    }();
    return image;
}

QImage HUDSearchFieldCell::cancelButtonImageUp() {
    static const QImage image = [] {
        QImage glyph(14, 14, QImage::Format_ARGB32_Premultiplied);
        glyph.fill(Qt::transparent);
        QPainter p(&glyph);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath disc;
        disc.addEllipse(QRectF(1, 1, 12, 12));
        p.fillPath(disc, QColor::fromRgbF(1, 1, 1, 1));
        p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.7), 1.1));
        p.drawLine(QPointF(4, 4), QPointF(10, 10));
        p.drawLine(QPointF(4, 10), QPointF(10, 4));
        return glyph;
    }();
    return image;
}

QRectF HUDSearchFieldCell::searchButtonRectForBounds(const QRectF& bounds) const {
    return QRectF(bounds.x() + 5, bounds.y(), kButtonWidth, bounds.height()).translated(-5, -1);
}

QRectF HUDSearchFieldCell::cancelButtonRectForBounds(const QRectF& bounds) const {
    return QRectF(bounds.right() - kButtonWidth, bounds.y(), kButtonWidth, bounds.height())
        .translated(0, -1);
}

QRectF HUDSearchFieldCell::textRectForBounds(const QRectF& bounds) const {
    return QRectF(bounds.x() + 5 + kButtonWidth, bounds.y(),
                  std::max(0.0, bounds.width() - 5 - 2 * kButtonWidth), bounds.height());
}

QRectF HUDSearchFieldCell::shifted(const QRectF& frame) {
    return QRectF(frame.x() + 5, frame.y(), frame.width() - 5, frame.height());
}

void HUDSearchFieldCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame,
                                       QWidget* controlView) {
    const HUDTheme* t = theme(this);
    const QPainterPath path = hudFieldOutline(cellFrame, 0.5, bezelStyle_);
    if (fillsBackground_) ctx.fillPath(path, t->textFillColor());
    if (bezeled_ || bordered_) {
        const QColor stroke = enabled_ ? t->rowOutlineColor() : t->disabledStrokeColor();
        auto strokeOutline = [&](QPainter& p) {
            p.save();
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(stroke, 1));
            p.drawPath(path);
            p.restore();
        };
        const bool keyWindow = controlView && controlView->window()->isActiveWindow();
        if (showsFirstResponder_ && keyWindow && (focusRingType_ == 0 || focusRingType_ == 2))
            t->focusRing().paint(ctx, path.boundingRect().adjusted(-1, -1, 1, 1), strokeOutline);
        strokeOutline(ctx);
    }
    QRectF frame = cellFrame;
    if (controlSize_ == 1 || controlSize_ == 2) frame.translate(0, 1);
    drawInteriorWithFrame(ctx, frame, controlView);
}

void HUDSearchFieldCell::drawInteriorWithFrame(QPainter& ctx, const QRectF& cellFrame,
                                               QWidget* controlView) {
    Q_UNUSED(controlView);
    const QRectF frame = shifted(cellFrame);
    auto drawGlyph = [&](const QImage& glyph, const QRectF& button) {
        ctx.drawImage(QPointF(button.center().x() - glyph.width() / 2.0,
                              button.center().y() - glyph.height() / 2.0),
                      glyph);
    };
    drawGlyph(searchButtonCellImage(), searchButtonRectForBounds(frame));
    if (!stringValue_.isEmpty())
        drawGlyph(cancelButtonCellImage(), cancelButtonRectForBounds(frame));

    const bool placeholder = stringValue_.isEmpty();
    if (placeholder && placeholder_.isEmpty()) return;
    TextAttributes attributes;
    attributes.font = font();
    attributes.foreground = placeholder ? theme(this)->placeholderTextColor() : textColor_;
    attributes.lineBreakMode = LineBreakMode::Clip;
    const AttributedString text(placeholder ? placeholder_ : stringValue_, attributes);
    const QRectF textRect = textRectForBounds(frame);
    const double h = text.size().height();
    text.draw(ctx, QRectF(textRect.x(), textRect.center().y() - h / 2, textRect.width(), h));
}

void HUDSearchFieldCell::editWithFrame(const QRectF& cellFrame, QWidget* controlView,
                                       QLineEdit* editor) {
    Q_UNUSED(controlView);
    if (!editor) return;
    if (editor->text() != stringValue_) editor->setText(stringValue_);
    editor->setGeometry(textRectForBounds(shifted(cellFrame)).toAlignedRect());
    setUpFieldEditorAttributes(editor);
}

void HUDSearchFieldCell::selectWithFrame(const QRectF& cellFrame, QWidget* controlView,
                                         QLineEdit* editor, int start, int length) {
    editWithFrame(cellFrame, controlView, editor);
    if (editor) editor->setSelection(start, length);
}

void HUDSearchFieldCell::setUpFieldEditorAttributes(QWidget* editor) const {
    auto* lineEdit = qobject_cast<QLineEdit*>(editor);
    if (!lineEdit) return;
    lineEdit->setFrame(false);
    lineEdit->setFont(font());
    QPalette palette = lineEdit->palette();
    // A filled field hides the cell's own drawing of the text under the editor.
    palette.setColor(QPalette::Base,
                     fillsBackground_ ? theme(this)->textFillColor() : QColor(Qt::transparent));
    // The caret takes the text colour.
    palette.setColor(QPalette::Text, textColor_);
    lineEdit->setPalette(palette);
    lineEdit->setAutoFillBackground(fillsBackground_);
}
