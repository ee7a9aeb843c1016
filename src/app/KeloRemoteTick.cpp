#include "app/KeloRemoteTick.h"

#include "app/KeloRemoteTickView.h"
#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "serverlink/KlE_Control_Status.h"

#include <QTimer>

#include <algorithm>

KeloRemoteTick::KeloRemoteTick(KlE_Control_Status& link, OmLog& log)
    : link_(link),
      log_(log),
      timer_(std::make_unique<QTimer>()),
      fullRefreshTimer_(std::make_unique<QTimer>()) {
    timer_->setInterval(kIntervalMs);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { tick(); });
    fullRefreshTimer_->setInterval(kFullRefreshMs);
    QObject::connect(fullRefreshTimer_.get(), &QTimer::timeout, [this] { fullRefresh(); });
}

KeloRemoteTick::~KeloRemoteTick() = default;

void KeloRemoteTick::addView(KeloRemoteTickView* view) {
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void KeloRemoteTick::removeView(KeloRemoteTickView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void KeloRemoteTick::start() {
    timer_->start();
    fullRefreshTimer_->start();
}

void KeloRemoteTick::stop() {
    timer_->stop();
    fullRefreshTimer_->stop();
}

bool KeloRemoteTick::isActive() const {
    return timer_->isActive();
}

void KeloRemoteTick::tick() {
    const int changes = link_.changes();
    // A view may remove itself while refreshing: walk a copy.
    const std::vector<KeloRemoteTickView*> views = views_;
    if (changes & kServerListChanges) {
        for (KeloRemoteTickView* view : views) view->reloadData();
    }
    for (KeloRemoteTickView* view : views) view->performUpdate();
    link_.sendChangeNotificationsAndClear();
    log_.checkFlood();
    log_.flush();
    KlStatusLine::shared().updateInfoBar();
}

void KeloRemoteTick::fullRefresh() {
    const std::vector<KeloRemoteTickView*> views = views_;
    for (KeloRemoteTickView* view : views) view->fullRefresh();
}
