#pragma once

#include <QList>

#include <optional>

// Without a reference appends `object`. When object and reference are equal,
// appends it only if it is not in the list yet. Otherwise removes every
// occurrence of `object` and inserts it where the reference is, or appends it
// when the reference is not in the list.
template <typename T>
void moveOrInsertObject(QList<T>& array, const T& object, const std::optional<T>& reference) {
    if (!reference) {
        array.append(object);
        return;
    }
    if (*reference == object) {
        if (!array.contains(object)) array.append(object);
        return;
    }
    array.removeAll(object);
    const qsizetype at = array.indexOf(*reference);
    if (at < 0)
        array.append(object);
    else
        array.insert(at, object);
}
