#include "hud/controls/KeloPopOverButton.h"

#include "foundation/OmLog.h"
#include "hud/views/KeloPopOverView.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// Farther than this from the press point, the press becomes a drag.
constexpr double kDragThreshold = 10;

KeloPopOverView*& sharedView() {
    static KeloPopOverView* view = nullptr;
    return view;
}

}  // namespace

KeloPopOverButton::KeloPopOverButton(QWidget* parent)
    : QAbstractButton(parent),
      textColour_(Qt::white),
      backgroundColour_(Qt::black),
      highlightColour_(Qt::white),
      cell_(std::make_unique<KeloPopOverButtonCell>()) {}

KeloPopOverButton::~KeloPopOverButton() {
    KeloPopOverView* view = sharedView();
    if (view && view->buttonID() == this) {
        view->stopTracking();
        view->window()->hide();
        view->setButtonID(nullptr);
    }
}

void KeloPopOverButton::addItemWithTitle(const QString& title) {
    if (!itemList_) itemList_.emplace();
    itemList_->append(title);
    if (enableList_) enableList_->push_back(std::make_unique<itemEnable>(false));
}

void KeloPopOverButton::removeAllItems() {
    if (itemList_) itemList_->clear();
    if (enableList_) enableList_->clear();
}

int32_t KeloPopOverButton::numberOfItems() const {
    return itemList_ ? int32_t(itemList_->size()) : 0;
}

QString KeloPopOverButton::itemTitleAtIndex(int32_t index) const {
    if (!itemList_ || index < 0 || index >= itemList_->size()) return QString();
    return itemList_->at(index);
}

QString KeloPopOverButton::titleOfSelectedItem() const {
    return itemTitleAtIndex(indexOfSelectedItem_);
}

int32_t KeloPopOverButton::indexOfItemWithTitle(const QString& title) const {
    if (!itemList_) return -1;
    return int32_t(itemList_->indexOf(title));
}

itemEnable* KeloPopOverButton::itemAtIndex(int32_t index) const {
    if (!enableList_ || index < 0 || size_t(index) >= enableList_->size()) return nullptr;
    return (*enableList_)[size_t(index)].get();
}

itemEnable* KeloPopOverButton::itemWithTitle(const QString& title) const {
    return itemAtIndex(indexOfItemWithTitle(title));
}

void KeloPopOverButton::selectItemWithTitle(const QString& title) {
    if (!itemList_) return;
    setIndexOfSelectedItem(indexOfItemWithTitle(title));
}

void KeloPopOverButton::setIndexOfSelectedItem(int32_t index) {
    QVariant item;
    if (isList_) {
        if (index < 0 || index >= numberOfItems()) return;
        item = itemTitleAtIndex(index);
    } else {
        // A grid of titles answers from its own list, like its pop-over does.
        item = objectValueForPopOverItem(index);
    }
    if (!item.isValid() || item.isNull()) return;
    indexOfSelectedItem_ = index;
    if (pullsDown_) return;
    if (item.typeId() == QMetaType::QImage) {
        image_ = item.value<QImage>();
        setText(QString());
    } else {
        setText(item.toString());
        image_ = QImage();
    }
    if (!itemList_ && dataSource_) setToolTip(dataSource_->titleForPopOver(this, index));
    update();
}

void KeloPopOverButton::setAutoenablesItems(bool autoenables) {
    if (!autoenables && isList_) {
        if (!enableList_) enableList_.emplace();
        const size_t count = size_t(numberOfItems());
        if (enableList_->size() > count) enableList_->resize(count);
        while (enableList_->size() < count)
            enableList_->push_back(std::make_unique<itemEnable>(false));
        return;
    }
    enableList_.reset();
}

void KeloPopOverButton::setTextColour(const QColor& colour) {
    textColour_ = colour;
    update();
}

void KeloPopOverButton::setBackgroundColour(const QColor& colour) {
    backgroundColour_ = colour;
    update();
}

void KeloPopOverButton::setHighlightColour(const QColor& colour) {
    highlightColour_ = colour;
}

void KeloPopOverButton::setPopOverImage(const QImage& image) {
    popOverImage_ = image;
    setBorderSize(image.isNull() ? QSizeF(0, 0) : QSizeF(image.width(), image.height()));
}

void KeloPopOverButton::setBorderSize(const QSizeF& size) {
    borderSize_ = size;
    borderSplitPoint_ = QPointF(std::trunc(size.width() / 2), std::trunc(size.height() / 2));
}

KeloPopOverButtonCell* KeloPopOverButton::borderCell() const {
    return borderCell_ ? borderCell_.get() : cell_.get();
}

void KeloPopOverButton::setCell(std::unique_ptr<KeloPopOverButtonCell> cell) {
    if (cell) cell_ = std::move(cell);
}

int32_t KeloPopOverButton::numberOfPopOverItems() {
    if (itemList_) return numberOfItems();
    return dataSource_ ? dataSource_->numberOfPopOverItems(this) : 0;
}

QVariant KeloPopOverButton::objectValueForPopOverItem(int32_t index) {
    if (itemList_) {
        const QString title = itemTitleAtIndex(index);
        return title.isNull() ? QVariant() : QVariant(title);
    }
    return dataSource_ ? dataSource_->objectValueForPopOverItem(this, index) : QVariant();
}

bool KeloPopOverButton::objectEnableForPopOverItem(int32_t index) const {
    if (!enableList_) return true;
    const itemEnable* record = itemAtIndex(index);
    return record && record->enabled();
}

QString KeloPopOverButton::titleForPopOverItem(int32_t index) {
    if (itemList_) return QStringLiteral("");
    return dataSource_ ? dataSource_->titleForPopOver(this, index) : QString();
}

QImage KeloPopOverButton::borderImageForPopOver() {
    return dataSource_ ? dataSource_->borderImageForPopOver(this) : QImage();
}

QPointF KeloPopOverButton::borderSplitPointForPopOver() {
    return dataSource_ ? dataSource_->borderSplitPointForPopOver(this) : QPointF();
}

KeloPopOverView* KeloPopOverButton::sharedPopOverView() {
    return sharedView();
}

void KeloPopOverButton::endTrackingWithItem(int32_t item) {
    if (KeloPopOverView* view = sharedView()) {
        view->stopTracking();
        view->window()->hide();
    }
    tracking_ = false;
    dragging_ = false;
    setDown(false);
    update();
    if (item < 0) return;
    if (enableList_ && !objectEnableForPopOverItem(item)) return;
    setIndexOfSelectedItem(item);
    emit triggered(this);
}

void KeloPopOverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(rect(), backgroundColour_);
    QVariant item;
    if (isList_) {
        const QString title = itemTitleAtIndex(indexOfSelectedItem_);
        if (!title.isNull()) item = title;
    } else if (dataSource_) {
        item = dataSource_->objectValueForPopOverItem(this, indexOfSelectedItem_);
    }
    KeloPopOverView::popOver(this, item, QRectF(rect()), p, true, fontName_,
                             fontSize_ > 0 ? fontSize_ : 12);
    if (drawingDelegate_) drawingDelegate_->finishDrawing(this, p);
}

void KeloPopOverButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dragging_ = false;
    tracking_ = true;
    startPt_ = event->globalPosition();
    KeloPopOverView*& view = sharedView();
    if (!view) view = KeloPopOverView::createWrappedPopOverView();
    if (!view) {
        OmLogNoFlood(kOmLogError, "KeloPopOverButton: no pop-over window");
        tracking_ = false;
        return;
    }
    QWidget* window = view->window();
    if (window->isVisible()) {
        KeloPopOverButton* owner = view->buttonID();
        (owner ? owner : this)->endTrackingWithItem(-1);
        tracking_ = false;
        return;
    }
    const QSizeF own = popOverCellSize_.isNull() ? QSizeF(size()) : popOverCellSize_;
    view->setCellSize(own + popOverCellSpacing_);
    view->setCellInset(
        QSizeF(popOverCellSpacing_.width() * 0.2, popOverCellSpacing_.height() * 0.5));
    view->setButtonID(this);
    const QRect frame = view->frameWithButton(this);
    view->setCurrentItem(indexOfSelectedItem_);
    window->setGeometry(frame);
    window->show();
    window->raise();
    setDown(true);
    update();
}

void KeloPopOverButton::trackInPopOver(const QPointF& globalPosition) {
    KeloPopOverView* view = sharedView();
    if (!view) return;
    view->trackMouseAtPoint(view->mapFromGlobal(globalPosition));
}

void KeloPopOverButton::mouseMoveEvent(QMouseEvent* event) {
    if (!tracking_) return;
    if (!dragging_) {
        const QPointF d = event->globalPosition() - startPt_;
        if (std::fabs(d.x()) <= kDragThreshold && std::fabs(d.y()) <= kDragThreshold) return;
        dragging_ = true;
    }
    trackInPopOver(event->globalPosition());
}

void KeloPopOverButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) return;
    trackInPopOver(event->globalPosition());
    KeloPopOverView* view = sharedView();
    endTrackingWithItem(view ? view->selectedItem() : -1);
}
