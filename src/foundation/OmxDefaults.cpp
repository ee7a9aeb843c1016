#include "foundation/OmxDefaults.h"

#include "foundation/OmLog.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QSaveFile>

void setUserStringPref(const QString& key, const QString& value) {
    if (key.isNull()) return;
    if (value.isNull())
        UserDefaults::standard().remove(key);
    else
        UserDefaults::standard().setObject(key, value);
}

namespace {

QString expandTilde(const QString& path) {
    if (path == QStringLiteral("~")) return QDir::homePath();
    if (path.startsWith(QStringLiteral("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

}  // namespace

bool dumpDataToDisk(const QByteArray& data, const QString& path) {
    QSaveFile file(expandTilde(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        OmLogNoFlood(kOmLogWarning, "cannot write %s: %s", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool dumpMemoryToDisk(const void* memory, int length, const QString& path) {
    if (!memory || length < 0) return false;
    return dumpDataToDisk(QByteArray::fromRawData(static_cast<const char*>(memory), length), path);
}

bool dumpPropertyListToDisk(const QVariant& plist, const QString& path) {
    QString error;
    const QByteArray xml = PropertyList::write(plist, PropertyList::Format::Xml, &error);
    if (xml.isEmpty()) {
        OmLogNoFlood(kOmLogWarning, "cannot write %s as a property list: %s", qPrintable(path),
                     qPrintable(error));
        return false;
    }
    return dumpDataToDisk(xml, path);
}
