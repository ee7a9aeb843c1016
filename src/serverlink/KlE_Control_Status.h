#pragma once

#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/KlMsgNotificationDataCollector.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class KeloNetworkInterface;
class QTimer;

class ReceiveThread;
struct ReceivedDatagram;

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
    bool receiveThreads = true;  // off: a test hands datagrams to handleMessage
    bool timer = true;           // off: a test calls timerProc itself
    // Replaces the send call (socket, datagram, host-order address, port),
    // so that a test sees what the tick sends.
    std::function<void(int, const QByteArray&, uint32_t, uint16_t)> sendHook;
};

// The one object through which the controller talks to the Kelo servers: it
// owns every server object, the server link's sockets and receive threads,
// and a 1/30 s timer on the main thread that opens the sockets, polls every
// wanted running server, notices lost contact, checks the interfaces and the
// local daemon, and sends the content-manager beacon.
//
// Everything runs on the main thread except the two receive threads, which
// only read the socket numbers and `sktValid` and hand each datagram to the
// main thread, waiting until it was handled.
//
// A server is polled only while it is `active` (wanted). Views mark the
// servers they show with `addKeloForName`; a program without views does the
// same for every server it wants polled.
class KlE_Control_Status {
public:
    using Options = KlE_Control_StatusOptions;

    using KeloTable = std::map<QString, std::unique_ptr<KeloObject>>;

    // A separate instance, for tests. Main thread.
    explicit KlE_Control_Status(const Options& options = Options());
    // Stops the timer, closes the sockets and ends the receive threads.
    ~KlE_Control_Status();
    KlE_Control_Status(const KlE_Control_Status&) = delete;
    KlE_Control_Status& operator=(const KlE_Control_Status&) = delete;

    // The process's instance, made once on first use (on the main thread).
    static KlE_Control_Status* instance();
    static KlE_Control_Status* defaultObject();
    // Options of the process's instance; only before it is first made.
    static void setDefaultOptions(const Options& options);
    static void setVerboseMode(bool on);
    static bool verboseMode();

    // --- Server table --------------------------------------------------------
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

    const KeloTable& keloes() const { return keloes_; }
    const QStringList& current() const { return current_; }
    const QVariantMap& visibleManagers() const { return visibleManagers_; }
    QString managerIdentity() const { return managerIdentity_; }
    int changes() const { return changes_; }
    bool daemonRunning() const { return daemonRunning_; }
    bool sktValid() const { return sktValid_.load(); }
    KeloNetworkInterface* networkInterface() const { return net_info_; }
    double plocTimeout() const { return plocTimeout_; }
    void setPlocTimeout(double seconds) { plocTimeout_ = seconds; }
    bool plocReport() const { return plocReport_; }
    void setPlocReport(bool on) { plocReport_ = on; }
    const Options& options() const { return options_; }

    // Content-editor message fields are joined by a vertical tab.
    static QString combinedStrings(const QStringList& strings);
    static QStringList separatedStrings(const QString& string);

    // --- Timer and sockets ---------------------------------------------------
    void startupTimerIfNeeded();
    void stopTimerAndCloseSockets();
    void closeSockets();
    // One 1/30 s tick.
    void timerProc();
    void runStatus();
    // True when the local daemon started or stopped since the last check.
    bool checkForDaemon();

    // --- Receiving (main thread) ---------------------------------------------
    // One datagram as a receive thread copied it.
    void incomingMessage(const ReceivedDatagram& packet);
    // Dispatch of one accepted datagram; `clientAddr` is 127.0.0.1 for a
    // sender on this computer, `realEthernetAddress` its own address.
    void handleMessage(const char* data, size_t size, bool local, uint32_t clientAddr,
                       uint32_t realEthernetAddress, const char* ifname);
    // Stores `value` as the entry's "_value" (parsed for "s_array" and "dict"
    // entries); true when it equals what was there.
    static bool setPrefValue(const QString& value, const QString& key, QVariantMap* item);
    void notifyContentItemData(KeloObject* kelo, const QString& text);
    // Puts fragmented content item data back together; made on first need.
    KlMsgNotificationDataCollector* collectorMgr() const { return collectorMgr_.get(); }

    // --- Content editor (main thread) ----------------------------------------
    // A query (op 22) or set (op 24) to the server's preference port, as one
    // datagram or in fragments. Nothing goes without an address.
    void sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set);

    // --- Sending preferences and commands (main thread) ----------------------
    // Nothing is sent for a missing server, an address of 0, a command of 0,
    // or a key or value that does not fit one datagram (logged).
    void getPrefValue(const QString& key, KeloObject* kelo);
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
    void setKeloCollectionID(int collectionID, KeloObject* kelo);
    void requestLayerDetail(int layer, KeloObject* kelo);
    // A prepared datagram to the server's preference port; -1 without a link.
    // Main thread: the address conversion reads the interface table, which
    // the main thread rescans.
    static ssize_t sendMsg(const char* bytes, size_t length, KeloObject* kelo);
    // The socket everything is sent through (-1 when closed). Any thread.
    static int _privateUdpSocket();
    // The process's instance, or in tests the last separate instance made
    // that is still alive; null when there is none. Never creates one.
    static KlE_Control_Status* liveObject();

    // --- Content manager role ------------------------------------------------
    // Sets (identity) or clears (empty identity) this controller's manager
    // role for one collection, beaconed through the named interface.
    void setManagerIdentity(const QString& identity, int collection, const QString& interface);

private:
    void handleServerMessage(const char* data, size_t size, bool local, uint32_t clientAddr);
    void handleOnePref(KeloObject* kelo, const char* data, size_t size);
    void handlePLoc(const char* data, size_t size, uint32_t clientAddr,
                    uint32_t realEthernetAddress, const char* ifname);
    void handleBftp(const char* data, size_t size, uint32_t clientAddr,
                    uint32_t realEthernetAddress);
    void openSockets();
    void sendManagerBeacons();
    ssize_t send(int socket, const QByteArray& datagram, uint32_t address, uint16_t port);
    bool isLocalAddress(uint32_t address) const;

    Options options_;
    // Read by the receive threads without the main thread's involvement.
    std::atomic<int> citpsocket_{-1};
    std::atomic<int> udpsocket_{-1};
    std::atomic<bool> sktValid_{false};
    KeloNetworkInterface* net_info_ = nullptr;
    KeloTable keloes_;
    std::map<QString, KeloObject*> addresses_;
    QString localKelo_;
    QStringList current_;
    QTimer* updateTimer_ = nullptr;
    std::map<QString, QString> managedCollectionIDs_;
    int mastersocket_ = -1;
    uint32_t masterinterface_ = 0;
    QByteArray manager_ident_;
    QString managerIdentity_;
    QVariantMap visibleManagers_;
    double plocTimeout_ = 5.0;
    bool plocReport_ = false;
    int loopcount_ = 0;
    int changes_ = 0;
    int KeloDaemonPID_ = 0;
    bool daemonRunning_ = false;
    double sLastRunStatus_ = 0;
    double sGracePeriod_ = 0;
    std::unique_ptr<ReceiveThread> networkThread_;
    std::unique_ptr<ReceiveThread> citpThread_;
    std::unique_ptr<KlMsgNotificationDataCollector> collectorMgr_;
    static std::atomic<KlE_Control_Status*> sLiveObject_;
};

// The name without a leading "KeloEgret on ", then without a leading "Kelo on ".
QString screenNameForKeloName(const QString& name);
// As screenNameForKeloName, with " (address)" when asked and known.
QString screenNameForKelo(const KeloObject* kelo, bool withAddress);

// Prints each received datagram while on.
extern bool gLogCICVMEthernet;
void DumpCitp(const char* label, const char* bytes, size_t length, uint32_t sourceAddress,
              uint16_t sourcePort, const char* ifname);
