// The document half of PixelMapModel: the built-in map and profiles, loading
// a document dictionary into the model with its checks and repairs, and
// writing the model back.

#include "pixelmap/PixelMapModel.h"

#include "pixelmap/PixelMapModelDelegate.h"
#include "pixelmap/PixelMapResources.h"
#include "pixelmap/PmLogPanel.h"
#include "pixelmap/PmValueCategory.h"
#include "platform/UserDefaults.h"

#include <QSet>

#include <algorithm>

namespace {

const QString kContexts = QStringLiteral("contexts");
const QString kContext = QStringLiteral("context");
const QString kFixtures = QStringLiteral("fixtures");
const QString kSources = QStringLiteral("sources");
const QString kDestinations = QStringLiteral("destinations");
const QString kDefault = QStringLiteral("default");
const QString kProfiles = QStringLiteral("profiles");
const QString kProfileName = QStringLiteral("profile_name");
const QString kStockType = QStringLiteral("stock_type");
const QString kUnivKey = QStringLiteral("univKey");
const QString kIpAddress = QStringLiteral("ip_address");
const QString kPmapVersion = QStringLiteral("pmap_version");
const QString kSACNPriority = QStringLiteral("sACN_priority");
const QString kArtSyncEnable = QStringLiteral("art_sync_enable");
const QString kSACNSyncEnable = QStringLiteral("sACN_sync_enable");
const QString kSACNSyncUniverse = QStringLiteral("sACN_sync_universe");
const QString kArtSyncEnabled = QStringLiteral("artSyncEnabled");
const QString kGroups = QStringLiteral("groups");
const QString kGroupsBackup = QStringLiteral("groups_disabled_backup");
const QString kMaxGroupNumber = QStringLiteral("max_group_number");
const QString kGroupsMerge = QStringLiteral("groups_always_merge_non_pixels");

QVariantMap readResource(const QString& name) {
    return dictionaryWithPmapData(pixelMapResource(name)).value_or(QVariantMap());
}

bool isMap(const QVariant& v) { return v.typeId() == QMetaType::QVariantMap; }
bool isList(const QVariant& v) { return v.typeId() == QMetaType::QVariantList; }
bool isText(const QVariant& v) { return v.typeId() == QMetaType::QString; }

QString digitsOf(const QString& text, bool keepDots = false) {
    QString out;
    for (QChar c : text)
        if ((c >= u'0' && c <= u'9') || (keepDots && c == u'.')) out.append(c);
    return out;
}

// The value of a run of digits, saturated above any valid universe.
qint64 digitValue(const QString& digits) {
    qint64 value = 0;
    for (QChar c : digits) value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), qint64(1) << 40);
    return value;
}

bool sortDestinations(const QVariantMap& a, const QVariantMap& b) {
    const QString ka = a.value(kUnivKey).toString();
    const QString kb = b.value(kUnivKey).toString();
    if (ka == kDefault || kb == kDefault) return ka == kDefault && kb != kDefault;
    return pmLeadingInt(ka) < pmLeadingInt(kb);
}

QString nameOrNull(const QString& text) { return text.isNull() ? QStringLiteral("(null)") : text; }

}  // namespace

const QVariantMap& PixelMapModel::defaultPixelMap() {
    static const QVariantMap sDefault = [] {
        QVariantMap map = readResource(QStringLiteral("KlE_PixelMap.pmap"));
        const QVariantMap profiles = readResource(QStringLiteral("PixelMapProfiles.plist"));
        if (!map.isEmpty() && profiles.contains(kProfiles)) map.insert(kProfiles, profiles.value(kProfiles));
        return map;
    }();
    return sDefault;
}

// --- Profiles

void PixelMapModel::loadStockProfiles() {
    profileList_.clear();
    loadFixtureProfiles(defaultPixelMap(), true, false);
}

void PixelMapModel::loadFixtureProfiles(const QVariantMap& dict, bool stockType, bool importing) {
    const QVariant entries = dict.value(kProfiles);
    if (!isList(entries)) return;
    for (const QVariant& entry : entries.toList()) {
        if (!isMap(entry)) {
            PmLogPanel::shared().log(kOmLogError, QStringLiteral("ERROR: profile with no profile_name"));
            continue;
        }
        QVariantMap profile = entry.toMap();
        if (!stockType && pmBoolValue(profile.value(kStockType))) {
            PmLogPanel::shared().log(kOmLogError,
                                     QStringLiteral("ERROR: unexpected stock_type profile '%1' in file")
                                         .arg(pmStringValue(profile.value(kProfileName))));
            continue;
        }
        profile.insert(kStockType, stockType);
        if (!profile.contains(kProfileName) && isText(profile.value(QStringLiteral("fix_name"))))
            profile.insert(kProfileName, profile.value(QStringLiteral("fix_name")));
        profile.remove(QStringLiteral("fix_name"));
        if (!isText(profile.value(kProfileName)) || profile.value(kProfileName).toString().isEmpty()) {
            PmLogPanel::shared().log(kOmLogError, QStringLiteral("ERROR: profile with no profile_name"));
            continue;
        }
        const QString name = profile.value(kProfileName).toString();
        bool replaced = false;
        for (qsizetype i = 0; i < profileList_.size(); ++i) {
            const QVariantMap existing = profileList_[i].toMap();
            if (existing.value(kProfileName).toString() != name) continue;
            if (importing && !pmBoolValue(existing.value(kStockType))) {
                profileList_[i] = profile;
                replaced = true;
                continue;
            }
            PmLogPanel::shared().log(kOmLogError, QStringLiteral("ERROR: duplicate profile with name %1").arg(name));
            break;
        }
        if (!replaced) profileList_.append(profile);
    }
}

QVariantMap PixelMapModel::findFixtureProfile(const QString& name) const {
    const int index = PmFixture::findProfile(name, profileList_);
    return index >= 0 ? profileList_[index].toMap() : QVariantMap();
}

// --- Loading

QString PixelMapModel::pixelMapDataError(const QVariantMap* dict) {
    if (!dict) return QStringLiteral("Empty File");
    if (pmIntValue(dict->value(kPmapVersion)) > kPmapVersionNewestReadable)
        return QStringLiteral("File was created with a later version of Kelo Verozo!\n");
    const QVariant contexts = dict->value(kContexts);
    if (!isList(contexts))
        return dict->contains(kContext) ? QStringLiteral("Old pixelmap file format")
                                        : QStringLiteral("No 'contexts' key");
    for (const QVariant& context : contexts.toList())
        if (!isMap(context) || !isList(context.toMap().value(kFixtures)))
            return QStringLiteral("Context invalid (null fixtures)");
    return {};
}

QString PixelMapModel::openPixelMap(const QString& path, bool* fileNotFound, bool* canceled) {
    bool notFound = false, gaveUp = false;
    QString error;
    const std::optional<QByteArray> data = mainThreadRead(path, &notFound, &gaveUp, &error);
    if (fileNotFound) *fileNotFound = notFound;
    if (canceled) *canceled = gaveUp;
    if (gaveUp) return QStringLiteral("canceled");
    if (!data) return error.isEmpty() ? QStringLiteral("file not found %1").arg(path) : error;
    const std::optional<QVariantMap> dict = dictionaryWithPmapData(*data, &error);
    if (!dict) return error;
    error = pixelMapDataError(&*dict);
    if (!error.isEmpty()) return error;

    // Checked: from here on the file replaces the open document.
    if (!pixelMapFile_->open(path, nullptr, nullptr, &error)) return error;
    loadStockProfiles();
    loadFixtureProfiles(pixelMapFile_->dict(), false, false);
    return loadPixelMapDataFromFile();
}

QString PixelMapModel::loadPixelMapData(const QVariantMap* dict) { return loadPixelMapData(dict, false); }

QString PixelMapModel::loadPixelMapDataFromFile() {
    selectContextNum(0);
    const QString error = loadPixelMapData(&pixelMapFile_->dict(), true);
    if (error.isEmpty()) {
        clearUndoBuffer();
        selectContextNum(1);
    }
    return error;
}

QString PixelMapModel::loadDefaultPixelMapData() {
    const QString error = loadPixelMapData(&defaultPixelMap(), false);
    if (error.isEmpty()) clearUndoBuffer();
    return error;
}

void PixelMapModel::clearModel() {
    selectContextNum(0);
    PmContext::reset_unique_id();
    selectedContext_ = nullptr;
    for (auto& source : pmSources_) source->srcContextList.reset();
    for (auto& list : fixLists_) list.clear();
    mergedFixList_.clear();
    contextList_.clear();
    pmSources_.clear();
    selectedSource_ = -1;
    for (auto& list : destLists_) list.clear();
}

QString PixelMapModel::loadPixelMapData(const QVariantMap* source, bool ownDict) {
    // Refused documents leave the model as it was.
    const QString refusal = pixelMapDataError(source);
    if (!refusal.isEmpty()) return refusal;
    // The document's own dictionary is rewritten by the refresh below.
    const QVariantMap dict = *source;

    clearModel();
    QStringList repairs;
    PmTypeRepairs typeRepairs;

    const QVariant sources = dict.value(kSources);
    if (isList(sources)) {
        for (const QVariant& entry : sources.toList()) {
            if (!isMap(entry)) {
                repairs << QStringLiteral("Sources error. An entry is not a dictionary; it was removed.");
                continue;
            }
            const QVariantMap s = entry.toMap();
            auto source = std::make_unique<PixMapSource>(pmIntValue(s.value(QStringLiteral("source_id"))),
                                                         pmIntValue(s.value(QStringLiteral("source_width"))),
                                                         pmIntValue(s.value(QStringLiteral("source_height"))),
                                                         pmBoolValue(s.value(QStringLiteral("source_auto"))));
            if (sourceForId(source->source_id)) {
                repairs << QStringLiteral("Sources error. Source id %1 is listed twice; the second was removed.")
                               .arg(source->source_id);
                continue;
            }
            pmSources_.push_back(std::move(source));
        }
    } else {
        pmSources_.push_back(std::make_unique<PixMapSource>(
            0, pmIntValue(dict.value(QStringLiteral("source_width"))),
            pmIntValue(dict.value(QStringLiteral("source_height")))));
    }
    for (auto& source : pmSources_) {
        if (source->source_width <= 0 || source->source_height <= 0) {
            source->source_width = 1920;
            source->source_height = 1080;
        }
    }
    sourcesChanged_ = true;

    QSet<int32_t> seenIds;
    for (const QVariant& entry : dict.value(kContexts).toList()) {
        QVariantMap contextDict = entry.toMap();
        QVariantMap settings = contextDict.value(kContext).toMap();
        const QVariant idValue = settings.value(QStringLiteral("unique_id"));
        bool wrongType = false;
        const int32_t fileId = pmIntValue(idValue, &wrongType);
        const bool invalidId = idValue.isValid() && (wrongType || fileId < 0 || fileId > PmContext::kMaxUniqueId);
        const bool duplicateId = idValue.isValid() && !invalidId && seenIds.contains(fileId);
        if (invalidId || duplicateId) {
            settings.remove(QStringLiteral("unique_id"));
            contextDict.insert(kContext, settings);
        }
        auto context = std::make_unique<PmContext>(contextDict, profileList_, &typeRepairs);
        if (duplicateId)
            repairs << QStringLiteral("Context unique_id %1 was used twice; the second became %2.")
                           .arg(fileId)
                           .arg(context->unique_id());
        else if (invalidId)
            repairs << QStringLiteral("Context unique_id '%1' was invalid; it became %2.")
                           .arg(pmStringValue(idValue), QString::number(context->unique_id()));
        seenIds.insert(context->unique_id());

        const int protocol = clampProtocol(context->ctx_protocol());
        const QString protocolName = stringForProtocol(protocol);
        for (const auto& fixture : context->fixtures()) {
            if (fixture->mProtocol() != protocolName || fixture->mProtocol().isNull()) {
                if (repairs.size() <= 9) {
                    repairs << QStringLiteral("Error: multiple protocols in context %1").arg(context->unique_id());
                    repairs << QStringLiteral("Protocol forced to %1 (from %2)")
                                   .arg(protocolName, nameOrNull(fixture->mProtocol()));
                }
                fixture->setMProtocol(protocolName);
            }
            fixLists_[size_t(protocol)].push_back(fixture.get());
            mergedFixList_.push_back(fixture.get());
        }
        contextList_.push_back(std::move(context));
    }
    for (auto it = typeRepairs.constBegin(); it != typeRepairs.constEnd(); ++it)
        repairs << QStringLiteral("Wrong value type under '%1' (%2 time(s)); read as 0 or empty.")
                       .arg(it.key())
                       .arg(it.value());

    applyLoadedSettings(dict, ownDict);
    const QVariant destinations = dict.value(kDestinations);
    if (destinations.isValid() && !isMap(destinations))
        repairs << QStringLiteral("Destinations error. 'destinations' is not a dictionary.");
    readDestinations(destinations.toMap(), repairs);

    needSort_ = true;
    sourcesChanged_ = true;
    updateAllPixelMapData();
    delegate_->contextSizeChanged();

    lastRepairs_ = repairs;
    if (!repairs.isEmpty())
        delegate_->showPixelMapRepairs(QStringLiteral("Errors were found.\nThe following repairs were made:\n") +
                                       repairs.join(u'\n'));
    return {};
}

void PixelMapModel::applyLoadedSettings(const QVariantMap& dict, bool ownDict) {
    const QVariant priority = dict.value(kSACNPriority);
    sACNPriority_ = pmIntValue(priority);
    if (!priority.isValid() || (sACNPriority_ == 0 && pmIntValue(dict.value(kPmapVersion)) < kPmapVersionWritten))
        sACNPriority_ = 100;
    artSyncEnable_ = pmBoolValue(dict.value(kArtSyncEnable));
    sACNSyncEnable_ = pmBoolValue(dict.value(kSACNSyncEnable));
    sACNSyncUniverse_ = std::clamp(pmIntValue(dict.value(kSACNSyncUniverse)), 0, 63999);
    groupsAlwaysMergeNonPixels_ =
        dict.contains(kGroupsMerge) ? pmBoolValue(dict.value(kGroupsMerge)) : true;

    if (!ownDict) {
        QVariantMap& document = pixelMapFile_->dict();
        document.insert(kSACNPriority, qint64(sACNPriority_));
        document.insert(kArtSyncEnable, artSyncEnable_);
        document.insert(kSACNSyncEnable, sACNSyncEnable_);
        document.insert(kSACNSyncUniverse, qint64(sACNSyncUniverse_));
        for (const QString& key : {kGroups, kGroupsBackup}) {
            if (dict.contains(key))
                document.insert(key, dict.value(key));
            else
                document.remove(key);
        }
        document.insert(kMaxGroupNumber,
                        qint64(std::clamp(pmIntValue(dict.value(kMaxGroupNumber)), 2000, 100000)));
        document.insert(kGroupsMerge, groupsAlwaysMergeNonPixels_);
    }

    artSyncSwitchVisible_ = UserDefaults::standard().boolValue(kBetaFeatureArtSyncEnabled) ||
                            dict.contains(kArtSyncEnabled);
    artSyncEnabled_ = artSyncSwitchVisible_ && pmBoolValue(dict.value(kArtSyncEnabled));
}

// --- Destinations

void PixelMapModel::readDestinations(const QVariantMap& table, QStringList& repairs) {
    auto readDefaults = [&](const QVariantMap& from) {
        const QVariant defaults = from.value(kDefault);
        if (!isMap(defaults)) {
            repairs << QStringLiteral("Destinations error. Missing 'default' key. Resetting defaults.");
            return false;
        }
        const QVariantMap d = defaults.toMap();
        const QVariant artNet = d.value(kPmArtNet);
        const QVariant sacn = d.value(kPmSACN);
        if (artNet.isValid() && !isText(artNet)) {
            repairs << QStringLiteral("Destinations error. Art-Net 'default' address is not a string. Resetting defaults.");
            return false;
        }
        if (sacn.isValid() && !isText(sacn)) {
            repairs << QStringLiteral("Destinations error. sACN 'default' address is not a string. Resetting defaults.");
            return false;
        }
        for (auto& list : destLists_) list.clear();
        destLists_[kPmProtocolArtNet].append({{kUnivKey, kDefault}, {kIpAddress, artNet.toString()}});
        destLists_[kPmProtocolSACN].append({{kUnivKey, kDefault}, {kIpAddress, sacn.toString()}});
        return true;
    };
    if (!readDefaults(table)) readDefaults(defaultPixelMap().value(kDestinations).toMap());

    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        const QString& key = it.key();
        if (key == kDefault) continue;
        if (!isMap(it.value())) {
            repairs << QStringLiteral("Destinations error. Non Dictionary '%1'.").arg(key);
            continue;
        }
        const QVariantMap entry = it.value().toMap();
        if (isProtocolName(key)) {
            for (auto e = entry.constBegin(); e != entry.constEnd(); ++e)
                readDestination(e.key(), key, e.value(), repairs);
        } else {
            readDestination(key, entry.value(QStringLiteral("protocol")), entry.value(kIpAddress), repairs);
        }
    }
    for (auto& list : destLists_) std::stable_sort(list.begin(), list.end(), sortDestinations);
}

void PixelMapModel::readDestination(const QString& univKey, const QVariant& protocol,
                                    const QVariant& address, QStringList& repairs) {
    QVariant ip = address;
    if (ip.isValid() && !isText(ip)) {
        repairs << QStringLiteral("Destinations error. Address '%1' not a string. Universe '%2'")
                       .arg(pmStringValue(ip), univKey);
        ip = QVariant();
    }
    int number = kPmProtocolArtNet;
    if (protocol.isValid()) {
        const QString name = isText(protocol) ? protocol.toString() : QString();
        if (!isProtocolName(name)) {
            repairs << QStringLiteral("Destinations error. Deleting unrecognized protocol '%1'")
                           .arg(isText(protocol) ? name : pmStringValue(protocol));
            return;
        }
        number = protocolForString(name);
    }
    if (univKey == kDefault) {
        repairs << QStringLiteral("Destinations error. Deleting old-style default for protocol '%1'")
                       .arg(stringForProtocol(number));
        return;
    }
    QString message;
    const QString accepted = validateUnivKey(univKey, number, &message, true);
    if (!message.isEmpty()) {
        repairs << QStringLiteral("Destinations error. %1").arg(message);
        return;
    }
    QVariantMap row{{kUnivKey, accepted}};
    if (ip.isValid()) row.insert(kIpAddress, ip.toString());
    destLists_[size_t(number)].append(row);
}

QString PixelMapModel::validateUnivKey(const QString& key, int protocol, QString* errStr, bool isDest) {
    auto refuse = [&](const QString& message, const QString& result) {
        if (errStr) *errStr = message.arg(key);
        return result;
    };
    if (errStr) errStr->clear();
    if (key == kPmNoUniverse) return key;
    switch (protocol) {
    case kPmProtocolSACN: {
        const QString digits = digitsOf(key);
        const qint64 value = digitValue(digits);
        if (value < 1 || value > 63999)
            return refuse(QStringLiteral("Invalid sACN universe '%1'. Universe must be a number from 1 to 63999."),
                          kPmNoUniverse);
        return digits;
    }
    case kPmProtocolKinetPortOut: {
        if (isDest) {
            if (key.contains(u'.'))
                return refuse(QStringLiteral("Invalid KiNet device '%1'. Expecting device WITHOUT port when "
                                             "specifying destination.\nRefer to documentation for details."),
                              key);
            if (digitsOf(key).isEmpty())
                return refuse(QStringLiteral("Invalid KiNet Device '%1'. Must be a number. Refer to "
                                             "documentation for details."),
                              key);
            return digitsOf(key, true);
        }
        const QStringList parts = key.split(u'.');
        if (parts.size() != 2 || digitsOf(parts[0]).isEmpty() || digitsOf(parts[1]).isEmpty())
            return refuse(QStringLiteral("Invalid KiNet device.port '%1'. Expecting device.port number with "
                                         "format '###.##'\nRefer to documentation for details."),
                          key);
        bool ok = false;
        const int port = parts[1].trimmed().toInt(&ok);
        if (!ok || port < 1 || port > 16)
            return refuse(QStringLiteral("Invalid KiNet device.port '%1'. Expecting device.port number with "
                                         "format '###.##'. Port must be number from 1 to 16.\nRefer to "
                                         "documentation for details."),
                          key);
        return key;
    }
    case kPmProtocolKinetDmxOut: {
        const QString digits = digitsOf(key);
        if (digits.isEmpty())
            return refuse(QStringLiteral("Invalid KiNet Device '%1'. Must be a number. Refer to documentation "
                                         "for details."),
                          kPmNoUniverse);
        return digits;
    }
    default: {
        const QString digits = digitsOf(key);
        const int32_t value = pmLeadingInt(key);
        if (digits.isEmpty() || value < 0 || value >= 32768)
            return refuse(QStringLiteral("Invalid Art-Net universe '%1'. Universe must be a number from 0 to 32767."),
                          kPmNoUniverse);
        return digits;
    }
    }
}

QString PixelMapModel::destinationForFixture(const PmFixture& fixture, bool* found) const {
    const QList<QVariantMap>& list = destLists_[size_t(protocolForString(fixture.mProtocol()))];
    QString address;
    bool have = false;
    for (const QVariantMap& row : list) {
        if (row.value(kUnivKey).toString() == fixture.mUniverseStr() && row.contains(kIpAddress)) {
            address = row.value(kIpAddress).toString();
            have = true;
        }
    }
    if (!have) {
        for (const QVariantMap& row : list) {
            if (row.value(kUnivKey).toString() == kDefault && row.contains(kIpAddress) &&
                !row.value(kIpAddress).toString().isEmpty()) {
                address = row.value(kIpAddress).toString();
                have = true;
            }
        }
    }
    if (found) *found = have;
    return have ? address : QStringLiteral("<None>");
}

// --- Writing

void PixelMapModel::updatePixelMapData(QVariantMap& dict) {
    dict.remove(QStringLiteral("dmx_rects"));

    QVariantList contexts;
    contexts.reserve(qsizetype(contextList_.size()));
    for (const auto& context : contextList_) contexts.append(context->mutableCopyDeep());
    dict.insert(kContexts, contexts);

    QVariantList sources;
    for (const auto& source : pmSources_)
        sources.append(QVariantMap{{QStringLiteral("source_id"), qint64(source->source_id)},
                                   {QStringLiteral("source_width"), qint64(source->source_width)},
                                   {QStringLiteral("source_height"), qint64(source->source_height)},
                                   {QStringLiteral("source_auto"), source->source_auto}});
    dict.insert(kSources, sources);

    dict.insert(kSACNPriority, qint64(sACNPriority_));
    dict.insert(kArtSyncEnable, artSyncEnable_);
    dict.insert(kSACNSyncEnable, sACNSyncEnable_);
    dict.insert(kSACNSyncUniverse, qint64(sACNSyncUniverse_));

    if (!isMap(dict.value(kDestinations))) {
        dict.insert(kDestinations, defaultPixelMap().value(kDestinations));
    } else {
        QVariantMap destinations;
        QVariantMap defaults;
        for (int p = 0; p < kPmProtocolCount; ++p) {
            const QList<QVariantMap>& list = destLists_[size_t(p)];
            if (list.isEmpty()) continue;
            QVariantMap table;
            for (const QVariantMap& row : list) {
                const QString key = row.value(kUnivKey).toString();
                const QString address = row.value(kIpAddress).toString();
                if (key == kDefault)
                    defaults.insert(stringForProtocol(p), address);
                else
                    table.insert(key, address);
            }
            destinations.insert(stringForProtocol(p), table);
        }
        destinations.insert(kDefault, defaults);
        dict.insert(kDestinations, destinations);
    }
    dict.insert(kPmapVersion, qint64(kPmapVersionWritten));
}

void PixelMapModel::updateProfilesToDict(QVariantMap& dict) const {
    QVariantList custom;
    for (const QVariant& profile : profileList_)
        if (!pmBoolValue(profile.toMap().value(kStockType))) custom.append(profile);
    dict.insert(kProfiles, custom);
}

// --- Failure

void PixelMapModel::invalidPixelMapFile(const QString& path, const QString& error) {
    if (!error.isEmpty()) {
        const QString text =
            QStringLiteral("ERROR: The pixel map file %1 could not be parsed.\n\nReason: %2").arg(path, error);
        PmLogPanel::shared().log(kOmLogError, text);
        delegate_->invalidPixelMapFileReported(text);
    }
    UserDefaults::standard().remove(kPixMapPatchFileKey);
    UserDefaults::standard().remove(kSessionKeloKey);
    if (loadingInvalidFile_) return;
    loadingInvalidFile_ = true;
    clearUndoBuffer();
    pixelMapFile_->close();
    resetAllPmapData();
    selectContextNum(0);
    loadStockProfiles();
    pixelMapFile_->setNeedsSave(false);
    loadDefaultPixelMapData();
    loadingInvalidFile_ = false;
}

void PixelMapModel::resetAllPmapData() {
    PmContext::reset_unique_id();
    profileList_.clear();
    clearModel();
    selectContextNum(0);
    PmContext::reset_unique_id();
}
