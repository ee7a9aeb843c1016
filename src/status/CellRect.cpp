#include "status/CellRect.h"

QString CellRect::description() const {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(rect_.x())
        .arg(rect_.y())
        .arg(rect_.width())
        .arg(rect_.height());
}
