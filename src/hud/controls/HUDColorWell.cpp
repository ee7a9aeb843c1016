#include "hud/controls/HUDColorWell.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

HUDColorWell::HUDColorWell(QWidget* parent)
    : QWidget(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {}

HUDColorWell::~HUDColorWell() {
    delete dialog_.data();
}

std::unique_ptr<HUDColorWell> HUDColorWell::initWithCoder(const QVariantMap& archive,
                                                          QWidget* parent) {
    auto well = std::make_unique<HUDColorWell>(parent);
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) well->themeKey_ = key.toString();
    well->useTransparentWell_ = archive.value(QStringLiteral("useTransparentWell")).toBool();
    return well;
}

QVariantMap HUDColorWell::encodeWithCoder() const {
    return {{QStringLiteral("themeKey"), themeKey_},
            {QStringLiteral("useTransparentWell"), useTransparentWell_}};
}

void HUDColorWell::setUseTransparentWell(bool flag) {
    useTransparentWell_ = flag;
    update();
}

void HUDColorWell::setColor(const QColor& color) {
    if (!color.isValid() || color == color_) return;
    color_ = color;
    update();
    emit colorChanged(color_);
}

void HUDColorWell::setBordered(bool bordered) {
    bordered_ = bordered;
    update();
}

void HUDColorWell::activate() {
    if (active_) return;
    active_ = true;
    QColorDialog* dialog = new QColorDialog(color_);
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QColorDialog::NoButtons);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    connect(dialog, &QColorDialog::currentColorChanged, this, [this, dialog](const QColor& c) {
        if (dialog_ == dialog) setColor(c);
    });
    // Closing the dialog ends the well's turn as the active one.
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (dialog_ == dialog) deactivate();
    });
    dialog->show();
    update();
}

void HUDColorWell::deactivate() {
    QColorDialog* dialog = dialog_;
    dialog_ = nullptr;
    active_ = false;
    if (dialog) dialog->close();
    update();
}

void HUDColorWell::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    QPainter painter(this);
    drawRect(painter, QRectF(rect()));
}

void HUDColorWell::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (active_) {
        deactivate();
    } else {
        activate();
    }
    event->accept();
}

void HUDColorWell::drawRect(QPainter& painter, const QRectF& rect) {
    const HUDTheme* t = theme(this);
    (active_ ? t->highlightGradient() : t->normalGradient()).drawInRect(painter, rect, 270);
    // A one-pixel frame inside the rectangle.
    const QColor stroke = t->darkStrokeColor();
    painter.fillRect(QRectF(rect.x(), rect.y(), rect.width(), 1), stroke);
    painter.fillRect(QRectF(rect.x(), rect.bottom() - 1, rect.width(), 1), stroke);
    painter.fillRect(QRectF(rect.x(), rect.y(), 1, rect.height()), stroke);
    painter.fillRect(QRectF(rect.right() - 1, rect.y(), 1, rect.height()), stroke);
    drawWellInside(painter, rect);
}

void HUDColorWell::drawWellInside(QPainter& painter, const QRectF& rect) {
    const double inset = bordered_ ? 5 : 2;
    const QRectF inner = rect.adjusted(inset, inset, -inset, -inset);
    if (inner.isEmpty()) return;
    QColor fill = color_;
    if (useTransparentWell_) {
        const QColor rgb = color_.toRgb();
        fill = QColor::fromRgbF(rgb.redF(), rgb.greenF(), rgb.blueF(), theme(this)->alphaValue());
    }
    painter.save();
    // The well shows its colour, not the colour laid over the bezel.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(inner, fill);
    painter.restore();
}
