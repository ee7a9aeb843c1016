#pragma once

// Complete simulated Kelo servers, as the program kelo-server-sim runs them
// and as tests start them: per server the UDP side (KeloServerSim), the TCP
// side with the product query and the content database (KeloServerSimTcp),
// a media tree on disk (SimMediaTree) whose database it serves, and the
// collection master's side of content transfers, which copies the files
// into the receivers' trees and reports progress. The trees live in one
// temporary folder, removed when the host is destroyed.
//
// Open sockets only inside a loopback-only network namespace.

#include "support/KeloServerSim.h"
#include "support/KeloServerSimTcp.h"
#include "support/SimMediaTree.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class KeloServerSimHost {
public:
    struct Options {
        int count = 3;
        uint32_t base = 0x7F000002;  // host order; servers on consecutive addresses
        QByteArray prefix = "Kelo Sim";
        KeloServerSim::Network network;
        uint16_t productPort = 4811;
        uint16_t bftpPort = 4812;
        // Servers per collection: 1-3 share collection 1, 4-6 collection 2, ...
        int collectionSize = 3;
        // Transfers: progress replies and the time between them.
        int progressReplies = 4;
        int intervalMs = 150;
        // Where the temporary folder of the media trees goes; empty: the
        // system's temporary folder.
        QString mediaParent;
    };

    explicit KeloServerSimHost(const Options& options);
    ~KeloServerSimHost();
    KeloServerSimHost(const KeloServerSimHost&) = delete;
    KeloServerSimHost& operator=(const KeloServerSimHost&) = delete;

    // Makes the media trees (unless made before), then opens every socket.
    // False with a reason when something cannot start; nothing is left
    // running then.
    bool start(QString* error = nullptr);
    // Makes the media trees alone (start() does it too).
    bool makeMediaTrees(QString* error = nullptr);
    void stop();

    int serverCount() const { return sim_.serverCount(); }
    KeloServerSim& sim() { return sim_; }
    const KeloServerSim& sim() const { return sim_; }
    // Null for an index out of range (or before makeMediaTrees()).
    SimMediaTree* mediaTree(int server);
    KeloServerSimTcp* tcp(int server);
    QString mediaRoot() const { return dir_ ? dir_->path() : QString(); }
    // The server at an address (host order), or -1.
    int serverAt(uint32_t address) const;
    // Transfer requests a server has answered as a collection master.
    int transfersServed(int server) const;

    // The collection master's answer to a transfer request on `fd`, whose
    // first bytes `head` were read already.
    void serveTransfer(int master, int fd, const QByteArray& head);

private:
    Options options_;
    KeloServerSim sim_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<std::unique_ptr<SimMediaTree>> trees_;
    std::vector<std::unique_ptr<KeloServerSimTcp>> tcp_;
    std::unique_ptr<std::atomic<int>[]> transfers_;
    std::atomic<bool> stopping_{false};
};
