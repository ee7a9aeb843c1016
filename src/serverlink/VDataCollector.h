#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class KlMsgDataCollector;

// One large message being put back together from its fragments. Fragments
// must arrive in offset order; anything else marks the message bad, and a bad
// message stays (holding no data) until its collector times it out.
class VDataCollector {
public:
    VDataCollector() = default;
    VDataCollector(const VDataCollector&) = delete;
    VDataCollector& operator=(const VDataCollector&) = delete;

    // Seconds since the last fragment.
    double age() const;
    QString description() const;
    // One fragment: the bytes from offset 16 of its datagram. True when the
    // message is complete or has just finished as bad.
    bool handleMsg(const uint8_t* bytes, uint32_t length);

    uint32_t offset() const { return offset_; }
    const QByteArray& payloadData() const { return payloadData_; }
    const QByteArray& headerData() const { return headerData_; }
    double msgTick() const { return msgTick_; }
    bool isBad() const { return isBad_ != 0; }
    uint32_t payloadSize() const { return payloadSize_; }
    KlMsgDataCollector* msgCollector() const { return msgCollector_; }
    void setMsgCollector(KlMsgDataCollector* collector) { msgCollector_ = collector; }
    void setPayloadSize(uint32_t size) { payloadSize_ = size; }

private:
    void markBad();

    uint32_t offset_ = 0;
    QByteArray payloadData_;
    QByteArray headerData_;
    double msgTick_ = 0;
    int8_t isBad_ = 0;
    uint32_t payloadSize_ = 0;
    KlMsgDataCollector* msgCollector_ = nullptr;  // the owner
};
