#pragma once

// The BFTP side of a simulated collection master, written from the wire
// format alone: it listens on a loopback address for transfer requests over
// TCP, one connection at a time, records each request and answers it with
// progress replies that name the request's receivers, then a final report,
// and closes. On command a connection misbehaves instead (see Behaviour).
// One thread serves everything.
//
// Open sockets only inside a loopback-only network namespace.

#include "support/SimContentRef.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// A four-character code as a big-endian word.
constexpr uint32_t simFourCharCode(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint8_t(code[3]);
}

// One receiver's line of a progress reply.
struct SimReceiverReport {
    uint32_t address = 0;  // host order
    uint32_t status = 0;
    uint32_t resetCount = 0;
};

class BftpServerSim {
public:
    // Sizes of the transfer protocol, in bytes.
    static constexpr uint32_t kRequestSize = 44;  // without the receivers
    static constexpr uint32_t kMaxReceivers = 255;
    static constexpr uint32_t kReplyNameOffset = 56;
    static constexpr uint32_t kMaxReplySize = 16384;  // what a controller reads at most
    static constexpr uint32_t kStatusProgress = simFourCharCode("prog");

    enum class Behaviour {
        Normal,            // progress replies, a final report, then close
        Stall,             // progress replies, then silence with the connection open
        ShortReply,        // a reply cut short inside its body, then close
        LongReply,         // a reply header that claims more than the reply buffer
        Garbage,           // bytes without the "BFTP" magic
        WrongReplyMagic,   // a reply without "BFTp"
        NoBody,            // a reply of its 8-byte header alone
        ReceiversOverrun,  // a receiver count larger than the reply holds
        Close,             // closes right after the request
        Abort,             // progress replies, then an 'abrt' report
        Drop,              // progress replies, then closes without a report
    };

    struct Config {
        uint32_t address = 0x7F000001;  // host order
        uint16_t port = 0;              // 0: chosen by the system
        int progressReplies = 3;        // 'prog' replies before the final report
        int intervalMs = 2;             // between replies
        uint32_t finalStatus = simFourCharCode("done");
        uint16_t mbps = 80;
        uint16_t reportFlags = 3;
        QByteArray itemName = "clip.mov";
        // Names by the request's item bytes; others get itemName.
        std::map<QByteArray, QByteArray> itemNames;
        bool sendStart = false;  // a 'strt' reply before the progress replies
        // Retransmissions reported for the request's receivers, in order;
        // missing ones report their position in the request.
        std::vector<uint32_t> resetCounts;
    };

    BftpServerSim();
    explicit BftpServerSim(const Config& config);
    ~BftpServerSim();
    BftpServerSim(const BftpServerSim&) = delete;
    BftpServerSim& operator=(const BftpServerSim&) = delete;

    // Listens and starts the thread; false with a reason when it cannot.
    bool start(QString* error = nullptr);
    void stop();
    uint16_t port() const { return port_; }
    uint32_t address() const { return config_.address; }

    // The behaviours of the next connections, in order; Normal once used up.
    void pushBehaviour(Behaviour behaviour);
    int connections() const { return connections_.load(); }
    // Requests as received, one per connection that sent one.
    std::vector<QByteArray> requests() const;
    // Waits (without an event loop) until that many connections were taken.
    bool waitForConnections(int count, int timeoutMs) const;

    // One progress reply; the receiver count goes at the even offset after
    // the name's NUL.
    static QByteArray progressReply(uint32_t transferID, uint32_t status, uint8_t collectionID,
                                    uint16_t flags, uint16_t progress, SimContentRef content,
                                    const QByteArray& name,
                                    const std::vector<SimReceiverReport>& receivers);

private:
    void run();
    void serve(int fd, Behaviour behaviour);
    bool pause(int ms);  // false when stopping
    bool sendAll(int fd, const QByteArray& data);
    // Keeps the connection until the peer closes it, the time runs out (-1:
    // never) or we stop.
    void holdUntilClosed(int fd, int timeoutMs);

    Config config_;
    uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex lock_;
    std::deque<Behaviour> behaviours_;
    std::vector<QByteArray> requests_;
};
