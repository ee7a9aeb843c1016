#include "tabbar/TbTabBarCell.h"

#include "foundation/VNSStringUtilCategory.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbTabBarBundle.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

bool isEmptyRect(const QRectF& r) {
    return r == QRectF();
}

// NSIntegralRect: the smallest whole-point rectangle around `r`; empty stays empty.
QRectF integral(const QRectF& r) {
    if (r.width() <= 0 || r.height() <= 0) return {};
    const double x0 = std::floor(r.left()), y0 = std::floor(r.top());
    const double x1 = std::ceil(r.right()), y1 = std::ceil(r.bottom());
    return {x0, y0, x1 - x0, y1 - y0};
}

QFont labelFont() {
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

QImage identifierImage(const TbTabViewItem* item, const char* key) {
    if (!item) return {};
    const QObject* object = item->identifierObject();
    if (!object || object->metaObject()->indexOfProperty(key) < 0) return {};
    const QVariant value = object->property(key);
    return value.canConvert<QImage>() ? value.value<QImage>() : QImage();
}

}  // namespace

TbTabBarCell::TbTabBarCell() : indicator_(std::make_unique<TbProgressIndicator>()) {
    indicator_->setGeometry(0, 0, 16, 16);
}

std::shared_ptr<TbTabBarCell> TbTabBarCell::initPlaceholderWithFrame(const QRectF& frame, bool expanded,
                                                                     TbTabBarControl* control) {
    auto cell = std::make_shared<TbTabBarCell>();
    cell->indicator_.reset();
    cell->isPlaceholder_ = true;
    cell->controlView_ = control;
    QRectF f = frame;
    if (!expanded) {
        if (control && control->orientation() == 1)
            f.setHeight(0);
        else
            f.setWidth(0);
    }
    cell->setFrame(f);
    cell->currentStep_ = expanded ? 7 : 0;
    return cell;
}

TbTabBarCell::~TbTabBarCell() {
    if (indicator_) indicator_->detach();
}

void TbTabBarCell::setControlView(TbTabBarControl* control) {
    controlView_ = control;
    if (indicator_) indicator_->setTabBar(control);
}

void TbTabBarCell::setTitle(const QString& title) {
    title_ = title;
    attributedStringSize_ = attributedStringValue().size();
    if (controlView_) controlView_->update();
}

void TbTabBarCell::setFrame(const QRectF& frame) {
    frame_ = frame;
    if (indicator_ && !indicator_->isHidden() && controlView_ && !controlView_->isTabBarHidden())
        indicator_->setGeometry(indicatorRectForBounds(frame).toRect());
}

void TbTabBarCell::setCurrentStep(qint64 step) {
    currentStep_ = std::clamp<qint64>(step, 0, 7);
}

bool TbTabBarCell::closeButtonOver() const {
    if (!closeButtonOver_) return false;
    return (controlView_ && controlView_->allowsBackgroundTabClosing()) ||
           (tabState_ & TbTabStateSelected) ||
           (QApplication::keyboardModifiers() & Qt::ControlModifier);
}

void TbTabBarCell::setIsInOverflowMenu(bool flag) {
    if (flag == isInOverflowMenu_) return;
    isInOverflowMenu_ = flag;
    if (controlView_ && controlView_->delegate())
        controlView_->delegate()->tabViewTabViewItemIsInOverflowMenu(controlView_->tabView(),
                                                                     representedObject_, flag);
}

QImage TbTabBarCell::icon() const {
    return identifierImage(representedObject_.get(), "icon");
}

QImage TbTabBarCell::largeImage() const {
    return identifierImage(representedObject_.get(), "largeImage");
}

bool TbTabBarCell::indicatorVisible() const {
    return indicator_ && !indicator_->isHidden();
}

const TbTabStyle* TbTabBarCell::barStyle() const {
    return controlView_ ? &controlView_->tabStyle() : nullptr;
}

bool TbTabBarCell::vertical() const {
    return controlView_ && controlView_->orientation() == 1;
}

QSizeF TbTabBarCell::scaleImageWithSize(const QSizeF& image, const QSizeF& box, unsigned scalingType) {
    switch (scalingType) {
        case 0:
        case 3: {
            if (image.width() <= 0 || image.height() <= 0) return {0, 0};
            double ratio = std::min(box.width() / image.width(), box.height() / image.height());
            if (scalingType == 0) ratio = std::min(ratio, 1.0);
            return image * ratio;
        }
        case 1:
            return box;
        default:
            return image;
    }
}

// Style-or-default dispatch.
#define TB_ASK(call, fallback)                         \
    if (const TbTabStyle* style = barStyle()) {        \
        if (auto answer = style->call) return *answer; \
    }                                                  \
    return fallback

QRectF TbTabBarCell::drawingRectForBounds(const QRectF& bounds) const {
    TB_ASK(drawingRectForBounds(bounds, *this), _drawingRectForBounds(bounds));
}
QRectF TbTabBarCell::titleRectForBounds(const QRectF& bounds) const {
    TB_ASK(titleRectForBounds(bounds, *this), _titleRectForBounds(bounds));
}
QRectF TbTabBarCell::iconRectForBounds(const QRectF& bounds) const {
    TB_ASK(iconRectForBounds(bounds, *this), _iconRectForBounds(bounds));
}
QRectF TbTabBarCell::largeImageRectForBounds(const QRectF& bounds) const {
    if (!vertical()) return {};
    TB_ASK(largeImageRectForBounds(bounds, *this), _largeImageRectForBounds(bounds));
}
QRectF TbTabBarCell::indicatorRectForBounds(const QRectF& bounds) const {
    TB_ASK(indicatorRectForBounds(bounds, *this), _indicatorRectForBounds(bounds));
}
QSizeF TbTabBarCell::objectCounterSize() const {
    TB_ASK(objectCounterSizeOfTabCell(*this), _objectCounterSize());
}
QRectF TbTabBarCell::objectCounterRectForBounds(const QRectF& bounds) const {
    TB_ASK(objectCounterRectForBounds(bounds, *this), _objectCounterRectForBounds(bounds));
}
QRectF TbTabBarCell::closeButtonRectForBounds(const QRectF& bounds) const {
    TB_ASK(closeButtonRectForBounds(bounds, *this), _closeButtonRectForBounds(bounds));
}
double TbTabBarCell::minimumWidthOfCell() const {
    TB_ASK(minimumWidthOfTabCell(*this), _minimumWidthOfCell());
}
double TbTabBarCell::desiredWidthOfCell() const {
    TB_ASK(desiredWidthOfTabCell(*this), _desiredWidthOfCell());
}
QImage TbTabBarCell::closeButtonImageOfType(int type) const {
    TB_ASK(closeButtonImageOfType(type, *this), QImage());
}
AttributedString TbTabBarCell::attributedStringValue() const {
    TB_ASK(attributedStringValueForTabCell(*this), _attributedStringValue());
}
AttributedString TbTabBarCell::attributedObjectCountStringValue() const {
    TB_ASK(attributedObjectCountStringValueForTabCell(*this), _attributedObjectCountStringValue());
}
QRectF TbTabBarCell::draggingRect() const {
    if (const TbTabStyle* style = barStyle())
        if (auto answer = style->dragRectForTabCell(*this, *controlView_)) return *answer;
    return frame_;
}
#undef TB_ASK

// Default geometry.

QRectF TbTabBarCell::_drawingRectForBounds(const QRectF& bounds) const {
    return bounds.adjusted(6, 3, -6, -3);
}

QRectF TbTabBarCell::_closeButtonRectForBounds(const QRectF& bounds) const {
    if (!shouldDrawCloseButton()) return {};
    const QImage image = closeButtonImageOfType(TbCloseButtonNormal);
    if (image.isNull()) return {};
    const QRectF d = drawingRectForBounds(bounds);
    const QSizeF scaled = scaleImageWithSize(image.size(), QSizeF(image.width(), d.height()), 0);
    QRectF r(d.topLeft(), scaled);
    if (d.height() > scaled.height()) r.moveTop(d.y() + std::ceil((d.height() - scaled.height()) / 2));
    return integral(r);
}

QRectF TbTabBarCell::_largeImageRectForBounds(const QRectF& bounds) const {
    const QImage image = largeImage();
    if (!hasLargeImage_ || image.isNull()) return {};
    const QRectF close = closeButtonRectForBounds(bounds);
    const double shift = isEmptyRect(close) ? 0 : close.width() + 4;
    const QRectF d = drawingRectForBounds(bounds);
    const QSizeF scaled = scaleImageWithSize(image.size(), d.size(), 3);
    double x = d.x() + shift;
    if (scaled.width() < 16) x += (16 - scaled.width()) / 2;
    return {x, d.y(), scaled.width(), scaled.height()};
}

QRectF TbTabBarCell::_iconRectForBounds(const QRectF& bounds) const {
    const QImage image = icon();
    if (!hasIcon_ || image.isNull()) return {};
    const QRectF close = closeButtonRectForBounds(bounds);
    const double shift = isEmptyRect(close) ? 0 : close.width() + 4;
    const QRectF d = drawingRectForBounds(bounds);
    const double x0 = d.x() + shift;
    const QSizeF scaled = scaleImageWithSize(image.size(), QSizeF(image.width(), d.height()), 0);
    QRectF r;
    if (!attributedStringValue().isEmpty() || shouldDrawObjectCounter() || indicatorVisible()) {
        r = QRectF(x0, d.y() + (d.height() - scaled.height()) / 2, scaled.width(), scaled.height());
        if (scaled.width() < 16) r.moveLeft(r.x() + std::ceil((16 - scaled.width()) / 2));
        if (scaled.height() < 16) r.moveTop(r.y() + std::ceil((16 - scaled.height()) / 2 - 0.5));
    } else {
        r = QRectF(x0 + (d.width() - shift - scaled.width()) / 2, d.y() + (d.height() - scaled.height()) / 2,
                   scaled.width(), scaled.height());
    }
    return integral(r);
}

QRectF TbTabBarCell::_indicatorRectForBounds(const QRectF& bounds) const {
    if (!indicatorVisible()) return {};
    const QRectF d = drawingRectForBounds(bounds);
    return integral(QRectF(d.x() + d.width() - 16, d.y() + d.height() / 2 - 8, 16, 16));
}

QSizeF TbTabBarCell::_objectCounterSize() const {
    if (count_ == 0) return {0, 0};
    return {std::max(20.0, attributedObjectCountStringValue().size().width() + 8), 14};
}

QRectF TbTabBarCell::_objectCounterRectForBounds(const QRectF& bounds) const {
    if (!shouldDrawObjectCounter()) return {};
    const QRectF d = drawingRectForBounds(bounds);
    const QRectF indicator = indicatorRectForBounds(bounds);
    const double right = d.x() + d.width() - (isEmptyRect(indicator) ? 0 : indicator.width() + 4);
    const QSizeF size = objectCounterSize();
    return integral(QRectF(right - size.width(), std::ceil(d.y() + (d.height() - size.height()) / 2),
                           size.width(), size.height()));
}

QRectF TbTabBarCell::_titleRectForBounds(const QRectF& bounds) const {
    const AttributedString label = attributedStringValue();
    if (label.isEmpty()) return {};
    const QRectF d = drawingRectForBounds(bounds);
    double x = d.x(), width = d.width();
    for (const QRectF& part : {closeButtonRectForBounds(bounds), largeImageRectForBounds(bounds),
                               iconRectForBounds(bounds)}) {
        if (isEmptyRect(part)) continue;
        x += part.width() + 4;
        width -= part.width() + 4;
    }
    for (const QRectF& part : {indicatorRectForBounds(bounds), objectCounterRectForBounds(bounds)})
        if (!isEmptyRect(part)) width -= part.width() + 4;
    const double height = label.size().height();
    return integral(QRectF(x, d.y() + std::ceil((d.height() - height) / 2), width, height));
}

double TbTabBarCell::_minimumWidthOfCell() const {
    double width = 6;
    if (shouldDrawCloseButton()) width += closeButtonImageOfType(TbCloseButtonNormal).width() + 4;
    if (hasIcon_) width += 20;
    width += 30;
    if (count_ > 0) width += objectCounterSize().width() + 4;
    if (indicatorVisible()) width += 20;
    return std::ceil(width + 6);
}

double TbTabBarCell::_desiredWidthOfCell() const {
    double width = 6;
    if (shouldDrawCloseButton()) width += closeButtonImageOfType(TbCloseButtonNormal).width() + 4;
    if (hasIcon_) width += 20;
    width += attributedStringValue().size().width();
    if (count_ > 0) width += objectCounterSize().width() + 4;
    if (indicatorVisible()) width += 20;
    return std::ceil(width + 6);
}

AttributedString TbTabBarCell::_attributedStringValue() const {
    TextAttributes attributes;
    attributes.font = labelFont();
    attributes.foreground = QApplication::palette().color(QPalette::ButtonText);
    attributes.lineBreakMode = LineBreakMode::TruncateTail;
    return AttributedString(title_, attributes);
}

AttributedString TbTabBarCell::_attributedObjectCountStringValue() const {
    TextAttributes attributes;
    QFont font("Helvetica");
    font.setPixelSize(11);
    font.setBold(true);
    attributes.font = font;
    QColor white(Qt::white);
    white.setAlphaF(0.85);
    attributes.foreground = white;
    return AttributedString(QString::number(quint64(count_)), attributes);
}

// Drawing.

#define TB_DRAW(call)                                                 \
    if (const TbTabStyle* style = &bar.tabStyle(); style->call) return

void TbTabBarCell::drawWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawTabBarCell(p, *this, frame, bar));
    _drawWithFrame(p, frame, bar);
}
void TbTabBarCell::drawBezelWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    bar.tabStyle().drawBezelOfTabCell(p, *this, frame, bar);
}
void TbTabBarCell::drawInteriorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawInteriorOfTabCell(p, *this, frame, bar));
    _drawInteriorWithFrame(p, frame, bar);
}
void TbTabBarCell::drawLargeImageWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawLargeImageOfTabCell(p, *this, frame, bar));
    _drawLargeImageWithFrame(p, frame, bar);
}
void TbTabBarCell::drawIconWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawIconOfTabCell(p, *this, frame, bar));
    _drawIconWithFrame(p, frame, bar);
}
void TbTabBarCell::drawTitleWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawTitleOfTabCell(p, *this, frame, bar));
    _drawTitleWithFrame(p, frame, bar);
}
void TbTabBarCell::drawObjectCounterWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawObjectCounterOfTabCell(p, *this, frame, bar));
    _drawObjectCounterWithFrame(p, frame, bar);
}
void TbTabBarCell::drawIndicatorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    bar.tabStyle().drawIndicatorOfTabCell(p, *this, frame, bar);
}
void TbTabBarCell::drawCloseButtonWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    TB_DRAW(drawCloseButtonOfTabCell(p, *this, frame, bar));
    _drawCloseButtonWithFrame(p, frame, bar);
}
#undef TB_DRAW

void TbTabBarCell::_drawWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    if (isPlaceholder_) {
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        p.fillRect(frame, QColor(0, 0, 0, 51));
        p.restore();
        return;
    }
    drawBezelWithFrame(p, frame, bar);
    drawInteriorWithFrame(p, frame, bar);
}

void TbTabBarCell::_drawInteriorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    if (!isEmptyRect(largeImageRectForBounds(frame))) drawLargeImageWithFrame(p, frame, bar);
    if (!isEmptyRect(iconRectForBounds(frame))) drawIconWithFrame(p, frame, bar);
    if (!isEmptyRect(titleRectForBounds(frame))) drawTitleWithFrame(p, frame, bar);
    if (!isEmptyRect(objectCounterRectForBounds(frame))) drawObjectCounterWithFrame(p, frame, bar);
    if (!isEmptyRect(indicatorRectForBounds(frame))) drawIndicatorWithFrame(p, frame, bar);
    if (!isEmptyRect(closeButtonRectForBounds(frame))) drawCloseButtonWithFrame(p, frame, bar);
}

void TbTabBarCell::_drawLargeImageWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar) {
    const QImage image = largeImage();
    if (bar.orientation() != 1 || !hasLargeImage_ || image.isNull()) return;
    const QRectF r = largeImageRectForBounds(frame);
    const double radius = std::min(3.0, r.height() * 0.25);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(r, radius, radius);
    p.setClipPath(clip, Qt::IntersectClip);
    p.drawImage(r, image);
    p.restore();
}

void TbTabBarCell::_drawIconWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl&) {
    p.drawImage(iconRectForBounds(frame), icon());
}

void TbTabBarCell::_drawTitleWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl&) {
    // Labels are centred in their rectangle; a longer one is cut at the tail.
    const AttributedString label = attributedStringValue();
    QRectF rect = titleRectForBounds(frame);
    const double slack = rect.width() - label.size().width();
    if (slack > 0) rect.adjust(slack / 2, 0, -slack / 2, 0);
    p.save();
    drawInRectEngraved(label, p, rect);
    p.restore();
}

void TbTabBarCell::_drawObjectCounterWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl&) {
    QColor fill = countColor_;
    if (!fill.isValid()) fill = QColor::fromRgbF(0.3f, 0.3f, 0.3f, 0.45f);
    const QRectF r = objectCounterRectForBounds(frame);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, 7, 7);
    const AttributedString text = attributedObjectCountStringValue();
    const QSizeF size = text.size();
    text.draw(p, QRectF(r.x() + (r.width() - size.width()) / 2 + 0.25,
                        r.y() + r.height() / 2 - size.height() / 2, size.width(), size.height()));
    p.restore();
}

void TbTabBarCell::_drawCloseButtonWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl&) {
    int type;
    if (closeButtonOver())
        type = isEdited_ ? TbCloseButtonDirtyRollover : TbCloseButtonRollover;
    else if (closeButtonPressed_)
        type = isEdited_ ? TbCloseButtonDirtyPressed : TbCloseButtonPressed;
    else
        type = isEdited_ ? TbCloseButtonDirtyNormal : TbCloseButtonNormal;
    const QImage image = closeButtonImageOfType(type);
    if (!image.isNull()) p.drawImage(closeButtonRectForBounds(frame), image);
}

// Tracking.

void TbTabBarCell::addTrackingAreasForView(TbTabBarControl& bar, const QRectF& rect,
                                           const QVariantMap& userInfo, const QPointF& mouse) {
    const bool inside = rect.contains(mouse);
    if (inside) bar.QWidget::update(rect.toAlignedRect());
    QVariantMap info = userInfo;
    info["type"] = 0;
    bar.trackingAreas_.push_back({rect, info, weak_from_this(), inside});
    const QRectF close = closeButtonRectForBounds(rect);
    if (!isEmptyRect(close)) {
        const bool insideClose = close.contains(mouse);
        if (insideClose) bar.QWidget::update(rect.toAlignedRect());
        info["type"] = 1;
        bar.trackingAreas_.push_back({close, info, weak_from_this(), insideClose});
    }
}

void TbTabBarCell::mouseEntered(const QVariantMap& userInfo, Qt::KeyboardModifiers modifiers) {
    const int type = userInfo.value("type", -1).toInt();
    if (type == 0) {
        highlighted_ = true;
        if (controlView_ && controlView_->allowsScrubbing() && (modifiers & Qt::AltModifier))
            controlView_->tabClick(shared_from_this());
    } else if (type == 1) {
        closeButtonOver_ = true;
        if (controlView_) controlView_->updateCell(this);
    }
}

void TbTabBarCell::mouseExited(const QVariantMap& userInfo) {
    const int type = userInfo.value("type", -1).toInt();
    if (type == 0) {
        highlighted_ = false;
    } else if (type == 1) {
        closeButtonOver_ = false;
        if (controlView_) controlView_->updateCell(this);
    }
}

QImage TbTabBarCell::dragImage() {
    if (!controlView_) return {};
    const QRect r = draggingRect().toAlignedRect();
    QImage image = controlView_->grab(r).toImage();
    if (indicatorVisible()) {
        QPainter p(&image);
        p.drawImage(QPointF(frame_.width() - 22, 3), TbTabBarBundle::imageNamed("pi"));
    }
    return image;
}

QVariant TbTabBarCell::accessibilityAttributeValue(const QString& attribute) const {
    if (attribute == "role") return QStringLiteral("radioButton");
    if (attribute == "roleDescription") return QStringLiteral("Tab");
    if (attribute == "title") return title_;
    if (attribute == "help") {
        if (controlView_ && controlView_->delegate())
            if (auto text = controlView_->delegate()->accessibilityStringForTabView(
                    controlView_->tabView(), count_))
                return QString("%1, %2 %3").arg(title_).arg(quint64(count_)).arg(*text);
        return title_;
    }
    if (attribute == "value") return bool(tabState_ & TbTabStateSelected);
    if (attribute == "position" || attribute == "size") {
        const QRect onScreen = controlView_
                                   ? QRect(controlView_->mapToGlobal(frame_.topLeft().toPoint()),
                                           frame_.size().toSize())
                                   : frame_.toRect();
        return attribute == "position" ? QVariant(onScreen.topLeft()) : QVariant(onScreen.size());
    }
    return {};
}

void TbTabBarCell::accessibilityPerformAction(const QString& action) {
    if (action == "press" && controlView_) controlView_->tabClick(shared_from_this());
}
