#include "foundation/DictHelper.h"

#include "foundation/ConvertToPropertyList.h"
#include "platform/PropertyList.h"

#include <QDebug>

QVariant DictHelper::valueForKey(const QString& key) const {
    if (!dict_) return {};
    // Stripping dots alone would lose values stored under a dotted key, so
    // the key as stored answers first.
    const auto it = dict_->constFind(key);
    if (it != dict_->constEnd()) return it.value();
    QString plain = key;
    while (plain.startsWith(QLatin1Char('.'))) {
        plain.remove(0, 1);
        const auto found = dict_->constFind(plain);
        if (found != dict_->constEnd()) return found.value();
    }
    return {};
}

void DictHelper::setValue(const QVariant& value, const QString& key) {
    if (!dict_) dict_.emplace();
    const bool nil = !value.isValid() || value.isNull();
    if (nil)
        dict_->remove(key);
    else
        dict_->insert(key, value);
    if (key.startsWith(QLatin1Char('.'))) setMirroredProperty(key.mid(1), nil ? QVariant() : value);
}

void DictHelper::setMirroredProperty(const QString&, const QVariant&) {}

QString DictHelper::description() const {
    if (!dict_) return className() + QStringLiteral(" (null)");
    QString text = QString::fromUtf8(PropertyList::write(*dict_, PropertyList::Format::OpenStep));
    // Dates and other values the text form refuses still deserve a description.
    if (text.isEmpty()) QDebug(&text).noquote() << *dict_;
    return className() + QLatin1Char(' ') + text.trimmed();
}

QVariantMap DictHelper::copyToPropertyList() const {
    return dict_ ? recursiveCopyToPropertyList(*dict_).toMap() : QVariantMap();
}
