#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

class QSettings;

// The application's user defaults: a binary property-list file in the configuration
// folder read and written through QSettings, so that integers, reals, bools,
// dates and data keep their types. Registered defaults answer for keys that
// hold no value of their own and are never written to the file.
class UserDefaults {
public:
    static UserDefaults& standard();
    // Redirects the standard defaults to another file (tests, tools).
    static void setStandardFile(const QString& path);

    explicit UserDefaults(const QString& path);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    void registerDefaults(const QVariantMap& defaults);

    QVariant object(const QString& key) const;
    bool contains(const QString& key) const;  // own value or registered default
    // A null QVariant removes the key.
    void setObject(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // The keys holding a value of their own (not the registered defaults).
    QStringList keys() const;

    QString string(const QString& key) const;
    bool boolValue(const QString& key) const;
    qint64 integer(const QString& key) const;
    double doubleValue(const QString& key) const;

    void synchronize();
    QString filePath() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
    QVariantMap registered_;
};
