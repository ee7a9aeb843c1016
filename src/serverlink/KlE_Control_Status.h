#pragma once

#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/KeloServerTable.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/ServerLinkLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class BftpBeaconChannel;
class CitpDiscoveryChannel;
class ContentEditorChannel;
class KeloDaemonProbe;
class KeloNetworkInterface;
class KlMsgNotificationDataCollector;
class QTimer;
class StatusChannel;

// What the link talks to. The defaults are the servers' own ports and
// groups; tests use others so that they can run side by side.
struct KlE_Control_StatusOptions {
    uint16_t statusPort = kKlEStatusPort;  // status requests
    uint16_t prefsPort = kKlEPrefsPort;    // preference dictionary requests
    uint16_t citpPort = kCitpPort;         // discovery socket and beacon destination
    uint32_t citpGroup = kCitpGroup;
    uint32_t citpGroupScoped = kCitpGroupScoped;
    // Discovery of ever-new names stops creating server objects here; the
    // objects live for the process, so this bounds their memory.
    size_t maxServers = 1024;
    // The interface object to ask; null: the shared one.
    KeloNetworkInterface* networkInterface = nullptr;
    bool timer = true;  // off: a test calls timerProc itself
    // Finds the local daemon's process id (KeloDaemonProbe::PidLookup);
    // null: the process table.
    std::function<int(const char* name)> daemonLookup;
    // Makes the link's sockets; null: real UDP sockets with receive threads.
    // Unit tests hand in fakes that record what is sent and inject datagrams.
    std::function<std::unique_ptr<KlDatagramSocket>(KlSocketRole)> socketFactory;
};

// The one object through which the controller talks to the Kelo servers. It
// owns the server objects (KeloServerTable), the link's sockets and a 1/30 s
// timer on the main thread, and puts one class per channel behind the
// names the rest of the program uses:
//   - CitpDiscoveryChannel: presence messages make and update servers;
//   - StatusChannel: the poll scheduler, preferences and commands;
//   - ContentEditorChannel: content-editor messages and their fragments;
//   - BftpBeaconChannel: transfer and content-manager beacons;
//   - KeloDaemonProbe: the local server daemon.
// Each tick opens the sockets when needed, sends the manager beacon, checks
// the interfaces and the daemon once a second (reopening the sockets on a
// change) and polls every wanted running server. The daemon lookup reads
// the process table on KeloDaemonProbe's worker; the tick takes its answer.
//
// Everything runs on the main thread; the sockets' receive threads only read
// their descriptors, read preference dictionaries out of their datagrams,
// and hand the datagrams to the main thread in batches. The tick's polls
// leave through the status socket's send thread.
//
// A server is polled only while it is `active` (wanted). Views mark the
// servers they show with `addKeloForName`; a program without views does the
// same for every server it wants polled.
class KlE_Control_Status : public KeloObjectLink {
public:
    using Options = KlE_Control_StatusOptions;
    using KeloTable = KeloServerTable::KeloTable;

    // A separate instance (tests, tools); the process's is defaultObject().
    // Main thread.
    explicit KlE_Control_Status(const Options& options = Options());
    // Stops the timer, closes the sockets and ends the receive threads.
    ~KlE_Control_Status() override;
    KlE_Control_Status(const KlE_Control_Status&) = delete;
    KlE_Control_Status& operator=(const KlE_Control_Status&) = delete;

    // The process's instance, made once on first use (on the main thread)
    // and never destroyed: its threads run until exit.
    static KlE_Control_Status* defaultObject();
    // Options of the process's instance; only before it is first made.
    static void setDefaultOptions(const Options& options);
    static void setVerboseMode(bool on);
    static bool verboseMode();

    // --- Server table ----------------------------------------------------------
    KeloObject* keloObjectForName(const QString& name) const;
    // 127.0.0.1 and this computer's addresses give the local server.
    KeloObject* keloObjectForAddress(uint32_t address) const;
    // `local`: the server flagged as on this computer, whatever the address.
    KeloObject* keloObjectForAddress(uint32_t address, bool local) const;
    // The server under that name, made when missing, marked active (wanted).
    KeloObject* addKeloForName(const QString& name);
    void updateAddresses();
    void kelo(const QString& name, uint32_t changedAddress);
    void scanForInterfaces();
    void refreshAllKeloStatus();
    // Posts "kKeloPatchChangedNotification" when bits 1, 16, 64 or 128 are
    // set; clears every bit.
    void sendChangeNotificationsAndClear();

    const KeloTable& keloes() const { return servers_.keloes(); }
    const QStringList& current() const { return servers_.current(); }
    QVariantMap visibleManagers() const;
    QString managerIdentity() const;
    int changes() const { return servers_.changes(); }
    bool daemonRunning() const;
    // Whether the status socket is open.
    bool sktValid() const;
    // Datagrams the link's sockets lost before they were handled (full
    // receive buffers), since it was made. Any thread.
    uint64_t droppedDatagrams() const;
    KeloNetworkInterface* networkInterface() const { return net_info_; }
    double plocTimeout() const { return servers_.plocTimeout(); }
    void setPlocTimeout(double seconds) { servers_.setPlocTimeout(seconds); }
    bool plocReport() const { return servers_.plocReport(); }
    void setPlocReport(bool on) { servers_.setPlocReport(on); }
    const Options& options() const { return options_; }

    // The channels, for callers that need one of them alone.
    CitpDiscoveryChannel& discoveryChannel() const { return *discovery_; }
    StatusChannel& statusChannel() const { return *status_; }
    ContentEditorChannel& contentEditorChannel() const { return *contentEditor_; }
    BftpBeaconChannel& bftpBeaconChannel() const { return *bftp_; }

    // Content-editor message fields are joined by a vertical tab.
    static QString combinedStrings(const QStringList& strings);
    static QStringList separatedStrings(const QString& string);

    // --- Timer and sockets -----------------------------------------------------
    void startupTimerIfNeeded();
    void stopTimerAndCloseSockets();
    void closeSockets();
    // One 1/30 s tick.
    void timerProc();
    void runStatus();
    // True when the local daemon started or stopped since the last check.
    // Looks up on the calling thread; the tick's checks run on a worker.
    bool checkForDaemon();

    // --- Receiving (main thread) -------------------------------------------------
    // One datagram as a socket received it.
    void incomingMessage(const ReceivedDatagram& packet);
    // Hands one datagram to its channel; `clientAddr` is 127.0.0.1 for a
    // sender on this computer, `realEthernetAddress` its own address;
    // `decoded` what the receive thread already read from it
    // (ReceivedDatagram::decoded).
    void handleMessage(const char* data, size_t size, bool local, uint32_t clientAddr,
                       uint32_t realEthernetAddress, const char* ifname,
                       const QVariant& decoded = QVariant());
    // Stores `value` as the entry's "_value" (parsed for "s_array" and "dict"
    // entries); true when it equals what was there.
    static bool setPrefValue(const QString& value, const QString& key, QVariantMap* item);
    void notifyContentItemData(KeloObject* kelo, const QString& text);
    // Puts fragmented content item data back together; made on first need.
    KlMsgNotificationDataCollector* collectorMgr() const;

    // --- Content editor (main thread) --------------------------------------------
    // A query (op 22) or set (op 24) to the server's preference port, as one
    // datagram or in fragments. Nothing goes without an address.
    void sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set) override;

    // --- Sending preferences and commands (main thread) ----------------------------
    // Nothing is sent for a missing server, an address of 0, a command of 0,
    // or a key or value that does not fit one datagram (logged).
    void getPrefValue(const QString& key, KeloObject* kelo) override;
    // `key` may be an entry's "_alias"; the entry's real key is sent.
    void setPref(const QString& key, const QString& value, KeloObject* kelo, uint16_t flags = 0);
    // "KeloRemoteNotification": type 1 reads, type 2 sets a preference. The
    // composition root routes the notification here.
    void KeloRemoteNotification(const Notification& notification);
    void sendKeloRemoteCommand(int command, const QString& kelo);
    void sendKeloRemoteCommand(int command, const QString& kelo, const QByteArray& data);
    void forceSendKeloRemoteCommand(int command, uint32_t rawIPAddress);
    void sendKeloDaemonCommand(uint32_t command, const QString& kelo);
    // A string goes as UTF-8 with its NUL, a byte array as is, anything else
    // as no data.
    void sendKeloDaemonCommand(uint32_t command, const QVariant& data, const QString& kelo);
    void setKeloCollectionID(int collectionID, KeloObject* kelo) override;
    void requestLayerDetail(int layer, KeloObject* kelo);
    // A prepared datagram through the process's instance to the server's
    // preference port; -1 before that instance is made. Main thread: the
    // address conversion reads the interface table, which it rescans.
    static ssize_t sendMsg(const char* bytes, size_t length, KeloObject* kelo);
    // The process's instance's status socket (-1 when closed or not made).
    // Any thread.
    static int _privateUdpSocket();

    // --- Content manager role ------------------------------------------------------
    // Sets (identity) or clears (empty identity) this controller's manager
    // role for one collection, beaconed through the named interface.
    void setManagerIdentity(const QString& identity, int collection, const QString& interface);

private:
    std::unique_ptr<KlDatagramSocket> makeSocket(KlSocketRole role);
    void openSockets();

    Options options_;
    KeloNetworkInterface* net_info_ = nullptr;
    KeloServerTable servers_;
    std::unique_ptr<KlDatagramSocket> udpSocket_;
    std::unique_ptr<KlDatagramSocket> citpSocket_;
    std::unique_ptr<KlDatagramSocket> masterSocket_;
    std::unique_ptr<CitpDiscoveryChannel> discovery_;
    std::unique_ptr<StatusChannel> status_;
    std::unique_ptr<ContentEditorChannel> contentEditor_;
    std::unique_ptr<BftpBeaconChannel> bftp_;
    std::unique_ptr<KeloDaemonProbe> daemon_;
    std::unique_ptr<QTimer> updateTimer_;
    int loopcount_ = 0;
};

// The name without a leading "KeloEgret on ", then without a leading "Kelo on ".
QString screenNameForKeloName(const QString& name);
// As screenNameForKeloName, with " (address)" when asked and known.
QString screenNameForKelo(const KeloObject* kelo, bool withAddress);
