#pragma once

// The preferences of a simulated Kelo server: its standard dictionary of
// typed entries (groups, ranges, aliases, pop-up choices, an item list, the
// outputs-and-mixes configuration) and the rule by which a value text that
// arrives is stored. Written from the entry format alone.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>

namespace SimPreferences {

// What the standard dictionary is made from.
struct Identity {
    QByteArray name;
    QByteArray alias;
    uint16_t universe = 1;
    int layerCount = 8;
    int outputs = 2;
    int width = 1920;
    int height = 1080;
};

// One entry: type, value, group, sort index, alias and the increment type
// whose change makes it stale; `extra` adds or replaces keys.
QVariantMap entry(const QString& type, const QVariant& value, const QString& group, int index,
                  const QString& alias, int incrementType, const QVariantMap& extra = {});

// The dictionary a server starts with.
QVariantMap standardDictionary(const Identity& identity);

// The "mixes" configuration of a server with `outputs` outputs, as
// old-style property-list text: the global surface, the outputs side by
// side, mixes as children of the first and last output, and a multi-mix.
QByteArray mixesText(int outputs, int width, int height);

// Stores `text` as the entry's value by its type: an item list or a
// dictionary is read from its property-list text (any form), everything
// else is kept as the text. False, and nothing stored, when an item list or
// dictionary text is not one; `changed` (may be null) tells whether the
// stored value differs from the one before.
bool applyValue(QVariantMap& entry, const QByteArray& text, bool* changed = nullptr);

// The text of a value as a server sends it back: scalars as their text,
// arrays and dictionaries in old-style property-list text.
QByteArray valueText(const QVariant& value);

}  // namespace SimPreferences
