#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QTimer;
class VDataCollector;
class VIBufferStream;

// Puts large messages back together from their fragments, one
// VDataCollector per message UUID. A fragment is the part of its datagram
// from offset 16: the 16-byte UUID, the u32 little-endian offset of its
// chunk, in the first fragment the u32 little-endian total size, then the
// chunk. Main thread only.
//
// Everything in a fragment may lie, so memory stays bounded: at most
// kMaxCollectors messages are open, none may claim more than kMaxMessageSize
// bytes, and all open messages together hold at most kMaxBufferedBytes.
//
// A message that goes quiet for the dead age is dropped by a wake-up timer,
// not only when another fragment happens to arrive.
class KlMsgDataCollector {
public:
    static constexpr size_t kMaxCollectors = 32;
    static constexpr uint32_t kMaxMessageSize = 16u << 20;
    static constexpr size_t kMaxBufferedBytes = 64u << 20;
    static constexpr uint32_t kFragmentHeaderSize = 20;  // UUID and offset

    // Reads the message header of a first fragment from the stream, stores
    // the total size in the collector and returns the header bytes; an
    // empty result says the header is unusable.
    using HeaderHandler = std::function<QByteArray(VIBufferStream&, VDataCollector&)>;
    using CompletionHandler =
        std::function<void(const QByteArray& payload, const QByteArray& header, VDataCollector&)>;
    using ErrorHandler = std::function<void(const QByteArray& header)>;

    // Dead age 30 s; the clock is the server link's (KeloObject::now).
    KlMsgDataCollector();
    virtual ~KlMsgDataCollector();
    KlMsgDataCollector(const KlMsgDataCollector&) = delete;
    KlMsgDataCollector& operator=(const KlMsgDataCollector&) = delete;

    std::optional<QByteArray> handleDataMsg(const QByteArray& data);
    // The complete message once its last fragment arrived; nothing while it
    // is incomplete or when it failed.
    std::optional<QByteArray> handleMsg(const uint8_t* bytes, uint32_t length);
    size_t collectorCount() const { return collectorsByUUID_.size(); }

    const std::map<QString, std::unique_ptr<VDataCollector>>& collectorsByUUID() const {
        return collectorsByUUID_;
    }
    const HeaderHandler& headerHandler() const { return headerHandler_; }
    void setHeaderHandler(HeaderHandler handler) { headerHandler_ = std::move(handler); }
    const CompletionHandler& completionHandler() const { return completionHandler_; }
    void setCompletionHandler(CompletionHandler handler) {
        completionHandler_ = std::move(handler);
    }
    const ErrorHandler& errorHandler() const { return errorHandler_; }
    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }
    uint32_t collectorDeadAge() const { return collectorDeadAge_; }
    void setCollectorDeadAge(uint32_t seconds) { collectorDeadAge_ = seconds; }

    // Reference-date seconds; replaceable so that tests control time.
    double now() const;
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }
    // Arms the wake-up `seconds` from now, replacing an armed one; a
    // negative value disarms. The default is a single-shot QTimer on this
    // thread's event loop; tests drive their own clock and call timeOut.
    using TimerArm = std::function<void(double seconds)>;
    void setTimerArm(TimerArm arm);
    // What the wake-up calls: drops the messages that went quiet, then arms
    // for the next one. A wake-up may come early (its message completed
    // meanwhile): it then only arms again.
    void timeOut();
    // Bytes held by all open messages.
    size_t bufferedBytes() const;

    // The text form of a 16-byte UUID: upper-case 8-4-4-4-12.
    static QString uuidString(const uint8_t* bytes);

private:
    void sweep();
    bool makeRoom();
    void armTimer();

    std::map<QString, std::unique_ptr<VDataCollector>> collectorsByUUID_;
    HeaderHandler headerHandler_;
    CompletionHandler completionHandler_;
    ErrorHandler errorHandler_;
    uint32_t collectorDeadAge_ = 30;
    std::function<double()> clock_;
    TimerArm timerArm_;
    std::unique_ptr<QTimer> timer_;
    // The wake-up armed and when it is due (clock seconds).
    bool armed_ = false;
    double armedDeadline_ = 0;
};
