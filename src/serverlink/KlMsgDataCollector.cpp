#include "serverlink/KlMsgDataCollector.h"

#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/VDataCollector.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <limits>

KlMsgDataCollector::KlMsgDataCollector() = default;

KlMsgDataCollector::~KlMsgDataCollector() = default;

double KlMsgDataCollector::now() const {
    return clock_ ? clock_() : KeloObject::now();
}

size_t KlMsgDataCollector::bufferedBytes() const {
    size_t total = 0;
    for (const auto& [key, collector] : collectorsByUUID_)
        total += size_t(collector->payloadData().size());
    return total;
}

QString KlMsgDataCollector::uuidString(const uint8_t* bytes) {
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16)).toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QByteArray> KlMsgDataCollector::handleDataMsg(const QByteArray& data) {
    return handleMsg(reinterpret_cast<const uint8_t*>(data.constData()), uint32_t(data.size()));
}

std::optional<QByteArray> KlMsgDataCollector::handleMsg(const uint8_t* bytes, uint32_t length) {
    if (!headerHandler_ || !completionHandler_) {
        OmLogNoFlood(kOmLogError, "Internal Error - MsgDataCollectorMgr with missing Handlers\n");
        return std::nullopt;
    }
    if (!bytes || length < kFragmentHeaderSize) return std::nullopt;
    const QString key = uuidString(bytes);
    auto it = collectorsByUUID_.find(key);
    if (it == collectorsByUUID_.end()) {
        if (!makeRoom()) {
            OmLogNoFlood(kOmLogError,
                         "Msg Data fragment dropped: %d messages already open, uuid: %s\n",
                         int(collectorsByUUID_.size()), qPrintable(key));
            return std::nullopt;
        }
        auto collector = std::make_unique<VDataCollector>();
        collector->setMsgCollector(this);
        it = collectorsByUUID_.emplace(key, std::move(collector)).first;
    }
    std::optional<QByteArray> result;
    VDataCollector& collector = *it->second;
    if (collector.handleMsg(bytes, length)) {
        if (!collector.isBad()) {
            completionHandler_(collector.payloadData(), collector.headerData(), collector);
            result = collector.payloadData();
        }
        collectorsByUUID_.erase(it);
    }
    sweep();
    armTimer();
    return result;
}

void KlMsgDataCollector::setTimerArm(TimerArm arm) {
    timer_.reset();
    armed_ = false;
    timerArm_ = std::move(arm);
    armTimer();
}

void KlMsgDataCollector::timeOut() {
    armed_ = false;
    sweep();
    armTimer();
}

void KlMsgDataCollector::armTimer() {
    if (collectorsByUUID_.empty()) return;
    double oldest = std::numeric_limits<double>::max();
    for (const auto& [key, collector] : collectorsByUUID_)
        oldest = std::min(oldest, collector->msgTick());
    const double deadline = oldest + collectorDeadAge_;
    // One armed no later than needed stays: every fragment of a message
    // moves its deadline on, and re-arming for each would cost more than
    // the occasional early wake-up.
    if (armed_ && armedDeadline_ <= deadline) return;
    // A message is dead once its age passes the dead age, so the wake-up
    // comes just after that moment, never on it.
    const double next = std::max(0.0, deadline - now()) + 0.001;
    if (timerArm_) {
        armed_ = true;
        armedDeadline_ = deadline;
        timerArm_(next);
        return;
    }
    // Without an application there is no event loop to wake us; the next
    // fragment still sweeps.
    if (!QCoreApplication::instance()) return;
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        timer_->setSingleShot(true);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { timeOut(); });
    }
    armed_ = true;
    armedDeadline_ = deadline;
    timer_->start(int(std::ceil(next * 1000.0)));
}

void KlMsgDataCollector::sweep() {
    for (auto it = collectorsByUUID_.begin(); it != collectorsByUUID_.end();) {
        const VDataCollector& collector = *it->second;
        if (collector.age() > collectorDeadAge_) {
            if (errorHandler_) errorHandler_(collector.headerData());
            OmLogNoFlood(kOmLogError,
                         "Internal Error - Msg Data Collector Timed Out. UUID: %s Collector: %s\n",
                         qPrintable(it->first), qPrintable(collector.description()));
            it = collectorsByUUID_.erase(it);
        } else {
            ++it;
        }
    }
}

// A new message gets a place when there is one, after dropping the dead and
// then the bad ones, which can never complete.
bool KlMsgDataCollector::makeRoom() {
    if (collectorsByUUID_.size() < kMaxCollectors) return true;
    sweep();
    for (auto it = collectorsByUUID_.begin();
         it != collectorsByUUID_.end() && collectorsByUUID_.size() >= kMaxCollectors;) {
        it = it->second->isBad() ? collectorsByUUID_.erase(it) : std::next(it);
    }
    return collectorsByUUID_.size() < kMaxCollectors;
}
