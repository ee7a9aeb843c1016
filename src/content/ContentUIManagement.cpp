// Which controller manages a collection: the check against other
// controllers' beacons, switching managing on and off, taking over from
// another controller, and giving way when another takes over.

#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "foundation/OmLog.h"
#include "foundation/OmxProcess.h"
#include "platform/LibraryPaths.h"
#include "platform/PropertyList.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlSockets.h"

#include <QFile>
#include <QObject>
#include <QTimer>

#include <cmath>

namespace {

constexpr int kLastCollectionID = 25;
constexpr double kManagerWindow = 5.0;        // seconds a beacon keeps a collection taken
constexpr double kRetryAfterAttempt = 3.0;    // seconds an attempt keeps its ground
constexpr int kTakeoverCheckMs = 4000;
constexpr double kTakeoverSettled = 2.0;      // seconds
constexpr double kMonitorGuard = 0.1;         // seconds after an attempt
constexpr int kReadyAnnouncements = 19;
constexpr char kDaemonPreferences[] = "~/Library/Preferences/com.OMBREL.KeloDaemon.plist";
constexpr char kSeveralInterfaces[] =
    "\nReceiving Management/CITP traffic from more than 1 interface!  This can cause erratic "
    "behavior.  Check network cables.\n\n";

// Identities as the manager beacon carries them: UTF-8 cut to the field.
QByteArray beaconForm(const QString& identity) {
    QByteArray text = identity.toUtf8();
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    return text.left(qsizetype(BftpBeacon::kIdentityField - 1));
}

}  // namespace

uint64_t ContentUI::machNow() const {
    return machClock_ ? machClock_() : MachAbsoluteTime();
}

QString ContentUI::daemonCITPPort() const {
    QFile file(daemonPrefsPath_.isEmpty() ? libraryPath(kDaemonPreferences) : daemonPrefsPath_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return PropertyList::read(file.readAll()).toMap().value("CITP_Port").toString();
}

int ContentUI::updateIsAllowedToManage(int32_t collectionID, QVariantMap* otherManager) {
    const double now = KeloObject::now();
    const double delay = lastFullUpdateTick_ > 0 ? std::max(0.0, std::trunc(now - lastFullUpdateTick_)) : 0;
    const double window = delay + kManagerWindow;
    const uint64_t mono = machNow();
    const QByteArray ours = beaconForm(masterIdentity_);
    KlE_Control_Status* net = network();
    if (!net) return 2;
    const QVariantMap managers = net->visibleManagers();
    for (auto it = managers.constBegin(); it != managers.constEnd(); ++it) {
        const QVariantMap record = it.value().toMap();
        const auto seen = uint64_t(record.value("last_seen").toLongLong());
        const uint64_t age = mono > seen ? (mono - seen) / 1000000000u : 0;
        if (double(age) >= window) continue;
        if (beaconForm(record.value("master").toString()) == ours) continue;
        if (!record.contains("collectionID") || record.value("collectionID").toInt() != collectionID)
            continue;
        if (otherManager) *otherManager = record;
        return 1;
    }
    return 2;
}

bool ContentUI::userAttemptingToManage(int32_t collectionID, bool isAttemptingSync) {
    manageEnabled_ = true;
    QVariantMap other;
    if (updateIsAllowedToManage(collectionID, &other) == 2)
        return setManageContentEnabled(true, collectionID, isAttemptingSync);
    ContentSyncServices& sync = ContentSyncServices::shared();
    if (lastFullUpdateTick_ - timeOfLastManageAttempt_ < kRetryAfterAttempt) {
        sync.log(kOmLogInfo, "Attempting to take over from other Verozo.  Please retry momentarily...");
        return false;
    }
    const QString text =
        QString("There is another Kelo Verozo application (%1) managing content on the "
                "network.\nIf you choose 'Attempt Take over', the other Verozo will give up as "
                "manager if there is no sync in progress.")
            .arg(IpAddressString(uint32_t(other.value("IP_address").toLongLong())));
    if (!sync.askTakeOver(text)) {
        setManageContentEnabled(false, collectionID, isAttemptingSync);
        manageSegment_ = 0;
        return false;
    }
    timeOfLastManageAttempt_ = KeloObject::now();
    sync.log(kOmLogInfo, QString("Attempting to take over collection '%1' from other Verozo.  "
                                 "Please retry momentarily...")
                             .arg(collectionIdToString(collectionID)));
    setManageContentEnabled(true, collectionID, isAttemptingSync);
    if (!timerContext_) timerContext_ = std::make_unique<QObject>();
    QTimer::singleShot(kTakeoverCheckMs, timerContext_.get(), [this] { takeoverCheck(); });
    manageEnabled_ = false;
    return false;
}

bool ContentUI::setManageContentEnabled(bool enable, int32_t collectionID, bool isAttemptingSync) {
    getMasterIdentity();
    if (!lastComputerName_.isEmpty() && lastComputerName_ != masterIdentity_)
        for (int32_t id = 0; id <= kLastCollectionID; ++id) monitorCollectionID(id);
    lastComputerName_ = masterIdentity_;
    if (!enable) {
        monitorCollectionID(collectionID);
        return false;
    }
    ContentSyncServices& sync = ContentSyncServices::shared();
    KlE_Control_Status* net = network();
    if (!net) return false;
    const QString selectedName = services().selectedServerName();
    const KeloObject* selected = selectedName.isEmpty() ? nullptr : net->keloObjectForName(selectedName);
    if (isAttemptingSync && (!selected || selected->collectionID() != collectionID)) {
        if (!selected)
            sync.log(kOmLogWarning, "To manage, first select an Kelo.");
        else
            sync.log(kOmLogError, "Cannot manage content.  Cannot verify collection of selected Kelo.");
        return false;
    }

    QStringList interfaces;
    QString trouble;
    const QString seenOn = selected ? sync.externalInterfaceForKelo(selectedName) : QString();
    if (!seenOn.isEmpty()) {
        interfaces << seenOn;
        trouble = sync.troubleShootStringForKelo(selectedName, false);
    } else {
        const QStringList patched = services().validServersForCollection(collectionID);
        for (const QString& name : net->current()) {
            const KeloObject* kelo = net->keloObjectForName(name);
            if (!kelo || kelo->collectionID() != collectionID) continue;
            const QString interface = sync.externalInterfaceForKelo(name);
            if (interface.isEmpty() || interfaces.contains(interface)) continue;
            if (patched.contains(name)) {
                interfaces << interface;
                if (trouble.isNull()) trouble = sync.troubleShootStringForKelo(name, false);
            } else {
                OmLogNoFlood(kOmLogDebug,
                             "[Content] Ignoring *unpatched* Kelo '%s', which is on a different "
                             "interface '%s'\n",
                             qPrintable(services().screenNameForKeloWithName(name)),
                             qPrintable(interface));
            }
        }
    }
    if (!trouble.isEmpty()) {
        if (!trouble.startsWith(kSeveralInterfaces)) {
            sync.log(kOmLogError, "Cannot manage content.  " + trouble);
            return false;
        }
        sync.log(kOmLogWarning, "WARNING! (this may cause problems with content management).  " + trouble);
    }
    const QString letter = collectionIdToString(collectionID);
    if (interfaces.size() != 1) {
        monitorCollectionID(collectionID);
        if (!isAttemptingSync) return true;
        if (interfaces.isEmpty()) {
            sync.log(kOmLogError, "Need at least 2 networked Kelo to sync content for a collection.");
            return false;
        }
        sync.showNotSupported(QString("Multiple network interfaces were found for collection "
                                      "%1.\nThis is not supported.\nUnable to sync content.")
                                  .arg(letter));
        return false;
    }
    const QString interface = interfaces.front();
    KeloNetworkInterface* netInfo = net->networkInterface();
    for (const QString& name : services().validServersForCollection(collectionID)) {
        const KeloObject* kelo = net->keloObjectForName(name);
        if (!kelo || !netInfo || !netInfo->isLocalAddress(kelo->address())) continue;
        const QString port = daemonCITPPort();
        if (port == "Local") {
            sync.log(kOmLogError,
                     QString("Warning!  Cannot transfer.  This machine's Kelo Daemon ethernet "
                             "interface '%1'\n   does not match the 'Management/CITP' interface "
                             "'%2' of the Keloes in this collection.")
                         .arg(port, interface));
            return false;
        }
        if (!port.isEmpty() && port != interface)
            sync.log(kOmLogError,
                     QString("Warning!  This machine's Kelo Daemon ethernet interface '%1'\n   "
                             "does not match the 'Management/CITP' interface '%2' of the Keloes "
                             "in this collection.")
                         .arg(port, interface));
    }
    net->setManagerIdentity(masterIdentity_, collectionID, interface);
    manageSegment_ = 1;
    ContentCollection* collection = contentCollection(collectionID);
    if (!collection) collection = createCollection(collectionID);
    if (!collection->isManaged)
        sync.log(kOmLogInfo,
                 QString("Manage collection '%1' on interface '%2'").arg(letter, interface));
    collection->isManaged = true;
    return true;
}

void ContentUI::monitorCollectionID(int32_t collectionID) {
    if (KeloObject::now() - timeOfLastManageAttempt_ < kMonitorGuard) return;
    ContentCollection* collection = contentCollection(collectionID);
    if (collection && collection->isManaged) {
        collection->isManaged = false;
        ContentSyncServices::shared().log(
            kOmLogInfo,
            QString("Stop managing collection '%1'").arg(collectionIdToString(collectionID)));
    }
    if (KlE_Control_Status* net = network()) net->setManagerIdentity(QString(), collectionID, QString());
    if (collectionID_ == collectionID || collectionID_ < 0) manageSegment_ = 0;
}

void ContentUI::takeoverCheck() {
    if (manageSegment_ == 1 && timeOfLastManageAttempt_ != 0 &&
        KeloObject::now() - timeOfLastManageAttempt_ > kTakeoverSettled) {
        ContentSyncServices::shared().log(kOmLogInfo,
                                          "Successfully took over collection from other Verozo.");
        timeOfLastManageAttempt_ = 0;
    }
    manageEnabled_ = true;
}

void ContentUI::monitorOrManageSelected(int segment) {
    manageSegment_ = segment == 1 ? 1 : 0;
    if (manageSegment_ == 1) {
        userAttemptingToManage(collectionID_, true);
        return;
    }
    cancelAllTransfers();
    for (int32_t id = 0; id <= kLastCollectionID; ++id) monitorCollectionID(id);
}

void ContentUI::KlEManagementNotification(const QVariantMap& info) {
    if (info.value("event").toString() != "ManagerConflictError" || !info.contains("collectionID"))
        return;
    const int32_t collectionID = info.value("collectionID").toInt();
    ContentCollection* collection = contentCollection(collectionID);
    // A running sync keeps this controller the manager.
    if (collection && collection->hasActiveTransfers()) return;
    if (lastFullUpdateTick_ - timeOfLastManageAttempt_ < kRetryAfterAttempt) return;
    if (manageSegment_ == 1)
        ContentSyncServices::shared().log(kOmLogWarning,
                                          timeOfLastManageAttempt_ == 0
                                              ? "Warning: Other Verozo took over as content manager."
                                              : "Warning: Attempt to take over from other Verozo failed.");
    setManageContentEnabled(false, collectionID, false);
    timeOfLastManageAttempt_ = 0;
    manageEnabled_ = true;
}

bool ContentUI::shouldSelectedServerBeReady(const KeloObject* kelo) {
    if (kelo != lastSelectedServer_) {
        lastSelectedServer_ = kelo;
        pLoc_ = kelo ? kelo->lastPLoc() : 0;
        pLocCount_ = 0;
        return false;
    }
    if (kelo && kelo->lastPLoc() != pLoc_) ++pLocCount_;
    return pLocCount_ > kReadyAnnouncements;
}
