// Entries, display order, value checks and edits of the preference list.

#include "settings/KlRemoteControlList.h"

#include "foundation/OmLog.h"
#include "hud/views/VNSViewCategory.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KlPatchCommon.h"
#include "settings/KlRemoteControlListDelegate.h"
#include "settings/KlSettingsNotifications.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString kSortedKeys = QStringLiteral("_sorted_keys_");
const QString kValue = QStringLiteral("_value");
const QString kType = QStringLiteral("_type");
const QString kRange = QStringLiteral("_rng");
const QString kDmxUniverse = QStringLiteral("DMX_Univ");
const QString kDmxProtocol = QStringLiteral("DMX_Protocol");
const QString kOutputsAndMixes = QStringLiteral("Outputs & Mixes");

KlRemoteControlListDelegate& silentDelegate() {
    static KlRemoteControlListDelegate none;
    return none;
}

// The leading number of a text, as the server's own readers take it.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

// A whole text as a number; nothing for text that is not one.
std::optional<double> wholeNumber(const QString& text, const QLocale& locale) {
    bool ok = false;
    const double n = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(n)) return std::nullopt;
    return n;
}

std::optional<double> plainNumber(const QString& text) {
    return wholeNumber(text, QLocale::c());
}

// "_rng" is a point text "{minimum, maximum}".
std::optional<std::pair<float, float>> readRange(const QVariant& range) {
    QString text = prefValueText(range).trimmed();
    if (text.startsWith('{') && text.endsWith('}')) text = text.mid(1, text.size() - 2);
    const QStringList parts = text.split(',');
    if (parts.size() != 2) return std::nullopt;
    const std::optional<double> lo = plainNumber(parts[0]), hi = plainNumber(parts[1]);
    if (!lo || !hi) return std::nullopt;
    return std::make_pair(float(*lo), float(*hi));
}

QVariant asPropertyList(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap)
        return value;
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray) return {};
    const QByteArray text =
        value.typeId() == QMetaType::QString ? value.toString().toUtf8() : value.toByteArray();
    if (text.trimmed().isEmpty()) return {};
    return PropertyList::read(text);
}

// An output configuration carries each screen's "screen_uid", which differs
// between machines; two configurations are compared without it.
QVariantMap withoutScreenUids(QVariantMap dict) {
    for (auto it = dict.begin(); it != dict.end(); ++it) {
        if (it->typeId() != QMetaType::QVariantMap) continue;
        QVariantMap inner = it->toMap();
        if (inner.remove(QStringLiteral("screen_uid"))) *it = inner;
    }
    return dict;
}

struct SortRecord {
    QString key;
    QString group;  // empty: none
    int groupRank = -1;
    int idx = 0;
    QString alias;
};

SortRecord sortRecord(const QString& key, const QVariantMap& entry) {
    SortRecord r;
    r.key = key;
    const QVariant group = entry.value(QStringLiteral("_group"));
    if (group.typeId() == QMetaType::QString) r.group = group.toString();
    if (!r.group.isEmpty()) r.groupRank = int(KlRemoteControlList::groupOrder().indexOf(r.group));
    r.idx = prefIntValue(entry.value(QStringLiteral("_idx")));
    r.alias = entry.value(QStringLiteral("_alias")).toString();
    return r;
}

int sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// Groups of the fixed order come first, in that order, then the others by
// name: comparing an unknown group by name with a known one by rank would
// not be a consistent order, which sorting cannot take.
int compareRecords(const SortRecord& a, const SortRecord& b) {
    const bool ga = !a.group.isEmpty(), gb = !b.group.isEmpty();
    if (ga != gb) return ga ? -1 : 1;
    if (ga && a.group != b.group) {
        if (a.groupRank >= 0 && b.groupRank >= 0) return a.groupRank < b.groupRank ? -1 : 1;
        if (a.groupRank >= 0) return -1;
        if (b.groupRank >= 0) return 1;
        return sign(QString::compare(a.group, b.group));
    }
    if (a.idx != b.idx) {
        if (a.idx != 0 && b.idx != 0) return a.idx < b.idx ? -1 : 1;
        return a.idx != 0 ? -1 : 1;
    }
    return sign(QString::compare(a.alias, b.alias));
}

QString numberWarning(const QString& type, const QString& text, float lo, float hi) {
    if (type == QLatin1String("float"))
        return QString::asprintf(
            "New value '%s' is not a number.\nMinimum is %0.3f, Maximum is %0.3f", qPrintable(text),
            double(lo), double(hi));
    return QString::asprintf("New value '%s' is not a number.\nMinimum is %d, Maximum is %d",
                             qPrintable(text), int(lo), int(hi));
}

bool within(double n, float lo, float hi) {
    return float(n) >= lo && float(n) <= hi;
}

// The checks of the few text preferences whose parts have ranges.
QString checkTextParts(const QString& key, const QString& text, float lo, float hi) {
    if (key == QLatin1String("pixmap_rgba_whiteVal") ||
        key == QLatin1String("pixmap_rgbw2_whiteVal") ||
        key == QLatin1String("pixmap_rgbl_whiteVal")) {
        const QStringList parts = text.split(',');
        if (parts.size() != 3)
            return QStringLiteral("Invalid value.\nRequires 3 comma-separated values (r,g,b)");
        for (const QString& part : parts) {
            const std::optional<double> n = plainNumber(part);
            if (!n || !within(*n, lo, hi))
                return QString::asprintf("New value(s) out of range.\nMinimum is %d, Maximum is %d",
                                         int(lo), int(hi));
        }
        return {};
    }
    if (key == QLatin1String("osc_heartbeat_dest")) {
        const QStringList parts = text.split(':');
        if (parts.size() != 2)
            return QStringLiteral(
                "Invalid value.\nRequires 2 values separated by a colon (IPAddress:Port)");
        in_addr address{};
        const QByteArray host = parts[0].trimmed().toLatin1();
        bool portOk = false;
        const int port = parts[1].trimmed().toInt(&portOk);
        if (inet_pton(AF_INET, host.constData(), &address) != 1 || !portOk || port < 2001 ||
            port > 65535)
            return QStringLiteral(
                "Invalid value.\nRequires a valid, correctly formatted IP address and port "
                "number 2001 - 65535");
        return {};
    }
    if (key == QLatin1String("playback_ease_vals")) {
        const QStringList parts = text.split(',');
        if (parts.size() != 3)
            return QStringLiteral(
                "Invalid value.\nRequires 3 comma-separated values (exp,percent,minSpd)");
        const double limits[3][2] = {{0.1, 2.0}, {1, 25}, {0.5, 100}};
        for (int i = 0; i < 3; ++i) {
            const std::optional<double> n = plainNumber(parts[i]);
            if (!n || !within(*n, lo, hi) || *n < limits[i][0] || *n > limits[i][1])
                return QStringLiteral(
                    "New value out of range.\nexp 0.1-2.0, percent 1-25, minSpd 0.5-100");
        }
    }
    return {};
}

}  // namespace

// --- Value readers ---------------------------------------------------------------

bool prefBoolValue(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    if (value.typeId() != QMetaType::QString) return value.toDouble() != 0;
    const QString text = value.toString();
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i >= text.size()) return false;
    const QChar c = text[i];
    return QStringLiteral("YyTt123456789").contains(c);
}

int32_t prefIntValue(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    const double n =
        value.typeId() == QMetaType::QString ? leadingNumber(value.toString()) : value.toDouble();
    if (n >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (n <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(n);
}

float prefFloatValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return float(leadingNumber(value.toString()));
    return value.toFloat();
}

QString prefValueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap) {
        QString error;
        const QByteArray text = PropertyList::write(value, PropertyList::Format::OpenStep, &error);
        if (text.isEmpty())
            OmLogNoFlood(kOmLogError, "[Preferences] value has no text form: %s\n",
                         qPrintable(error));
        return QString::fromUtf8(text);
    }
    if (!value.isValid()) return {};
    return value.toString();
}

// --- Set-up --------------------------------------------------------------------

KlRemoteControlList::KlRemoteControlList(KlE_Control_Status* link)
    : link_(link ? link : KlE_Control_Status::defaultObject()) {
    right_.reset(new KlRemoteControlList(link_, this));
    incrToken_ = NotificationCenter::defaultCenter().addObserver(
        kKeloPref_IncrNotification, nullptr,
        [this](const Notification& n) { pref_IncrNotification(n); });
}

KlRemoteControlList::KlRemoteControlList(KlE_Control_Status* link, KlRemoteControlList* left)
    : link_(link), left_(left) {
    incrToken_ = NotificationCenter::defaultCenter().addObserver(
        kKeloPref_IncrNotification, nullptr,
        [this](const Notification& n) { pref_IncrNotification(n); });
}

KlRemoteControlList::~KlRemoteControlList() = default;

void KlRemoteControlList::setDelegate(KlRemoteControlListDelegate* delegate) {
    delegate_ = delegate;
}

KlRemoteControlListDelegate* KlRemoteControlList::delegate() const {
    return delegate_ ? delegate_ : &silentDelegate();
}

const QStringList& KlRemoteControlList::groupOrder() {
    static const QStringList order{
        "Identity", "Audio", "Network",       "Core",        "Playback",    "Output",    "3D",
        "Misc",     "Patch", "Pixel Mapping", "Video Input", "Development", "Deprecated"};
    return order;
}

// --- Order -----------------------------------------------------------------------

int KlRemoteControlList::sortKeys(const QString& a, const QString& b,
                                  const QVariantMap& dictionary) {
    return compareRecords(sortRecord(a, dictionary.value(a).toMap()),
                          sortRecord(b, dictionary.value(b).toMap()));
}

QVariantList KlRemoteControlList::buildSortedKeys(const QVariantMap& dictionary) {
    std::vector<SortRecord> records;
    records.reserve(size_t(dictionary.size()));
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it->typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap entry = it->toMap();
        if (entry.contains(QStringLiteral("_dprct"))) continue;
        records.push_back(sortRecord(it.key(), entry));
    }
    std::stable_sort(records.begin(), records.end(), [](const SortRecord& a, const SortRecord& b) {
        return compareRecords(a, b) < 0;
    });
    QVariantList keys;
    keys.reserve(qsizetype(records.size()) + groupOrder().size());
    QSet<QString> met;
    for (const SortRecord& r : records) {
        if (!r.group.isEmpty() && !met.contains(r.group)) {
            met.insert(r.group);
            keys << r.group;
        }
        keys << r.key;
    }
    return keys;
}

bool KlRemoteControlList::hasSortedKeys(const QVariantMap& dictionary) {
    const auto it = dictionary.constFind(kSortedKeys);
    return it != dictionary.constEnd() && it->typeId() == QMetaType::QVariantList;
}

QVariantList KlRemoteControlList::sortedKeys() const {
    return dictionary_ ? dictionary_->value(kSortedKeys).toList() : QVariantList();
}

void KlRemoteControlList::setDictionary(QVariantMap* dictionary) {
    // Callbacks of the list may come back here; two levels are enough.
    static int sNesting = 0;
    if (sNesting > 1) return;
    ++sNesting;
    struct Uncount {
        ~Uncount() { --sNesting; }
    } uncount;

    // The server link replaces a dictionary's contents without its order: a
    // dictionary without one is new even at the same place.
    bool reselect = true;
    if (dictionary && dictionary == dictionary_ && hasSortedKeys(*dictionary) &&
        !selectedPrefName_.isEmpty()) {
        const QVariantMap entry = dictionary->value(selectedPrefName_).toMap();
        reselect = !(entry.value(kType).toString() == selectedPrefType_ && entry.contains(kValue) &&
                     entry.value(kValue) == selectedPrefValues_);
    }
    dictionary_ = dictionary;
    if (dictionary_ && !hasSortedKeys(*dictionary_))
        dictionary_->insert(kSortedKeys, buildSortedKeys(*dictionary_));
    delegate()->hideInRowEditors();
    if (reselect && !selectedPrefName_.isEmpty()) selectPref(selectedPrefName_, false);
    delegate()->dictionaryChanged();
}

// --- Values ----------------------------------------------------------------------

bool KlRemoteControlList::isValueValid(const QVariant& value, const QVariantMap& entry) {
    const QString type = entry.value(kType).toString();
    if (type == QLatin1String("s_array"))
        return asPropertyList(value).typeId() == QMetaType::QVariantList;
    if (type == QLatin1String("dict"))
        return asPropertyList(value).typeId() == QMetaType::QVariantMap;
    return value.isValid();
}

bool KlRemoteControlList::isValueEqual(const QVariant& value, const QVariantMap& entry) {
    const QString type = entry.value(kType).toString();
    const QVariant stored = entry.value(kValue);
    if (type == QLatin1String("bool")) return prefBoolValue(value) == prefBoolValue(stored);
    if (type == QLatin1String("int")) return prefIntValue(value) == prefIntValue(stored);
    if (type == QLatin1String("float")) return prefFloatValue(value) == prefFloatValue(stored);
    if (type == QLatin1String("str") || type == QLatin1String("list"))
        return stored.isValid() && prefValueText(value) == prefValueText(stored);
    if (type == QLatin1String("s_array")) {
        if (!value.isValid() && !stored.isValid()) return true;
        const QVariant array = asPropertyList(value);
        if (array.typeId() != QMetaType::QVariantList) return false;
        if (stored.isValid()) return array == asPropertyList(stored);
        return array.toList().isEmpty() && value == entry.value(QStringLiteral("_dflt"));
    }
    if (type == QLatin1String("dict")) {
        if (!value.isValid() && !stored.isValid()) return true;
        const QVariant dict = asPropertyList(value);
        if (dict.typeId() != QMetaType::QVariantMap) return false;
        const QVariant storedDict = asPropertyList(stored);
        if (entry.value(QStringLiteral("_alias")).toString() != kOutputsAndMixes)
            return dict == storedDict;
        if (storedDict.typeId() != QMetaType::QVariantMap) return false;
        const QVariantMap mine = withoutScreenUids(dict.toMap());
        return mine == withoutScreenUids(storedDict.toMap()) || mine == storedDict.toMap();
    }
    OmLogNoFlood(kOmLogError, "[Preferences] unknown type '%s' for preference '%s'\n",
                 qPrintable(type), qPrintable(prefValueText(entry)));
    return true;
}

KlRemoteControlList::EditorView KlRemoteControlList::editorViewForEntry(const QVariantMap& entry) {
    const auto editor = entry.constFind(QStringLiteral("_editor"));
    if (editor != entry.constEnd()) {
        const QString name = editor->toString();
        if (name == QLatin1String("effect")) return EditorView::Effect;
        if (name == QLatin1String("alignment_rects")) return EditorView::Alignment;
        if (name == QLatin1String("camera_settings")) return EditorView::CameraSettings;
        return EditorView::None;
    }
    const QString type = entry.value(kType).toString();
    if (type == QLatin1String("list") || entry.contains(QStringLiteral("_list")))
        return EditorView::ListSelector;
    if (type == QLatin1String("s_array")) return EditorView::StringList;
    return EditorView::None;
}

void KlRemoteControlList::applyDmxUniverseRule(const QString& key, double n, QVariant* value,
                                               QString* warning, bool* keepGoing) {
    deferredWarningKey_.clear();
    deferredWarningVal_.clear();
    const QVariantMap universeEntry = dictionary_->value(kDmxUniverse).toMap();
    const QVariantMap protocolEntry = dictionary_->value(kDmxProtocol).toMap();
    const int storedUniverse = prefIntValue(universeEntry.value(kValue));
    const int universe = key == kDmxUniverse ? int(std::clamp(n, -1.0, 1e9)) : storedUniverse;
    const int protocol =
        key == kDmxProtocol ? (int64_t(n) & 0xFF) : prefIntValue(protocolEntry.value(kValue));
    const int maxOffset =
        universeEntry.value(QStringLiteral("_patchBlueprintsMaxUniverseOffset")).toInt();
    QString message;
    const int checked =
        KlPatchCommon::rangeCheckUniverse(universe, protocol != 0, maxOffset, &message);
    if (key == kDmxUniverse) {
        *value = QString::number(checked);
        *warning = message;
        *keepGoing = true;
    } else if (checked != storedUniverse) {
        // The protocol goes first; the universe follows on the next pass.
        deferredWarningKey_ = kDmxUniverse;
        deferredWarningVal_ = prefValueText(universeEntry.value(kValue));
    }
}

bool KlRemoteControlList::setNewPrefValue(const QVariant& newValue, const QString& key) {
    if (!newValue.isValid() || key.isEmpty() || !dictionary_) return false;
    const auto found = dictionary_->constFind(key);
    if (found == dictionary_->constEnd() || found->typeId() != QMetaType::QVariantMap) return false;
    QVariantMap entry = found->toMap();
    const QString type = entry.value(kType).toString();
    QVariant value = newValue;
    QString warning;
    bool keepGoing = false;

    if (entry.contains(kRange)) {
        const auto range = readRange(entry.value(kRange));
        if (!range) {
            OmLogNoFlood(kOmLogError, "[Preferences] range '%s' of '%s' is not a point\n",
                         qPrintable(prefValueText(entry.value(kRange))), qPrintable(key));
        } else {
            const auto [lo, hi] = *range;
            const QString text = prefValueText(value);
            const bool dmx = type == QLatin1String("int") &&
                             (key == kDmxUniverse || key == kDmxProtocol) &&
                             dictionary_->value(kDmxUniverse).toMap().contains(kValue) &&
                             dictionary_->value(kDmxProtocol).toMap().contains(kValue);
            if (type == QLatin1String("float")) {
                const auto n = wholeNumber(text, QLocale(QLocale::English, QLocale::UnitedStates));
                if (!n)
                    warning = numberWarning(type, text, lo, hi);
                else if (!within(*n, lo, hi))
                    warning = QString::asprintf(
                        "New value %0.3f out of range.\nMinimum is %0.3f, Maximum is %0.3f", *n,
                        double(lo), double(hi));
            } else if (type == QLatin1String("int")) {
                std::optional<double> n = wholeNumber(text, QLocale());
                if (!n) n = plainNumber(text);
                if (!n) {
                    warning = numberWarning(type, text, lo, hi);
                } else if (dmx) {
                    applyDmxUniverseRule(key, *n, &value, &warning, &keepGoing);
                } else {
                    const double whole = std::trunc(*n);
                    if (!within(whole, lo, hi))
                        warning = QString::asprintf(
                            "New value %lld out of range.\nMinimum is %d, Maximum is %d",
                            static_cast<long long>(whole), int(lo), int(hi));
                }
            } else if (type == QLatin1String("str")) {
                warning = checkTextParts(key, text, lo, hi);
            }
        }
    }

    if (!warning.isEmpty()) {
        lastWarning_ = warning;
        delegate()->hideInRowEditors();
        delegate()->showWarning(key, warning);
        if (!keepGoing) {
            if (key == selectedPrefName_) selectPref(key, false);
            delegate()->setNeedsDisplay();
            return false;
        }
    }

    // Arrays and dictionaries stay objects in the entry, as the link files them.
    if ((type == QLatin1String("s_array") || type == QLatin1String("dict")) &&
        value.typeId() == QMetaType::QString) {
        const QVariant parsed = asPropertyList(value);
        if (parsed.isValid()) value = parsed;
    }
    entry.insert(kValue, value);
    dictionary_->insert(key, entry);
    if (key == selectedPrefName_) selectedPrefValues_ = value;
    postRemoteNotification(2, key, prefValueText(value));
    delegate()->setNeedsDisplay();
    if (!deferredWarningKey_.isEmpty()) selectPref(deferredWarningKey_, false);
    return true;
}

void KlRemoteControlList::postRemoteNotification(int type, const QString& key,
                                                 const QString& value) {
    QVariantMap info{{"type", type}, {"prefName", key}, {"fixtureName", fixtureName_}};
    if (type == 2) info.insert("prefValue", value);
    NotificationCenter::defaultCenter().post(kKeloRemoteNotification, this, info);
}

void KlRemoteControlList::refreshPref(const QString& key) {
    if (key.isEmpty() || !dictionary_) return;
    postRemoteNotification(1, key);
}

void KlRemoteControlList::setPrefVisible(const QString& key, bool visible) {
    markEntry(key, QStringLiteral("visible"), visible ? QStringLiteral("1") : QStringLiteral("0"));
}

void KlRemoteControlList::markEntry(const QString& key, const QString& field,
                                    const QVariant& value) {
    if (!dictionary_) return;
    const auto it = dictionary_->constFind(key);
    if (it == dictionary_->constEnd() || it->typeId() != QMetaType::QVariantMap) return;
    QVariantMap entry = it->toMap();
    if (value.isValid())
        entry.insert(field, value);
    else
        entry.remove(field);
    dictionary_->insert(key, entry);
}

QVariant KlRemoteControlList::dflt() const {
    if (!dictionary_) return {};
    return dictionary_->value(selectedPrefName_).toMap().value(QStringLiteral("_dflt"));
}

void KlRemoteControlList::resetToDefault() {
    const QString key = std::exchange(resetMouseDownKey_, QString());
    if (key.isEmpty() || !dictionary_) return;
    const QVariantMap entry = dictionary_->value(key).toMap();
    const auto def = entry.constFind(QStringLiteral("_dflt"));
    if (def == entry.constEnd()) return;
    if (!isValueValid(*def, entry)) {
        OmLogNoFlood(kOmLogError,
                     "[Preferences] invalid property list default value '%s' for '%s'\n",
                     qPrintable(prefValueText(*def)), qPrintable(key));
        return;
    }
    if (!isValueEqual(*def, entry)) setNewPrefValue(*def, key);
}

// --- Selection and editors ------------------------------------------------------------

void KlRemoteControlList::selectPref(const QString& key, bool allowScroll) {
    if (selecting_) return;
    selecting_ = true;
    selectedPrefName_ = key;
    const QVariantMap entry = dictionary_ ? dictionary_->value(key).toMap() : QVariantMap();
    selectedPrefValues_ = entry.value(kValue);
    selectedPrefType_ = entry.value(kType).toString();
    selectedView_ = editorViewForEntry(entry);
    loadEditValues();
    delegate()->prefSelected(key, allowScroll);
    selecting_ = false;
}

void KlRemoteControlList::storeSelectedValues() {
    if (!dictionary_) return;
    const auto it = dictionary_->constFind(selectedPrefName_);
    if (it == dictionary_->constEnd() || it->typeId() != QMetaType::QVariantMap) return;
    QVariantMap entry = it->toMap();
    // A dictionary that arrived meanwhile may hold another kind of entry.
    if (entry.value(kType).toString() != selectedPrefType_) return;
    entry.insert(kValue, selectedPrefValues_);
    dictionary_->insert(selectedPrefName_, entry);
}

void KlRemoteControlList::setEditValue(int value, int tag) {
    const int i = tag - kFirstEditValueTag;
    if (i < 0 || i >= kEditValueCount) return;
    editorValues_[size_t(i)] = value;
}

int KlRemoteControlList::getEditValueForTag(int tag) const {
    const int i = tag - kFirstEditValueTag;
    if (i < 0 || i >= kEditValueCount) return 0;
    return editorValues_[size_t(i)];
}

void KlRemoteControlList::loadEditValues() {
    const QVariantList items = selectedPrefValues_.typeId() == QMetaType::QVariantList
                                   ? selectedPrefValues_.toList()
                                   : QVariantList();
    if (items.isEmpty())
        selectedItemIndex_ = -1;
    else
        selectedItemIndex_ = std::clamp(selectedItemIndex_, 0, int(items.size()) - 1);

    if (selectedView_ == EditorView::Effect) {
        int v[5] = {};
        const QByteArray text = prefValueText(selectedPrefValues_).toLatin1();
        std::sscanf(text.constData(), "%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4]);
        for (int i = 0; i < 5; ++i) setEditValue(v[i], kFirstEditValueTag + i);
    } else if (selectedView_ == EditorView::Alignment && selectedItemIndex_ >= 0) {
        const QVariantMap item = items[selectedItemIndex_].toMap();
        const QRectF rect = NSRectFromString(item.value(QStringLiteral("rect")).toString());
        const int values[5] = {int(rect.x()), int(rect.y()), int(rect.width()), int(rect.height()),
                               prefIntValue(item.value(QStringLiteral("linewidth")))};
        for (int i = 0; i < 5; ++i) setEditValue(values[i], kFirstEditValueTag + i);
    }
    delegate()->editValuesLoaded();
}

bool KlRemoteControlList::commitEditValues() {
    flashCommitButton_ = 0;
    flashCommitGreen_ = false;
    delegate()->commitButtonFlash(false);
    if (selectedView_ == EditorView::Effect) {
        selectedPrefValues_ =
            QString::asprintf("%d,%d,%d,%d,%d", editorValues_[0], editorValues_[1],
                              editorValues_[2], editorValues_[3], editorValues_[4]);
    } else if (selectedView_ == EditorView::Alignment &&
               selectedPrefValues_.typeId() == QMetaType::QVariantList) {
        // The rectangle and line width fields go back into the item they show.
        QVariantList items = selectedPrefValues_.toList();
        if (selectedItemIndex_ >= 0 && selectedItemIndex_ < items.size()) {
            QVariantMap item = items[selectedItemIndex_].toMap();
            item.insert(QStringLiteral("rect"),
                        NSStringFromRect(QRectF(editorValues_[0], editorValues_[1],
                                                editorValues_[2], editorValues_[3])));
            item.insert(QStringLiteral("linewidth"), QString::number(editorValues_[4]));
            items[selectedItemIndex_] = item;
            selectedPrefValues_ = items;
            storeSelectedValues();
        }
    }
    return true;
}

int KlRemoteControlList::addOrRemoveEditItem(int segment) {
    if (selectedPrefValues_.typeId() != QMetaType::QVariantList) return -1;
    QVariantList items = selectedPrefValues_.toList();
    int index = -1;
    if (segment == 1) {
        if (selectedView_ == EditorView::Alignment) {
            items << QVariantMap{{"col", "{1.00, 1.00, 1.00, 1.00}"},
                                 {"flipped", "1"},
                                 {"group", "0"},
                                 {"has_cross", "1"},
                                 {"linewidth", "1"},
                                 {"rect", "{{0, 0},{100, 100}}"},
                                 {"rhs", "0"}};
        } else {
            items << QString();
        }
        index = int(items.size()) - 1;
    } else {
        if (items.isEmpty() || selectedItemIndex_ < 0 || selectedItemIndex_ >= items.size())
            return -1;
        items.removeAt(selectedItemIndex_);
        index = std::min(selectedItemIndex_, int(items.size()) - 1);
    }
    selectedPrefValues_ = items;
    storeSelectedValues();
    return index;
}

void KlRemoteControlList::afterEdit(int index) {
    flashCommitButton_ = KeloObject::now();
    selectedItemIndex_ = index;
    loadEditValues();
}

void KlRemoteControlList::actionProc(int tag, const QVariant& value) {
    const QVariantMap entry =
        dictionary_ ? dictionary_->value(selectedPrefName_).toMap() : QVariantMap();
    const bool readOnly = prefBoolValue(entry.value(QStringLiteral("_readonly")));
    // Item controls belong to the item editors; an entry that changed kind
    // under the editor takes none of their actions.
    const bool itemEditor =
        selectedView_ == EditorView::StringList || selectedView_ == EditorView::Alignment;
    const bool itemValid = itemEditor && selectedPrefValues_.typeId() == QMetaType::QVariantList &&
                           selectedItemIndex_ >= 0 &&
                           selectedItemIndex_ < selectedPrefValues_.toList().size();
    QVariant newValue;
    switch (tag) {
        case 0:
        case 1:
        case 998:
            newValue = value;
            break;
        case 1000:
            selectedItemIndex_ = value.toInt();
            loadEditValues();
            break;
        case 1001:
            if (itemValid) {
                QVariantList items = selectedPrefValues_.toList();
                items[selectedItemIndex_] = value.toString();
                selectedPrefValues_ = items;
                storeSelectedValues();
                flashCommitButton_ = KeloObject::now();
            }
            break;
        case 1002:
            if (readOnly || !(itemEditor || selectedView_ == EditorView::Effect)) break;
            commitEditValues();
            newValue = selectedPrefValues_;
            break;
        case 1003:
            if (readOnly || !itemEditor) break;
            afterEdit(addOrRemoveEditItem(value.toInt()));
            break;
        case 1004:
        case 1006:
        case 1007:
        case 1008:
            break;
        case 1009: {
            QString choice = value.toString();
            if (entry.contains(QStringLiteral("_list_addr"))) choice = choice.section(':', 0, 0);
            newValue = choice;
            break;
        }
        case 1100: {
            if (!itemEditor) break;
            const QString title = value.toString();
            const bool taken = !title.isEmpty() && title != QLatin1String("Choose...") && itemValid;
            if (taken) {
                QVariantList items = selectedPrefValues_.toList();
                items[selectedItemIndex_] = title;
                selectedPrefValues_ = items;
                storeSelectedValues();
            }
            afterEdit(taken ? selectedItemIndex_ : 0);
            break;
        }
        default:
            if (tag >= kFirstEditValueTag && tag <= kFirstEditValueTag + 7) {
                setEditValue(value.toInt(), tag);
                break;
            }
            OmLogNoFlood(kOmLogDebug, "[Verozo Kelo Settings] action %d\n", tag);
            break;
    }
    if (!selectedPrefName_.isEmpty() && newValue.isValid())
        setNewPrefValue(newValue, selectedPrefName_);
}
