#include "app/KeloRemoteSettings.h"

#include "app/AppConstants.h"
#include "foundation/OmLog.h"
#include "platform/LibraryPaths.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace {

// Integer value of a string or number; anything else, or text that is not a
// number, reads as 0.
int intValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const int n = value.toString().trimmed().toInt(&ok);
        return ok ? n : 0;
    }
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
        value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Bool) {
        return value.toInt();
    }
    return 0;
}

bool isMap(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantMap;
}
bool isList(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantList;
}

QVariantMap newLayout() {
    return {{kMonitorKey, QVariantList{}},
            {kBreakoutsKey, QVariantList{QVariant(QVariantList{})}},
            {kLayoutSettingsKey, QVariantMap{}}};
}

// Replaces `key` with `fresh` when it is present but not of the wanted type.
template <typename Check>
void replaceWrongType(QVariantMap& map, const char* key, Check isRight, const QVariant& fresh,
                      const QString& where) {
    const auto it = map.constFind(key);
    if (it == map.constEnd() || isRight(*it)) return;
    OmLog::log(kOmLogWarning, "Settings: \"%s\"%s has the wrong type, replaced\n", key,
               qPrintable(where));
    map.insert(key, fresh);
}

bool isScalarText(const QVariant& v) {
    const int t = v.typeId();
    return t == QMetaType::QString || t == QMetaType::LongLong || t == QMetaType::Double ||
           t == QMetaType::Bool;
}

}  // namespace

KeloRemoteSettings::KeloRemoteSettings(QString path) : path_(std::move(path)) {}

QString KeloRemoteSettings::getNewPrefLoc() {
    return libraryPath("~/Library/Application Support/com.OMBREL.KeloApplications") +
           "/KeloRemote.plist";
}

void KeloRemoteSettings::loadSettings(const QVariant& fallback) {
    settings_.clear();
    QFile file(path_);
    bool loaded = false;
    if (file.exists()) {
        QString error;
        if (file.size() > kMaxFileSize) {
            error = QString("%1 bytes is more than a settings file holds").arg(file.size());
        } else if (!file.open(QIODevice::ReadOnly)) {
            error = file.errorString();
        } else {
            const QVariant root = PropertyList::read(file.readAll(), &error);
            file.close();
            if (isMap(root)) {
                settings_ = root.toMap();
                loaded = true;
            } else if (root.isValid()) {
                error = "its root is not a dictionary";
            }
        }
        if (!loaded) {
            // Keep the operator's file before the next save replaces it.
            const QString bad = path_ + ".bad";
            QFile::remove(bad);
            const bool kept = QFile::copy(path_, bad);
            OmLog::log(kOmLogError, "Settings file %s unreadable (%s); %s\n", qPrintable(path_),
                       qPrintable(error),
                       kept ? qPrintable("kept as " + bad) : "could not keep a copy");
        }
    }
    if (!loaded && isMap(fallback)) settings_ = fallback.toMap();
    repair();
    currentLayout_ = 0;
    const int wanted = intValue(settings_.value(kCurrLayoutKey));
    getLayout(wanted);
    if (wanted >= 0 && wanted < layouts().size()) currentLayout_ = wanted;
    loadLayoutSettings();
}

void KeloRemoteSettings::repair() {
    replaceWrongType(settings_, kActiveKeloesKey, isMap, QVariantMap{}, "");
    if (!settings_.contains(kActiveKeloesKey)) settings_.insert(kActiveKeloesKey, QVariantMap{});
    replaceWrongType(settings_, kCurrLayoutKey, isScalarText, QString("0"), "");
    replaceWrongType(settings_, kLayoutsKey, isList, QVariantList{}, "");

    QVariantMap keloes = settings_.value(kActiveKeloesKey).toMap();
    for (auto it = keloes.begin(); it != keloes.end(); ++it) {
        if (it->typeId() != QMetaType::QString) {
            OmLog::log(kOmLogWarning, "Settings: display name of %s has the wrong type, replaced\n",
                       qPrintable(it.key()));
            *it = it.key();
        }
    }
    settings_.insert(kActiveKeloesKey, keloes);

    QVariantList list = layouts();
    for (int i = 0; i < list.size(); ++i) {
        const QString where = QString(" of layout %1").arg(i);
        if (!isMap(list[i])) {
            OmLog::log(kOmLogWarning, "Settings: layout %d is not a dictionary, replaced\n", i);
            list[i] = newLayout();
            continue;
        }
        QVariantMap layout = list[i].toMap();
        replaceWrongType(layout, kMonitorKey, isList, QVariantList{}, where);
        replaceWrongType(layout, kBreakoutsKey, isList, QVariantList{QVariant(QVariantList{})},
                         where);
        replaceWrongType(layout, kLayoutSettingsKey, isMap, QVariantMap{}, where);
        QVariantList monitor = layout.value(kMonitorKey).toList();
        const qsizetype before = monitor.size();
        monitor.removeIf([](const QVariant& entry) {
            return !isMap(entry) || entry.toMap().value("name").typeId() != QMetaType::QString;
        });
        if (monitor.size() != before) {
            OmLog::log(kOmLogWarning, "Settings: %d monitor entries%s without a name dropped\n",
                       int(before - monitor.size()), qPrintable(where));
            layout.insert(kMonitorKey, monitor);
        }
        list[i] = layout;
    }
    if (settings_.contains(kLayoutsKey)) settings_.insert(kLayoutsKey, list);
}

QVariantList KeloRemoteSettings::layouts() const {
    return settings_.value(kLayoutsKey).toList();
}

QVariantMap KeloRemoteSettings::activeKeloes() const {
    return settings_.value(kActiveKeloesKey).toMap();
}

void KeloRemoteSettings::setActiveKeloes(const QVariantMap& keloes) {
    settings_.insert(kActiveKeloesKey, keloes);
}

QVariantMap KeloRemoteSettings::getLayout(int index) {
    if (layouts().isEmpty()) createNewLayout();
    const QVariantList list = layouts();
    return (index >= 0 && index < list.size() ? list[index] : list[0]).toMap();
}

int KeloRemoteSettings::createNewLayout() {
    if (!settings_.contains(kLayoutsKey)) {
        settings_.insert(kLayoutsKey, QVariantList{});
        settings_.insert(kCurrLayoutKey, QString("0"));
    }
    QVariantList list = layouts();
    list.append(newLayout());
    settings_.insert(kLayoutsKey, list);
    return int(list.size() - 1);
}

QVariantMap KeloRemoteSettings::layoutDict() const {
    return layouts().value(currentLayout_).toMap();
}

void KeloRemoteSettings::setLayoutDict(const QVariantMap& layout) {
    QVariantList list = layouts();
    list[currentLayout_] = layout;
    settings_.insert(kLayoutsKey, list);
}

QVariantList KeloRemoteSettings::keloList() const {
    return layoutDict().value(kMonitorKey).toList();
}

void KeloRemoteSettings::setKeloList(const QVariantList& list) {
    QVariantMap layout = layoutDict();
    layout.insert(kMonitorKey, list);
    setLayoutDict(layout);
}

void KeloRemoteSettings::dictionarySetDefault(QVariantMap& dictionary, const QVariant& value,
                                              const QString& key) {
    if (!dictionary.contains(key)) dictionary.insert(key, value);
}

CurrentLayoutSettings KeloRemoteSettings::loadLayoutSettings() {
    QVariantMap layout = layoutDict();
    CurrentLayoutSettings numbers;
    if (layout.contains(kLayoutSettingsKey)) {
        QVariantMap s = layout.value(kLayoutSettingsKey).toMap();
        dictionarySetDefault(s, QString("1"), kBreakoutColsKey);
        dictionarySetDefault(s, QString("72"), kHeightKey);
        dictionarySetDefault(s, QString("116"), kBreakoutHeightKey);
        dictionarySetDefault(s, QString(kDefaultHudHeight), kHudHeightKey);
        dictionarySetDefault(s, QString("1"), kShowSelectedServerOnlyKey);
        layout.insert(kLayoutSettingsKey, s);
        setLayoutDict(layout);
    }
    const QVariantMap s = layout.value(kLayoutSettingsKey).toMap();
    numbers.breakoutHeight = float(intValue(s.value(kBreakoutHeightKey)));
    numbers.breakoutNumColumns = intValue(s.value(kBreakoutColsKey));
    numbers.thumbHeight = intValue(s.value(kHeightKey));
    const int columns = intValue(s.value(kColumnsKey));
    numbers.numColumns = columns < 2 ? 1 : columns;
    numbers.showSelectedServerOnly = intValue(s.value(kShowSelectedServerOnlyKey)) != 0;
    numbers.hud_height = float(intValue(s.value(kHudHeightKey)));
    return numbers;
}

bool KeloRemoteSettings::save(QString* error) const {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QString writeError;
    const QByteArray data = PropertyList::write(settings_, PropertyList::Format::Xml, &writeError);
    if (data.isEmpty()) return fail(writeError);
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) return fail("cannot create " + folder);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    file.write(data);
    if (!file.commit()) return fail(file.errorString());
    return true;
}
