#include "status/KeloStatusView.h"

#include "hud/theme/KeloUIAttributes.h"
#include "hud/windows/ToolTipWindowProtocol.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/ServerLinkNotifications.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloStatusViewTarget.h"
#include "status/StatusConstants.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDataStream>
#include <QDrag>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

QString mimeType() {
    return QString::fromLatin1(kKeloObjectNamePboardType);
}

bool isNonEmpty(const QVariantMap& description) {
    return !description.isEmpty();
}

}  // namespace

KeloStatusView::KeloStatusView(const QRectF& frame, QWidget* parent)
    : QWidget(parent),
      minimumWidth_(float(frame.width())),
      attributes_(KeloUIAttributes::attributes()) {
    setGeometry(frame.toRect());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
}

KeloStatusView::~KeloStatusView() {
    cells_.clear();
    ownedCells_.clear();
}

void KeloStatusView::createCellArray() {
    const bool anything =
        dataSource_ && std::any_of(dataSource_->begin(), dataSource_->end(), isNonEmpty);
    if (anything) {
        dataSourceAlreadyEmpty_ = false;
    } else {
        if (dataSourceAlreadyEmpty_) return;
        dataSourceAlreadyEmpty_ = true;
    }
    cells_.clear();
    ownedCells_.clear();
    clearLayerOwners(this);
    for (auto& layer : thumbLayers()) layer->setHidden(true);
    if (!dataSource_ || !target_) return;
    for (const QVariantMap& description : *dataSource_) {
        std::unique_ptr<KeloRemoteCell> cell =
            target_->createCellForDescription(description, isBreakout_, this);
        if (!cell) continue;
        cells_.push_back(cell.get());
        ownedCells_.push_back(std::move(cell));
    }
}

void KeloStatusView::reloadData() {
    toolTips_.clear();
    if (singleCell_ && (cells_.size() != 1 || cells_[0] != singleCell_)) {
        cells_.assign(1, singleCell_);
        ownedCells_.clear();
    }
    int columnWidth = int(minimumWidth_);
    for (KeloRemoteCell* cell : cells_)
        columnWidth = std::max(columnWidth, int(cell->size().width()));
    const int columns = std::max(1, numColumns_);
    double rowTop = 0;
    double sum = 0;
    double lastHeight = 0;
    for (size_t i = 0; i < cells_.size(); ++i) {
        KeloRemoteCell* cell = cells_[i];
        const QSizeF size = cell->size();
        const double w = std::max<double>(columnWidth, size.width());
        const int column = int(i % size_t(columns));
        cell->setView(this);
        cell->setFrame(QRectF(column * double(columnWidth), rowTop, w, size.height()));
        cell->updateToolTips();
        lastHeight = size.height();
        if (column == columns - 1 || i + 1 == cells_.size()) {
            rowTop += std::trunc(size.height());
            sum = rowTop;
        }
    }
    const int rows = int((cells_.size() + size_t(columns) - 1) / size_t(columns));
    const int height = columns == 1 ? int(sum) : int(lastHeight * rows);
    const int width = columns * columnWidth;
    cellWidth_ = float(columnWidth);
    minHeight_ = float(height);

    auto* scroll =
        parentWidget() ? qobject_cast<QScrollArea*>(parentWidget()->parentWidget()) : nullptr;
    if (scroll && scroll->verticalScrollBar()->value() > 0)
        savedScrollPosition_ = float(scroll->verticalScrollBar()->value());
    const QSize before = size();
    move(0, 0);
    resize(width, height);
    if (reportsSizeChanges_ && size() != before) {
        NotificationCenter::defaultCenter().post(
            QString::fromLatin1(kKeloRemoteNotification), this,
            {{QStringLiteral("type"), 5},
             {QStringLiteral("view"), QVariant::fromValue(static_cast<QObject*>(this))}});
    }
    if (scroll) scroll->verticalScrollBar()->setValue(int(savedScrollPosition_));

    auto* breakout = scroll ? qobject_cast<BreakoutScrollView*>(scroll) : nullptr;
    if (breakout) {
        if (!cells_.empty()) {
            breakout->setHelpText(showSelectedServerOnly_ && height == 0
                                      ? QStringLiteral("select a server")
                                      : QString());
        } else if (isBreakout_) {
            if (target_ && target_->serversCount() == 0) {
                if (height > 0) update();
                return;
            }
            breakout->setHelpText(showSelectedServerOnly_
                                      ? QStringLiteral("select a server")
                                      : QStringLiteral("drag/drop servers here.\nThen drag/drop "
                                                       "server layers.\nThen right-click for "
                                                       "outputs/mixes"));
        } else {
            breakout->setHelpText(QStringLiteral("click Edit Servers\nto begin"));
        }
    }
    if (height > 0) update();
}

bool KeloStatusView::performUpdate() {
    bool rebuild = false;
    bool changed = false;
    for (KeloRemoteCell* cell : cells_) {
        if (cell->update()) changed = true;
        if (!singleCell_ && !cell->keloObject()) rebuild = true;
    }
    if (rebuild || needsLayout_) {
        needsLayout_ = false;
        createCellArray();
        reloadData();
        return true;
    }
    if (changed) {
        reloadData();
        return true;
    }
    return false;
}

KeloRemoteCell* KeloStatusView::cellAtIndex(int index) const {
    if (index < 0 || index >= int(cells_.size())) return nullptr;
    return cells_[size_t(index)];
}

KeloRemoteCell* KeloStatusView::cellAtPoint(const QPointF& point, int* index, int* part) const {
    for (size_t i = 0; i < cells_.size(); ++i) {
        const QRectF f = cells_[i]->frame();
        if (point.x() >= f.left() && point.x() < f.right() && point.y() >= f.top() &&
            point.y() < f.bottom()) {
            if (index) *index = int(i);
            if (part) *part = cells_[i]->clickedPart(point);
            return cells_[i];
        }
    }
    if (index) *index = -1;
    if (part) *part = -1;
    return nullptr;
}

void KeloStatusView::changeSelection(int index, int part) {
    if (index >= 0 && index == selectedItem_ && part == selectedPart_) return;
    selectedPart_ = part;
    setSelectedItem(index);
    if (target_) target_->statusViewSelectionChanged(this);
}

void KeloStatusView::setSelectedItem(int item) {
    if (item == selectedItem_) return;
    selectedItem_ = item;
    update();
}

void KeloStatusView::setPixMapSessionItem(int item) {
    if (item == pixMapSessionItem_) return;
    pixMapSessionItem_ = item;
    for (KeloRemoteCell* cell : cells_) cell->setAllDirty();
    update();
}

void KeloStatusView::removeKeloObject(const KeloObject* kelo) {
    for (int i = int(cells_.size()) - 1; i >= 0; --i) {
        if (cells_[size_t(i)]->keloObject() != kelo) continue;
        if (dataSource_ && i < dataSource_->size()) dataSource_->removeAt(i);
        cells_.erase(cells_.begin() + i);
    }
    std::erase_if(ownedCells_, [this](const std::unique_ptr<KeloRemoteCell>& owned) {
        return std::find(cells_.begin(), cells_.end(), owned.get()) == cells_.end();
    });
    changeSelection(-1, 0);
}

void KeloStatusView::removeItemAtIndex(int index) {
    if (index < 0 || index >= int(cells_.size())) return;
    if (dataSource_ && index < dataSource_->size()) dataSource_->removeAt(index);
    KeloRemoteCell* cell = cells_[size_t(index)];
    cells_.erase(cells_.begin() + index);
    std::erase_if(ownedCells_, [cell](const auto& owned) { return owned.get() == cell; });
    reloadData();
    commitBreakoutChange();
}

void KeloStatusView::placeDescription(const QVariantMap& description, int dropIndex) {
    if (!dataSource_) return;
    const int existing = int(dataSource_->indexOf(description));
    if (existing >= 0) {
        const int to = std::min(dropIndex, int(dataSource_->size()) - 1);
        if (to == existing) return;
        dataSource_->move(existing, to);
        if (existing < int(cells_.size()) && to < int(cells_.size())) {
            KeloRemoteCell* cell = cells_[size_t(existing)];
            cells_.erase(cells_.begin() + existing);
            cells_.insert(cells_.begin() + to, cell);
        }
        return;
    }
    const int at = std::clamp(dropIndex, 0, int(dataSource_->size()));
    dataSource_->insert(at, description);
    std::unique_ptr<KeloRemoteCell> cell =
        target_ ? target_->createCellForDescription(description, isBreakout_, this) : nullptr;
    if (cell) {
        cells_.insert(cells_.begin() + std::min(at, int(cells_.size())), cell.get());
        ownedCells_.push_back(std::move(cell));
    }
}

void KeloStatusView::finishPlacement() {
    reloadData();
    changeSelection(-1, 0);
    commitBreakoutChange();
}

void KeloStatusView::commitBreakoutChange() {
    // A breakout column's list is a copy of the layout's: the layout hears of
    // every change at once, or the next rebuild from it would undo the change.
    if ((showSelectedServerOnly_ || isBreakout_) && target_)
        target_->commitSelectedServerOnlyOrdering();
}

void KeloStatusView::addItem(uint32_t kind, int number, const KeloObject* kelo,
                             const QString& subName) {
    if (!kelo) return;
    QVariantMap description{{QStringLiteral("name"), kelo->name()}};
    if (kind == 0x8000)
        description.insert(QStringLiteral("layer"), number);
    else if ((kind & 0xFFFF) == 0x2000)
        description.insert(QStringLiteral("mix"), number);
    else if ((kind & 0xFFFF) == 0x4000)
        description.insert(QStringLiteral("DMX_Master"), number);
    if (!subName.isEmpty()) description.insert(QStringLiteral("subName"), subName);
    placeDescription(description, dataSource_ ? int(dataSource_->size()) : 0);
    finishPlacement();
}

bool KeloStatusView::isEmpty() const {
    return !dataSource_ || std::none_of(dataSource_->begin(), dataSource_->end(), isNonEmpty);
}

void KeloStatusView::setNeedsDisplayInRect(const QRectF& rect) {
    update(rect.toAlignedRect());
}

void KeloStatusView::displayRectIgnoringOpacity(const QRectF& rect) {
    repaint(rect.toAlignedRect());
}

bool KeloStatusView::hasWindow() const {
    return isVisible();
}

QRectF KeloStatusView::visibleRect() const {
    return QRectF(visibleRegion().boundingRect());
}

void KeloStatusView::addToolTipForRect(const QRectF& rect, const QRectF& frame,
                                       KeloRemoteCell* cell) {
    const float y = float(frame.y() + frame.height() - rect.y() - rect.height());
    toolTips_.push_back(
        {QRectF(rect.x() + frame.x(), double(y), rect.width(), rect.height()), cell});
}

QString KeloStatusView::toolTipAt(const QPointF& point) const {
    for (const ToolTipRect& tip : toolTips_)
        if (tip.rect.contains(point) &&
            std::find(cells_.begin(), cells_.end(), tip.cell) != cells_.end())
            return tip.cell->toolTipForPoint(point);
    return QString();
}

QByteArray KeloStatusView::dragData(int index, const KeloRemoteCell* cell, int part) {
    QVariantMap data{{QStringLiteral("idx"), index}, {QStringLiteral("part"), part}};
    if (cell) {
        QString key;
        int number = 0;
        cell->getTypeKey(&key, &number);
        data.insert(key, number);
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << data;
    return bytes;
}

void KeloStatusView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A tick marks many small parts: fill and draw only what the region holds.
    const QRegion& region = event->region();
    for (const QRect& r : region) painter.fillRect(r, attributes_->bgColour());
    for (size_t i = 0; i < cells_.size(); ++i) {
        KeloRemoteCell* cell = cells_[i];
        cell->setSelected(int(i) == selectedItem_);
        cell->setPixMapSession(int(i) == pixMapSessionItem_);
        if (!region.intersects(cell->frame().toAlignedRect())) continue;
        cell->drawWithFrame(painter, cell->frame(), this);
    }
    paintThumbLayers(painter, QRectF(event->rect()));
}

bool KeloStatusView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void KeloStatusView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    clickPt_ = event->position();
    KeloRemoteCell* cell = cellAtPoint(clickPt_, &clickedItem_, &clickedPart_);
    dragging_ = false;
    trackingMouse_ = cell != nullptr;
    changeSelection(clickedItem_, clickedPart_);
}

void KeloStatusView::mouseReleaseEvent(QMouseEvent* event) {
    (void)event;
    trackingMouse_ = false;
}

void KeloStatusView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    if (trackingMouse_ && (event->buttons() & Qt::LeftButton) && !dragging_ &&
        (std::abs(point.x() - clickPt_.x()) > 10 || std::abs(point.y() - clickPt_.y()) > 10)) {
        dragging_ = true;
        startDrag(point);
        return;
    }
    updateInfoBar(point);
}

void KeloStatusView::leaveEvent(QEvent* event) {
    (void)event;
    if (auto* window = dynamic_cast<ToolTipWindowProtocol*>(this->window()))
        if (!window->toolTipInfo(nullptr).isNull()) window->setToolTipInfo(QString(), QColor());
}

void KeloStatusView::updateInfoBar(const QPointF& point) {
    auto* window = dynamic_cast<ToolTipWindowProtocol*>(this->window());
    if (!window) return;
    int index = -1;
    KeloRemoteCell* cell = cellAtPoint(point, &index, nullptr);
    const QString text = cell ? cell->toolTipForPoint(point) : QString();
    if (text.contains(QLatin1String("subnet")))
        window->setToolTipInfo(text, attributes_->redStateColour());
    else
        window->setToolTipInfo(QString(), QColor());
}

void KeloStatusView::startDrag(const QPointF& point) {
    KeloRemoteCell* cell = cellAtIndex(clickedItem_);
    if (!cell) return;
    const QRectF part = cell->cellRectForPart(clickedPart_);
    const QRectF f = cell->frame();
    QRectF place(f.x() + part.x(), f.y() + f.height() - part.y() - part.height(), part.width(),
                 part.height());
    if (!(part.width() > 0)) place = f;
    auto* mime = new QMimeData;
    mime->setData(mimeType(), dragData(clickedItem_, cell, clickedPart_));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QImage image = cell->imageForDragging(0.7f, part);
    if (!image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(image));
        drag->setHotSpot((clickPt_ - place.topLeft()).toPoint());
    }
    (void)point;
    drag->exec(Qt::CopyAction);
    trackingMouse_ = false;
}

void KeloStatusView::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
        case Qt::Key_Up:
            step = -numColumns_;
            break;
        case Qt::Key_Down:
            step = numColumns_;
            break;
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Right:
            step = 1;
            break;
        default:
            return QWidget::keyPressEvent(event);
    }
    if (step == 0) return QWidget::keyPressEvent(event);
    if (selectedItem_ < 0 || cells_.empty()) return;
    const int index = std::clamp(selectedItem_ + step, 0, int(cells_.size()) - 1);
    changeSelection(index, -1);
}

void KeloStatusView::contextMenuEvent(QContextMenuEvent* event) {
    cellAtPoint(event->pos(), &menuItem_, &menuPart_);
    QMenu* menu = target_ ? target_->menuForEvent(event, this) : nullptr;
    if (!menu) return;
    if (QAction* chosen = menu->exec(event->globalPos())) target_->actionForMenuItem(chosen, this);
}

void KeloStatusView::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasFormat(mimeType())) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void KeloStatusView::dropEvent(QDropEvent* event) {
    auto* source = qobject_cast<KeloStatusView*>(event->source());
    if (!performDragOperation(event->mimeData()->data(mimeType()), event->position(), source))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool KeloStatusView::performDragOperation(const QByteArray& bytes, const QPointF& point,
                                          KeloStatusView* source) {
    QVariantMap data;
    QDataStream stream(bytes);
    stream >> data;
    if (stream.status() != QDataStream::Ok) return false;
    int dropIndex = -1;
    cellAtPoint(point, &dropIndex, nullptr);
    if (dropIndex < 0) dropIndex = dataSource_ ? int(dataSource_->size()) : 0;

    QString key;
    int number = 0;
    const int part = data.value(QStringLiteral("part")).toInt();
    if (part != 0) {
        key = QStringLiteral("layer");
        number = part;
    }
    QString name;
    QString subName;
    if (source) {
        const KeloRemoteCell* cell = source->cellAtIndex(data.value(QStringLiteral("idx")).toInt());
        if (cell && cell->keloObject()) {
            name = cell->keloObject()->name();
            subName = cell->subName();
            if (part == 0 && source->isBreakout()) cell->getTypeKey(&key, &number);
        }
    }
    // A monitor pane only reorders its own cells.
    if (!isBreakout_ && source != this) return false;
    if (name.isEmpty()) return false;
    QVariantMap description{{QStringLiteral("name"), name}};
    if (number >= 1 && !key.isEmpty()) description.insert(key, number);
    if (!subName.isEmpty()) description.insert(QStringLiteral("subName"), subName);
    placeDescription(description, dropIndex);
    finishPlacement();
    return true;
}
