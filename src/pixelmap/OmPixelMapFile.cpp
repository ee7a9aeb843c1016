#include "pixelmap/OmPixelMapFile.h"

#include "foundation/OmLog.h"
#include "foundation/VNSDataCategory.h"
#include "pixelmap/PixelMapConstants.h"
#include "pixelmap/PixelMapFileAccess.h"
#include "pixelmap/PmLogPanel.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QUuid>

#include <zlib.h>

namespace {

bool isPlainPmap(const QByteArray& data) {
    return data.startsWith(QByteArrayView(kPmapXmlSignature, kPmapMinimumSize)) ||
           data.startsWith("bplist");
}

void fail(QString* error, const QString& text) {
    if (error) *error = text;
}

}  // namespace

std::optional<QByteArray> readPmapData(const QByteArray& data, bool* compressed, QString* error) {
    if (compressed) *compressed = false;
    if (data.size() < kPmapMinimumSize) {
        fail(error, QStringLiteral("File is too short to be a pixel map (%1 bytes).").arg(data.size()));
        return std::nullopt;
    }
    if (isPlainPmap(data)) return data;
    const std::optional<QByteArray> inner = decompress(data, kMaxPmapInflatedSize);
    const std::optional<QByteArray> plain =
        inner ? decompress(*inner, kMaxPmapInflatedSize) : std::nullopt;
    if (!plain || !isPlainPmap(*plain)) {
        fail(error, QStringLiteral("Not a pixel map file: neither a property list nor "
                                   "compressed twice."));
        return std::nullopt;
    }
    if (compressed) *compressed = true;
    return plain;
}

std::optional<QVariantMap> dictionaryWithPmapData(const QByteArray& data, QString* error) {
    const std::optional<QByteArray> plain = readPmapData(data, nullptr, error);
    if (!plain) return std::nullopt;
    QString plistError;
    const QVariant value = PropertyList::read(*plain, &plistError);
    if (!value.isValid()) {
        fail(error, QStringLiteral("The property list cannot be read: %1").arg(plistError));
        return std::nullopt;
    }
    if (value.typeId() != QMetaType::QVariantMap) {
        fail(error, QStringLiteral("The property list is not a dictionary."));
        return std::nullopt;
    }
    return value.toMap();
}

std::optional<QByteArray> pmapDataWithDictionary(const QVariantMap& dict, bool compressTwice,
                                                 QString* error) {
    QString plistError;
    QByteArray data = PropertyList::write(dict, PropertyList::Format::Xml, &plistError);
    if (data.isEmpty()) {
        fail(error, QStringLiteral("ERROR: save failed.  Failed to serialize data!"));
        OmLogNoFlood(kOmLogError, "[PixelMap] cannot serialise the pixel map: %s", qPrintable(plistError));
        return std::nullopt;
    }
    if (!compressTwice) return data;
    try {
        return compress(compress(data, Z_BEST_COMPRESSION), Z_BEST_COMPRESSION);
    } catch (const VNSDataCompressionError& failure) {
        fail(error, QStringLiteral("ERROR: save failed.  %1: %2")
                        .arg(QString::fromLatin1(VNSDataCompressionError::name()),
                             QString::fromStdString(failure.what())));
        return std::nullopt;
    }
}

OmPixelMapFile::OmPixelMapFile(OmPixelMapFileDelegate* delegate, QObject* parent)
    : QObject(parent), delegate_(delegate) {}

OmPixelMapFile::~OmPixelMapFile() = default;

QString OmPixelMapFile::uuid() const {
    return mFileDict_ ? mFileDict_->value(QStringLiteral("uuid")).toString() : QString();
}

QVariantMap& OmPixelMapFile::dict() { return mFileDict_ ? *mFileDict_ : untitledDict(); }

QVariantMap& OmPixelMapFile::untitledDict() {
    if (!mUntitledDict_) mUntitledDict_ = delegate_->untitledPixelMap();
    return *mUntitledDict_;
}

void OmPixelMapFile::createNewFile(const QString& path) {
    close();
    mFileDict_ = QVariantMap();
    mFName_ = path;
    setNeedsSave(true);
    startEventStream();
}

std::optional<QVariantMap> OmPixelMapFile::open(const QString& path, bool* fileNotFound,
                                                bool* canceled, QString* error) {
    bool notFound = false;
    bool gaveUp = false;
    QString readError;
    const std::optional<QByteArray> data = delegate_->mainThreadRead(path, &notFound, &gaveUp, &readError);
    if (fileNotFound) *fileNotFound = notFound;
    if (canceled) *canceled = gaveUp;
    if (gaveUp) return std::nullopt;
    if (notFound || !data) {
        if (notFound) OmLogNoFlood(kOmLogWarning, "[PixelMap] file not found %s", qPrintable(path));
        fail(error, readError.isEmpty() ? QStringLiteral("file not found %1").arg(path) : readError);
        return std::nullopt;
    }
    std::optional<QVariantMap> dict = dictionaryWithPmapData(*data, error);
    if (!dict) return std::nullopt;

    close();
    mFileDict_ = dict;
    mFName_ = path;
    lastKnownModDate_ = PixelMapFileAccess::shared().fileDate(path);
    setNeedsSave(true);
    setNeedsSave(false);
    startEventStream();
    OmLogNoFlood(kOmLogInfo, "[PixelMap] opening file %s", qPrintable(path));
    return dict;
}

bool OmPixelMapFile::saveAs(const QString& path, bool waitUntilDone, QString* error) {
    stopEventStream();
    QVariantMap& document = dict();
    document.insert(QStringLiteral("uuid"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    const bool compressTwice = UserDefaults::standard().boolValue(kPixelMapCompress);
    QString failure;
    const std::optional<QByteArray> data = pmapDataWithDictionary(document, compressTwice, &failure);
    if (!data) {
        PmLogPanel::shared().log(kOmLogError, failure);
        fail(error, failure);
        return false;
    }
    if (!delegate_->mainThreadSave(*data, path, waitUntilDone, &failure)) {
        PmLogPanel::shared().log(kOmLogError, failure);
        fail(error, failure);
        return false;
    }
    return true;
}

void OmPixelMapFile::close() {
    mFileDict_.reset();
    mFName_.clear();
    mUntitledDict_.reset();
    mNeedsSave_ = false;
    stopEventStream();
    delegate_->clearWaitingForReadWrite();
}

void OmPixelMapFile::setNeedsSave(bool needsSave) {
    if (!mFName_.isEmpty() && mFName_ != mStreamPath_) makeStream(mFName_);
    if (mNeedsSave_ && !needsSave) startEventStream();
    mNeedsSave_ = needsSave;
}

void OmPixelMapFile::makeStream(const QString& path) {
    stopEventStream();
    stream_ = std::make_unique<QFileSystemWatcher>();
    connect(stream_.get(), &QFileSystemWatcher::directoryChanged, this, &OmPixelMapFile::onPathChanged);
    connect(stream_.get(), &QFileSystemWatcher::fileChanged, this, &OmPixelMapFile::onPathChanged);
    mStreamPath_ = path;
}

void OmPixelMapFile::startEventStream() {
    if (!stream_ || streamActive_) return;
    // The folder reports files replaced or removed; the file itself reports
    // writes made in place.
    QStringList paths{QFileInfo(mStreamPath_).absolutePath()};
    if (QFileInfo::exists(mStreamPath_)) paths << mStreamPath_;
    stream_->addPaths(paths);
    streamActive_ = true;
}

void OmPixelMapFile::stopEventStream() {
    if (!stream_ || !streamActive_) return;
    const QStringList watched = stream_->files() + stream_->directories();
    if (!watched.isEmpty()) stream_->removePaths(watched);
    streamActive_ = false;
}

void OmPixelMapFile::onPathChanged(const QString& path) {
    if (!streamActive_) return;
    // A file replaced by rename loses its watch; watch the new one.
    if (QFileInfo::exists(mStreamPath_) && !stream_->files().contains(mStreamPath_))
        stream_->addPath(mStreamPath_);
    delegate_->checkFile(path);
}
