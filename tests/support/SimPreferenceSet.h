#pragma once

// What a simulated server does with a set-preference message beyond storing
// the text: an entry of type "dict" or "s_array" keeps the property list the
// text holds (read here with the simulator's own old-style reader), and a
// "mixes" set is reported back to the controller in a one-preference
// message, as a server reports the configuration it applied.

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

namespace SimPreferenceSet {

// The value to store for `text` in `entry`; invalid when the text does not
// read as the entry's type (the server then keeps its old value).
QVariant storedValue(const QVariantMap& entry, const QByteArray& text);

// The one-preference message (op 19) that reports `key` = `text` back; empty
// for keys the server does not report.
QByteArray report(const QByteArray& key, const QByteArray& text);

// The simulator's reader of old-style property-list text: dictionaries,
// arrays, quoted and bare strings; invalid for anything else.
QVariant readOldStyle(const QByteArray& text);

}  // namespace SimPreferenceSet
