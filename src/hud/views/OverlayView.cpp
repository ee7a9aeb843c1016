#include "hud/views/OverlayView.h"

#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/windows/NSWindow_Additions.h"

#include <QHash>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

QHash<QString, QString>& suppressionDict() {
    static QHash<QString, QString> dict;
    return dict;
}

const QString kDontShowThisAgain = QStringLiteral("Don't show this again");

QColor firstForeground(const AttributedString& text) {
    const TextAttributes attributes = text.attributesAt(0);
    return attributes.foreground.value_or(QColor(Qt::white));
}

}  // namespace

OverlayTextField::OverlayTextField(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
}

void OverlayTextField::setAttributedStringValue(const AttributedString& value) {
    value_ = value;
    const TextAttributes attributes = value.attributesAt(0);
    if (attributes.font) setFont(*attributes.font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, firstForeground(value));
    setPalette(palette);
    setText(value.string());
}

QColor OverlayView::sDarkMenuFillColor() {
    static const QColor color(0, 0, 0, 204);
    return color;
}

QColor OverlayView::sDarkMenuStrokeColor() {
    static const QColor color(255, 255, 255, 204);
    return color;
}

QColor OverlayView::sDarkMenuStrokeColor2() {
    static const QColor color(255, 255, 255, 128);
    return color;
}

QColor OverlayView::sDarkButtonColor() {
    static const QColor color = colorWithContrastWhite(48.0 / 255.0, 1.0);
    return color;
}

bool OverlayView::isSuppressed(const QString& text) {
    return suppressionDict().contains(text);
}

OverlayView::OverlayView(const QRect& frame, QWidget* parentWindow)
    : QWidget(parentWindow, Qt::Tool | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(frame.size());
}

OverlayView::~OverlayView() {
    if (timer_) timer_->stop();
}

OverlayView* OverlayView::addOverlayViewWithTitle(const QString& text, QWidget* view) {
    if (text.isNull()) return nullptr;
    return build(text, attrStringWithColor(text, defaultTextColor()), view);
}

OverlayView* OverlayView::addOverlayViewWithTitle(const AttributedString& text, QWidget* view) {
    if (text.string().isNull()) return nullptr;
    return build(text.string(), text, view);
}

OverlayView* OverlayView::build(const QString& plain, const AttributedString& display,
                                QWidget* view) {
    if (!view) return nullptr;
    QWidget* parentWindow = view->window();
    if (!parentWindow || parentWindow == view) return nullptr;
    if (suppressionDict().contains(plain)) return nullptr;

    auto* field = new OverlayTextField;
    field->setAttributedStringValue(display);
    field->adjustSize();
    if (display.length() >= 81 && field->width() < 500) field->resize(500, field->height());

    QWidget* content = field;
    if (field->height() > 200) {
        // Tall messages scroll inside a fixed-height pane.
        auto* scroll = new QScrollArea;
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll->setWidgetResizable(false);
        scroll->viewport()->setAutoFillBackground(false);
        scroll->setStyleSheet(QStringLiteral("background: transparent;"));
        scroll->resize(field->width() + 50, 200);
        scroll->setWidget(field);
        content = scroll;
    }

    const QSize size(content->width() + 24, content->height() + 72);
    auto* overlay = new OverlayView(QRect(QPoint(0, 0), size), parentWindow);
    content->setParent(overlay);
    // Message 56 points above the bottom edge, 16 below the top.
    content->move(12, 16);
    content->show();

    overlay->placeRelativeToView(view);
    overlay->show();
    overlay->raise();
    overlay->activateWindow();
    return overlay;
}

void OverlayView::placeRelativeToView(QWidget* view) {
    QWidget* parentWindow = view->window();
    const QPoint origin = view->mapToGlobal(QPoint(0, 0));
    const QRect parentFrame(parentWindow->mapToGlobal(QPoint(0, 0)), parentWindow->size());
    const int x = origin.x() + static_cast<int>(view->width() * 0.5);
    int top;
    if (view->height() > parentFrame.height() - 50 && view->width() > parentFrame.width() - 10) {
        top = origin.y() + 25;
    } else {
        // Below what is visible of the view (all of it while hidden).
        const QRect visible = view->visibleRegion().boundingRect();
        top = origin.y() +
              (view->isVisible() && !visible.isEmpty() ? visible.bottom() + 1 : view->height());
    }
    move(x, top);
}

void OverlayView::showAtTabViewItem(QTabWidget* tabView, int index) {
    if (!tabView || index < 0 || index >= tabView->count()) return;
    QWidget* tabWindow = tabView->window();
    const QPoint origin = tabView->mapToGlobal(QPoint(0, 0));
    const QSize parentSize = tabWindow->size();
    int top;
    if (tabView->height() > parentSize.height() - 50 &&
        tabView->width() > parentSize.width() - 10) {
        top = origin.y() + 25;
    } else {
        top = origin.y() + tabView->height();
    }
    const QRect label = tabView->tabBar()->tabRect(index).translated(tabView->tabBar()->pos());
    const int x = origin.x() + static_cast<int>(label.x() + label.width() * 0.5);
    top += label.height() + 10;
    move(x, top);
}

HUDButton* OverlayView::addButtonWithTitle(const QString& title, qint64 tag, Action action) {
    QList<HUDButton*> buttons;
    for (QObject* child : children()) {
        if (auto* button = qobject_cast<HUDButton*>(child)) buttons.append(button);
    }

    auto* button = new HUDButton(this);
    HUDButtonCell* cell = button->cell();
    cell->setBGButtonType(kHUDTintDark);
    button->setTitle(title);
    if (title == QStringLiteral("Cancel") || title == QStringLiteral("Later")) {
        button->setShortcut(QKeySequence(Qt::Key_Escape));
    }
    cell->setBezelStyle(kTexturedRoundedBezelStyle);
    cell->setBordered(true);
    button->setButtonType(kMomentaryPushInButton);
    cell->setImage(QImage());
    cell->setImagePosition(kNoImage);
    cell->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    cell->setBackgroundColor(sDarkButtonColor());
    button->setProperty("tag", tag);
    if (action) {
        connect(button, &QAbstractButton::clicked, this, [button, action] { action(button); });
    }
    const QSize fit = button->sizeHint();
    button->resize(std::max(fit.width(), 40), std::max(fit.height(), 40));
    button->show();

    if (title == kDontShowThisAgain) {
        buttons.prepend(button);
    } else {
        buttons.append(button);
    }

    QList<QSize> sizes;
    for (HUDButton* b : buttons) sizes.append(b->size());
    int overlayWidth = width();
    const QList<QRect> row = buttonRow(sizes, &overlayWidth, height());
    if (overlayWidth != width()) resize(overlayWidth, height());
    for (int i = 0; i < buttons.size(); ++i) buttons[i]->setGeometry(row[i]);
    update();
    return button;
}

QList<QRect> OverlayView::buttonRow(const QList<QSize>& sizes, int* overlayWidth,
                                    int overlayHeight) {
    int w = 0;
    for (const QSize& size : sizes) w = std::max(w, size.width());
    const int n = static_cast<int>(sizes.size());
    const int needed = w * n + 24 + 20 * (n - 1);
    int spacing = 0;
    if (needed > *overlayWidth) {
        *overlayWidth = needed;
    } else if (*overlayWidth > needed) {
        spacing = (*overlayWidth - needed) / (n + 1);
    }
    // A row 8 points above the bottom edge.
    QList<QRect> row;
    int x = 12;
    for (const QSize& size : sizes) {
        x += spacing;
        row.append(QRect(x, overlayHeight - 8 - size.height(), w, size.height()));
        x += w + 20;
    }
    return row;
}

HUDButton* OverlayView::addOkButton() {
    HUDButton* button =
        addButtonWithTitle(QStringLiteral("OK"), 0, [this](HUDButton*) { dismiss(); });
    button->setShortcut(QKeySequence(Qt::Key_Escape));
    return button;
}

QString OverlayView::messageText() const {
    const OverlayTextField* last = nullptr;
    for (QObject* child : children()) {
        if (auto* field = dynamic_cast<OverlayTextField*>(child)) last = field;
    }
    return last ? last->attributedStringValue().string() : QString();
}

void OverlayView::setShowsSuppressionButton(bool shows) {
    if (!shows) return;
    const QString text = messageText();
    if (text.isNull()) return;
    if (suppressionDict().contains(text)) {
        dismiss();
        return;
    }
    addButtonWithTitle(kDontShowThisAgain, 0, [this](HUDButton*) { dontShowThisAgain(); });
}

void OverlayView::dontShowThisAgain() {
    const QString text = messageText();
    if (text.isNull()) return;
    suppressionDict().insert(text, QStringLiteral("1"));
    dismiss();
}

void OverlayView::dismiss() {
    if (QWidget* parent = parentWidget()) cancelOverlayView(parent);
}

void OverlayView::setTitle(const QString& title) {
    for (QObject* child : children()) {
        if (auto* field = dynamic_cast<OverlayTextField*>(child)) {
            field->setAttributedStringValue(whiteString(title));
        }
    }
    update();
}

void OverlayView::centerInWindow() {
    centerInWindow_ = true;
    QWidget* parent = parentWidget();
    if (!parent) return;
    const QRectF parentFrame(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    const QRectF centred = getCenteredRectNoScaling(parentFrame, width(), height());
    move(static_cast<int>(centred.x()), static_cast<int>(centred.y()));
    update();
}

void OverlayView::flash() {
    if (flashCount_-- < 2) {
        flashCount_ = 0;
        if (timer_) {
            timer_->stop();
            timer_->deleteLater();
        }
        timer_ = nullptr;
    }
    update();
}

void OverlayView::startFlashTimerIfNeeded() {
    if (flashCount_ == 0 || timer_) return;
    timer_ = new QTimer(this);
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, &OverlayView::flash);
    timer_->start();
}

QColor OverlayView::borderColor() const {
    if (flashCount_ == 0) return sDarkMenuStrokeColor();
    return flashCount_ > 0 && (flashCount_ % 2) == 1 ? sDarkMenuStrokeColor2()
                                                     : sDarkMenuStrokeColor();
}

void OverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    // The bubble's top edge is 16 points down, leaving room for the pointer.
    const QRectF r(bounds.x() + 3, bounds.y() + 16, bounds.width() - 6, bounds.height() - 22);
    constexpr qreal kRadius = 6;

    QPainterPath outline;
    if (centerInWindow_) {
        outline.addRoundedRect(r, kRadius, kRadius);
    } else {
        const QRectF corner(0, 0, 2 * kRadius, 2 * kRadius);
        outline.moveTo(r.right() - kRadius, r.top());
        outline.lineTo(r.left() + kRadius, r.top());
        outline.lineTo(r.left(), bounds.top() + 4);
        outline.lineTo(r.left(), r.bottom() - kRadius);
        outline.arcTo(corner.translated(r.left(), r.bottom() - 2 * kRadius), 180, 90);
        outline.lineTo(r.right() - kRadius, r.bottom());
        outline.arcTo(corner.translated(r.right() - 2 * kRadius, r.bottom() - 2 * kRadius), 270,
                      90);
        outline.lineTo(r.right(), r.top() + kRadius);
        outline.arcTo(corner.translated(r.right() - 2 * kRadius, r.top()), 0, 90);
        outline.closeSubpath();
    }

    painter.strokePath(outline, QPen(sDarkMenuFillColor(), 6));
    startFlashTimerIfNeeded();
    painter.strokePath(outline, QPen(borderColor(), 4));
    painter.setClipPath(outline);
    painter.fillPath(outline, sDarkMenuFillColor());
}
