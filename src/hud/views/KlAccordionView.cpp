#include "hud/views/KlAccordionView.h"

#include "foundation/OmxImageUtil.h"
#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageUtilCategory.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

QRectF KlAccordionItem::drawImageInRect(QPainter&, const QRectF& rect) {
    return rect;
}

namespace {

// Stands in for the disclosure resource when the application has none: a
// light triangle pointing up.
QImage drawnDisclosureImage() {
    QImage image(12, 12, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(6, 2);
    triangle.lineTo(11, 10);
    triangle.lineTo(1, 10);
    triangle.closeSubpath();
    painter.fillPath(triangle, QColor(200, 200, 200));
    return image;
}

const QImage& disclosureBase() {
    static const QImage image = [] {
        QImage loaded = cgImageWithResourceNamed(QStringLiteral("KLR_Disclosure.png"));
        return loaded.isNull() ? drawnDisclosureImage() : loaded;
    }();
    return image;
}

}  // namespace

const QImage& KlAccordionView::selectedDisclosureImage() {
    static const QImage image = rotatedImage(disclosureBase(), 180);
    return image;
}

const QImage& KlAccordionView::otherDisclosureImage() {
    static const QImage image = rotatedImage(selectedDisclosureImage(), 270);
    return image;
}

KlAccordionView::KlAccordionView(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
}

KlAccordionView::~KlAccordionView() = default;

void KlAccordionView::setContentView(QWidget* view) {
    toContentView_ = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
}

void KlAccordionView::addItem(std::shared_ptr<KlAccordionItem> item) {
    if (!item) return;
    items_.append(std::move(item));
    layout();
}

void KlAccordionView::addItemWithTitle(const QString& title, int tag) {
    addItem(std::make_shared<KlAccordionItem>(title, tag));
}

void KlAccordionView::layout() {
    const QRectF bounds = rect();
    QRectF content = bounds;
    QRectF header(bounds.x(), bounds.y(), bounds.width(), kHeaderHeight);
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i]->hidden()) continue;
        content.setHeight(content.height() - kHeaderHeight);
        if (selectedIndex_ >= 0 && i <= selectedIndex_) content.translate(0, kHeaderHeight);
    }
    // Headers after the selected index go below the content, also when the
    // selected item itself is hidden and leaves no header to follow.
    bool belowContent = false;
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i]->hidden()) continue;
        if (i > selectedIndex_ && !belowContent) {
            header.moveTop(content.y() + content.height());
            belowContent = true;
        }
        items_[i]->setFrame(header);
        header.moveTop(header.y() + kHeaderHeight);
    }
    contentRect_ = content;
    if (toContentView_) toContentView_->setGeometry(content.toRect());
    update();
}

void KlAccordionView::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    layout();
}

void KlAccordionView::selectItemWithTag(int tag) {
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i]->tag() == tag && i != selectedIndex_) {
            selectedIndex_ = i;
            layout();
        }
    }
}

void KlAccordionView::setItemDirty(int index) {
    if (index < 0 || index >= items_.size()) return;
    update(items_[index]->frame().toAlignedRect());
}

QPointF KlAccordionView::mousePosition() const {
    if (lastMousePosition_) return *lastMousePosition_;
    return mapFromGlobal(QCursor::pos().toPointF());
}

std::shared_ptr<KlAccordionItem> KlAccordionView::itemUnderMouse() const {
    const QPointF point = mousePosition();
    if (!visibleRegion().boundingRect().toRectF().contains(point)) return nullptr;
    for (const auto& item : items_) {
        if (!item->hidden() && item->frame().contains(point)) return item;
    }
    return nullptr;
}

int KlAccordionView::tagOfClickedItem() {
    const std::shared_ptr<KlAccordionItem> item = itemUnderMouse();
    if (!item) return -1;
    selectItemWithTag(static_cast<int>(item->tag()));
    return static_cast<int>(item->tag());
}

void KlAccordionView::adjustTrackingArea() {
    setMouseTracking(true);
    mouseMoved();
}

void KlAccordionView::mouseMoved() {
    const std::shared_ptr<KlAccordionItem> item = itemUnderMouse();
    if (item) {
        const int index = static_cast<int>(items_.indexOf(item));
        if (index != highlightedIndex_) {
            setItemDirty(highlightedIndex_);
            highlightedIndex_ = index;
            setItemDirty(index);
        }
    } else if (highlightedIndex_ >= 0) {
        setItemDirty(highlightedIndex_);
        highlightedIndex_ = -1;
    }
}

void KlAccordionView::mouseMoveEvent(QMouseEvent* event) {
    lastMousePosition_ = event->position();
    mouseMoved();
    QAbstractButton::mouseMoveEvent(event);
}

void KlAccordionView::enterEvent(QEnterEvent* event) {
    lastMousePosition_ = event->position();
    mouseMoved();
    QAbstractButton::enterEvent(event);
}

void KlAccordionView::leaveEvent(QEvent* event) {
    setItemDirty(highlightedIndex_);
    highlightedIndex_ = -1;
    QAbstractButton::leaveEvent(event);
}

void KlAccordionView::mousePressEvent(QMouseEvent* event) {
    lastMousePosition_ = event->position();
    QAbstractButton::mousePressEvent(event);
}

void KlAccordionView::mouseReleaseEvent(QMouseEvent* event) {
    lastMousePosition_ = event->position();
    QAbstractButton::mouseReleaseEvent(event);
}

void KlAccordionView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second click of a double click would toggle the pane straight back.
    event->accept();
}

void KlAccordionView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRectF dirty = event->rect().toRectF();
    int visible = 0;
    for (const auto& item : items_) {
        if (!item->hidden()) ++visible;
    }
    const QImage& selectedImage = selectedDisclosureImage();
    const QImage& otherImage = otherDisclosureImage();
    const qreal w = selectedImage.width();
    const qreal h = selectedImage.height();
    for (int i = 0; i < items_.size(); ++i) {
        const std::shared_ptr<KlAccordionItem>& item = items_[i];
        const QRectF frame = item->frame();
        if (item->hidden() || !frame.intersects(dirty)) continue;
        const bool hover = i == highlightedIndex_ && i != selectedIndex_;
        painter.fillRect(frame, hover ? textFillColor() : normalSolidFill());
        if (visible >= 2) {
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            painter.drawImage(QRectF(2, frame.y() + 1, w, h),
                              i == selectedIndex_ ? selectedImage : otherImage);
            painter.restore();
        }
        QRectF titleRect = frame.adjusted(w + 4, 0, 0, 0);
        titleRect = item->drawImageInRect(painter, titleRect);
        attrStringWithColor(item->title(), defaultTextColor()).draw(painter, titleRect);
    }
}
