#pragma once

#include <QString>

// Notification names and the drag type of the tab bar family.

// Posted with no sender when a tab drag starts, and when it ends with a drop
// or a cancel.
inline const QString kTbTabDragDidBeginNotification = QStringLiteral("TbTabDragDidBeginNotification");
inline const QString kTbTabDragDidEndNotification = QStringLiteral("TbTabDragDidEndNotification");

// The drag type of a dragged tab; its data is the decimal index of the cell
// in the source bar.
inline const QString kTbTabBarControlItemPBType = QStringLiteral("TbTabBarControlItemPBType");

// User default: how long a drag of another kind hovers over a tab before
// the tab is selected, in milliseconds (0.668 s when absent).
inline const QString kTbSpringingDelayMillisecondsKey = QStringLiteral("SpringingDelayMilliseconds");
