#pragma once

// The TCP side of a simulated Kelo server, written from the wire formats
// alone: on its CITP TCP port it sends a CITP/MSEX "SInf" server-information
// message to whoever connects; on its BFTP port it answers the "KlEC"
// content-database commands "GtDB", "GtTh", "GtFD", "GtLD" and "CLNP" with
// "DATA" replies, and hands transfer requests to a handler when given one. On command it misbehaves. One thread serves both ports,
// one connection at a time; connections it keeps open on purpose are closed
// by stop().
//
// Open sockets only inside a loopback-only network namespace.

#include "support/SimContentRef.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

class KeloServerSimTcp {
public:
    enum class Behaviour {
        Normal,
        Silent,      // accepts, then neither reads nor answers; keeps the connection open
        HalfClosed,  // reads the request, then ends its sending side and stays open
        LyingSize,   // claims more data than it sends, then closes
        Oversized,   // claims almost 4 GiB of data, sends a little, then closes
        Garbage,     // answers with bytes of no known form
        WrongTag,    // a reply header whose "DATA" tag is wrong
        Trickle,     // a true header, then one data byte every 100 ms until the client leaves
    };

    struct Config {
        uint32_t address = 0x7F000002;  // host order
        uint16_t productPort = 4811;    // the CITP TCP port of the presence message
        uint16_t bftpPort = 4812;       // the transfer beacon's port
        QByteArray productName = "Kelo Sim Media Server";
        QVariantMap database;  // sent as a binary property list for "GtDB"
        QByteArray cleanUpReport = "nothing to clean up\n";
        QByteArray thumbnail;  // sent for every "GtTh"; empty: thumbnailFor()
        // When set, "GtDB" sends what this gives at the time of the request,
        // and "GtFD" and "GtLD" the entries found in it.
        std::function<QVariantMap()> databaseSource;
        // When set, a connection to the BFTP port whose first bytes are
        // "BFTP" is a transfer request: handed over with the bytes read so
        // far, and closed once the handler returns.
        std::function<void(int fd, const QByteArray& head)> transferHandler;
    };

    explicit KeloServerSimTcp(const Config& config);
    ~KeloServerSimTcp();
    KeloServerSimTcp(const KeloServerSimTcp&) = delete;
    KeloServerSimTcp& operator=(const KeloServerSimTcp&) = delete;

    // Listens on both ports and starts the thread. False with a reason when a
    // port cannot be opened (nothing is left running then).
    bool start(QString* error = nullptr);
    void stop();

    // From any thread.
    void setBehaviour(Behaviour behaviour);
    void setDatabase(const QVariantMap& database);
    // Requests served per command ("GtDB", ...; "SInf" for product queries).
    int requests(const QByteArray& command) const;
    // The item reference of the last request.
    SimContentRef lastItem() const;

    // What the server sends.
    static QByteArray serverInformation(const QByteArray& productName);
    static QByteArray dataReply(const QByteArray& data);
    static QByteArray thumbnailFor(const SimContentRef& item);
    static QVariantMap fileEntryFor(const SimContentRef& item);
    static QVariantMap folderEntryFor(const SimContentRef& item);

private:
    void run();
    void serveProduct(int fd);
    void serveDatabase(int fd);
    void hold(int fd);

    Config config_;
    Behaviour behaviour_ = Behaviour::Normal;
    std::map<QByteArray, int> requests_;
    SimContentRef lastItem_;
    std::vector<int> held_;
    mutable std::mutex lock_;
    int productFd_ = -1;
    int bftpFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};
