#include "foundation/VTruncation.h"

QString ellipsis() {
    return QString(QChar(0x2026));
}

QString stringWithEllipsisByTruncatingToLength(const QString& text, int length) {
    if (text.size() <= length) return text;
    if (length <= 0) return QString();
    return text.left(length - 1) + ellipsis();
}
