#include "content/KeloContentAnalyser.h"

#include "content/ContentDefaults.h"
#include "content/KeloContentID.h"
#include "content/KlParsedFileName.h"
#include "foundation/OmLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <system_error>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kLastPass = 10;
constexpr double kLowSpaceRatio = 0.05;
constexpr int kCancelPolls = 402;
constexpr auto kCancelPoll = 5ms;
// Seconds from 1970 to the reference date, 2001-01-01 00:00:00 UTC.
constexpr int64_t kReferenceDateOffset = 978307200;

// Runs `fn` on the main thread and waits for its answer; nothing when
// `cancelling` is set meanwhile. `fn` must capture only values: after a
// cancel it may still run, later, when no one waits for it.
template <typename T>
std::optional<T> answerFromMain(std::function<T()> fn, const std::atomic<bool>& cancelling) {
    if (MainThread::isMainThread()) return fn();
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::optional<T> answer;
    };
    auto state = std::make_shared<State>();
    MainThread::runOnMain([state, fn] {
        T answer = fn();
        std::lock_guard lock(state->m);
        state->answer = std::move(answer);
        state->cv.notify_all();
    });
    std::unique_lock lock(state->m);
    while (!state->answer) {
        if (cancelling.load()) return std::nullopt;
        state->cv.wait_for(lock, kCancelPoll);
    }
    return state->answer;
}

void sleepUnlessCancelled(const std::atomic<bool>& cancelling, int slices) {
    for (int i = 0; i < slices && !cancelling.load(); ++i) std::this_thread::sleep_for(100ms);
}

QString lastPathComponent(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString directoryOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QString("");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// Whole seconds since the reference date; 0 for no date.
int64_t referenceSeconds(const QVariant& value) {
    const QDateTime date = value.toDateTime();
    if (!date.isValid()) return 0;
    const double seconds = double(date.toMSecsSinceEpoch()) / 1000.0 - double(kReferenceDateOffset);
    return int64_t(seconds);
}

bool isFolderMap(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap;
}

// Keys read for every file: made once, not at each look-up.
const QString kPathKey = QStringLiteral("Path");
const QString kLengthKey = QStringLiteral("Length");
const QString kModifiedKey = QStringLiteral("Modified");
const QString kConflictsKey = QStringLiteral("Conflicts");
const QString kBuiltInKey = QStringLiteral("BuiltIn");

// The directories of a member folder that cannot be written to.
QStringList readOnlyDirectories(const QVariantMap& memberFolder) {
    const QVariantList paths = memberFolder.value(".Paths").toList();
    const QVariantList info = memberFolder.value(".PathInfo").toList();
    QStringList readOnly;
    for (qsizetype i = 0; i < paths.size() && i < info.size(); ++i) {
        const QVariantMap entry = info[i].toMap();
        const auto it = entry.constFind("canwrite");
        if (it != entry.constEnd() && !it->toBool()) readOnly << paths[i].toString();
    }
    return readOnly;
}

bool lowOnSpace(const QVariantMap& db) {
    const auto free = db.constFind(".VolumeFreeSpace");
    if (free == db.constEnd()) return false;
    const double total = db.value(".VolumeTotalSize").toDouble();
    if (total == 0) return false;
    return free->toDouble() / total < kLowSpaceRatio;
}

QString issueText(int bits, const QString& server) {
    return QString::number(bits) + ' ' + server;
}

}  // namespace

// --- Free functions ---------------------------------------------------------------

QString collectionIdToString(int collectionID) {
    if (collectionID < 0 || collectionID > 25) return QString("");
    return QString(QChar('a' + collectionID));
}

void addServerError(int32_t bits, const QString& server, QVariantMap* errors) {
    (*errors)[server] = (*errors).value(server).toInt() | bits;
}

// --- The analyser -----------------------------------------------------------------

struct KeloContentAnalyser::ServerCheck {
    bool found = false;
    uint32_t address = 0;
    int32_t collectionID = -1;
    bool databaseValid = false;
};

KeloContentAnalyser* KeloContentAnalyser::defaultAnalyser() {
    // Lives for the process: its thread may still run at exit.
    static auto* analyser = new KeloContentAnalyser;
    return analyser;
}

KeloContentAnalyser::KeloContentAnalyser(KlE_Control_Status* network) : network_(network) {}

KeloContentAnalyser::~KeloContentAnalyser() {
    cancel();
    if (thread_.joinable()) thread_.join();
}

KlE_Control_Status* KeloContentAnalyser::network() const {
    return network_ ? network_ : KlE_Control_Status::defaultObject();
}

void KeloContentAnalyser::setServers(const QStringList& servers) {
    std::lock_guard lock(lock_);
    servers_ = servers;
}

void KeloContentAnalyser::setMaster(const QString& master) {
    std::lock_guard lock(lock_);
    master_ = master;
}

void KeloContentAnalyser::setCollectionID(int32_t collectionID) {
    std::lock_guard lock(lock_);
    collectionID_ = collectionID;
}

std::shared_ptr<ContentAnalysis> KeloContentAnalyser::contentAnalysis() const {
    std::lock_guard lock(lock_);
    return contentAnalysis_;
}

QVariantMap KeloContentAnalyser::analysis() const {
    std::lock_guard lock(lock_);
    return analysis_;
}

QStringList KeloContentAnalyser::servers() const {
    std::lock_guard lock(lock_);
    return servers_;
}

QStringList KeloContentAnalyser::errors() const {
    std::lock_guard lock(lock_);
    return errors_;
}

QString KeloContentAnalyser::master() const {
    std::lock_guard lock(lock_);
    return master_;
}

int32_t KeloContentAnalyser::collectionID() const {
    std::lock_guard lock(lock_);
    return collectionID_;
}

void KeloContentAnalyser::analyse(bool background) {
    if (!cancel()) return;
    if (thread_.joinable()) thread_.join();
    analysing_ = true;
    valid_ = false;
    if (!background) {
        performAnalysis(false);
        return;
    }
    try {
        thread_ = std::thread([this] { performAnalysis(true); });
    } catch (const std::system_error& e) {
        OmLogNoFlood(kOmLogError, "[Content] no thread for the content analysis: %s\n", e.what());
        analysing_ = false;
    }
}

bool KeloContentAnalyser::cancel() {
    {
        std::lock_guard lock(lock_);
        if (!analysing_) return true;
        cancelling_ = true;
    }
    for (int poll = 1; poll <= kCancelPolls; ++poll) {
        std::this_thread::sleep_for(kCancelPoll);
        if (!cancelling_) {
            if (poll >= 21)
                OmLogNoFlood(kOmLogDebug, "[Content] cancel analysis took %d ms\n",
                             poll * int(kCancelPoll.count()));
            return true;
        }
    }
    OmLogNoFlood(kOmLogError, "[Content] ERROR: timeout analysing content.  Please relaunch.\n");
    return false;
}

void KeloContentAnalyser::performAnalysis(bool notify) {
    auto analysis = std::make_shared<ContentAnalysis>();
    {
        std::lock_guard lock(lock_);
        analysis->serverNames = servers_;
        analysis->masterName = master_;
        analysis->collectionID = collectionID_;
    }
    KlE_Control_Status* net = network();
    const int32_t collection = analysis->collectionID;
    QStringList errs;
    bool canProceed = true;
    bool wait = false;

    for (int pass = 0; pass <= kLastPass && !cancelling_; ++pass) {
        bool anyInvalid = false;
        for (const QString& name : analysis->serverNames) {
            if (cancelling_) break;
            if (wait) {
                OmLogNoFlood(kOmLogInfo, "[Content] wait 2 seconds for kelo to come up\n");
                sleepUnlessCancelled(cancelling_, 20);
                OmLogNoFlood(kOmLogWarning, "[Content] waited 2 seconds\n");
                wait = false;
                ++pass;
            }
            const bool mayUpdate = pass < kLastPass;
            const std::optional<ServerCheck> check = answerFromMain<ServerCheck>(
                [net, name, collection, mayUpdate] {
                    ServerCheck c;
                    KeloObject* kelo = net ? net->keloObjectForName(name) : nullptr;
                    if (!kelo) return c;
                    c.found = true;
                    c.address = kelo->address();
                    c.collectionID = kelo->collectionID();
                    c.databaseValid = kelo->contentDatabaseValid();
                    if (c.address != 0 && c.collectionID == collection && !c.databaseValid &&
                        mayUpdate && kelo->needsContentUpdate())
                        kelo->updateContentDatabase();
                    return c;
                },
                cancelling_);
            if (!check) break;
            if (!check->found || check->address == 0) {
                if (pass == kLastPass) errs << QString("'%1' is offline").arg(name);
            } else if (check->collectionID != collection) {
                if (check->collectionID == -1 && pass == 0) {
                    wait = true;
                } else {
                    canProceed = false;
                    if (pass == kLastPass)
                        errs << QString("'%1' has wrong collection %2")
                                    .arg(name, collectionIdToString(check->collectionID));
                }
            } else if (!check->databaseValid) {
                anyInvalid = true;
                if (pass == kLastPass) errs << QString("'%1' has no database").arg(name);
            }
        }
        if (anyInvalid) sleepUnlessCancelled(cancelling_, 1);
    }

    struct Collected {
        QVariantMap masterDb;
        std::vector<std::pair<QString, QVariantMap>> members;
        std::vector<uint32_t> addresses;
    };
    std::optional<Collected> collected;
    if (!cancelling_) {
        const QString masterName = analysis->masterName;
        const QStringList names = analysis->serverNames;
        collected = answerFromMain<Collected>(
            [net, masterName, names] {
                Collected c;
                if (!net) return c;
                if (KeloObject* master = net->keloObjectForName(masterName))
                    c.masterDb = master->contentDatabase();
                for (const QString& name : names) {
                    if (name == masterName) continue;
                    KeloObject* kelo = net->keloObjectForName(name);
                    if (!kelo) continue;
                    QVariantMap db = kelo->contentDatabase();
                    if (db.isEmpty()) continue;
                    c.members.emplace_back(name, std::move(db));
                    c.addresses.push_back(kelo->realEthernetAddress());
                }
                return c;
            },
            cancelling_);
    }

    bool published = false;
    if (collected && !cancelling_) {
        if (collected->masterDb.isEmpty()) {
            errs << QStringLiteral("master has no database");
            canProceed = false;
        } else if (canProceed) {
            analysis->addMember(analysis->masterName, true, collected->masterDb);
            std::vector<QVariantMap> slaveDbs;
            for (size_t i = 0; i < collected->members.size(); ++i) {
                const auto& [name, db] = collected->members[i];
                analysis->addMember(name, false, db)->address = collected->addresses[i];
                slaveDbs.push_back(db);
            }
            OmLogNoFlood(kOmLogDebug, "[Content] analysis can proceed... (%d slaveDbs)\n",
                         int(slaveDbs.size()));
            const QVariantMap& masterDb = collected->masterDb;
            QVariantMap result;
            const auto collectionIt = masterDb.constFind(".CollectionID");
            if (collectionIt != masterDb.constEnd()) result.insert(".CollectionID", *collectionIt);
            int issues = 0;
            for (auto it = masterDb.constBegin(); it != masterDb.constEnd() && !cancelling_; ++it)
                analyseFolder(it.key(), &result, &slaveDbs, *analysis, &issues, masterDb);
            for (const QVariantMap& memberDb : slaveDbs) {
                const QString memberOnlyKey =
                    ".MemberOnlyKey" + memberDb.value(".PLocName").toString();
                for (auto it = memberDb.constBegin(); it != memberDb.constEnd() && !cancelling_;
                     ++it) {
                    if (masterDb.contains(it.key())) continue;
                    analyseMemberFldr(it.key(), &result, *analysis, &issues, memberDb,
                                      memberOnlyKey);
                }
            }
            if (!cancelling_) {
                result.insert(".IssueCount", issues);
                result.insert(".ErrArray", errs);
                analysis->dict = result;
                published = true;
            }
        }
    }

    bool post = false;
    {
        std::lock_guard lock(lock_);
        if (!cancelling_) {
            if (published) {
                analysis_ = analysis->dict;
                contentAnalysis_ = analysis;
            }
            if (contentAnalysis_) contentAnalysis_->errors = errs;
            errors_ = errs;
            valid_ = canProceed;
            post = notify;
        } else {
            cancelling_ = false;
        }
        analysing_ = false;
    }
    if (post)
        NotificationCenter::defaultCenter().post(kKeloContentAnaysisCompleteNotification, this);
}

// --- Folders ------------------------------------------------------------------------

std::optional<QVariantMap> KeloContentAnalyser::massageFileInfo(const QVariantMap& entry) {
    static const QString kType = QStringLiteral("Type"), kGroup = QStringLiteral("Group"),
                         kFolder = QStringLiteral("Folder"), kFile = QStringLiteral("File"),
                         kParent = QStringLiteral("Parent");
    static const std::pair<QString, QString> kCopied[] = {
        {kLengthKey, QStringLiteral("length")},
        {kPathKey, QStringLiteral("name")},
        {kModifiedKey, QStringLiteral(".modificationdate")},
        {QStringLiteral("Changed"), QStringLiteral(".Changed")},
        {kBuiltInKey, kBuiltInKey},
    };
    static const QString kFileRef = QStringLiteral("fileRef");
    if (entry.value(kPathKey).toString().contains(QLatin1String("KeloSettings.plist")))
        return std::nullopt;
    const int type = entry.value(kType).toInt();
    const int folder = entry.value(kFolder).toInt();
    const int file = entry.value(kFile).toInt();
    if (type == KeloContentID::kMetadata || type == KeloContentID::kPlugin ||
        type == KeloContentID::kPluginImages) {
        const QStringList parts = entry.value(kParent).toString().split('_');
        if (type == KeloContentID::kMetadata) {
            if (parts.size() != 3 || klIntValue(parts[2]) != folder) return std::nullopt;
            if ((folder & 255) == 0 && (file & 255) != 4) return std::nullopt;
        } else {
            if ((folder & 255) == 0) return std::nullopt;
            if (parts.size() == 2) {
                if (klIntValue(parts[1]) != folder) return std::nullopt;
            } else if (parts.size() == 3) {
                if (klIntValue(parts[2]) != folder) return std::nullopt;
            } else {
                return std::nullopt;
            }
        }
    }
    QVariantMap record;
    for (const auto& [from, to] : kCopied) {
        const auto it = entry.constFind(from);
        if (it != entry.constEnd()) record.insert(to, *it);
    }
    record.insert(
        kFileRef,
        KeloContentID::contentWithType(type, entry.value(kGroup).toInt(), folder, file).data());
    return record;
}

void KeloContentAnalyser::analyseFolder(const QString& key, QVariantMap* result,
                                        const std::vector<QVariantMap>* slaveDbs,
                                        const ContentAnalysis& currAnalysis, int* issues,
                                        const QVariantMap& masterDict) {
    const int type = KeloContentID::typeForFolderKey(key);
    if (type < 0) return;
    const QVariant masterValue = masterDict.value(key);
    if (!isFolderMap(masterValue)) {
        OmLogNoFlood(kOmLogWarning, "[Content] folder '%s' of '%s' is no dictionary: skipped\n",
                     qPrintable(key), qPrintable(masterDict.value(".PLocName").toString()));
        return;
    }
    const QVariantMap masterFolder = masterValue.toMap();
    const int startIssues = *issues;

    struct Member {
        QString name;
        const QVariantMap* db;
        QVariantMap folder;
        bool hasFolder;
        QString keloFolderPath;
        bool lowSpace;
        QStringList readOnly;
    };
    std::vector<Member> members;
    auto folder = std::make_shared<MasterFolder>();
    folder->setSelfRefKey(key);
    folder->setValue(key, ".SelfRefKey");
    QVariantList folderErrors;
    QVariantMap errorDict;
    int32_t folderBits = 0;
    QVariantList membersWithFolder;
    if (slaveDbs) {
        members.reserve(slaveDbs->size());
        for (const QVariantMap& value : *slaveDbs) {
            const QVariantMap* db = &value;
            const QString name = db->value(".PLocName").toString();
            const QVariant memberValue = db->value(key);
            const bool has = isFolderMap(memberValue);
            const QVariantMap memberFolder = has ? memberValue.toMap() : QVariantMap();
            members.push_back({name, db, memberFolder, has, db->value(".KeloFolderPath").toString(),
                               lowOnSpace(*db), readOnlyDirectories(memberFolder)});
            if (has) {
                membersWithFolder.append(name);
            } else {
                folderBits |= kIssueMissingFolder;
                folderErrors.append(issueText(kIssueMissingFolder, name));
                ++*issues;
            }
        }
    }
    folder->setValue(folderErrors, ".ErrArray");
    folder->setValue(membersWithFolder, ".MembersWithFldr");
    const auto changed = masterFolder.constFind(".Changed");
    if (changed != masterFolder.constEnd()) folder->setValue(*changed, ".Changed");
    const auto name = masterFolder.constFind(".Name");
    if (name != masterFolder.constEnd()) folder->setValue(*name, ".foldername");

    QStringList directories;
    for (const QVariant& p : masterFolder.value(".Paths").toList()) directories << p.toString();
    std::vector<QStringList> pathLists(size_t(directories.size()));
    const bool combine = directories.size() >= 2;
    QStringList combined;
    const auto addToLists = [&](qsizetype dirIndex, const QString& item) {
        if (dirIndex >= 0) pathLists[size_t(dirIndex)].append(item);
        if (combine) combined.append(item);
    };

    // Expanding a directory for a member is the same for every file of it.
    struct Placement {
        QString dir;
        std::vector<bool> unplaceable;
    };
    std::vector<Placement> placements;
    const auto unplaceable = [&](const QString& dir, size_t m) {
        for (const Placement& p : placements)
            if (p.dir == dir) return bool(p.unplaceable[m]);
        Placement p{dir, {}};
        for (const Member& member : members) {
            const QString expanded = KeloObject::fullPathToFile(dir, *member.db);
            // An empty content folder holds nothing: no directory lies in it.
            p.unplaceable.push_back(dir.startsWith(QLatin1String("/."))
                                        ? expanded.startsWith(QLatin1String("/."))
                                        : member.keloFolderPath.isEmpty() ||
                                              !expanded.startsWith(member.keloFolderPath));
        }
        placements.push_back(std::move(p));
        return bool(placements.back().unplaceable[m]);
    };

    int analysed = 0;
    int skipped = 0;
    for (auto it = masterFolder.constBegin(); it != masterFolder.constEnd(); ++it) {
        const QString& fileKey = it.key();
        if (fileKey.startsWith('.')) continue;
        if (!isFolderMap(it.value())) {
            ++skipped;
            continue;
        }
        const QVariantMap entry = it.value().toMap();
        std::optional<QVariantMap> record = massageFileInfo(entry);
        if (!record) {
            ++skipped;
            continue;
        }
        const QString path = entry.value(kPathKey).toString();
        const QString dir = directoryOf(path);
        const qsizetype dirIndex = directories.indexOf(dir);
        addToLists(dirIndex, fileKey);

        QVariantList fileErrors;
        const bool builtIn = entry.contains(kBuiltInKey);
        const QVariantMap conflicts = entry.value(kConflictsKey).toMap();
        if (!conflicts.isEmpty() && !builtIn) {
            addServerError(kIssueMasterConflicts, currAnalysis.masterName, &errorDict);
            fileErrors.append(issueText(kIssueMasterConflicts, currAnalysis.masterName));
            for (const QVariant& c : conflicts)
                addToLists(dirIndex, c.toMap().value(kPathKey).toString());
            for (const QVariant& c : entry.value(".Confusing").toMap())
                addToLists(dirIndex, c.toMap().value(kPathKey).toString());
            folderBits |= kIssueMasterConflicts;
            ++*issues;
        }

        const uint64_t length = entry.value(kLengthKey).toULongLong();
        const int64_t modified = referenceSeconds(entry.value(kModifiedKey));
        for (size_t m = 0; m < members.size(); ++m) {
            const Member& member = members[m];
            int32_t bits = unplaceable(dir, m) ? kIssueUnplaceable : 0;
            const QVariant memberValue =
                member.hasFolder ? member.folder.value(fileKey) : QVariant();
            const bool hasFile = isFolderMap(memberValue);
            const QVariantMap memberEntry = hasFile ? memberValue.toMap() : QVariantMap();
            const QString memberPath = memberEntry.value(kPathKey).toString();
            if (!member.hasFolder) {
                bits |= kIssueMissingFolder;
            } else if (!member.readOnly.isEmpty() &&
                       (member.readOnly.contains(dir) ||
                        member.readOnly.contains(directoryOf(memberPath)))) {
                bits |= kIssueNotWritable;
            }
            if (!hasFile) {
                bits |= kIssueMissingFile;
            } else {
                if (memberEntry.value(kLengthKey).toULongLong() != length) bits |= kIssueLength;
                const int64_t memberModified = referenceSeconds(memberEntry.value(kModifiedKey));
                if (modified > memberModified) bits |= kIssueMemberOlder;
                if (modified < memberModified) bits |= kIssueMemberNewer;
                if (memberPath != path) {
                    if (directoryOf(memberPath) != dir) bits |= kIssueOtherDirectory;
                    if (lastPathComponent(memberPath) != lastPathComponent(path))
                        bits |= kIssueOtherName;
                }
                if (memberEntry.contains(kConflictsKey)) bits |= kIssueMemberConflicts;
            }
            if (builtIn)
                bits &= ~(kIssueOtherDirectory | kIssueMemberConflicts | kIssueNotWritable |
                          kIssueUnplaceable);
            if (bits) {
                if (member.lowSpace) bits |= kIssueLowSpace;
                folderBits |= bits;
                addServerError(bits, member.name, &errorDict);
                fileErrors.append(issueText(bits, member.name));
                ++*issues;
            }
        }
        ++analysed;
        if (!fileErrors.isEmpty()) {
            record->insert(".IssueCount", int(fileErrors.size()));
            record->insert(".ErrArray", fileErrors);
        }
        folder->setValue(*record, fileKey);
    }

    if (!errorDict.isEmpty()) folder->setValue(errorDict, ".ErrorDict");
    if (folderBits) folder->setValue(folderBits, ".IssueBits");
    folder->setValue(*issues - startIssues, ".IssueCount");
    QVariantList paths;
    if (combine) {
        combined.sort();
        paths.append(QVariantMap{{"path", QString("")}, {"files", combined}});
    }
    for (qsizetype i = 0; i < directories.size(); ++i) {
        QStringList& files = pathLists[size_t(i)];
        files.sort();
        paths.append(QVariantMap{{"path", directories[i]}, {"files", files}});
    }
    folder->setValue(paths, ".Paths");

    const bool pluginLike = type == KeloContentID::kPlugin || type == KeloContentID::kMetadata ||
                            type == KeloContentID::kPluginImages;
    if (analysed == 0 && skipped > 0 && pluginLike) return;
    result->insert(key, MasterFolder::toVariant(folder));
}

void KeloContentAnalyser::analyseMemberFldr(const QString& key, QVariantMap* result,
                                            const ContentAnalysis& currAnalysis, int* issues,
                                            const QVariantMap& memberDb,
                                            const QString& analysisMemberOnlyKey) {
    if (KeloContentID::typeForFolderKey(key) < 0) return;
    analyseFolder(key, result, nullptr, currAnalysis, issues, memberDb);
    const std::shared_ptr<MasterFolder> folder = MasterFolder::fromVariant(result->take(key));
    if (!folder) return;
    folder->setValue(memberDb.value(".PLocName"), ".MemberOnlyKey");
    QVariantMap memberOnly = result->value(analysisMemberOnlyKey).toMap();
    memberOnly.insert(key, MasterFolder::toVariant(folder));
    result->insert(analysisMemberOnlyKey, memberOnly);
}

void KeloContentAnalyser::updateAnalysisForFolder(const MasterFolder& folder,
                                                  ContentAnalysis* analysis) {
    int issues = 0;
    const QString key = folder.SelfRefKey();
    const QString memberOnly = folder.MemberOnlyKey();
    if (memberOnly.isEmpty()) {
        const std::shared_ptr<ContentMember> master =
            analysis->memberWithName(analysis->masterName);
        if (!master) return;
        std::vector<QVariantMap> slaveDbs;
        for (const auto& member : analysis->members)
            if (member != master) slaveDbs.push_back(member->dbase);
        analyseFolder(key, &analysis->dict, &slaveDbs, *analysis, &issues, master->dbase);
        return;
    }
    const std::shared_ptr<ContentMember> member = analysis->memberWithName(memberOnly);
    if (!member || member->dbase.isEmpty()) return;
    analyseMemberFldr(key, &analysis->dict, *analysis, &issues, member->dbase,
                      ".MemberOnlyKey" + memberOnly);
}

std::optional<QVariantMap> KeloContentAnalyser::databaseEntryForContentID(
    const KeloContentID& id, const QString& server) const {
    const std::shared_ptr<ContentAnalysis> analysis = contentAnalysis();
    if (!analysis) return std::nullopt;
    const std::shared_ptr<ContentMember> member = analysis->memberWithName(server);
    if (!member) return std::nullopt;
    const QVariant folder = member->dbase.value(KeloContentID::folderKeyForContentID(id));
    if (!isFolderMap(folder)) return std::nullopt;
    const QVariant entry = folder.toMap().value(KeloContentID::fileKeyForContentID(id));
    if (!isFolderMap(entry)) return std::nullopt;
    return entry.toMap();
}

std::optional<QVariantMap> KeloContentAnalyser::databaseEntryForFile(int file, int folder,
                                                                     int ident, int type,
                                                                     const QString& server) const {
    return databaseEntryForContentID(KeloContentID::contentWithType(type, ident, folder, file),
                                     server);
}

void KeloContentAnalyser::fetchThumbnailForFile(const KeloContentID& id,
                                                const QString& server) const {
    KlE_Control_Status* net = network();
    KeloObject* kelo = net ? net->keloObjectForName(server) : nullptr;
    if (kelo && kelo->address() != 0) kelo->fetchThumbnailData(id.contentRef());
}
