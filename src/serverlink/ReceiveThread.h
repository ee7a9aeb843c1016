#pragma once

#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlEStatMessage.h"

#include <QByteArray>
#include <QString>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

// Room for an interface name with its NUL: longer names arrive empty.
constexpr size_t kInterfaceNameCapacity = 32;

// Receives one datagram with its source and the name of the interface it
// arrived on (IP_PKTINFO must be on). The name is left empty unless it fits
// with room to spare (shorter than `ifnameCapacity` - 1). Returns the byte
// count or a negative error.
ssize_t recvAndDiscover(int socket, char* buffer, size_t bufferSize, sockaddr_in* from,
                        socklen_t* fromLength, char* ifname, size_t ifnameCapacity);

// A receive loop on one socket of the link. It drains the socket in batches
// (recvmmsg), applies the acceptance filter, and queues what passes for the
// main thread, which handles every queued batch in one event-loop pass.
// Waking the main thread costs more than handling a few datagrams (on a
// loaded computer each wake-up is charged hundreds of microseconds), so
// every receive thread of the process shares one queue and one pass: a
// pass hands over what all of them queued, each socket's datagrams in the
// order they came, and passes are at least kMinDrainGap apart whichever
// thread asks; a datagram after a quiet spell is handed over at once. The
// thread never waits for the main thread: a busy main thread must not leave
// the socket's buffer to overflow. What the kernel dropped all the same (a
// full buffer, counted by SO_RXQ_OVFL) is counted and logged at most once a
// second. Should the main thread stall for long, each thread's share of the
// queue is bounded too (kMaxQueuedBytes) and what it refuses is counted with
// the kernel's drops. The link's tick hands over what waits as it starts
// (handOffQueued), and kMinDrainGap is more than half a tick: so the main
// thread wakes for about one pass between two ticks.
//
// The loop idles while the link's sockets are not valid. `wake` interrupts a
// wait for a datagram or for valid sockets, so that closing sockets never
// leaves the thread blocked on a stale descriptor. `stop` (main thread) ends
// the loop; this thread's batches still queued for the main thread are then
// dropped instead of handled, and the other threads' stay.
//
// Threads: `handler` runs on the main thread only, so the model is changed
// there alone; `socket` and `valid` are called on the receive thread;
// `droppedDatagrams` from any thread; the rest on the main thread.
class ReceiveThread {
public:
    using Handler = std::function<void(const ReceivedDatagram&)>;
    // Reads what it can of a datagram on the receive thread, for
    // ReceivedDatagram::decoded. Must be safe on any thread.
    using Decoder = std::function<QVariant(const char* data, size_t size)>;

    static constexpr size_t kBatch = 32;                  // datagrams per recvmmsg
    static constexpr size_t kMaxQueuedBytes = 64u << 20;  // bytes waiting for the main thread
    static constexpr std::chrono::milliseconds kMinDrainGap{20};

    ReceiveThread(const QString& name, std::function<int()> socket, std::function<bool()> valid,
                  Handler handler, Decoder decoder = {});
    ~ReceiveThread();
    ReceiveThread(const ReceiveThread&) = delete;
    ReceiveThread& operator=(const ReceiveThread&) = delete;

    void wake();
    void stop();
    // Main thread: hands over now what every receive thread queued, as a
    // pass would, and counts as one for the gap.
    static void handOffQueued();
    // Datagrams lost before the handler saw them: the kernel's count for a
    // full receive buffer plus those the bounded queue refused.
    uint64_t droppedDatagrams() const;

private:
    struct State;
    struct Batch;
    struct HandOff;
    void run();
    // Receive thread: counts lost datagrams and logs them at most once a
    // second, however many batches report some.
    void countDrops(uint64_t dropped);
    void logDrops();
    void queue(std::unique_ptr<Batch> batch);
    // Receive thread: asks the main thread for a pass when batches (of any
    // receive thread) wait and the last request is kMinDrainGap old. Returns
    // the milliseconds until one is due, or -1 when nothing waits or a pass
    // is already asked for.
    static int postDrainIfDue();

    QString name_;
    std::function<int()> socket_;
    std::function<bool()> valid_;
    Decoder decoder_;
    std::shared_ptr<State> state_;
    uint64_t unloggedDrops_ = 0;
    std::chrono::steady_clock::time_point lastDropLog_{};
    std::thread thread_;
};
