#include "status/KeloMonitorHUD.h"

#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/ServerLinkNotifications.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloStatusView.h"
#include "status/StatusConstants.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <cmath>

KeloMonitorHUD::KeloMonitorHUD(KlE_Control_Status* link, KeloMonitorHUDOwner* owner)
    : link_(link), owner_(owner), window_(std::make_unique<HUDThemeKeloWindow>()) {
    window_->setIsPanel(true);
    window_->setWindowTitle(QStringLiteral("Monitor HUD"));
    view_ = new KeloStatusView(QRectF(0, 0, 200, 100), window_.get());
    view_->setTarget(this);
    view_->setReportsSizeChanges(true);
    breakoutHudCell_ = std::make_unique<KeloBreakoutCell>();
    layoutMonitorHudCell(breakoutHudCell_.get());
    updateLayerHudCell();
    view_->setSingleCell(breakoutHudCell_.get());
    view_->reloadData();
    observer_ = NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(kKeloRemoteNotification), view_, [this](const Notification& n) {
            if (n.userInfo.value(QStringLiteral("type")).toInt() == 5) fitWindowToView(view_);
        });
}

KeloMonitorHUD::~KeloMonitorHUD() {
    view_->setSingleCell(nullptr);
}

KeloObject* KeloMonitorHUD::keloObjectForName(const QString& name) const {
    return link_ && !name.isEmpty() ? link_->keloObjectForName(name) : nullptr;
}

void KeloMonitorHUD::layoutMonitorHudCell(KeloRemoteCell* cell) {
    cell->setThumbHeight(int32_t(layout_.hud_height));
    cell->setThumbAspect(cell->isAspect_16x9() ? kAspect16x9 : kAspect4x3);
    const int width = KeloRemoteCell::widthForThumbHeight(cell->thumbHeight(), cell->thumbAspect());
    cell->setCellWidth(width);
    view_->setMinimumWidth(float(width));
}

KeloLayerBreakoutCell* KeloMonitorHUD::updateLayerHudCell() {
    if (layerHudCell_ && layerHudCell_->thumbHeight() == int32_t(layout_.hud_height))
        return layerHudCell_.get();
    auto fresh = std::make_unique<KeloLayerBreakoutCell>();
    if (view_->singleCell() == layerHudCell_.get()) view_->setSingleCell(fresh.get());
    layerHudCell_ = std::move(fresh);
    layoutMonitorHudCell(layerHudCell_.get());
    layoutMonitorHudCell(breakoutHudCell_.get());
    return layerHudCell_.get();
}

bool KeloMonitorHUD::isOn() {
    return owner_->layoutSetting(kHasMonitorBreakoutKey).toInt() != 0;
}

void KeloMonitorHUD::setMonitorHUD(KeloRemoteCell* cell, int part) {
    KeloRemoteCell* chosen = breakoutHudCell_.get();
    if (cell) {
        const int layer = cell->layerNumber() != 0 ? cell->layerNumber() : part;
        if (layer >= 1) {
            selectedKeloPart_ = layer;
            KeloLayerBreakoutCell* layerCell = updateLayerHudCell();
            layerCell->setLayerNumber(layer);
            chosen = layerCell;
        } else {
            selectedKeloPart_ = 0;
        }
    }
    chosen->setKeloObject(isOn() && cell ? cell->keloObject() : nullptr);
    layoutMonitorHudCell(chosen);
    view_->setSingleCell(chosen);
}

bool KeloMonitorHUD::showMonitorHUD(const QString& selectedKelo) {
    if (selectedKelo.isEmpty()) {
        KlStatusLine::shared().showStatusText(
            QStringLiteral("To show Monitor HUD, first select an Kelo or an Kelo layer"),
            QColor(Qt::yellow));
        return false;
    }
    owner_->changeMonitorSetting(QStringLiteral("1"), kHasMonitorBreakoutKey);
    KeloRemoteCell* chosen = breakoutHudCell_.get();
    if (selectedKeloPart_ != 0) {
        KeloLayerBreakoutCell* layerCell = updateLayerHudCell();
        layerCell->setLayerNumber(selectedKeloPart_);
        chosen = layerCell;
    }
    chosen->setKeloObject(keloObjectForName(selectedKelo));
    layoutMonitorHudCell(chosen);
    view_->setSingleCell(chosen);
    view_->reloadData();
    fitWindowToView(view_);
    owner_->saveKeloes();
    return true;
}

void KeloMonitorHUD::hideMonitorHUD() {
    owner_->changeMonitorSetting(QStringLiteral("0"), kHasMonitorBreakoutKey);
    setMonitorHUD(nullptr, 0);
    view_->reloadData();
    fitWindowToView(view_);
    owner_->saveKeloes();
}

QString KeloMonitorHUD::stringFromPoint(const QPoint& point) {
    return QStringLiteral("{%1, %2}").arg(point.x()).arg(point.y());
}

QPoint KeloMonitorHUD::pointFromString(const QString& text, bool* ok) {
    static const QRegularExpression form(QStringLiteral(
        "^\\s*\\{\\s*(-?\\d{1,7})(?:\\.\\d*)?\\s*,\\s*(-?\\d{1,7})(?:\\.\\d*)?\\s*\\}\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    *ok = match.hasMatch();
    return *ok ? QPoint(match.captured(1).toInt(), match.captured(2).toInt()) : QPoint();
}

QPoint KeloMonitorHUD::placement(const QVariant& stored, const QSize& size, const QRect& screen,
                                 bool onSomeScreen) {
    bool ok = false;
    const QPoint corner = pointFromString(stored.toString(), &ok);
    if (!ok) {
        return {screen.x() + screen.width() / 2 - std::min(screen.width(), size.width()) / 2,
                screen.y() + screen.height() / 2 - std::min(screen.height(), size.height()) / 2};
    }
    if (onSomeScreen) return corner;
    // A screen that showed the panel may be gone: bring it back whole.
    return {std::clamp(corner.x(), screen.left(),
                       std::max(screen.left(), screen.right() + 1 - size.width())),
            std::clamp(corner.y(), screen.top(),
                       std::max(screen.top(), screen.bottom() + 1 - size.height()))};
}

void KeloMonitorHUD::fitWindowToView(QWidget* view) {
    if (view != view_) return;
    QWidget& window = *window_;
    const QSize size = view->size();
    QPoint topLeft;
    if (window.isVisible()) {
        topLeft = window.geometry().topLeft();
        owner_->setLayoutSetting(kMonitorHudPosnKey, stringFromPoint(topLeft));
    } else {
        QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
        const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        bool ok = false;
        const QPoint stored =
            pointFromString(owner_->layoutSetting(kMonitorHudPosnKey).toString(), &ok);
        bool onSomeScreen = false;
        for (const QScreen* s : QGuiApplication::screens())
            onSomeScreen = onSomeScreen || s->geometry().intersects(QRect(stored, size));
        topLeft = placement(owner_->layoutSetting(kMonitorHudPosnKey),
                            window.geometry().size().isEmpty() ? size : window.geometry().size(),
                            screenRect, onSomeScreen);
        if (ok && topLeft != stored)
            owner_->setLayoutSetting(kMonitorHudPosnKey, stringFromPoint(topLeft));
    }
    const bool empty = !view_->singleCell() || !view_->singleCell()->keloObject();
    view->hide();
    window.setGeometry(QRect(topLeft, size));
    view->move(0, 0);
    view->show();
    if (empty) {
        window.hide();
    } else {
        window.show();
        window.raise();
    }
}

void KeloMonitorHUD::selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part) {
    if (kelo)
        setMonitorHUD(cell, part);
    else
        setMonitorHUD(nullptr, 0);
    view_->reloadData();
}

void KeloMonitorHUD::layoutSettingsChanged() {
    updateLayerHudCell();
    if (view_->singleCell()) layoutMonitorHudCell(view_->singleCell());
    view_->reloadData();
}

void KeloMonitorHUD::keloRemoved(const QString& name) {
    const KeloRemoteCell* shown = view_->singleCell();
    if (!shown || !shown->keloObject() || shown->keloObject()->name() != name) return;
    setMonitorHUD(nullptr, 0);
    view_->reloadData();
}

void KeloMonitorHUD::statusViewSelectionChanged(KeloStatusView* view) {
    view->setSelectedItem(-1);
}

QMenu* KeloMonitorHUD::menuForEvent(QContextMenuEvent* event, KeloStatusView* view) {
    (void)event;
    (void)view;
    menu_ = std::make_unique<QMenu>(QStringLiteral("Contextual Menu"));
    menu_->addAction(QStringLiteral("Remove"));
    return menu_.get();
}

void KeloMonitorHUD::actionForMenuItem(QAction* item, KeloStatusView* view) {
    if (item->text() != QLatin1String("Remove")) {
        OmLogNoFlood(kOmLogError, "unknown menu item '%s'\n", qPrintable(item->text()));
        return;
    }
    if (view->isBreakout()) {
        view->removeItemAtIndex(view->menuItem());
        return;
    }
    const KeloRemoteCell* cell = view->cellAtIndex(view->menuItem());
    if (cell && cell->keloObject()) owner_->removeKeloWithName(cell->keloObject()->name());
}

std::unique_ptr<KeloRemoteCell> KeloMonitorHUD::createCellForDescription(
    const QVariantMap& description, bool breakout, KeloStatusView* view) {
    (void)view;
    std::unique_ptr<KeloRemoteCell> cell;
    const int layer = description.value(QStringLiteral("layer")).toInt();
    const int mix = description.value(QStringLiteral("mix")).toInt();
    const int dmx = description.value(QStringLiteral("DMX_Master")).toInt();
    if (!breakout) {
        cell = std::make_unique<KeloMonitorCell>();
        cell->setThumbHeight(layout_.thumbHeight);
    } else if (layer >= 1 || mix >= 1 || dmx >= 1) {
        auto layerCell = std::make_unique<KeloLayerBreakoutCell>();
        if (layer >= 1)
            layerCell->setLayerNumber(layer);
        else if (mix >= 1)
            layerCell->setMixNumber(mix);
        else
            layerCell->setDMX_MasterNumber(dmx);
        cell = std::move(layerCell);
    } else {
        cell = std::make_unique<KeloBreakoutCell>();
    }
    cell->setSubName(description.value(QStringLiteral("subName")).toString());
    cell->setKeloObject(keloObjectForName(description.value(QStringLiteral("name")).toString()));
    cell->setThumbAspect(cell->isAspect_16x9() ? kAspect16x9 : kAspect4x3);
    if (breakout) layoutMonitorHudCell(cell.get());
    return cell;
}
