#pragma once

#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// A new container in which every dictionary, array or DictHelperPtr value is
// itself converted, recursively (a DictHelper becomes its dictionary); other
// values are shared with the source. Anything that is none of these three
// gives an invalid QVariant.
QVariant recursiveCopyToPropertyList(const QVariant& value);
QVariantMap copyToPropertyList(const QVariantMap& dict);
QVariantList copyToPropertyList(const QVariantList& array);
