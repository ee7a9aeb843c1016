#include "hud/cells/HUDComboBoxCell.h"

#include "hud/cells/HUDSearchFieldCell.h"
#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeManager.h"
#include "platform/AttributedString.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {

double buttonWidth(int controlSize) {
    switch (controlSize) {
        case 0:
        case 3:
            return 20;
        case 1:
            return 18;
        case 2:
            return 15;
        default:
            return 0;
    }
}

// Tables draw a combo box cell without its button.
bool isTable(const QWidget* view) {
    for (int depth = 0; view && depth < 2; ++depth, view = view->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(view)) return true;
    return false;
}

}  // namespace

HUDComboBoxCell::HUDComboBoxCell(const QString& text, bool drawsBackground)
    : drawsBackground_(drawsBackground), stringValue_(text) {
    bezeled_ = true;
    doInit();
}

void HUDComboBoxCell::doInit() {
    themeKey_ = QString::fromLatin1(kHUDGradientThemeKey);
    textColor_ = theme(this)->textColor();
    if (drawsBackground_) fillsBackground_ = true;
    drawsBackground_ = false;
}

std::unique_ptr<HUDComboBoxCell> HUDComboBoxCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDComboBoxCell>(
        archive.value(QStringLiteral("NSContents")).toString(),
        archive.value(QStringLiteral("NSDrawsBackground")).toBool());
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) cell->themeKey_ = key.toString();
    return cell;
}

QVariantMap HUDComboBoxCell::encodeWithCoder() const {
    return {{QStringLiteral("NSContents"), stringValue_},
            {QStringLiteral("NSDrawsBackground"), fillsBackground_},
            {QStringLiteral("themeKey"), themeKey_}};
}

QFont HUDComboBoxCell::font() const {
    QFont f = AttributedString::defaultFont();
    f.setPixelSize(controlSize_ == 1 ? 11 : controlSize_ == 2 ? 9 : 13);
    return f;
}

QRectF HUDComboBoxCell::interiorRectForFrame(const QRectF& cellFrame) const {
    const QRectF frame = cellFrame.adjusted(1.5, 1.5, -1.5, -1.5);
    return frame.adjusted(0, 0, -buttonWidth(controlSize_), 0);
}

void HUDComboBoxCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView) {
    const HUDTheme* t = theme(this);
    const QRectF frame = cellFrame.adjusted(1.5, 1.5, -1.5, -1.5);
    const QPainterPath path = hudFieldOutline(frame, 0, bezelStyle_);
    if (fillsBackground_) ctx.fillPath(path, t->textFillColor());
    if (bezeled_ || bordered_) {
        auto strokeOutline = [&](QPainter& p) {
            p.save();
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(t->darkStrokeColor(), 1));
            p.drawPath(path);
            p.restore();
        };
        const bool keyWindow = controlView && controlView->window()->isActiveWindow();
        if (showsFirstResponder_ && keyWindow && (focusRingType_ == 0 || focusRingType_ == 2))
            t->focusRing().paint(ctx, path.boundingRect().adjusted(-1, -1, 1, 1), strokeOutline);
        strokeOutline(ctx);
    }
    if (!isTable(controlView)) drawButtonInRect(ctx, frame);
    drawArrowsInRect(ctx, frame);
    if (auto* combo = qobject_cast<QComboBox*>(controlView); combo && combo->lineEdit())
        HUDTheme::setupFieldEditorColors(t, combo->lineEdit(), combo->window(), this);
    drawInteriorWithFrame(ctx, interiorRectForFrame(cellFrame), controlView);
}

void HUDComboBoxCell::drawButtonInRect(QPainter& ctx, const QRectF& rect) {
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    double bx = x, bw = w + 1;
    switch (controlSize_) {
        case 0:
        case 3:
            bx = x + w - 19, bw = 20;
            break;
        case 1:
            bx = x + w - 17, bw = 18;
            break;
        case 2:
            bx = x + w - 14, bw = 15;
            break;
        default:
            break;
    }
    bx -= 1;
    // Square on the left where it meets the text, both right corners rounded.
    QPainterPath path;
    path.moveTo(bx, y);
    path.lineTo(bx, y + h);
    path.lineTo(bx + bw - 5, y + h);
    path.arcTo(QRectF(bx + bw - 10, y + h - 10, 10, 10), 270, 90);
    path.lineTo(bx + bw, y + 5);
    path.arcTo(QRectF(bx + bw - 10, y, 10, 10), 0, 90);
    path.closeSubpath();
    const HUDTheme* t = theme(this);
    HUDTheme::drawDarkerControl(ctx, enabled_, path, t);
    ctx.save();
    ctx.setBrush(Qt::NoBrush);
    ctx.setPen(QPen(t->darkStrokeColor(), 1));
    ctx.drawPath(path);
    ctx.restore();
}

void HUDComboBoxCell::drawArrowsInRect(QPainter& ctx, const QRectF& rect) {
    const double x = rect.x(), w = rect.width();
    double cx = x + w - 20 + 10;
    if (controlSize_ == 1) cx = x + w - 18 + 9;
    if (controlSize_ == 2) cx = x + w - 15 + 7.5;
    const double cy = rect.y() + rect.height() / 2;
    const double a = controlSize_ == 2 ? 2.5 : 3.5;
    const double b = controlSize_ == 2 ? 1.5 : 2.5;
    QPainterPath triangle;
    triangle.moveTo(cx - a, cy - b);
    triangle.lineTo(cx + a, cy - b);
    triangle.lineTo(cx, cy + b);
    triangle.closeSubpath();
    const HUDTheme* t = theme(this);
    ctx.fillPath(triangle, enabled_ ? t->textColor() : t->disabledStrokeColor());
}

void HUDComboBoxCell::drawInteriorWithFrame(QPainter& ctx, const QRectF& rect,
                                            QWidget* controlView) {
    if (stringValue_.isEmpty()) return;
    // An editable combo box shows its text in its own editor.
    if (auto* combo = qobject_cast<QComboBox*>(controlView); combo && combo->lineEdit()) return;
    TextAttributes attributes;
    attributes.font = font();
    attributes.foreground = enabled_ ? textColor_ : theme(this)->disabledTextColor();
    attributes.lineBreakMode = LineBreakMode::Clip;
    const AttributedString text(stringValue_, attributes);
    const double h = text.size().height();
    const QRectF textRect = rect.adjusted(2, 0, 0, 0);
    text.draw(ctx, QRectF(textRect.x(), textRect.center().y() - h / 2, textRect.width(), h));
}
