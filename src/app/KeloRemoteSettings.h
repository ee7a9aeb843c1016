#pragma once

#include "status/CurrentLayoutSettings.h"

#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>

// The operator's working set in "KeloRemote.plist": the servers added to the
// monitor list and the Status tab's layouts. Loading never fails: a file that
// cannot be used is kept beside it as "<name>.bad", and every value of the
// wrong type is replaced on its own so the rest survives.
// Main thread only.
class KeloRemoteSettings {
public:
    // Files beyond this are refused unread: a working set is a few kilobytes.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
    // First entry of the HUD-height choices, the default of "hud_height".
    static constexpr char kDefaultHudHeight[] = "72";

    explicit KeloRemoteSettings(QString path = getNewPrefLoc());

    // Full path of the settings file in the application-support folder.
    static QString getNewPrefLoc();

    // Reads the file; when it is missing or unusable, starts from `fallback`
    // (the older user-default copy) or else from nothing.
    void loadSettings(const QVariant& fallback = {});
    // Writes the whole dictionary atomically as XML. On failure returns false
    // and fills `error`; the file on disk is then unchanged.
    bool save(QString* error = nullptr) const;

    const QString& path() const { return path_; }
    const QVariantMap& settings() const { return settings_; }
    QVariantMap activeKeloes() const;
    void setActiveKeloes(const QVariantMap& keloes);

    int currentLayoutIndex() const { return currentLayout_; }
    QVariantMap layoutDict() const;
    void setLayoutDict(const QVariantMap& layout);
    QVariantList keloList() const;
    void setKeloList(const QVariantList& list);

    // Index `index` when it exists, else layout 0 (creating one if none).
    QVariantMap getLayout(int index);
    int createNewLayout();
    CurrentLayoutSettings loadLayoutSettings();

    // Stores `value` under `key` only when the key is missing.
    static void dictionarySetDefault(QVariantMap& dictionary, const QVariant& value,
                                     const QString& key);

private:
    void repair();
    QVariantList layouts() const;

    QString path_;
    QVariantMap settings_;
    int currentLayout_ = 0;
};
