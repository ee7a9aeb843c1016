#include "platform/UserDefaults.h"

#include "platform/LibraryPaths.h"
#include "platform/PropertyList.h"

#include <QIODevice>
#include <QSettings>

namespace {

bool readPlist(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray data = device.readAll();
    if (data.isEmpty()) return true;
    const QVariant root = PropertyList::read(data);
    if (root.typeId() != QMetaType::QVariantMap) return false;
    const QVariantMap dict = root.toMap();
    for (auto it = dict.begin(); it != dict.end(); ++it) map.insert(it.key(), it.value());
    return true;
}

bool writePlist(QIODevice& device, const QSettings::SettingsMap& map) {
    QVariantMap dict;
    for (auto it = map.begin(); it != map.end(); ++it) dict.insert(it.key(), it.value());
    const QByteArray data = PropertyList::write(dict, PropertyList::Format::Binary);
    return !data.isEmpty() && device.write(data) == data.size();
}

QSettings::Format plistFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("plist", readPlist, writePlist, Qt::CaseSensitive);
    return format;
}

QString& standardFile() {
    static QString path = libraryPath("~/Library/Preferences/com.OMBREL.KeloRemote.plist");
    return path;
}

std::unique_ptr<UserDefaults>& standardInstance() {
    static std::unique_ptr<UserDefaults> instance;
    return instance;
}

std::mutex& standardMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

UserDefaults& UserDefaults::standard() {
    std::lock_guard lock(standardMutex());
    auto& instance = standardInstance();
    if (!instance) instance = std::make_unique<UserDefaults>(standardFile());
    return *instance;
}

void UserDefaults::setStandardFile(const QString& path) {
    std::lock_guard lock(standardMutex());
    standardFile() = path;
    standardInstance().reset();
}

UserDefaults::UserDefaults(const QString& path)
    : settings_(std::make_unique<QSettings>(path, plistFormat())) {}

UserDefaults::~UserDefaults() = default;

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    std::lock_guard lock(mutex_);
    for (auto it = defaults.begin(); it != defaults.end(); ++it) registered_.insert(it.key(), it.value());
}

QVariant UserDefaults::object(const QString& key) const {
    std::lock_guard lock(mutex_);
    const QVariant v = settings_->value(key);
    return v.isValid() ? v : registered_.value(key);
}

bool UserDefaults::contains(const QString& key) const {
    std::lock_guard lock(mutex_);
    return settings_->contains(key) || registered_.contains(key);
}

void UserDefaults::setObject(const QString& key, const QVariant& value) {
    if (key.isEmpty()) return;
    std::lock_guard lock(mutex_);
    if (value.isNull())
        settings_->remove(key);
    else
        settings_->setValue(key, value);
}

void UserDefaults::remove(const QString& key) { setObject(key, QVariant()); }

QStringList UserDefaults::keys() const {
    std::lock_guard lock(mutex_);
    return settings_->childKeys();
}

QString UserDefaults::string(const QString& key) const {
    const QVariant v = object(key);
    return v.canConvert<QString>() ? v.toString() : QString();
}

bool UserDefaults::boolValue(const QString& key) const {
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == "yes" || s == "true" || s.toLongLong() != 0;
    }
    return v.toBool();
}

qint64 UserDefaults::integer(const QString& key) const { return object(key).toLongLong(); }

double UserDefaults::doubleValue(const QString& key) const { return object(key).toDouble(); }

void UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    settings_->sync();
}

QString UserDefaults::filePath() const { return settings_->fileName(); }
