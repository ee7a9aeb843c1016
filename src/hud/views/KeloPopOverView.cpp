#include "hud/views/KeloPopOverView.h"

#include "graphics/ImageGeometry.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/theme/KeloPilotColorCategory.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kDefaultFontSize = 12;
constexpr char kDefaultFontName[] = "Helvetica";
constexpr float kTitleBarHeight = 20;

QFont itemFont(const QString& name, int32_t size) {
    QFont font(name.isEmpty() ? QString(kDefaultFontName) : name);
    // Where the named face is missing, stay with a sans-serif one.
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(size > 0 ? size : kDefaultFontSize);
    return font;
}

}  // namespace

KeloPopOverView::KeloPopOverView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

KeloPopOverView* KeloPopOverView::createWrappedPopOverView() {
    auto* window =
        new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    window->setMouseTracking(true);
    window->resize(100, 100);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new KeloPopOverView(window);
    layout->addWidget(view);
    return view;
}

void KeloPopOverView::setCurrentItem(int32_t index) {
    currentItem_ = index;
    selectedItem_ = index;
    highLightItem_ = index;
}

QSize KeloPopOverView::gridForItemCount(int32_t count) {
    if (count <= 0) return QSize(0, 0);
    const int r = int(std::sqrt(double(count)));
    const int columns = r * r < count ? r + 1 : r;
    const int rows = columns * r < count ? r + 1 : r;
    return QSize(columns, rows);
}

QSizeF KeloPopOverView::sizeForCurrentFrame() {
    KeloPopOverButton* button = buttonID_;
    if (!button) return QSizeF(0, 0);
    border_ = button->popOverImage();
    isList_ = button->isList();
    borderSize_ = button->borderSize();
    borderSplit_ = button->borderSplitPoint();
    fontSize_ = button->fontSize();
    hasTitleBar_ = false;
    titleHeight_ = 0;
    if (!isList_ && !button->titleForPopOverItem(-1).isNull()) {
        hasTitleBar_ = true;
        titleHeight_ = button->showChosen() ? float(cellSize_.height() + 5) : kTitleBarHeight;
    }
    numberOfItems_ = button->numberOfPopOverItems();
    const QSize grid =
        isList_ ? QSize(1, std::max(numberOfItems_, 0)) : gridForItemCount(numberOfItems_);
    gridSize_ = QSizeF(grid);
    // The frame's top inset is what the split point leaves above the content.
    contentRect_ =
        QRectF(borderSplit_.x(), borderSize_.height() - borderSplit_.y(),
               grid.width() * cellSize_.width(), grid.height() * cellSize_.height() + titleHeight_);
    if (hasTitleBar_) {
        const double top = contentRect_.y();
        if (button->showChosen()) {
            titleOrigin_ = QPointF(contentRect_.x() + cellSize_.width() + 10,
                                   top - 5 + (titleHeight_ + fontSize_) * 0.5);
        } else {
            titleOrigin_ = QPointF(contentRect_.x() + cellInset_.width() + 2, top + 15);
        }
    }
    layer_ = QImage();
    return contentRect_.size() + borderSize_;
}

QRectF KeloPopOverView::cellFrameForItem(int32_t index) const {
    const int columns = int(gridSize_.width());
    if (columns <= 0 || index < 0) return QRectF();
    const int row = index / columns;
    const int column = index - row * columns;
    return QRectF(contentRect_.x() + column * cellSize_.width(),
                  contentRect_.y() + titleHeight_ + row * cellSize_.height(), cellSize_.width(),
                  cellSize_.height());
}

QRect KeloPopOverView::frameWithButton(KeloPopOverButton* button) {
    buttonID_ = button;
    tracking_ = true;
    const QSizeF size = sizeForCurrentFrame();
    pinPoint_ = button->pinPoint();
    isPinned_ = pinPoint_.x() != 0 || pinPoint_.y() != 0;
    const QPointF base = button->mapToGlobal(QPointF(0, 0));
    const double bw = button->width(), bh = button->height();
    double x, y;
    if (isPinned_) {
        // The pin point sits at the middle of the button's right edge.
        x = base.x() + bw - pinPoint_.x();
        y = base.y() + bh * 0.5 - pinPoint_.y();
    } else {
        x = base.x() - contentRect_.x();
        y = base.y() - contentRect_.y();
        if (button->pullsDown()) {
            y = base.y() + bh;
        } else if (isList_ && button->indexOfSelectedItem() >= 1) {
            // The chosen row lies over the button.
            y -= button->indexOfSelectedItem() * cellSize_.height();
        }
    }
    return QRect(int(std::floor(x)), int(std::floor(y)), int(std::ceil(size.width())),
                 int(std::ceil(size.height())));
}

void KeloPopOverView::trackMouseAtPoint(const QPointF& point) {
    const int columns = int(gridSize_.width());
    const int rows = int(gridSize_.height());
    // Hit-tested against the cells as drawn, from the content origin.
    const double gx = point.x() - contentRect_.x();
    const double gy = point.y() - (contentRect_.y() + titleHeight_);
    if (gx >= 0 && gy >= 0 && cellSize_.width() > 0 && cellSize_.height() > 0) {
        const int column = int(gx / cellSize_.width());
        const int row = int(gy / cellSize_.height());
        const int index = row * columns + column;
        if (column < columns && row < rows && index < numberOfItems_) {
            const bool changed = selectedItem_ != index;
            selectedItem_ = index;
            highLightItem_ = index;
            if (changed) update();
            return;
        }
    }
    selectedItem_ = -1;
    if (highLightItem_ != currentItem_) {
        highLightItem_ = currentItem_;
        update();
    }
}

void KeloPopOverView::stopTracking() {
    tracking_ = false;
}

void KeloPopOverView::popOver(KeloPopOverButton* button, const QVariant& item, const QRectF& rect,
                              QPainter& ctx, bool enabled, const QString& font, int32_t size) {
    if (!item.isValid() || item.isNull()) return;
    if (item.typeId() == QMetaType::QImage) {
        ctx.drawImage(rect.adjusted(1, 1, -1, -1), item.value<QImage>());
        return;
    }
    const QColor colour = button ? button->txtColour() : QColor(Qt::white);
    ctx.save();
    ctx.setFont(itemFont(font, size));
    ctx.setPen(colour);
    // Baseline 0.4 of the font size above the cell's bottom.
    ctx.drawText(QPointF(rect.x() + 5, rect.y() + rect.height() - size * 0.4), item.toString());
    if (!enabled) {
        // A one-point line through the middle, on whole pixels to stay crisp.
        const double y = std::floor(rect.y() + (rect.height() - 1) / 2);
        ctx.fillRect(QRectF(rect.x() + 5, y, rect.width() - 10, 1), colour);
    }
    ctx.restore();
}

void KeloPopOverView::renderLayer(const QString& font, int32_t size) {
    KeloPopOverButton* button = buttonID_;
    layer_ = QImage(this->size(), QImage::Format_ARGB32_Premultiplied);
    layer_.fill(Qt::transparent);
    QPainter p(&layer_);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF bounds = rect();
    if (!border_.isNull()) {
        drawImageAsBorderInRect(border_, bounds, QSizeF(borderSplit_.x(), borderSplit_.y()), p, 0);
    } else {
        // Without frame artwork the pop-over is drawn as a floating window:
        // in the button's own background colour it would melt into the panel
        // beneath, its items read as strays among the panel's labels.
        p.fillRect(bounds, floatingWindowColor());
        p.setPen(QPen(dimTextColor(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (isPinned_) {
        const QImage& pointer = button->pointerImage();
        const QPointF at = pinPoint_ - button->pointerHotSpot();
        if (!pointer.isNull()) {
            p.drawImage(at, pointer);
        } else {
            p.fillRect(QRectF(pinPoint_ - QPointF(1, 1), QSizeF(2, 2)), button->txtColour());
        }
    }
    const QSizeF inset = cellInset_;
    auto insetRect = [&](const QRectF& r) {
        return r.adjusted(inset.width(), inset.height(), -inset.width(), -inset.height());
    };
    if (!isList_ && button->showChosen()) {
        const QRectF chosen(contentRect_.topLeft(), cellSize_);
        popOver(button, button->objectValueForPopOverItem(button->indexOfSelectedItem()),
                insetRect(chosen), p, true, font, size);
    }
    for (int32_t i = 0; i < numberOfItems_; ++i) {
        popOver(button, button->objectValueForPopOverItem(i), insetRect(cellFrameForItem(i)), p,
                button->objectEnableForPopOverItem(i), font, size);
    }
}

void KeloPopOverView::paintEvent(QPaintEvent*) {
    KeloPopOverButton* button = buttonID_;
    if (!button) return;
    const QString font =
        button->fontName().isEmpty() ? QString(kDefaultFontName) : button->fontName();
    const int32_t size = button->fontSize() > 0 ? button->fontSize() : kDefaultFontSize;
    if (layer_.isNull() || layer_.size() != this->size()) renderLayer(font, size);

    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (border_.isNull()) button->borderCell()->drawWithFrame(p, rect(), button);
    p.drawImage(0, 0, layer_);
    if (hasTitleBar_) {
        p.setFont(itemFont(font, size));
        p.setPen(button->txtColour());
        p.drawText(titleOrigin_, button->titleForPopOverItem(highLightItem_));
    }
    if (highLightItem_ >= 0 && highLightItem_ < numberOfItems_) {
        p.setPen(QPen(button->highlightColour(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cellFrameForItem(highLightItem_).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void KeloPopOverView::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_) trackMouseAtPoint(event->position());
}

void KeloPopOverView::mousePressEvent(QMouseEvent* event) {
    trackMouseAtPoint(event->position());
    if (KeloPopOverButton* button = buttonID_) button->endTrackingWithItem(highLightItem_);
}

void KeloPopOverView::leaveEvent(QEvent*) {
    if (!tracking_) return;
    if (KeloPopOverButton* button = buttonID_) button->endTrackingWithItem(-1);
}
