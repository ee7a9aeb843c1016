#include "foundation/VNSDictionaryCategory.h"

#include "foundation/OmLog.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace {

bool isNil(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

}  // namespace

void safeSet(QVariantMap& dict, const QVariant& value, const QString& key) {
    if (key.isEmpty()) return;
    if (isNil(value))
        dict.remove(key);
    else
        dict.insert(key, value);
}

void safeSet(UserDefaults& defaults, const QVariant& value, const QString& key) {
    if (key.isEmpty()) return;
    if (isNil(value))
        defaults.remove(key);
    else
        defaults.setObject(key, value);
}

void setValue(UserDefaults& defaults, const QVariant& value, const QString& key) {
    safeSet(defaults, value, key);
}

QVariant mutableCopyFromPlist(const QVariant& plist) {
    QString error;
    const QByteArray bytes = PropertyList::write(plist, PropertyList::Format::Binary, &error);
    QVariant copy;
    if (!bytes.isEmpty()) copy = PropertyList::read(bytes, &error);
    if (!copy.isValid())
        OmLogNoFlood(kOmLogError, "error serializing property list %s", qPrintable(error));
    return copy;
}

std::optional<QVariantMap> mutableCopyDeepPropertyList(const QVariantMap& dict) {
    const QVariant copy = mutableCopyFromPlist(dict);
    if (!copy.isValid()) return std::nullopt;
    return copy.toMap();
}

std::optional<QVariantList> mutableCopyDeepPropertyList(const QVariantList& array) {
    const QVariant copy = mutableCopyFromPlist(array);
    if (!copy.isValid()) return std::nullopt;
    return copy.toList();
}
