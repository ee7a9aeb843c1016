#include "foundation/ConvertToPropertyList.h"

#include "foundation/DictHelper.h"

namespace {

bool convertible(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList ||
           value.metaType() == QMetaType::fromType<DictHelperPtr>();
}

}  // namespace

QVariant recursiveCopyToPropertyList(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantMap) return copyToPropertyList(value.toMap());
    if (value.typeId() == QMetaType::QVariantList) return copyToPropertyList(value.toList());
    if (value.metaType() == QMetaType::fromType<DictHelperPtr>()) {
        const DictHelperPtr helper = value.value<DictHelperPtr>();
        return helper ? QVariant(helper->copyToPropertyList()) : QVariant();
    }
    return {};
}

QVariantMap copyToPropertyList(const QVariantMap& dict) {
    QVariantMap out = dict;
    for (auto it = out.begin(); it != out.end(); ++it)
        if (convertible(it.value())) it.value() = recursiveCopyToPropertyList(it.value());
    return out;
}

QVariantList copyToPropertyList(const QVariantList& array) {
    QVariantList out = array;
    for (QVariant& item : out)
        if (convertible(item)) item = recursiveCopyToPropertyList(item);
    return out;
}
