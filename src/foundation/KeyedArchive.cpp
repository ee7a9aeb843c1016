#include "foundation/KeyedArchive.h"

#include "foundation/OmLog.h"
#include "platform/PropertyList.h"

#include <QVariantMap>

namespace {

constexpr char kArchiverKey[] = "$archiver";
constexpr char kVersionKey[] = "$version";
constexpr char kRootKey[] = "root";
constexpr char kArchiverName[] = "KeloKeyedArchive";

QVariant refuse(const char* why) {
    OmLogNoFlood(kOmLogWarning, "Keyed archive refused: %s\n", why);
    return QVariant();
}

}  // namespace

QByteArray archivedDataFromObject(const QVariant& object) {
    if (!object.isValid()) {
        OmLogNoFlood(kOmLogError, "Keyed archive: nothing to archive\n");
        return {};
    }
    const QVariantMap archive{{kArchiverKey, QString::fromLatin1(kArchiverName)},
                              {kVersionKey, kKeyedArchiveVersion},
                              {kRootKey, object}};
    QString error;
    const QByteArray data = PropertyList::write(archive, PropertyList::Format::Binary, &error);
    if (data.isEmpty())
        OmLogNoFlood(kOmLogError, "Keyed archive: cannot archive %s: %s\n", object.typeName(),
                     qPrintable(error));
    return data;
}

QVariant unarchivedObjectFromData(const QByteArray& data) {
    // Only the form this program writes: a text property list is no archive.
    if (!data.startsWith("bplist")) return refuse("not a binary property list");
    QString error;
    PropertyList::Format format;
    const QVariant top = PropertyList::read(data, &error, &format);
    if (!top.isValid() || format != PropertyList::Format::Binary)
        return refuse("unreadable property list");
    if (top.typeId() != QMetaType::QVariantMap) return refuse("the top level is no dictionary");
    const QVariantMap archive = top.toMap();
    const QVariant archiver = archive.value(kArchiverKey);
    if (archiver.typeId() != QMetaType::QString || archiver.toString() != kArchiverName)
        return refuse("not made by this program");
    const QVariant version = archive.value(kVersionKey);
    if (version.typeId() != QMetaType::LongLong || version.toLongLong() < 1 ||
        version.toLongLong() > kKeyedArchiveVersion)
        return refuse("unknown version");
    if (archive.size() != 3 || !archive.contains(kRootKey)) return refuse("unexpected keys");
    return archive.value(kRootKey);
}
