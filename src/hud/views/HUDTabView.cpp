#include "hud/views/HUDTabView.h"

#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeManager.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>

namespace {
constexpr double kRadius = 5;
}  // namespace

// Draws every tab through the tab view, and tells it which tab is pressed.
class HUDTabBar : public QTabBar {
public:
    explicit HUDTabBar(HUDTabView* view) : QTabBar(view), view_(view) { setDrawBase(false); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < count(); ++i) {
            const int state = i == view_->pressedTab_ ? kPressedTab
                              : i == currentIndex()   ? kSelectedTab
                                                      : kBackgroundTab;
            const QRectF rect(tabRect(i));
            view_->drawThemeTab(painter, i, state, rect);
            if (HUDTabViewItem* item = view_->tabViewItem(i)) {
                const QFont font = view_->font();
                item->drawLabel(painter, rect.adjusted(6, 2, -6, -2),
                                view_->controlSize_ != 0 ? &font : nullptr);
            }
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        view_->pressedTab_ = tabAt(event->position().toPoint());
        update();
        QTabBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        view_->pressedTab_ = -1;
        update();
        QTabBar::mouseReleaseEvent(event);
    }

private:
    HUDTabView* view_;
};

HUDTabView::HUDTabView(QWidget* parent)
    : QTabWidget(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    setTabBar(new HUDTabBar(this));
    setDocumentMode(true);
}

HUDTabView::~HUDTabView() = default;

void HUDTabView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    setAttribute(Qt::WA_OpaquePaintEvent, color.isValid());
    update();
}

int HUDTabView::addTabViewItem(std::unique_ptr<HUDTabViewItem> item, QWidget* page) {
    const int index = addTab(page, item->label());
    items_.insert(items_.begin() + index, std::move(item));
    return index;
}

HUDTabViewItem* HUDTabView::tabViewItem(int index) const {
    return index >= 0 && index < int(items_.size()) ? items_[size_t(index)].get() : nullptr;
}

bool HUDTabView::isVertical() const {
    return tabPosition() == QTabWidget::West || tabPosition() == QTabWidget::East;
}

QRectF HUDTabView::contentBox() const {
    const QRectF bounds(rect());
    QRectF box = bounds.adjusted(8, 10, -8, -10);
    box.setTop(box.top() + (controlSize_ == 0 ? 6 : 2));
    // Down to one point below the pages.
    const QWidget* pages = findChild<QStackedWidget*>();
    const double contentBottom = pages ? pages->geometry().bottom() + 1.0 : bounds.bottom();
    box.setBottom(contentBottom + 1);
    return box;
}

void HUDTabView::drawBackground(QPainter& painter, const QRectF& dirty) {
    if (!backgroundColor_.isValid()) return;
    HUDTheme* t = theme(this);
    painter.fillRect(dirty, backgroundColor_);
    const QRectF box = contentBox();
    if (box.contains(dirty)) {
        painter.fillRect(dirty & box, t->boxFillColor());
        return;
    }
    painter.save();
    painter.setClipRect(dirty);
    QPainterPath rounded;
    rounded.addRoundedRect(box, 2, 2);
    painter.setClipPath(rounded, Qt::IntersectClip);
    painter.fillPath(rounded, t->boxFillColor());
    painter.setPen(QPen(t->darkStrokeColor(), 1));
    painter.drawLine(QPointF(box.left() + 0.5, box.top() + 2),
                     QPointF(box.left() + 0.5, box.bottom()));
    painter.drawLine(QPointF(box.right() - 0.5, box.top() + 2),
                     QPointF(box.right() - 0.5, box.bottom()));
    painter.restore();
}

QPainterPath HUDTabView::tabPath(int index, const QRectF& tab, bool* plainRectangle) const {
    const QRectF r = tab.adjusted(0.5, 0.5, -0.5, -0.5);
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const int last = count() - 1;
    const QRectF corner(0, 0, 2 * kRadius, 2 * kRadius);
    QPainterPath path;
    *plainRectangle = false;
    if (count() == 1) {
        path.addRoundedRect(r, kRadius, kRadius);
    } else if (index == 0) {
        // The outer end rounded: the left end, or the top of a stack.
        if (isVertical()) {
            path.moveTo(x + w, y + h);
            path.lineTo(x, y + h);
            path.lineTo(x, y + kRadius);
            path.arcTo(corner.translated(x, y), 180, -90);
            path.lineTo(x + w - kRadius, y);
            path.arcTo(corner.translated(x + w - 2 * kRadius, y), 90, -90);
        } else {
            path.moveTo(x + w, y);
            path.lineTo(x + w, y + h);
            path.lineTo(x + kRadius, y + h);
            path.arcTo(corner.translated(x, y + h - 2 * kRadius), 270, -90);
            path.lineTo(x, y + kRadius);
            path.arcTo(corner.translated(x, y), 180, -90);
        }
        path.closeSubpath();
    } else if (index == last) {
        if (isVertical()) {
            path.moveTo(x + w, y - 1);
            path.lineTo(x, y - 1);
            path.lineTo(x, y + h - kRadius);
            path.arcTo(corner.translated(x, y + h - 2 * kRadius), 180, 90);
            path.lineTo(x + w - kRadius, y + h);
            path.arcTo(corner.translated(x + w - 2 * kRadius, y + h - 2 * kRadius), 270, 90);
        } else {
            path.moveTo(x - 1, y);
            path.lineTo(x - 1, y + h);
            path.lineTo(x + w - kRadius, y + h);
            path.arcTo(corner.translated(x + w - 2 * kRadius, y + h - 2 * kRadius), 270, 90);
            path.lineTo(x + w, y + kRadius);
            path.arcTo(corner.translated(x + w - 2 * kRadius, y), 0, 90);
        }
        path.closeSubpath();
    } else {
        // A middle tab reaches half a point back toward the previous one.
        path.addRect(isVertical() ? QRectF(x, y - 0.5, w, h + 0.5)
                                  : QRectF(x - 0.5, y, w + 0.5, h));
        *plainRectangle = true;
    }
    return path;
}

void HUDTabView::drawThemeTab(QPainter& painter, int index, int state, const QRectF& rect) {
    HUDTheme* t = theme(this);
    const double angle = tabPosition() == QTabWidget::West   ? 0
                         : tabPosition() == QTabWidget::East ? 180
                                                             : 90;
    const HUDTabViewItem* item = tabViewItem(index);
    QColor fill;
    QColor outline;
    if (item && item->color().isValid()) {
        if (item->color() == QColor(Qt::black)) {
            fill = item->color();
        } else {
            outline = item->color();
        }
    }
    bool plain = false;
    const QPainterPath path = tabPath(index, rect, &plain);
    if (fill.isValid()) {
        painter.fillPath(path, fill);
    } else {
        const HUDGradient gradient = state == kBackgroundTab ? t->normalGradient()
                                     : state == kPressedTab  ? t->pressureGradient()
                                                             : t->pushedGradient();
        gradient.drawInBezierPath(painter, path, angle);
    }
    QColor stroke = t->darkStrokeColor();
    if (index == 0 && count() > 1) stroke = t->darkerStrokeColor();
    if (index == count() - 1 && index != 0 && outline.isValid()) stroke = outline;
    if (count() == 1) stroke = t->darkerStrokeColor();
    painter.setPen(QPen(stroke, 1));
    if (!plain) {
        painter.drawPath(path);
        return;
    }
    // Middle tabs: the edges away from the previous tab.
    const QRectF r = path.boundingRect();
    if (isVertical()) {
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    } else {
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.drawLine(r.bottomLeft(), r.bottomRight());
    }
}

void HUDTabView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    drawBackground(painter, QRectF(event->rect()));
}

QString HUDTabView::description() const {
    const QRect f = geometry();
    return QStringLiteral("<HUDTabView: %1> {{%2, %3}, {%4, %5}}")
        .arg(QString::number(quintptr(this), 16))
        .arg(f.x())
        .arg(f.y())
        .arg(f.width())
        .arg(f.height());
}
