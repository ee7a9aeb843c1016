#include "hud/windows/VSeparableController.h"

#include "hud/controls/HUDTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/HUDHeaderView.h"
#include "hud/views/HUDView.h"
#include "hud/views/VNSViewCategory.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/VSeparableView.h"
#include "hud/windows/WindowUtilities.h"
#include "platform/UserDefaults.h"

#include <QSplitter>

namespace {
constexpr int kHeaderHeight = 22;
}  // namespace

VSeparableController::VSeparableController() = default;

std::unique_ptr<VSeparableController> VSeparableController::create() {
    std::unique_ptr<VSeparableController> controller(new VSeparableController);
    controller->createViews();
    return controller;
}

void VSeparableController::createViews() {
    if (baseView_) return;
    auto* base = new VSeparableView(this);
    baseView_ = base;
    headerView_ = new HUDHeaderView(base);
    headerView_->resize(base->width(), kHeaderHeight);
    headerTitle_ = new HUDTextField(headerView_);
    headerTitle_->setGeometry(8, 2, 300, kHeaderHeight - 4);
    // Clicks and drags in the title reach the header.
    headerTitle_->setAttribute(Qt::WA_TransparentForMouseEvents);
    containerView_ = new HUDView(base);
    base->resize(400, 300);
}

VSeparableController::~VSeparableController() {
    cleanup();
}

void VSeparableController::cleanup() {
    if (separateWindow_) {
        separateWindow_->close();
        // The base view belongs to the panel, not to its window.
        if (baseView_ && baseView_->parent() == separateWindow_.get())
            baseView_->setParent(nullptr);
        separateWindow_.reset();
    }
    if (baseView_) delete baseView_.data();
}

QWidget* VSeparableController::getContentView() const {
    if (!containerView_) return nullptr;
    return containerView_->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

void VSeparableController::setHeaderTitleString(const QString& title) {
    headerTitle_->setStringValue(title);
    if (separateWindow_) separateWindow_->setWindowTitle(title);
}

void VSeparableController::setHeaderTitleString(const AttributedString& title) {
    headerTitle_->setAttributedStringValue(title);
    if (separateWindow_) separateWindow_->setWindowTitle(title.string());
}

void VSeparableController::hideHeaderView(bool hide) {
    shouldHideHeaderView_ = hide;
    if (hide && !headerView_->isHidden()) {
        headerView_->hide();
        const QSize size = baseView_->size();
        const int height =
            separateWindow_ ? separateWindow_->height() : size.height() - headerView_->height();
        baseView_->resize(size.width(), height);
        if (separateWindow_) separateWindow_->resize(size.width(), height);
        containerView_->setGeometry(0, 0, size.width(), height);
    } else if (!hide && headerView_->isHidden()) {
        headerView_->show();
        containerView_->setGeometry(0, headerView_->height(), baseView_->width(),
                                    containerView_->height() - headerView_->height());
    }
}

void VSeparableController::addContentView(QWidget* view, int resizing) {
    for (QWidget* child : containerView_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->setParent(nullptr);
        child->deleteLater();
    }
    QRect frame = containerView_->rect();
    const QRect own = view->geometry();
    if (!(resizing & kResizeWidthSizable)) frame.setWidth(own.width());
    if (!(resizing & kResizeHeightSizable)) frame.setHeight(own.height());
    if (!(resizing & kResizeFlexibleRightMargin)) frame.moveLeft(own.x());
    if (!(resizing & kResizeFlexibleBottomMargin)) frame.moveTop(own.y());
    view->setParent(containerView_);
    if (frame != own) view->setGeometry(frame);
    view->show();
}

std::unique_ptr<HUDThemeKeloWindow> VSeparableController::createSeparateWindow(
    const QRect& contentRect, const QString& alwaysOnTopName, bool defaultsToPanel) {
    bool pinned = defaultsToPanel;
    if (!alwaysOnTopName.isEmpty()) {
        const QVariant stored = UserDefaults::standard().object(
            QStringLiteral("isAlwaysOnTop %1").arg(alwaysOnTopName));
        if (stored.isValid()) pinned = stored.toBool();
    }
    auto window = std::make_unique<HUDThemeKeloWindow>();
    window->setGeometry(contentRect);
    if (!nonPanelBackgroundColor_.isValid())
        nonPanelBackgroundColor_ = headerView_->backgroundColor();
    setBackgroundColor(pinned ? floatingWindowColor() : nonPanelBackgroundColor_);
    window->setIsPanel(pinned);
    return window;
}

void VSeparableController::showInSeparateWindow(const QSize& minimumSize, bool defaultsToPanel) {
    if (baseView_->window() && baseView_->window() != baseView_ && baseView_->isVisible()) {
        baseView_->window()->setFocus();
    }
    const QString title = headerTitle_->stringValue();
    bool created = false;
    if (!separateWindow_) {
        const QSize size = baseView_->size().expandedTo(minimumSize);
        separateWindow_ =
            createSeparateWindow(QRect(QPoint(100, 100), size), title, defaultsToPanel);
        if (shouldHideHeaderView_) hideHeaderView(true);
        if (separateWindow_->frameAutosaveName().isEmpty() && !title.isEmpty()) {
            separateWindow_->setFrameAutosaveName(title);
            // A saved frame off every screen comes back onto one; a frame of
            // no size is ignored.
            separateWindow_->setFrameUsingName(title);
            setPinnable(true);
        }
        separateWindow_->setWindowOpacity(0);
        created = true;
    }
    baseView_->setParent(separateWindow_.get());
    baseView_->setGeometry(separateWindow_->rect());
    baseView_->show();
    separateWindow_->setWindowTitle(title);
    separateWindow_->show();
    // Only a shown window can be moved back from a frame saved off every screen.
    moveWindowsToVisibleScreen(separateWindow_.get(), true);
    separateWindow_->raise();
    separateWindow_->activateWindow();
    if (created) separateWindow_->setWindowOpacity(1);
    setPinnable(true);
}

QWidget* VSeparableController::showInRootView(QWidget* host, const QPoint& point) {
    if (!qobject_cast<QSplitter*>(host)) {
        baseView_->setGeometry(QRect(point, host->size() - QSize(point.x(), point.y())));
    }
    QWidget* displaced = nullptr;
    QWidget* content = getContentView();
    const QList<QWidget*> children = host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (!children.contains(baseView_)) {
        for (QWidget* child : children) {
            auto* other = qobject_cast<VSeparableView*>(child);
            if (!other || !other->getController() || !content) continue;
            QWidget* otherContent = other->getController()->getContentView();
            if (otherContent && otherContent->inherits(content->metaObject()->className())) {
                other->hide();
                other->setParent(nullptr);
                displaced = otherContent;
            }
        }
        baseView_->setParent(host);
    }
    baseView_->show();
    if (separateWindow_) separateWindow_->close();
    clipSubviewsRecursively(baseView_);
    return displaced;
}

void VSeparableController::setBackgroundColor(const QColor& color) {
    headerView_->setBackgroundColor(color);
    containerView_->setBackgroundColor(color);
    if (separateWindow_) {
        QPalette palette = separateWindow_->palette();
        palette.setColor(QPalette::Window, color);
        separateWindow_->setPalette(palette);
    }
}

void VSeparableController::setIsInsetView() {
    baseView_->setIsInsetView(true);
    headerView_->setIsZeroOpacity(false);
}

void VSeparableController::setInsetFooterLineY(int y) {
    baseView_->setInsetFooterLineY(y);
}

bool VSeparableController::isPinnable() const {
    return !separateWindow_ || separateWindow_->isPinnable();
}

void VSeparableController::setPinnable(bool pinnable) {
    if (separateWindow_) separateWindow_->setPinnable(pinnable);
}

bool VSeparableController::isAlwaysOnTop() const {
    return separateWindow_ && separateWindow_->isAlwaysOnTop();
}

void VSeparableController::setIsAlwaysOnTop(bool onTop) {
    if (!separateWindow_) return;
    if (onTop != isAlwaysOnTop()) {
        setBackgroundColor(onTop ? floatingWindowColor() : nonPanelBackgroundColor_);
    }
    separateWindow_->setIsAlwaysOnTop(onTop);
}

QString VSeparableController::alwaysOnTopAutosaveName() const {
    return separateWindow_ ? separateWindow_->alwaysOnTopAutosaveName() : QString();
}
