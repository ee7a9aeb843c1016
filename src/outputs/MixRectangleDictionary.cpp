// The "mixes" dictionary: writer, reader, checks, the update pass, the merge
// of a server's copy, saving, and adding, pasting and deleting rectangles.

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "foundation/OmxProcess.h"
#include "outputs/KlOutputsNotifications.h"
#include "outputs/MixRectangle.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

#include <QFile>

#include <charconv>
#include <cmath>
#include <optional>

namespace {

// Positions and sizes beyond this are no layout of any server's surface
// (16384 at most); they would only overflow the integer conversions.
constexpr double kMaxCoordinate = 1e7;
const QString kVersionKey = QStringLiteral("kKlMixVersion");
const QString kGenlockLock = QStringLiteral("bmd_genlock_lock_to_master");

// The index of a key the writer could have written ("000" to "999").
std::optional<int> indexOfKey(const QString& key) {
    if (key.size() != 3) return std::nullopt;
    int index = 0;
    for (QChar c : key) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + (c.unicode() - '0');
    }
    return index;
}

// A number as the dictionary holds it: a property-list number or its text.
std::optional<double> numberOf(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::ULongLong:
        case QMetaType::UInt:
        case QMetaType::Double:
        case QMetaType::Bool:
            return v.toDouble();
        case QMetaType::QString: {
            bool ok = false;
            const double d = v.toString().trimmed().toDouble(&ok);
            if (ok) return d;
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

// Numbers separated by commas, blanks or braces, as in "x,y,w,h" or
// "{{x, y}, {w, h}}"; nothing when anything else is in the text.
std::optional<std::vector<double>> numbersIn(const QString& text) {
    std::vector<double> out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c == ',' || c == '{' || c == '}' || c.isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && text[end] != ',' && text[end] != '{' && text[end] != '}' &&
               !text[end].isSpace())
            ++end;
        bool ok = false;
        const double d = QStringView(text).mid(i, end - i).toDouble(&ok);
        if (!ok) return std::nullopt;
        out.push_back(d);
        i = end;
    }
    return out;
}

bool finiteCoordinate(double v) {
    return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate;
}

std::optional<QRectF> rectOf(const QVariant& v) {
    if (!v.isValid()) return QRectF();
    const auto n = numbersIn(v.toString());
    if (!n || n->size() != 4) return std::nullopt;
    for (double d : *n)
        if (!finiteCoordinate(d)) return std::nullopt;
    if ((*n)[2] < 0 || (*n)[3] < 0) return std::nullopt;
    return QRectF((*n)[0], (*n)[1], (*n)[2], (*n)[3]);
}

std::optional<QPointF> pointOf(const QVariant& v) {
    if (!v.isValid()) return QPointF();
    const auto n = numbersIn(v.toString());
    if (!n || n->size() != 2 || !finiteCoordinate((*n)[0]) || !finiteCoordinate((*n)[1]))
        return std::nullopt;
    return QPointF((*n)[0], (*n)[1]);
}

std::optional<QColor> colourOf(const QVariant& v) {
    if (!v.isValid()) return QColor();
    const QStringList parts = v.toString().split(',');
    if (parts.size() != 3) return std::nullopt;
    float c[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
        c[i] = float(value) / 255.0f;
    }
    return QColor::fromRgbF(std::clamp(c[0], 0.0f, 1.0f), std::clamp(c[1], 0.0f, 1.0f),
                            std::clamp(c[2], 0.0f, 1.0f), 1.0f);
}

// The boolean value of a text: true for "Y", "y", "T", "t" or a non-zero
// digit after optional blanks, signs and zeros.
bool boolOf(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() != QMetaType::QString) return numberOf(v).value_or(0) != 0;
    const QString s = v.toString();
    for (QChar c : s) {
        if (c.isSpace() || c == '+' || c == '-' || c == '0') continue;
        return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
    }
    return false;
}

double num(const QVariantMap& e, const QString& key) {
    const auto it = e.constFind(key);
    return it == e.constEnd() ? 0.0 : numberOf(*it).value_or(0.0);
}

int intOf(const QVariantMap& e, const QString& key) {
    return clampToInt(num(e, key));
}

uint64_t u64Of(const QVariantMap& e, const QString& key, bool isSigned) {
    const auto it = e.constFind(key);
    if (it == e.constEnd()) return 0;
    bool ok = false;
    const QString text = it->toString().trimmed();
    if (isSigned) {
        const qint64 v = text.toLongLong(&ok);
        return ok ? uint64_t(v) : 0;
    }
    const quint64 v = text.toULongLong(&ok);
    return ok ? v : 0;
}

QString shortest(float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

const QStringList& numericKeys() {
    static const QStringList keys{
        "unique_ui_color_id", "screen_index", "parent",        "fit_mode",           "master_mix",
        "master_num",         "mix_rotation", "screen_rotation", "screen_wscale",    "tex_source",
        "screen_orientation", "bmd_sync_group", "screen_surface_scale", "screen_type",
        "screen_group",       kVersionKey};
    return keys;
}

QString badField(const QString& key, const QVariant& value) {
    return QString("bad \"%1\": '%2'").arg(key, value.toString().left(40));
}

// Why an entry cannot be read, or null.
QString entryFault(const QVariantMap& e) {
    if (!rectOf(e.value("rect"))) return badField("rect", e.value("rect"));
    for (const char* key : {"org_offset", "mix_offset"})
        if (!pointOf(e.value(key))) return badField(key, e.value(key));
    if (!colourOf(e.value("custom_color"))) return badField("custom_color", e.value("custom_color"));
    for (const QString& key : numericKeys()) {
        const auto it = e.constFind(key);
        if (it == e.constEnd()) continue;
        const std::optional<double> v = numberOf(*it);
        if (!v || !std::isfinite(*v)) return badField(key, *it);
    }
    for (const char* key : {"screen_uid", "decklink_uid"}) {
        const auto it = e.constFind(key);
        if (it == e.constEnd()) continue;
        bool ok = false;
        const QString text = it->toString().trimmed();
        if (key[0] == 's')
            text.toLongLong(&ok);
        else
            text.toULongLong(&ok);
        if (!ok) return badField(key, *it);
    }
    for (const char* key : {"projection", "topo", "matrix_controls"}) {
        const auto it = e.constFind(key);
        if (it != e.constEnd() && it->typeId() != QMetaType::QVariantMap)
            return QString("\"%1\" is no dictionary").arg(key);
    }
    const auto multi = e.constFind("multi_mix");
    if (multi != e.constEnd()) {
        if (multi->typeId() != QMetaType::QVariantList)
            return QStringLiteral("\"multi_mix\" is no array");
        for (const QVariant& v : multi->toList())
            if (v.typeId() == QMetaType::QVariantMap || v.typeId() == QMetaType::QVariantList)
                return QStringLiteral("bad \"multi_mix\" entry");
    }
    return {};
}

}  // namespace

// --- Writer --------------------------------------------------------------------------------

QVariantMap MixRectangle::rebuildDict() {
    // The table is written on every poll of the server (to compare) and after
    // every edit: the whole of it only when something changed, and then
    // only the entries of the rectangles that changed.
    if (sDictCacheRevision == sRevision) return sDictCache;
    QVariantMap dict;
    for (const auto& [index, m] : sTable) {
        dict.insert(dict.cend(), m->key_, m->dictionaryEntry());
        m->needsSave_ = false;
    }
    sDictCache = dict;
    sDictCacheRevision = sRevision;
    return dict;
}

QByteArray MixRectangle::oldStyleText() {
    static QByteArray cached;
    static uint64_t cachedRevision = 0;
    if (cachedRevision == sRevision && !cached.isEmpty()) return cached;
    rebuildDict();
    QByteArray text = "{\n";
    for (const auto& [index, m] : sTable) text += m->entryText();
    text += "}\n";
    cached = text;
    cachedRevision = sRevision;
    return text;
}

const QByteArray& MixRectangle::entryText() {
    if (textCacheRevision_ == entryRevision_) return textCache_;
    // The writer's own text of the key and of the entry, the entry's lines
    // indented one level as the writer nests them.
    QByteArray key = PropertyList::write(key_, PropertyList::Format::OpenStep);
    key.chop(1);
    QByteArray value = PropertyList::write(dictionaryEntry(), PropertyList::Format::OpenStep);
    value.chop(1);
    value.replace('\n', "\n\t");
    textCache_ = '\t' + key + " = " + value + ";\n";
    textCacheRevision_ = entryRevision_;
    return textCache_;
}

const QVariantMap& MixRectangle::dictionaryEntry() {
    if (entryCacheRevision_ == entryRevision_) return entryCache_;
    static const QString kRect = QStringLiteral("rect"), kName = QStringLiteral("name"),
                         kColorId = QStringLiteral("unique_ui_color_id"),
                         kColor = QStringLiteral("custom_color"),
                         kColorEnable = QStringLiteral("custom_color_enable"),
                         kFitMode = QStringLiteral("fit_mode"), kUid = QStringLiteral("screen_uid"),
                         kUuid = QStringLiteral("screen_uuid"),
                         kOrgOffset = QStringLiteral("org_offset"),
                         kMixOffset = QStringLiteral("mix_offset"),
                         kProjection = QStringLiteral("projection"),
                         kMatrix = QStringLiteral("matrix_controls"), kTopo = QStringLiteral("topo"),
                         kMultiMix = QStringLiteral("multi_mix"),
                         kDecklinkUid = QStringLiteral("decklink_uid"),
                         kDecklinkFormat = QStringLiteral("decklink_format"), kOne = QStringLiteral("1");
    QVariantMap e;
    const QRectF r = rect_;
    e.insert(kRect, cFormat("%0.0f,%0.0f,%0.0f,%0.0f", r.x(), r.y(), r.width(), r.height()));
    e.insert(kName, name());
    if (mixIndex_ != 0) {
        e.insert(kColorId, QString::number(unique_ui_color_id_));
        const QColor c = customColor();
        // A small lift keeps n/255 read back from turning into n - 1.
        const auto channel = [](double v) { return int(v * 255.0 + 1e-4); };
        e.insert(kColor, cFormat("%i,%i,%i", channel(c.redF()), channel(c.greenF()),
                                 channel(c.blueF())));
        if (customColorEnable_) e.insert(kColorEnable, kOne);
    } else {
        e.insert(kVersionKey, QString::number(kKlMixVersion));
    }
    const auto setInt = [&e](const QString& key, qint64 v) {
        if (v != 0) e.insert(key, QString::number(v));
    };
    const auto setFlag = [&e](const QString& key, bool on) {
        if (on) e.insert(key, kOne);
    };
    const auto setFloat = [&e](const QString& key, float v) {
        if (v != 0) e.insert(key, shortest(v));
    };
    static const QString kScreenIndex = QStringLiteral("screen_index"),
                         kParent = QStringLiteral("parent"), kShowHud = QStringLiteral("show_hud"),
                         kMasterMix = QStringLiteral("master_mix"),
                         kMasterNum = QStringLiteral("master_num"),
                         kRotation = QStringLiteral("mix_rotation"),
                         kScreenRotation = QStringLiteral("screen_rotation"),
                         kWscale = QStringLiteral("screen_wscale"),
                         kIsOutput = QStringLiteral("is_output"),
                         kTexSource = QStringLiteral("tex_source"),
                         kOffScreen = QStringLiteral("off_screen"),
                         kSync = QStringLiteral("sync_screen"),
                         kOrientation = QStringLiteral("screen_orientation"),
                         kHide = QStringLiteral("mix_hide"),
                         kGenlockMaster = QStringLiteral("bmd_genlock_master"),
                         kSyncGroup = QStringLiteral("bmd_sync_group"),
                         kUpdateFs = QStringLiteral("screen_update_fs"),
                         kHideFs = QStringLiteral("hide_in_fullscreen"),
                         kSurfaceScale = QStringLiteral("screen_surface_scale"),
                         kType = QStringLiteral("screen_type"),
                         kGroup = QStringLiteral("screen_group"),
                         kPlayer = QStringLiteral("player_window");
    setInt(kScreenIndex, screen_index_);
    setInt(kParent, parent_);
    e.insert(kFitMode, QString::number(fitMode_));
    if (screen_uid_ != 0) e.insert(kUid, QString::number(qint64(screen_uid_)));
    e.insert(kUuid, screen_uuid());
    if (orgOffset_.x() != 0 || orgOffset_.y() != 0)
        e.insert(kOrgOffset, cFormat("%0.0f,%0.0f", orgOffset_.x(), orgOffset_.y()));
    if (mix_offset_.x() != 0 || mix_offset_.y() != 0)
        e.insert(kMixOffset, cFormat("%0.1f,%0.1f", mix_offset_.x(), mix_offset_.y()));
    if (hasProjection_) e.insert(kProjection, projection_);
    if (hasMatrix_) e.insert(kMatrix, matrixControls_);
    setFlag(kShowHud, showHUD_);
    if (hasTopo_) e.insert(kTopo, topo_);
    setInt(kMasterMix, master_mix_);
    setInt(kMasterNum, master_num_);
    if (multiMix_) e.insert(kMultiMix, QVariant(multi_mix_).toList());
    setFloat(kRotation, mix_rotation_);
    setFloat(kScreenRotation, screen_rotation_);
    setFloat(kWscale, screen_wscale_);
    setFlag(kIsOutput, isOutput_);
    setInt(kTexSource, tex_source_);
    setFlag(kOffScreen, off_screen_);
    setFlag(kSync, sync_screen_);
    setInt(kOrientation, screen_orientation_);
    setFlag(kHide, mix_hide_);
    setFlag(kGenlockMaster, bmd_genlock_master_);
    setFlag(kGenlockLock, bmd_genlock_lock_to_master_);
    setInt(kSyncGroup, bmd_sync_group_);
    setFlag(kUpdateFs, screen_update_fs_);
    setFlag(kHideFs, hide_in_fullscreen_);
    setFloat(kSurfaceScale, screen_surface_scale_);
    setInt(kType, screen_type_);
    if (decklink_uid_ != 0) e.insert(kDecklinkUid, QString::number(decklink_uid_));
    if (decklink_format_ != 0) e.insert(kDecklinkFormat, fourCCfromInt(decklink_format_));
    setInt(kGroup, screen_group_);
    setFlag(kPlayer, player_window_);
    entryCache_ = e;
    entryCacheRevision_ = entryRevision_;
    return entryCache_;
}

// --- Reader ----------------------------------------------------------------------------------

bool MixRectangle::validateMixes(const QVariant& value, QVariantMap* out, QString* why) {
    const auto fail = [why](const QString& text) {
        if (why) *why = text;
        return false;
    };
    QVariantMap dict;
    if (value.typeId() == QMetaType::QVariantMap) {
        dict = value.toMap();
    } else if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        QString error;
        const QByteArray text =
            value.typeId() == QMetaType::QString ? value.toString().toUtf8() : value.toByteArray();
        const QVariant read = PropertyList::read(text, &error);
        if (!read.isValid()) return fail("not a property list (" + error + ")");
        if (read.typeId() != QMetaType::QVariantMap) return fail("not a dictionary");
        dict = read.toMap();
    } else {
        return fail("not a dictionary");
    }
    for (auto it = dict.constBegin(); it != dict.constEnd(); ++it) {
        if (!indexOfKey(it.key()))
            return fail(QString("key '%1' is no mix number from 000 to 999").arg(it.key().left(32)));
        if (it->typeId() != QMetaType::QVariantMap)
            return fail(QString("entry %1 is no dictionary").arg(it.key()));
        const QString fault = entryFault(it->toMap());
        if (!fault.isNull()) return fail(QString("entry %1: %2").arg(it.key(), fault));
    }
    if (out) *out = dict;
    return true;
}

bool MixRectangle::compatibilityCheck(const QVariantMap& dict) {
    const int version = intOf(dict.value("000").toMap(), kVersionKey);
    if (version == 0 || version == kKlMixVersion) return true;
    OmLogNoFlood(kOmLogError, "[Mixes] ERROR: incompatible Kelo App mixes version %d\n", version);
    return false;
}

void MixRectangle::_privateConfigMixKey(const QString& key, const QVariantMap& dict) {
    const auto entry = dict.constFind(key);
    const std::optional<int> index = indexOfKey(key);
    if (entry == dict.constEnd() || entry->typeId() != QMetaType::QVariantMap || !index) return;
    const QVariantMap e = entry->toMap();
    const QRectF rect = rectOf(e.value("rect")).value_or(QRectF());
    int parent = intOf(e, "parent");
    if (parent >= 1000 || parent < 0) parent = 0;
    if (*index == 0) {
        gWorldRect = rect;
        guiAutoresizeSurface = false;
        sKlMixVersion = intOf(e, kVersionKey);
    }
    MixRectangle* m = mixRectangleAtIndex(*index);
    if (!m) m = storeInTable(*index, std::make_unique<MixRectangle>());
    m->setMixIndex(*index);
    m->setRect(rect);
    m->setParent(unsigned(parent));
    m->readEntry(e);
}

MixRectangle* MixRectangle::storeInTable(int index, std::unique_ptr<MixRectangle> mix) {
    auto& slot = sTable[index];
    if (slot) removeFromFamilies(slot.get());
    slot = std::move(mix);
    ++sRevision;
    return slot.get();
}

void MixRectangle::readEntry(const QVariantMap& e) {
    const auto has = [&e](const char* key) { return e.contains(QLatin1String(key)); };
    const auto text = [&e](const char* key) {
        const auto it = e.constFind(QLatin1String(key));
        return it == e.constEnd() ? QString() : it->toString();
    };
    setName(has("name") ? text("name") : QString());
    setFitMode(intOf(e, "fit_mode"));
    setScreen_index(intOf(e, "screen_index"));
    setScreen_uid(u64Of(e, "screen_uid", true));
    setScreen_uuid(has("screen_uuid") ? text("screen_uuid") : QString());
    setOrgOffset(pointOf(e.value("org_offset")).value_or(QPointF()));
    setProjection(e.value("projection").toMap(), has("projection"));
    setMatrixControls(e.value("matrix_controls").toMap(), has("matrix_controls"));
    setTopo(e.value("topo").toMap(), has("topo"));
    setShowHUD(boolOf(e.value("show_hud")));
    setUnique_ui_color_id(intOf(e, "unique_ui_color_id"));
    setCustomColor(colourOf(e.value("custom_color")).value_or(QColor()));
    setCustomColorEnable(boolOf(e.value("custom_color_enable")));
    needsSave_ = false;
    tex_transform_ = m3_identity;
    setMix_rotation(float(num(e, "mix_rotation")));
    setScreen_rotation(float(num(e, "screen_rotation")));
    setScreen_wscale(float(num(e, "screen_wscale")));
    setIsOutput(boolOf(e.value("is_output")));
    setMix_offset(pointOf(e.value("mix_offset")).value_or(QPointF()));
    setTex_source(unsigned(std::max(0, intOf(e, "tex_source"))));
    setOff_screen(boolOf(e.value("off_screen")));
    setSync_screen(boolOf(e.value("sync_screen")));
    setScreen_orientation(intOf(e, "screen_orientation"));
    setMix_hide(boolOf(e.value("mix_hide")));
    setBmd_genlock_master(boolOf(e.value("bmd_genlock_master")));
    setBmd_genlock_lock_to_master(boolOf(e.value(kGenlockLock)));
    setBmd_sync_group(intOf(e, "bmd_sync_group"));
    setScreen_type(intOf(e, "screen_type"));
    setScreen_surface_scale(float(num(e, "screen_surface_scale")));
    setScreen_update_fs(boolOf(e.value("screen_update_fs")));
    setHide_in_fullscreen(boolOf(e.value("hide_in_fullscreen")));
    setDecklink_uid(u64Of(e, "decklink_uid", false));
    setDecklink_format(has("decklink_format") ? intFromFourCC(text("decklink_format")) : 0);
    QStringList multi;
    for (const QVariant& v : e.value("multi_mix").toList()) multi << v.toString();
    setMulti_mix(multi);
    setMultiMix(!multi.isEmpty());
    setMaster_num(unsigned(std::max(0, intOf(e, "master_num"))));
    setMaster_mix(unsigned(std::max(0, intOf(e, "master_mix"))));
    setScreen_group(intOf(e, "screen_group"));
    setPlayer_window(boolOf(e.value("player_window")));
    if (screen_index_ > 0) setIsOutput(true);
    setScreen_errors(0);
}

bool MixRectangle::configureWithDictionary(const QVariantMap& dict) {
    QString why;
    if (!validateMixes(dict, nullptr, &why)) {
        OmLogNoFlood(kOmLogError, "[Mixes] ERROR: mixes refused: %s\n", qPrintable(why));
        return false;
    }
    if (!compatibilityCheck(dict)) return false;
    sUpdateInProgress = true;
    std::vector<int> left;
    for (const auto& [index, m] : sTable) left.push_back(index);
    for (auto it = dict.constBegin(); it != dict.constEnd(); ++it) {
        std::erase(left, indexOfKey(it.key()).value_or(-1));
        _privateConfigMixKey(it.key(), dict);
    }
    for (int index : left)
        if (index > 0) _privateDeleteMix(index);
    updateConfiguration();
    sUpdateInProgress = false;
    return true;
}

bool MixRectangle::configureWithFileAtPath(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        OmLogNoFlood(kOmLogError, "[Mixes] ERROR: cannot read %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    QVariantMap dict;
    QString why;
    if (!validateMixes(file.readAll(), &dict, &why)) {
        OmLogNoFlood(kOmLogError, "[Mixes] ERROR: %s refused: %s\n", qPrintable(path),
                     qPrintable(why));
        return false;
    }
    return configureWithDictionary(dict);
}

// --- The update pass ----------------------------------------------------------------------------

int MixRectangle::updateConfiguration() {
    sUpdateInProgress = true;
    for (const auto& [index, m] : sTable) {
        m->findChildren();
        if (!m->multi_mix_.isEmpty()) {
            m->multiMixes_.clear();
            for (const QString& entry : m->multi_mix_)
                if (MixRectangle* part = mixRectangleAtIndex(entry.toInt()))
                    m->multiMixes_.push_back(part);
            m->setMultiMix(true);
        }
    }
    QRectF bounds;
    bool madeSurface = false;
    for (int pass = 0;; ++pass) {
        bounds = QRectF();
        for (const auto& [index, m] : sTable) {
            m->recalculate();
            if (!m->off_screen_ && !m->multiMix_) bounds = nsUnionRect(bounds, m->mix_world_bounds_);
        }
        if (pass != 1) continue;
        if (madeSurface || !nsIsEmptyRect(gWorldRect) || nsIsEmptyRect(bounds)) break;
        madeSurface = true;
        kelo::printf("MixRectangles: creating default mix 000\n");
        auto surface = std::make_unique<MixRectangle>();
        surface->setMixIndex(0);
        surface->setName(QStringLiteral("global surface (default)"));
        QRectF r = bounds;
        // Whole sixteenths, and at least one: a narrower surface is empty.
        r.setWidth(std::max(16.0, std::trunc((r.width() + 15) / 16) * 16));
        surface->setRect(r);
        gWorldRect = r;
        storeInTable(0, std::move(surface));
        pass = -1;  // two more passes
    }
    setWorld(gWorldRect);
    if (!nsIsEmptyRect(bounds) && !nsContainsRect(gWorldRect, bounds))
        kelo::printf("MixRectangles: Mix 000 (%s) does not enclose all mixes (%s)\n",
                     qPrintable(nsStringFromRect(gWorldRect)), qPrintable(nsStringFromRect(bounds)));

    sScreenMixes.clear();
    sDecklinkWanted = false;
    bool anyHUD = false;
    for (const auto& [index, m] : sTable) {
        anyHUD = anyHUD || m->showHUD_;
        if (m->screen_index_ == 0) continue;
        sScreenMixes.push_back(m.get());
        if (m->isOutput_ && m->parent_ == 0 && index > 0 && m->screen_type_ == 1 &&
            m->decklink_uid_ != 0)
            sDecklinkWanted = true;
    }
    if (!sScreenMixes.empty() && !anyHUD) sScreenMixes.front()->setShowHUD(true);

    const int outputs = int(sScreenMixes.size());
    const int mixes = std::max(0, int(sTable.size()) - outputs - 1);
    gDirectSummary = QStringLiteral("%1, %2").arg(
        outputs == 1 ? QStringLiteral("1 Output") : QString("%1 Outputs").arg(outputs),
        mixes == 1 ? QStringLiteral("1 Mix") : QString("%1 Mixes").arg(mixes));
    NotificationCenter::defaultCenter().post(kKeloScreenCheckConfigurationsNotification);
    sUpdateInProgress = false;
    sPendingChanges = false;
    ++sUpdateConfigIncrement;
    return 0;
}

void MixRectangle::applyPendingChanges() {
    if (!sPendingChanges) return;
    sPendingChanges = false;
    updateConfiguration();
}

// --- Merging a server's copy ---------------------------------------------------------------------

int MixRectangle::applyRemoteChanges(const QVariant& value) {
    // The server link hands over the same value (shared, not copied) on
    // every poll: once it was checked, only a different one is checked again.
    static QVariantMap lastDict;
    QVariantMap incoming;
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap v = value.toMap();
        if (v.isSharedWith(lastDict) || (!lastDict.isEmpty() && v == lastDict)) {
            lastDict = v;
            incoming = v;
        }
    }
    if (incoming.isEmpty()) {
        QString why;
        if (!validateMixes(value, &incoming, &why)) {
            OmLogNoFlood(kOmLogError, "[Mixes] ERROR: server's mixes refused: %s\n",
                         qPrintable(why));
            return 0;
        }
        lastDict = incoming;
    }
    const QVariantMap current = rebuildDict();
    if (incoming.isSharedWith(current) || incoming == current) {
        // Keep the server's copy as the table's own (they are equal), so that
        // the next poll compares shared data instead of every entry.
        if (!sDictCache.isSharedWith(incoming)) {
            for (const auto& [index, m] : sTable) m->entryCache_ = incoming.value(m->key_).toMap();
            sDictCache = incoming;
        }
        if (!sRemoteUpdateMixFlag) return 0;
    }
    if (!compatibilityCheck(incoming)) return 0;
    sUpdateInProgress = true;
    if (incoming.size() != current.size() || incoming.keys() != current.keys()) {
        sUpdateInProgress = false;
        configureWithDictionary(incoming);
        sRemoteUpdateMixFlag = false;
        return 2;
    }
    bool runtimeOnly = true, needsUpdate = false;
    for (auto it = incoming.constBegin(); it != incoming.constEnd(); ++it) {
        const QVariant oldMix = current.value(it.key());
        if (!oldMix.isValid() || !it->isValid()) {
            OmLogNoFlood(kOmLogError, "[Mixes] ERROR: mix missing! oldMix %s newMix %s\n",
                         qPrintable(oldMix.toString()), qPrintable(it->toString()));
            continue;
        }
        if (*it == oldMix) continue;
        const QVariantMap newEntry = it->toMap(), oldEntry = oldMix.toMap();
        for (auto field = newEntry.constBegin(); field != newEntry.constEnd(); ++field)
            if (field.key() != kGenlockLock && *field != oldEntry.value(field.key()))
                runtimeOnly = false;
        _privateConfigMixKey(it.key(), incoming);
        MixRectangle* m = mixRectangleAtIndex(*indexOfKey(it.key()));
        if (m && m->multiMix_) needsUpdate = true;
        if (m) m->recalculate();
        if (runtimeOnly) {
            kelo::printf("[BMD Genlock] Verozo runtime-only genlock change detected\n");
            NotificationCenter::defaultCenter().post(kKeloGenlockRuntimeConfigChangedNotification);
        }
    }
    if (sRemoteUpdateMixFlag || needsUpdate) updateConfiguration();
    sUpdateInProgress = false;
    sRemoteUpdateMixFlag = false;
    return 1;
}

// --- Saving ------------------------------------------------------------------------------------------

void MixRectangle::saveToDisk(bool archive) {
    if (!MainThread::isMainThread()) {
        MainThread::runOnMain([archive] { saveToDisk(archive); });
        return;
    }
    NotificationCenter::defaultCenter().post(
        kKeloSaveMixes, nullptr,
        {{"mixes", rebuildDict()}, {"_direct_summary", gDirectSummary}, {"archive", archive}});
    gLastModified = 0;
}

void MixRectangle::mixesModified() {
    gLastModified = MachAbsoluteTime();
    if (gLastModified == 0) gLastModified = 1;
}

void MixRectangle::saveIfModified() {
    if (gLastModified != 0) {
        kelo::printf("### MixRectangle: saving modified mixes\n");
        saveToDisk(false);
    }
    gLastModified = 0;
}

// --- Adding, pasting, deleting ---------------------------------------------------------------------------

int MixRectangle::nextAvailableMixIndex(bool isOutput, int startAt) {
    const int start = startAt > 0 ? startAt : (isOutput ? kFirstOutputIndex : kFirstMixIndex);
    if (start > kMaxNewMixIndex) return start;
    for (int i = start; i <= kMaxNewMixIndex; ++i)
        if (!sTable.count(i)) return i;
    return start;
}

int MixRectangle::addNewMix(QSizeF size, int screen, bool isOutput, int screenGroup, int startAt) {
    const int start = startAt > 0 ? startAt : (isOutput ? kFirstOutputIndex : kFirstMixIndex);
    if (start > kMaxNewMixIndex) return 0;
    int index = start;
    while (index <= kMaxNewMixIndex && sTable.count(index)) ++index;
    if (index > kMaxNewMixIndex) return 0;
    auto created = std::make_unique<MixRectangle>();
    MixRectangle* m = created.get();
    m->setScreen_group(screenGroup);
    storeInTable(index, std::move(created));
    m->setMixIndex(index);
    m->setRect(QRectF(QPointF(0, 0), size));
    if (isOutput) {
        m->setName(cFormat("Output %03d - NO DMX Master", index));
        m->setShowHUD(true);
    } else {
        m->setName(cFormat("Mix %03d", index));
    }
    if (screen != 0) {
        sScreenMixes.push_back(m);
        m->setScreen_index(screen);
        m->setIsOutput(true);
    }
    m->setCustomColor(QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f));
    m->setCustomColorEnable(false);
    m->recalculate();
    kelo::printf("addNewMix %d, %s\n", index, qPrintable(m->description()));
    return index;
}

int MixRectangle::pasteMix(const MixRectangle* source, bool isOutput) {
    if (!source) return 0;
    int index = isOutput ? kFirstOutputIndex : kFirstMixIndex;
    while (index <= kMaxNewMixIndex && sTable.count(index)) ++index;
    if (index > kMaxNewMixIndex) return 0;
    auto created = std::make_unique<MixRectangle>();
    MixRectangle* m = created.get();
    m->setName(source->name() + QStringLiteral(" (copy)"));
    m->setMixIndex(index);
    m->setRect(source->rect_);
    m->setParent(source->parent_);
    m->setMaster(source->master_);
    m->setMix_hide(source->mix_hide_);
    m->setMix_rotation(source->mix_rotation_);
    m->setIsOutput(source->isOutput_);
    m->setCustomColor(source->customColor());
    m->setCustomColorEnable(source->customColorEnable_);
    storeInTable(index, std::move(created));
    if (isOutput) {
        if (m->parent_ == 0) m->setScreen_index(-1);
        m->setHide_in_fullscreen(source->hide_in_fullscreen_);
        m->setScreen_orientation(source->screen_orientation_);
        m->setShowHUD(source->showHUD_);
        m->setFitMode(source->fitMode_);
        m->setMaster_num(source->master_num_);
        m->setScreen_group(source->screen_group_);
    }
    m->recalculate();
    kelo::printf("pasteMix %d, %s\n", index, qPrintable(m->description()));
    return index;
}

bool MixRectangle::_privateDeleteMix(int index) {
    // Renumbering reaches 999, so deleting does too.
    const auto it = index >= 1 && index <= kMaxMixIndex ? sTable.find(index) : sTable.end();
    if (it == sTable.end()) {
        kelo::printf("deleteMix: couldn't find mix %d\n", index);
        return false;
    }
    kelo::printf("deleteMix %d, %s\n", index, qPrintable(it->second->description()));
    removeFromFamilies(it->second.get());
    sTable.erase(it);
    ++sRevision;
    return true;
}

void MixRectangle::deleteMixes(const std::vector<int>& indexes) {
    std::vector<int> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int index : sorted) _privateDeleteMix(index);
    updateConfiguration();
}
