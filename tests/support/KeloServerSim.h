#pragma once

// Simulated Kelo servers for tests, benchmarks and demonstrations, written
// from the wire formats alone. Each server owns two UDP sockets on its own
// loopback address (127.0.0.2, 127.0.0.3, ...): the status port and the
// preference port. It announces itself once a second by CITP presence and a
// transfer-service beacon (multicast on loopback, and unicast to a
// controller when one is given), answers status requests with a general
// status, layer details and preview JPEGs that change over time, answers
// preference requests, and on command falls silent or sends hostile
// datagrams. The servers of one simulator share a few threads (one per
// kServersPerThread servers, at most kMaxThreads), each server a lock.
//
// Open sockets only inside a loopback-only network namespace.

#include "support/ContentEditorSim.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class KeloServerSim {
public:
    struct Config {
        QByteArray name = "Kelo Sim";   // the controller only takes names beginning with "Kelo"
        uint32_t address = 0x7F000002;  // host order; the server's own address on loopback
        int layerCount = 8;             // 0 to 24
        int vMajor = 4;
        int vMinor = 2;
        int outputs = 2;  // DMX masters, 1 to 32
        int mixes = 2;    // mix pictures 1..mixes-1 are served
        uint8_t expanded = 0xA2;
        uint8_t profile = 17;
        uint16_t universe = 1;
        uint16_t tcpPort = 4811;
        uint16_t bftpPort = 4812;
        uint8_t collectionID = 1;
        QByteArray alias;  // user-defined name; empty for none
        bool running = true;
        // Takes collection assignments ("KlEC" "COLL"); off: ignores them.
        bool acceptsCollection = true;
        // The content database's time stamp the transfer beacon announces.
        QByteArray contentTimeStamp = "2026-01-01 00:00:00";
        uint8_t prefUpdates = 1;  // preference-update counter; 0x40: a controller made the change
        // Answers a preference set with the value now held (op 19), as the
        // servers of kelo-server-sim do; off, the controller learns of its
        // change only through the update counter.
        bool echoPreferenceSets = false;
        // Starts with the standard content-editor items of every kind.
        bool standardContentItems = false;
        // Entries added to the standard preference dictionary (replacing
        // those of the same name); an invalid value removes that name.
        QVariantMap preferences;
    };

    // Where a datagram sent on command goes.
    enum class Target {
        ReplyPort,      // the port the controller's last request came from
        DiscoveryPort,  // port 4809: multicast, and unicast to the controller when given
    };

    // A hostile or malformed datagram of the catalogue.
    struct Hostile {
        const char* what;
        QByteArray bytes;
        Target target;
    };

    // One datagram as it arrived, with the port it arrived on.
    struct Received {
        uint16_t port = 0;
        QByteArray bytes;
    };
    // The log keeps the latest datagrams only.
    static constexpr size_t kMaxReceivedLog = 4096;
    // Thousands of servers answering at 30 Hz are more than one thread's
    // worth of system calls.
    static constexpr int kServersPerThread = 500;
    static constexpr int kMaxThreads = 4;

    struct Counters {
        uint64_t statusRequests = 0;     // op 10
        uint64_t prefsDictRequests = 0;  // op 16
        uint64_t getPrefRequests = 0;    // op 18
        uint64_t setPrefRequests = 0;    // op 20
        uint64_t otherDatagrams = 0;     // anything else that arrived
        uint64_t announcements = 0;      // presence messages sent
        uint64_t repliesSent = 0;
    };

    // Where the servers listen and announce. Tests use their own ports so
    // that they can run side by side.
    struct Network {
        uint32_t controller = 0;  // host order; also gets each announcement by unicast (0: none)
        uint16_t statusPort = 4810;
        uint16_t prefsPort = 6437;
        uint16_t citpPort = 4809;
        uint32_t citpGroup = 0xE00000B4;  // 224.0.0.180
    };

    KeloServerSim();
    explicit KeloServerSim(const Network& network);
    ~KeloServerSim();
    KeloServerSim(const KeloServerSim&) = delete;
    KeloServerSim& operator=(const KeloServerSim&) = delete;

    // Before start(). Returns the server's index.
    int addServer(const Config& config);
    // `count` servers named "<prefix> 1", "<prefix> 2", ... on consecutive
    // addresses from `base`.
    void addServers(int count, uint32_t base, const QByteArray& prefix = "Kelo Sim");
    int serverCount() const { return int(servers_.size()); }

    // Opens the sockets and starts the thread. False with a reason when a
    // socket cannot be opened (nothing is left running then).
    bool start(QString* error = nullptr);
    // Stops the thread and closes the sockets; also done by the destructor.
    void stop();

    // Commands, from any thread, for a server index (out of range: nothing).
    void setAnnouncing(int server, bool on);
    void setAnswering(int server, bool on);
    void setRunning(int server, bool running);
    void setAlias(int server, const QByteArray& alias);
    void setLayerCount(int server, int layers);
    // A preference changed as the server's own operator would: stored by
    // the value rule, the update counter raised without the controller's
    // mark. False for an unknown key or a value its type cannot take.
    bool setPreference(int server, const QString& key, const QByteArray& text);
    // One entry of the server's preference dictionary; empty when missing.
    QVariantMap preference(int server, const QString& key) const;
    // Announced from the next transfer beacon on.
    void setContentTimeStamp(int server, const QByteArray& stamp);
    // Sends a datagram from the server's status socket. False when it cannot
    // go (no controller known yet for ReplyPort, or a send error).
    bool sendDatagram(int server, const QByteArray& datagram, Target target);
    // Sends the whole hostile catalogue for that server; returns how many went.
    int sendHostile(int server);

    Counters counters(int server) const;
    // Every datagram the server received, oldest first, whatever it was.
    std::vector<Received> received(int server) const;
    // As received(), emptying the log in the same step.
    std::vector<Received> takeReceived(int server);
    // Content-editor queries and sets the server put together, oldest first.
    std::vector<ContentEditorSim::Message> contentEditorMessages(int server) const;
    // The text a server answers each content-editor query with (content item
    // data, in fragments when long); empty: the answer comes from the items
    // it keeps (listings and items; none for an unknown one).
    void setContentEditorReply(int server, const QByteArray& text);
    // The content items a server keeps; a set message replaces one.
    void setContentItem(int server, const QByteArray& kind, const QByteArray& ident,
                        const QByteArray& text);
    QByteArray contentItem(int server, const QByteArray& kind, const QByteArray& ident) const;
    // Runs `fn` on the server's image-remap document under its lock.
    void withMultiScreen(int server, const std::function<void(MultiScreenSim&)>& fn);
    // Sends content item data to the controller's reply port now, paced so
    // that its receive buffer keeps up. False when it cannot go.
    bool sendContentItem(int server, const QByteArray& text);
    Config config(int server) const;

    // True when every network interface that is up is a loopback one: the
    // only place where tests may open the server link's sockets.
    static bool loopbackOnlyNetwork();

    // The datagrams a broken or hostile server might send; `name` is the
    // server's own name, so that presence messages aim at its record.
    static std::vector<Hostile> hostileDatagrams(const QByteArray& name);
    // The preference dictionary a server answers with.
    static QVariantMap preferenceDictionary(const Config& config);
    // What a server answers a status request carrying `requestWord` with, at
    // `elapsed` seconds of its running time.
    static QByteArray replyToStatusRequest(const Config& config, uint16_t requestWord,
                                           double elapsed, int serial);

private:
    struct Server;

    // The servers [first, end) on one thread, which owns `epollFd`.
    void run(int epollFd, size_t first, size_t end);
    void announce(Server& s);
    const QByteArray& prefsDictReply(Server& s);
    static QByteArray onePref(const QByteArray& key, const QVariant& value);
    // The value rule; marks a controller's change in the update counter.
    bool storePreference(Server& s, const QString& key, const QByteArray& text, bool byController);
    // Holds the server's lock; holds nothing for an index out of range.
    std::unique_lock<std::mutex> lockServer(int i) const;
    void handle(Server& s, int fd, const char* data, size_t size, const struct sockaddr_in& from);
    bool sendTo(int fd, const QByteArray& datagram, uint32_t address, uint16_t port);
    bool sendContentItem(Server& s, int fd, const QByteArray& text);
    double elapsed() const;

    Network network_;
    std::vector<std::unique_ptr<Server>> servers_;
    std::vector<std::thread> threads_;
    std::atomic<bool> stopping_{false};
    int wakeFd_ = -1;  // readable from stop() on, for every thread
    int64_t startNs_ = 0;
};
