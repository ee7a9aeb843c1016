#include "settings/KeloWarpEditorView.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString kFivePoint = QStringLiteral("fivepoint");
const QString kLinearity = QStringLiteral("linearity");
const QString kSelection = QStringLiteral("selection");

QString pointText(const QPointF& p) {
    return QString::asprintf("%0.3f,%0.3f", p.x(), p.y());
}

}  // namespace

KeloWarpEditorView::KeloWarpEditorView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &KeloWarpEditorView::timerProc);
}

void KeloWarpEditorView::setRadioButtons(QAbstractButton* allPoints, QAbstractButton* fivePoint) {
    allPointsButton_ = allPoints;
    fivePointButton_ = fivePoint;
    for (QAbstractButton* b : {allPoints, fivePoint}) {
        if (!b) continue;
        b->setCheckable(true);
        b->setAutoExclusive(true);
        connect(b, &QAbstractButton::clicked, this, [this] { actionProc(1); });
    }
}

void KeloWarpEditorView::setResetAllButton(QAbstractButton* button) {
    resetAllButton_ = button;
    if (button) connect(button, &QAbstractButton::clicked, this, [this] { actionProc(2); });
}

void KeloWarpEditorView::setDictionary(const QVariantMap& dictionary) {
    dictionary_ = dictionary;
    hasDictionary_ = true;
    setFivePointMode(dictionary_.value(kFivePoint).toString().toInt() != 0);
    const QStringList l = dictionary_.value(kLinearity).toString().split(QLatin1Char(','));
    linearity_ = l.size() >= 2 ? QPointF(l[0].toDouble(), l[1].toDouble()) : QPointF(0.5, 0.5);
    pointCount_ = rows_ * cols_;
    update();
}

void KeloWarpEditorView::setFivePointMode(bool on) {
    const bool allowed = rows_ == 3 && cols_ == 3;
    for (QAbstractButton* b : {allPointsButton_, fivePointButton_})
        if (b) b->setEnabled(allowed);
    fivePointMode_ = allowed && on;
    if (allowed) {
        QAbstractButton* chosen = fivePointMode_ ? fivePointButton_ : allPointsButton_;
        if (chosen) chosen->setChecked(true);
    }
}

QPointF KeloWarpEditorView::defaultPositionForPoint(int cell) const {
    if (cell <= 0 || cols_ <= 0 || rows_ <= 0) return {-1, -1};
    const int column = (cell - 1) % cols_;
    const int row = (cell - 1) / cols_;
    // A single column or row sits in the middle instead of dividing by zero.
    const auto place = [](int i, int count) { return count > 1 ? 2.0 * i / (count - 1) - 1 : 0.0; };
    return {place(column, cols_), place(row, rows_)};
}

QString KeloWarpEditorView::dictionaryKeyForCell(int cell) const {
    if (cell <= 0 || cols_ <= 0) return {};
    return QString::asprintf("%03d.%03d", (cell - 1) % cols_, (cell - 1) / cols_);
}

QPointF KeloWarpEditorView::offsetFor(const QString& key) const {
    const QStringList parts = dictionary_.value(key).toString().split(QLatin1Char(','));
    if (parts.size() < 2) return {};
    return {parts[0].toDouble(), parts[1].toDouble()};
}

QPointF KeloWarpEditorView::pointForCell(int cell) const {
    return defaultPositionForPoint(cell) + offsetFor(dictionaryKeyForCell(cell));
}

void KeloWarpEditorView::setPoint(const QPointF& point, int cell) {
    const QString key = dictionaryKeyForCell(cell);
    if (!key.isEmpty()) dictionary_.insert(key, pointText(point - defaultPositionForPoint(cell)));
}

QPointF KeloWarpEditorView::convertPointForDisplay(const QPointF& point) const {
    return {origin_.x() + pointScale_.width() * point.x(),
            origin_.y() + pointScale_.height() * point.y()};
}

QPointF KeloWarpEditorView::tween(float t, int p1, int p2) const {
    const QPointF a = pointForCell(std::min(p1, p2));
    const QPointF b = pointForCell(std::max(p1, p2));
    return a + double(t) * (b - a);
}

void KeloWarpEditorView::fivePointAdjust() {
    if (isCentre_) {
        linearity_ = {std::clamp(linearity_.x(), 0.0, 1.0), std::clamp(linearity_.y(), 0.0, 1.0)};
        dictionary_.insert(kLinearity, pointText(linearity_));
    }
    const float lx = float(linearity_.x()), ly = float(linearity_.y());
    setPoint(tween(lx, 1, 3), 2);
    setPoint(tween(lx, 7, 9), 8);
    setPoint(tween(ly, 1, 7), 4);
    setPoint(tween(ly, 3, 9), 6);
    setPoint(tween(lx, 4, 6), 5);
}

bool KeloWarpEditorView::validColumn(int column, int row) {
    if (!fivePointMode_) {
        isCentre_ = false;
        return true;
    }
    isCentre_ = column == 1 && row == 1;
    return (column == 1) == (row == 1);
}

void KeloWarpEditorView::changed() {
    emit action(this);
    update();
}

void KeloWarpEditorView::actionProc(int tag) {
    if (tag == 1) {
        setFivePointMode(fivePointButton_ && fivePointButton_->isChecked());
        if (fivePointMode_)
            dictionary_.insert(kFivePoint, QStringLiteral("1"));
        else
            dictionary_.remove(kFivePoint);
    } else if (tag == 2) {
        QVariantMap kept;
        for (const QString& k : {kFivePoint, kSelection})
            if (dictionary_.contains(k)) kept.insert(k, dictionary_.value(k));
        dictionary_ = kept;
        linearity_ = {0.5, 0.5};
    } else {
        return;
    }
    changed();
}

void KeloWarpEditorView::layout() {
    const float w = float(width()), h = float(height());
    const float dx = cols_ > 0 ? std::min(0.1f * w, 0.5f * w / float(cols_)) : 0.1f * w;
    activeRect_ = QRectF(0, 0, w, h).adjusted(dx, 0.1 * h, -dx, -0.1 * h);
    const int c = std::max(cols_, 1), r = std::max(rows_, 1);
    cellSize_ = QSizeF(activeRect_.width() / c, activeRect_.height() / r);
    handleSize_ = std::clamp(float(cellSize_.width()) * 0.125f, 1.0f, 5.0f);
    pointScale_ =
        QSizeF((c - 1) * activeRect_.width() * 0.5 / c, (r - 1) * activeRect_.height() * 0.5 / r);
    origin_ = activeRect_.center();
}

void KeloWarpEditorView::resizeEvent(QResizeEvent*) {
    layout();
}

void KeloWarpEditorView::select(int cell) {
    clickedCell_ = cell;
    selectedKey_ = dictionaryKeyForCell(cell);
    dictionary_.insert(kSelection, QVariantList{selectedKey_});
}

void KeloWarpEditorView::press(const QPointF& at) {
    layout();
    startPt_ = at;
    tracking_ = true;
    dragging_ = false;
    const QRectF& a = activeRect_;
    bool picked = false;
    if (rows_ > 0 && cols_ > 0 && at.x() >= a.left() && at.x() < a.right() && at.y() >= a.top() &&
        at.y() < a.bottom()) {
        const int column = std::min(int((at.x() - a.left()) / cellSize_.width()), cols_ - 1);
        const int row = std::min(int((at.y() - a.top()) / cellSize_.height()), rows_ - 1);
        if (validColumn(column, row)) {
            select(column + row * cols_ + 1);
            picked = true;
        }
    }
    if (!picked) {
        clickedCell_ = 0;
        isCentre_ = false;
        dictionary_.remove(kSelection);
        selectedKey_.clear();
    }
    changed();
    if (picked && !timer_.isActive()) timer_.start();
}

void KeloWarpEditorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hasDictionary_) return;
    clickCount_ = 1;
    press({event->position().x(), height() - event->position().y()});
}

void KeloWarpEditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hasDictionary_) return;
    clickCount_ = 2;
    press({event->position().x(), height() - event->position().y()});
}

void KeloWarpEditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!tracking_) return;
    dragging_ = true;
    shiftHeld_ = event->modifiers() & Qt::ShiftModifier;
    dragDist_ = QPointF(event->position().x(), height() - event->position().y()) - startPt_;
    emit action(this);
}

void KeloWarpEditorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (!dragging_ && clickCount_ >= 2) resetSelected();
    tracking_ = false;
    dragging_ = false;
}

void KeloWarpEditorView::resetSelected() {
    if (selectedKey_.isEmpty()) return;
    dictionary_.remove(selectedKey_);
    if (fivePointMode_) {
        if (isCentre_) linearity_ = {0.5, 0.5};
        fivePointAdjust();
    }
    changed();
}

void KeloWarpEditorView::timerProc() {
    if (!tracking_) {
        timer_.stop();
        return;
    }
    if (!dragging_ || selectedKey_.isEmpty()) return;
    QPointF d = dragDist_;
    if (shiftHeld_) {
        if (std::fabs(d.x()) > std::fabs(d.y()))
            d.setY(0);
        else
            d.setX(0);
    }
    dictionary_.insert(selectedKey_, pointText(offsetFor(selectedKey_) + 0.001 * d));
    if (fivePointMode_) {
        if (isCentre_) linearity_ += 0.001 * d;
        fivePointAdjust();
    }
    changed();
}

void KeloWarpEditorView::keyPressEvent(QKeyEvent* event) {
    const bool command = event->modifiers() & Qt::ControlModifier;
    if (command && event->key() == Qt::Key_R) {
        resetSelected();
        return;
    }
    int dx = 0, dy = 0;
    switch (event->key()) {
        case Qt::Key_Up:
            dy = 1;
            break;
        case Qt::Key_Down:
            dy = -1;
            break;
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (command) {
        const int cell = clickedCell();
        const int column = (cell > 0 ? (cell - 1) % std::max(cols_, 1) : -1) + dx;
        const int row = (cell > 0 ? (cell - 1) / std::max(cols_, 1) : 0) + dy;
        if (column >= 0 && column < cols_ && row >= 0 && row < rows_ && !fivePointMode_) {
            select(column + row * cols_ + 1);
            changed();
        }
        QWidget::keyPressEvent(event);
        return;
    }
    if (clickedCell() <= 0) return;
    const double step = (event->modifiers() & Qt::AltModifier) ? 0.001 : 0.01;
    const QPointF d(dx * step, dy * step);
    setPoint(pointForCell(clickedCell_) + d, clickedCell_);
    if (fivePointMode_) {
        if (isCentre_) linearity_ += d;
        fivePointAdjust();
    }
    changed();
}

void KeloWarpEditorView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), QColor(48, 48, 48));
    if (!hasDictionary_ || rows_ <= 0 || cols_ <= 0) return;
    layout();
    // Rows count from the bottom.
    p.translate(0, height());
    p.scale(1, -1);
    if (clickedCell_ > 0 && clickedCell_ <= pointCount_) {
        const int column = (clickedCell_ - 1) % cols_, row = (clickedCell_ - 1) / cols_;
        p.fillRect(QRectF(activeRect_.left() + column * cellSize_.width(),
                          activeRect_.top() + row * cellSize_.height(), cellSize_.width(),
                          cellSize_.height()),
                   QColor(128, 128, 128));
    }
    p.setPen(QPen(QColor(192, 192, 192), 1));
    p.drawRect(activeRect_);
    for (int i = 1; i < cols_; ++i) {
        const double x = activeRect_.left() + i * cellSize_.width();
        p.drawLine(QPointF(x, activeRect_.top()), QPointF(x, activeRect_.bottom()));
    }
    for (int i = 1; i < rows_; ++i) {
        const double y = activeRect_.top() + i * cellSize_.height();
        p.drawLine(QPointF(activeRect_.left(), y), QPointF(activeRect_.right(), y));
    }
    p.setPen(Qt::NoPen);
    for (int n = 1; n <= pointCount_; ++n) {
        float half = handleSize_;
        if (fivePointMode_ && n % 2 == 0) half /= 2;
        const QPointF c = convertPointForDisplay(pointForCell(n));
        p.fillRect(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half),
                   n == clickedCell_ ? QColor(Qt::yellow) : QColor(Qt::blue));
    }
}
