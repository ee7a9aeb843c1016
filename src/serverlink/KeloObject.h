#pragma once

#include "serverlink/KeloImage.h"
#include "serverlink/KeloPolledPref.h"
#include "serverlink/KeloStatusRecords.h"
#include "serverlink/KlContentRef.h"
#include "serverlink/KlReqV4.h"
#include "serverlink/MixRectangleServices.h"
#include "serverlink/ServerChanges.h"

#include <QDateTime>
#include <QMap>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class KeloObjectLink;

// One entry of a mix menu: the menu layer adds an item with this title and tag.
struct KeloMixMenuItem {
    QString title;
    int tag = 0;  // the mix's `mixIndex`
    bool operator==(const KeloMixMenuItem&) const = default;
};

// Something another subsystem attaches to a server object, found again by tag.
class KeloDestination {
public:
    virtual ~KeloDestination() = default;
    virtual int tag() const = 0;
};

// The controller's model of one media server: discovery facts, the status
// records as received, preview pictures and the request schedule. Created by
// the network singleton on first contact and kept for the life of the process.
// Main thread only, except the content database and time stamp, which carry
// their own lock. It reaches the link only through the KeloObjectLink it is
// given, shows nothing and fills no menu: it returns data or posts events.
class KeloObject {
public:
    static constexpr int kLayerSlots = 32;
    static constexpr int kLayerImages = 24;       // layer pictures that exist
    static constexpr int kDMX_MasterImages = 33;  // global surface + 32 outputs
    // Mix indexes at or above this get no picture (the index comes from the
    // server's preferences and sizes an array).
    static constexpr int kMaxMixImages = 256;

    KeloObject();
    ~KeloObject();
    KeloObject(const KeloObject&) = delete;
    KeloObject& operator=(const KeloObject&) = delete;

    // The link that sends on the object's behalf (preference reads, the
    // collection assignment, content-editor messages); null sends nothing.
    void setLink(KeloObjectLink* link) { link_ = link; }
    KeloObjectLink* link() const { return link_; }

    // --- Seams ---------------------------------------------------------------
    // Whether an address (host order) belongs to this computer. Without one,
    // only 127.0.0.0/8 counts as local.
    static void setLocalAddressTest(std::function<bool(uint32_t)> test);
    // Reference-date seconds now; replaceable so that tests control time.
    static double now();
    static void setClock(std::function<double()> clock);

    // --- Filing received records (main thread) -------------------------------
    // Refuses (false) a record shorter than kle_general_stat.
    bool setGeneralStatus(const void* bytes, size_t size);
    // True when a general status was awaited and this time is non-zero.
    bool setGeneralStatusArrived(double time);
    // Layers 0-23 only; refuses (false) other layers and short records.
    bool setLayerDetailStatus(const void* bytes, size_t size, int layer);
    void addChanges(int mask) { changes_.Increment(mask); }
    ServerChanges changes() const { return changes_; }

    // --- Discovery bookkeeping -----------------------------------------------
    void setAddress(uint32_t address, uint32_t realEthernetAddress);
    // Change bits applied: 65 when the interface set changed, else 0.
    int updateEthIfNames(const QString& ifName);
    void setEthIfName(const QString& ifName);
    // 16 when the state changed, else 0.
    int updateQuarantineState(bool quarantined);
    void setOtherSideSubnetMask(uint32_t mask);
    // Null unless the address keeps flipping between two values.
    QString addressChangeWarning();

    void setTcpPort(int32_t port) { tcpPort_ = port; }
    void setBftpTcpPort(int32_t port) { bftpTcpPort_ = port; }
    void setIsRunning(bool running) { isRunning_ = running; }
    void setActive(bool active) { active_ = active; }
    void setIsReachable(bool reachable) { isReachable_ = reachable; }
    void setName(const QString& name) { name_ = name; }
    void setLastPLoc(double time) { lastPLoc_ = time; }
    void setLastPLocValid(bool valid) { lastPLocValid_ = valid ? 1 : 0; }
    void setNeedsPrefUpdate(bool needs) { needsPrefUpdate_ = needs; }
    void setNeedsProductUpdate(bool needs) { needsProductUpdate_ = needs; }
    void setProgressMax(uint16_t v) { progressMax_ = v; }
    void setProgressSecs(uint16_t v) { progressSecs_ = v; }
    void setCollectionID(int32_t id) { collectionID_ = id; }
    void setKeloVersion(int32_t v) { keloVersion_ = v; }
    void setDaemonVersion(int32_t v) { daemonVersion_ = v; }
    void setIsLocalIP(bool local) { isLocalIP_ = local; }
    void setIsUpdating(bool updating) { isUpdating_ = updating; }
    void setProductName(const QString& name);
    void setPrefsDict(const QVariantMap& prefs);
    // Marks the moment of an own preference change, so that the update the
    // server then announces does not trigger a full dictionary fetch.
    void anticipatePrefUpdates() { anticipatingPrefUpdates_ = now(); }
    // A content-editor query (`set` false) or set, through the link; the
    // answer comes as "KeloContentEditorNotification".
    void sendContentEditorMessage(const QString& text, bool set);

    // --- Preferences (main thread) ---------------------------------------------
    // Forgets the dictionary, so that the next poll asks for it again.
    void clearPrefsDict();
    const std::map<QString, KeloPolledPref>& polledPrefs() const { return polledPrefs_; }
    // The entry of `key` when it was read at the server's current preference
    // update; otherwise nothing, with the reason in `errStr` (may be null).
    // Asks the server for the key at most once a second.
    std::optional<QVariantMap> addPolledPref(const QString& key, QString* errStr, int type);
    // Drops poll-type-0 keys no view asked for in 10 s (not while
    // `gracePeriod` is non-zero) and asks again for keys not current.
    void updatePolledPrefsWithGracePeriod(double gracePeriod);
    // Posts the notification named by "notificationName" with this server as
    // sender and `notification` as user info; an increment notification first
    // marks the entries of its type for refresh.
    void postNotification(const QVariantMap& notification);
    // The mix list read from the "mixes" preference; empty while none arrived.
    std::vector<MixRectangleRecord> sortedMixes();
    std::vector<MixRectangleRecord> cachedSortedMixes();
    int32_t cachedSortedMixesIncrement() const { return _cachedSortedMixesIncrement; }
    // Appends one item per real mix (index above 0) for a menu layer to
    // show; true when the list has any mixes.
    bool populateMixesForMenu(std::vector<KeloMixMenuItem>* items);
    // Null when no mix has that index.
    QString mixName(int mixIndex);
    QString cachedMixName(int mixIndex);
    // Asks the server to move to another collection; its beacon says when it did.
    void setKeloCollectionID(int collectionID);

    // Any thread (own lock).
    void setContentTimeStamp(const QString& stamp);
    QString contentTimeStamp() const;
    void setContentDatabase(const QVariantMap& database);
    QVariantMap contentDatabase() const;

    // --- Product query and content database over TCP (KeloObjectTCP.cpp) ----
    // Each query runs on a thread of its own; results arrive on the main
    // thread as the database, the product name or a notification.
    // Starts the product query when one is wanted and the address is known.
    void doProductUpdate();
    // Fetches the database when the announced time stamp is newer and no
    // fetch runs; `isUpdating` is set until it ends, however it ends.
    void updateContentDatabase();
    void fetchThumbnailData(const KlContentRef& item);
    void fetchThumbnailData(int type, int folder, int file);
    void fetchDatabaseEntry(const KlContentRef& item);
    void fetchDatabaseFolderEntry(const KlContentRef& item);
    void cleanUpAfterSync();
    // {"opcode": "0"-"4", "file": the 4-byte item reference}.
    void updateWithTCP(const QVariantMap& request);
    bool needsContentUpdate() const;
    bool contentDatabaseValid() const;
    // A database path made absolute: relative ones under ".KeloFolderPath",
    // "/.<volume>.<rest>" under that volume of ".ExtraVolumes".
    QString fullPathToFile(const QString& path) const;
    static QString fullPathToFile(const QString& path, const QVariantMap& database);

    // --- Read accessors ------------------------------------------------------
    // A view that reads this also wants the server polled: it calls
    // setActive(true) as well.
    double generalStatusArrived() const { return generalStatusArrived_; }
    const kle_general_stat* getGeneralStatusPtr() const { return &generalStatus_; }
    // Null for an index outside 0-31.
    const short_layer_status_2* layerStatus(int layer) const;
    const kle_layer_stat* layerDetail(int layer) const;

    uint32_t address() const { return address_; }
    uint32_t realEthernetAddress() const { return realEthernetAddress_; }
    int32_t tcpPort() const { return tcpPort_; }
    int32_t bftpTcpPort() const { return bftpTcpPort_; }
    bool isRunning() const { return isRunning_; }
    bool active() const { return active_; }
    bool isReachable() const { return isReachable_; }
    QString ethIfName() const { return ethIfName_; }
    QMap<QString, QDateTime> ethIfNames() const { return ethIfNames_; }
    double multipleInterfaces() const { return multipleInterfaces_; }
    QString name() const { return name_; }
    bool isInWindow() const { return isInWindow_; }
    bool isLocalIP() const { return isLocalIP_; }
    double lastPLoc() const { return lastPLoc_; }
    int8_t lastPLocValid() const { return lastPLocValid_; }
    bool needsPrefUpdate() const { return needsPrefUpdate_; }
    int32_t prefUpdates() const { return prefUpdates_; }
    bool needsProductUpdate() const { return needsProductUpdate_; }
    uint16_t progressMax() const { return progressMax_; }
    uint16_t progressSecs() const { return progressSecs_; }
    int32_t collectionID() const { return collectionID_; }
    int32_t keloVersion() const { return keloVersion_; }
    int32_t daemonVersion() const { return daemonVersion_; }
    uint32_t otherSideSubnetMask() const { return otherSideSubnetMask_; }
    bool quarantineState() const { return quarantineState_; }
    bool isUpdating() const { return isUpdating_; }
    QString productName() const { return productName_; }
    const QVariantMap& prefsDict() const { return prefsDict_; }
    // The dictionary for the preference editor, which keeps its display
    // order and fetch marks in it; null until one arrived. The pointer stays
    // valid for the life of this object; its contents change whenever the
    // link files a preference or a new dictionary.
    QVariantMap* mutablePrefsDict() { return hasPrefsDict_ ? &prefsDict_ : nullptr; }
    bool hasPrefsDict() const { return hasPrefsDict_; }
    double anticipatingPrefUpdates() const { return anticipatingPrefUpdates_; }
    // How often the server's counter of a preference type (0-12) changed.
    uint64_t pref_IncrForType(int type) const;

    QString addressString() const;
    QString description() const;
    int layerCount() const { return generalStatus_.layercount; }
    uint32_t rxTimeCode() const { return generalStatus_.tc_value.value(); }
    uint32_t dmxSourceIP() const { return generalStatus_.dmxSrcIp.value(); }
    QSize sizeOfScreen(int screen) const;
    int dimmerLevelForOutput(int output) const;
    int groupNumberForScreen(int screen) const;
    int numberOfIOModules() const;
    int generalStatusProfile() const { return generalStatus_.profile; }
    QString profileName() const;
    bool isBackup() const;
    int DMX_MasterCount() const;
    bool isVersionAtLeast(int major, int minor) const;
    void getVMajor(int* major, int* minor) const;
    // Null when there is none to show.
    QString userDefinedName() const;
    QString keloVariant() const;
    // Integer, or an invalid QVariant for "none".
    QVariant valueFor(int code) const;
    QVariant valueFor(int code, int layer) const;

    static int numberOfOutputsForProfile_V3(int profile);

    // --- Layer summary and profile limits (keloLayerProgressRec.cpp) ---------
    // 0 on success; for a layer index beyond 23 or the layer count, or before
    // the first general status, a zeroed record and 0xFFFFFFFF.
    uint32_t layerProgressInfo(struct keloLayerProgressRec* rec, int layerIdx) const;
    // Compatibility class of a DMX profile; 0 is compatible with nothing.
    static int profileCompatibility(int profile);
    // The common class of two profiles, else 0.
    static int profileIsCompatible(int profile1, int profile2);
    static int profileLayerLimitPilot(int profile, const QString& variant);
    static int profileOutputLimitPilot(int profile);

    // --- Destinations --------------------------------------------------------
    const std::vector<std::shared_ptr<KeloDestination>>& destinations() const {
        return destinations_;
    }
    std::shared_ptr<KeloDestination> destinationWithTag(int tag) const;
    void addDestination(const std::shared_ptr<KeloDestination>& destination);
    void removeDestination(const std::shared_ptr<KeloDestination>& destination);
    void removeAllDestinations() { destinations_.clear(); }

    // --- Request schedule and preview pictures -------------------------------
    // The next status or preview request; never of type 0.
    KlReqV4 request();
    // The picture that a reply record for `req` fills, or null.
    KeloImage* imageWithRequest(const KlReqV4& req);
    // As imageWithRequest, but only a picture that arrived in the last 5 s.
    KeloImage* freshImageWithRequest(const KlReqV4& req);
    KeloImage* layerImageAtIndex(int index);
    KeloImage* DMX_MasterImageAtIndex(int index);
    KeloImage* mixImageAtIndex(int index);
    void rereadMixesIfWanted();
    // The request a view uses for a layer, output or mix picture.
    void imageRequest_V4(KlReqV4* req, int layer, int output, int mix, int univ) const;
    int mixImagesMax() const { return mixImagesMax_; }
    bool cachedSortedMixesNeedsUpdate() const { return _cachedSortedMixesNeedsUpdate != 0; }

    static void setLiveImageFeedbackEnabled(bool enabled);
    static bool isLiveImageFeedbackEnabled();
    // Turning it on the first time posts
    // "KeloFeedbackSpeedupNoticeNotification", telling the operator what it
    // costs (unless the user default "sBetaFeatureSyphon" is 2).
    static void setFeedbackSpeedup(bool on);
    static bool isFeedbackSpeedup();

private:
    struct PrefIncrTracker {
        uint8_t _pref_incr[13] = {};
        uint64_t statusIncrement[13] = {};
        uint64_t prevStatusIncrement[13] = {};
    };

    bool hasGeneralStatus() const { return generalStatusArrived_ != 0; }
    KeloImage* outputOrGlobalImage(int index) const;
    // Spends one turn of the picture's countdown: whether it is still wanted.
    static bool spendImageWanted(KeloImage* image);
    void rebuildMixImages();

    ServerChanges changes_;
    KeloObjectLink* link_ = nullptr;
    uint32_t address_ = 0;
    uint32_t realEthernetAddress_ = 0;
    int32_t tcpPort_ = 0;
    int32_t bftpTcpPort_ = 0;
    bool isRunning_ = false;
    bool active_ = false;
    bool isReachable_ = false;
    QString ethIfName_;
    QMap<QString, QDateTime> ethIfNames_;
    double multipleInterfaces_ = 0;
    QString name_;
    bool isInWindow_ = false;
    std::array<std::unique_ptr<KeloImage>, kLayerSlots> layerImages_;
    std::array<std::unique_ptr<KeloImage>, kDMX_MasterImages> DMX_MasterImages_;
    double mixImagesWanted_ = 0;
    std::vector<std::unique_ptr<KeloImage>> mixImages_;
    int32_t mixImagesMax_ = 0;
    int32_t serviceGlobalSurface_ = 0;
    kle_general_stat generalStatus_{};
    std::array<short_layer_status_2, kLayerSlots> layer_stats_{};
    double generalStatusArrived_ = 0;
    PrefIncrTracker tracker_;
    std::array<kle_layer_stat, kLayerSlots> layerdetail_{};
    double lastPLoc_ = 0;
    int8_t lastPLocValid_ = 0;
    QVariantMap prefsDict_;
    bool hasPrefsDict_ = false;
    int32_t prefUpdates_ = 0;
    std::vector<std::shared_ptr<KeloDestination>> destinations_;
    int32_t phase_ = 0;
    int32_t onum_ = 0;
    int32_t lnum_ = 0;
    char user_defined_name_[60] = {};
    QString productName_;
    bool needsPrefUpdate_ = false;
    bool needsProductUpdate_ = false;
    bool isUpdating_ = false;
    int32_t collectionID_ = -1;
    int32_t keloVersion_ = 0;
    int32_t daemonVersion_ = 0;
    uint16_t progressSecs_ = 0;
    uint16_t progressMax_ = 0;
    uint32_t otherSideSubnetMask_ = 0;
    bool isLocalIP_ = false;
    bool quarantineState_ = false;
    double anticipatingPrefUpdates_ = 0;
    int8_t _cachedSortedMixesNeedsUpdate = 1;
    std::vector<MixRectangleRecord> _cachedSortedMixes;
    int32_t _cachedSortedMixesIncrement = 0;
    std::map<QString, KeloPolledPref> polledPrefs_;
    // Lets work queued for the main thread see whether the object still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    uint32_t addressChangeCount_ = 0;
    double addressChangeTime_ = 0;
    uint32_t oldAddr_ = 0;

    mutable std::mutex contentLock_;
    QString contentTimeStamp_;
    QVariantMap contentDatabase_;
};
