#include "settings/KlCopyingControls.h"

#include "hud/cells/HUDButtonCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "settings/KlRemoteControlListView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

QColor darkerRowColour(int parity) {
    const QColor c = HUDThemeKelo::instance()->alternatingRowColor(parity);
    return QColor::fromRgbF(c.redF() * 0.7f, c.greenF() * 0.7f, c.blueF() * 0.7f, c.alphaF());
}

}  // namespace

KlCopyingControls::KlCopyingControls(KlRemoteControlListView* left, KlRemoteControlListView* right,
                                     QWidget* parent)
    : QWidget(parent),
      left_(left),
      right_(right),
      copyToLeftButtonCell_(newListButtonCell()),
      copyToRightButtonCell_(newListButtonCell()) {
    setMouseTracking(true);
    setFixedWidth(kCopyStripWidth);
    QFont font = QApplication::font();
    font.setPointSize(setupLayout().fontSize);
    copyToLeftButtonCell_->setTitle(QString(QChar(0x2190)) + QStringLiteral("apply"));
    copyToRightButtonCell_->setTitle(QStringLiteral("apply") + QString(QChar(0x2192)));
    for (HUDButtonCell* cell : {copyToLeftButtonCell_.get(), copyToRightButtonCell_.get()}) {
        cell->setFont(font);
        cell->setControlSize(0);
    }
}

KlCopyingControls::~KlCopyingControls() = default;

QString KlCopyingControls::keyAt(const QPointF& at) const {
    return left_->prefAtLocation(at);
}

void KlCopyingControls::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRectF dirty = event->rect();
    KlRemoteControlList* list = left_->list();
    drawnButtonRows_ = 0;
    if (!list->dictionary() || !right_->list()->dictionary()) return;
    const auto& rows = left_->rows();
    const bool pressing = QApplication::mouseButtons() & Qt::LeftButton;
    for (int i = std::max(0, left_->rowAt(dirty.top())); i >= 0 && i < int(rows.size()); ++i) {
        const auto& row = rows[size_t(i)];
        if (row.y >= dirty.bottom()) break;
        p.fillRect(QRectF(0, row.y, width(), row.height), darkerRowColour(i & 1));
        if (row.header || !list->canCopyLeftSideToRightSide(row.key)) continue;
        ++drawnButtonRows_;
        const auto draw = [&](HUDButtonCell& cell, const QRectF& rect) {
            const QRectF at = rect.translated(0, row.y);
            const bool inside = at.contains(currentMousePt_);
            cell.setMouseInside(inside);
            const bool pressed = inside && pressing && mouseDownKey_ == row.key && at.contains(mouseDownPt_);
            cell.setHighlighted(pressed);
            cell.drawWithFrame(p, at, this);
        };
        draw(*copyToLeftButtonCell_, copyToLeftRect_);
        draw(*copyToRightButtonCell_, copyToRightRect_);
    }
}

void KlCopyingControls::mouseMoveEvent(QMouseEvent* event) {
    currentMousePt_ = event->position();
    const bool left = insideX(copyToLeftRect_, currentMousePt_.x());
    const bool right = insideX(copyToRightRect_, currentMousePt_.x());
    const QString key = keyAt(currentMousePt_);
    if (key == mouseHoverKey_ && left == hoverCopyLeft_ && right == hoverCopyRight_) {
        if (!mouseDownKey_.isEmpty()) update();
        return;
    }
    hoverCopyLeft_ = left;
    hoverCopyRight_ = right;
    mouseHoverKey_ = left || right ? key : QString();
    update();
    left_->list()->updateHelpTextForKey(mouseHoverKey_, left, right);
}

void KlCopyingControls::leaveEvent(QEvent*) {
    if (mouseHoverKey_.isEmpty()) return;
    mouseHoverKey_.clear();
    hoverCopyLeft_ = hoverCopyRight_ = false;
    left_->list()->updateHelpTextForKey(QString(), false, false);
    update();
}

void KlCopyingControls::mousePressEvent(QMouseEvent* event) {
    if (left_->list()->otherSide()->cannotCompareOrEdit() || event->button() != Qt::LeftButton)
        return;
    mouseDownKey_.clear();
    mouseDownPt_ = currentMousePt_ = event->position();
    const QString key = keyAt(mouseDownPt_);
    if (key.isEmpty()) return;
    if (!insideX(copyToLeftRect_, mouseDownPt_.x()) && !insideX(copyToRightRect_, mouseDownPt_.x()))
        return;
    if (!left_->list()->canCopyLeftSideToRightSide(key)) return;
    mouseDownKey_ = key;
    update();
}

void KlCopyingControls::mouseReleaseEvent(QMouseEvent* event) {
    const QString key = std::exchange(mouseDownKey_, QString());
    update();
    if (key.isEmpty()) return;
    const QPointF at = event->position();
    // Either server may have gone while the button was held.
    if (keyAt(at) != key || !left_->list()->canCopyLeftSideToRightSide(key)) return;
    if (insideX(copyToLeftRect_, at.x()) && insideX(copyToLeftRect_, mouseDownPt_.x()))
        left_->list()->copyToLeftSide(key);
    else if (insideX(copyToRightRect_, at.x()) && insideX(copyToRightRect_, mouseDownPt_.x()))
        left_->list()->copyToRightSide(key);
}
