#include "hud/windows/HUDThemeKeloWindow.h"

#include "foundation/OmLog.h"
#include "graphics/ImageUtilCategory.h"
#include "hud/theme/FPColorPalette.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/windows/FloatingPanelLevels.h"
#include "hud/windows/HUDWindowServices.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/KlThumbTackButtonView.h"
#include "hud/windows/NSWindow_Additions.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/windows/WindowUtilities.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QDrag>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <thread>
#include <utility>

std::atomic<int32_t> gThrottlePercentage{0};
std::atomic<int32_t> gThrottlePercentageIncrement{0};
std::atomic<uint64_t> gDrawStartTime{0};
std::atomic<uint32_t> gNumDrawsSinceStartTime{0};

namespace {

constexpr char kThrottlePercentageKey[] = "ThrottlePercentage";
constexpr char kPinToolTip[] = "Pin window so that the window is always on top";
// The pause that lets other work run once a burst of drawing overran.
constexpr auto kThrottleSleep = std::chrono::microseconds(33000);
// Side of the pin button when the window manager reports no title bar.
constexpr int kDefaultPinSide = 18;

bool sUsingDarkAppearance = false;
bool sIsDragDropInProgress = false;

}  // namespace

void waitIfNeeded(QWidget*) {
    const int32_t p = gThrottlePercentage;
    if (p == 0 || p > 99) return;
    const uint64_t window = uint64_t(p / 2 + 1);
    const uint64_t now = getMicroS() / 1000;
    const uint64_t elapsed = now - gDrawStartTime;
    const uint32_t n = gNumDrawsSinceStartTime++;
    if (elapsed <= window) return;
    if (n < 5 && elapsed <= 3 * window) return;
    std::this_thread::sleep_for(kThrottleSleep);
    gDrawStartTime = getMicroS() / 1000;
    gNumDrawsSinceStartTime = 0;
}

void restartDrawThrottle() {
    gDrawStartTime = getMicroS() / 1000;
    gNumDrawsSinceStartTime = 0;
}

HUDThemeKeloWindow::HUDThemeKeloWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setTitleBarColour(defaultTextColor());
    initAppearance(this);
    setBackground(headerFillColor());
    initThrottlePercentage();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        focusConnection_ = connect(app, &QApplication::focusChanged, this,
                                   [this](QWidget*, QWidget* now) { themeFieldEditor(now); });
    }
}

void HUDThemeKeloWindow::themeFieldEditor(QWidget* editor) {
    if (!editor || editor->window() != this) return;
    auto* object = dynamic_cast<const HUDThemeKeyProtocol*>(editor);
    if (!object) object = dynamic_cast<const HUDThemeKeyProtocol*>(editor->parentWidget());
    if (object) HUDTheme::setupFieldEditorColors(HUDThemeKelo::instance(), editor, this, object);
}

HUDThemeKeloWindow::~HUDThemeKeloWindow() {
    // The base class moves the focus while it deletes the children.
    disconnect(focusConnection_);
}

qint64 HUDThemeKeloWindow::throttlePercentagePreference() {
    UserDefaults& defaults = UserDefaults::standard();
    const QVariant value = defaults.object(kThrottlePercentageKey);
    const int type = value.typeId();
    const bool isNumber = type == QMetaType::Int || type == QMetaType::LongLong ||
                          type == QMetaType::UInt || type == QMetaType::ULongLong ||
                          type == QMetaType::Double || type == QMetaType::Float;
    if (isNumber) {
        // The integer value: reals are truncated, not rounded.
        const bool isReal = type == QMetaType::Double || type == QMetaType::Float;
        const qint64 percentage = isReal ? qint64(value.toDouble()) : value.toLongLong();
        if (percentage >= 5 && percentage <= 100) return percentage;
    }
    defaults.setObject(kThrottlePercentageKey, qint64(100));
    return 100;
}

bool HUDThemeKeloWindow::isUsingDarkAppearance() {
    return sUsingDarkAppearance;
}

const QPalette& HUDThemeKeloWindow::darkPalette() {
    // Made once, on first use. Every role is set, so that nothing of the
    // light default shows through in menus, dialogs and the style's bevels.
    static const QPalette dark = [] {
        const HUDTheme* theme = HUDThemeKelo::instance();
        const QColor text = defaultTextColor();
        const QColor window = headerFillColor();
        const QColor button = normalSolidFill();
        QPalette palette(text, button, button.lighter(140), button.darker(160),
                         button.darker(120), text, Qt::white, textFillColor(), window);
        palette.setColor(QPalette::AlternateBase, boxFillColor());
        palette.setColor(QPalette::ToolTipBase, floatingWindowColor());
        palette.setColor(QPalette::ToolTipText, text);
        palette.setColor(QPalette::PlaceholderText, dimTextColor());
        palette.setColor(QPalette::Highlight, theme->selectionHighlightActiveColor());
        palette.setColor(QPalette::HighlightedText, theme->selectionTextActiveColor());
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         theme->selectionHighlightInActiveColor());
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         theme->selectionTextInActiveColor());
        palette.setColor(QPalette::Link, kFPColorPresetPaletteDimText);
        palette.setColor(QPalette::LinkVisited, kFPColorPresetPaletteDimText.darker(120));
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::WindowText, QPalette::ButtonText, QPalette::HighlightedText})
            palette.setColor(QPalette::Disabled, role, dimTextColor());
        palette.setColor(QPalette::Disabled, QPalette::Button, theme->disabledNormalSolidFill());
        return palette;
    }();
    return dark;
}

void HUDThemeKeloWindow::initAppearance(QWidget* window) {
    if (!window) return;
    sUsingDarkAppearance = true;
    window->setPalette(darkPalette());
}

void HUDThemeKeloWindow::initApplicationAppearance() {
    sUsingDarkAppearance = true;
    QApplication::setPalette(darkPalette());
}

bool HUDThemeKeloWindow::isDragDropInProgress() {
    return sIsDragDropInProgress;
}

Qt::DropAction HUDThemeKeloWindow::dragImage(QDrag* drag, Qt::DropActions actions) {
    sIsDragDropInProgress = true;
    const Qt::DropAction result = drag->exec(actions);
    sIsDragDropInProgress = false;
    return result;
}

void HUDThemeKeloWindow::initThrottlePercentage() {
    if (usesThrottlePercentage_) throttlePercentage_ = throttlePercentagePreference();
    throttlePercentageIncrement_ = gThrottlePercentageIncrement;
}

void HUDThemeKeloWindow::setTitleBarColour(const QColor& colour) {
    titleBarColour_ = colour;
}

void HUDThemeKeloWindow::setBackground(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    setAutoFillBackground(true);
}

bool HUDThemeKeloWindow::performKeyEquivalent(const QKeyEvent* event) {
    if (!zoomDelegate_ || !event || !(event->modifiers() & Qt::ControlModifier)) return false;
    switch (event->key()) {
        case Qt::Key_0:
            return zoomDelegate_->zoomPreviewToFit();
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return zoomDelegate_->zoomPreviewIn();
        case Qt::Key_Minus:
            return zoomDelegate_->zoomPreviewOut();
        default:
            return false;
    }
}

void HUDThemeKeloWindow::addViewNeedingDisplay(QWidget* view) {
    if (!view) return;
    for (const QPointer<QWidget>& v : viewsNeedingDisplay_) {
        if (v == view) return;
    }
    viewsNeedingDisplay_.append(view);
}

void HUDThemeKeloWindow::displayIfNeeded() {
    const QList<QPointer<QWidget>> views = std::exchange(viewsNeedingDisplay_, {});
    for (const QPointer<QWidget>& view : views) {
        if (!view) continue;
        const QRect visible = view->visibleRegion().boundingRect();
        if (visible.width() != 0) view->repaint(visible);
    }
}

QString HUDThemeKeloWindow::toolTipInfo(QColor* color) const {
    if (color) *color = toolTipColor_;
    return toolTipInfo_;
}

void HUDThemeKeloWindow::setToolTipInfo(const QString& info, const QColor& color) {
    toolTipInfo_ = info;
    toolTipColor_ = color;
    if (delegate_) delegate_->updateInfoBar(this);
}

void HUDThemeKeloWindow::setIsPanel(bool panel) {
    isPanel_ = panel;
    if (panel) FloatingPanelLevels::install();
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == panel) return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, panel);
    // Changing the flags hides a shown window.
    if (wasVisible) show();
}

void HUDThemeKeloWindow::appDeactivating() {
    if (!isPanel_) return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    if (wasVisible) {
        // Stay above the main window while not floating over other programs.
        if (QWidget* main = HUDWindowServices::shared().klWindow(); main && main != this)
            main->raise();
        show();
        raise();
    }
}

void HUDThemeKeloWindow::appActivating() {
    if (!isPanel_ || (windowFlags() & Qt::WindowStaysOnTopHint)) return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (wasVisible) show();
}

bool HUDThemeKeloWindow::cancelOperation() {
    if (cancelOverlayView(this)) return true;
    if (isPanel_ && !escKeyDoesNotCancelPanel_) {
        hide();
        return true;
    }
    return false;
}

namespace {

QString frameKey(const QString& name) {
    return QStringLiteral("NSWindow Frame %1").arg(name);
}

}  // namespace

void HUDThemeKeloWindow::saveFrameUsingName(const QString& name) const {
    if (name.isEmpty()) return;
    const QRect frame = geometry();
    UserDefaults::standard().setObject(frameKey(name), QStringLiteral("%1 %2 %3 %4")
                                                           .arg(frame.x())
                                                           .arg(frame.y())
                                                           .arg(frame.width())
                                                           .arg(frame.height()));
}

bool HUDThemeKeloWindow::setFrameUsingName(const QString& name) {
    if (name.isEmpty()) return false;
    const QStringList parts =
        UserDefaults::standard().string(frameKey(name)).split(' ', Qt::SkipEmptyParts);
    if (parts.size() != 4) return false;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toInt(&ok);
        if (!ok) return false;
    }
    if (values[2] <= 0 || values[3] <= 0) return false;
    setGeometry(values[0], values[1], values[2], values[3]);
    moveWindowsToVisibleScreen(this, true);
    return true;
}

KlThumbTackButtonView* HUDThemeKeloWindow::thumbTackButtonView() const {
    return findChild<KlThumbTackButtonView*>(QString(), Qt::FindDirectChildrenOnly);
}

QString HUDThemeKeloWindow::alwaysOnTopAutosaveName() const {
    if (frameAutosaveName_.isNull()) return QString();
    return QStringLiteral("isAlwaysOnTop %1").arg(frameAutosaveName_);
}

bool HUDThemeKeloWindow::isPinnable() const {
    KlThumbTackButtonView* button = thumbTackButtonView();
    return !button || !button->isHidden();
}

namespace {

// A drawing pin seen from the side, in the dim text colour.
QImage thumbTackImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(side / 16.0, side / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(dimTextColor());
    p.drawRoundedRect(QRectF(5, 2, 6, 2), 1, 1);
    p.drawRect(QRectF(6.5, 4, 3, 4));
    p.drawRoundedRect(QRectF(3.5, 8, 9, 2), 1, 1);
    p.setPen(QPen(dimTextColor(), 1));
    p.drawLine(QPointF(8, 10), QPointF(8, 15));
    return image;
}

}  // namespace

KlThumbTackButtonView* HUDThemeKeloWindow::makeThumbTackButton() {
    if (KlThumbTackButtonView* existing = thumbTackButtonView()) return existing;
    const int titleHeight = heightOfTitleBar(this);
    const int side = titleHeight > 0 ? titleHeight : kDefaultPinSide;
    auto* button = new KlThumbTackButtonView(this);
    button->setAutoRaise(true);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(kPinToolTip);
    const QImage image = thumbTackImage(side);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal, QIcon::Off);
    icon.addPixmap(QPixmap::fromImage(tintedImageWithColor(image, Qt::white, false)), QIcon::Normal,
                   QIcon::On);
    button->setIcon(icon);
    button->setIconSize(QSize(side, side));
    button->setFixedSize(side, side);
    button->setStyleSheet("border: none; background: transparent;");
    connect(button, &QToolButton::clicked, this, &HUDThemeKeloWindow::thumbTackClicked);
    placeThumbTackButton();
    button->raise();
    return button;
}

void HUDThemeKeloWindow::placeThumbTackButton() {
    KlThumbTackButtonView* button = thumbTackButtonView();
    if (!button) return;
    button->move(width() - (button->width() + 5), 0);
}

void HUDThemeKeloWindow::setPinnable(bool pinnable) {
    KlThumbTackButtonView* button = makeThumbTackButton();
    button->setVisible(pinnable);
    if (!pinnable) return;
    const QString key = alwaysOnTopAutosaveName();
    const bool onTop = key.isNull() ? true : UserDefaults::standard().boolValue(key);
    setIsAlwaysOnTop(onTop);
}

void HUDThemeKeloWindow::setIsAlwaysOnTop(bool onTop) {
    if (onTop != isAlwaysOnTop()) {
        const QString key = alwaysOnTopAutosaveName();
        if (!key.isNull()) UserDefaults::standard().setObject(key, onTop);
        setBackground(onTop ? floatingWindowColor() : headerFillColor());
        setIsPanel(onTop);
        // Only show the button: re-reading the stored state here would pin a
        // window without an autosave name again the moment it is unpinned.
        makeThumbTackButton()->setVisible(true);
    }
    if (KlThumbTackButtonView* button = thumbTackButtonView()) button->setChecked(onTop);
}

void HUDThemeKeloWindow::thumbTackClicked(bool checked) {
    setIsAlwaysOnTop(checked);
}

bool HUDThemeKeloWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) displayIfNeeded();
    return QWidget::event(event);
}

void HUDThemeKeloWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange)
        setTitleBarColour(isActiveWindow() ? defaultTextColor() : dimTextColor());
    QWidget::changeEvent(event);
}

void HUDThemeKeloWindow::keyPressEvent(QKeyEvent* event) {
    if (performKeyEquivalent(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && cancelOperation()) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HUDThemeKeloWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeThumbTackButton();
}

bool HUDThemeKeloWindow::focusNextPrevChild(bool) {
    return false;
}
