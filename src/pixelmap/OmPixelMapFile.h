#pragma once

#include "pixelmap/OmPixelMapFileDelegate.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QFileSystemWatcher;

// Byte layout of a ".pmap" file: a property list (XML or binary), plain or
// wrapped in two zlib layers, each a 4-byte little-endian inflated length and
// one zlib stream.

// The plain property-list bytes, or nothing with `error` filled. `compressed`
// is set when two layers were inflated. Each layer's length is trusted only up
// to kMaxPmapInflatedSize, and the inflated size must equal it.
std::optional<QByteArray> readPmapData(const QByteArray& data, bool* compressed = nullptr,
                                       QString* error = nullptr);
// readPmapData, then the property list, which must be a dictionary.
std::optional<QVariantMap> dictionaryWithPmapData(const QByteArray& data, QString* error = nullptr);
// The dictionary as an XML property list, compressed twice at level 9 when
// asked; nothing with `error` filled when it cannot be serialised or
// compressed.
std::optional<QByteArray> pmapDataWithDictionary(const QVariantMap& dict, bool compress,
                                                 QString* error = nullptr);

// The first bytes of the two plain forms, and the shortest possible document.
inline constexpr char kPmapXmlSignature[] = "<?xml version=\"1.0\" encoding=";
inline constexpr qsizetype kPmapMinimumSize = 29;
inline constexpr quint32 kMaxPmapInflatedSize = 256u << 20;

// The open ".pmap" document: its dictionary, path and save state, and a watch
// on its folder for changes made by others. Our own saves stop the watch
// until the editor confirms the write (notifySaveSuccessful restarts it), so
// they are never reported. Main thread only.
class OmPixelMapFile : public QObject {
    Q_OBJECT

public:
    explicit OmPixelMapFile(OmPixelMapFileDelegate* delegate, QObject* parent = nullptr);
    ~OmPixelMapFile() override;

    QString fileName() const { return mFName_; }
    bool isOpen() const { return mFileDict_.has_value(); }
    QString uuid() const;
    // The open dictionary, else the untitled one (made on first use from the
    // delegate's untitled map).
    QVariantMap& dict();
    QVariantMap& untitledDict();

    void createNewFile(const QString& path);
    // Reads and parses the file; only when both succeed does it replace the
    // open document. Nothing, with the flags or `error` set, otherwise.
    std::optional<QVariantMap> open(const QString& path, bool* fileNotFound, bool* canceled,
                                    QString* error = nullptr);
    // Writes the dictionary with a new "uuid", compressed when the user
    // default "kPixelMapCompress" is on. False, with `error` filled, when it
    // could not be serialised, compressed or written.
    bool saveAs(const QString& path, bool waitUntilDone, QString* error = nullptr);
    bool save(QString* error = nullptr) { return saveAs(mFName_, false, error); }
    bool saveAndWait(QString* error = nullptr) { return saveAs(mFName_, true, error); }
    void close();

    bool needsSave() const { return mNeedsSave_; }
    void setNeedsSave(bool needsSave);
    void startEventStream();
    void stopEventStream();
    bool isEventStreamActive() const { return streamActive_; }
    QString mStreamPath() const { return mStreamPath_; }
    void setMStreamPath(const QString& path) { mStreamPath_ = path; }
    QDateTime lastKnownModDate() const { return lastKnownModDate_; }
    void setLastKnownModDate(const QDateTime& date) { lastKnownModDate_ = date; }
    // Seconds since the reference date; 0 before the first save.
    double lastSaveTime() const { return lastSaveTime_; }
    void setLastSaveTime(double seconds) { lastSaveTime_ = seconds; }

private:
    void makeStream(const QString& path);
    void onPathChanged(const QString& path);

    OmPixelMapFileDelegate* delegate_;
    std::optional<QVariantMap> mFileDict_;
    QString mFName_;
    bool mNeedsSave_ = false;
    std::unique_ptr<QFileSystemWatcher> stream_;
    QString mStreamPath_;
    bool streamActive_ = false;
    QDateTime lastKnownModDate_;
    double lastSaveTime_ = 0;
    std::optional<QVariantMap> mUntitledDict_;
};
