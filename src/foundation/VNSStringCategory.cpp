#include "foundation/VNSStringCategory.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <cstdlib>

namespace {

QString executableFolder() {
    // /proc/self/exe works before (and without) a QCoreApplication.
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    return exe.absolutePath();
}

QString lookUpResourcesPath() {
    const QString fromEnvironment = qEnvironmentVariable("KELO_RESOURCES");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QString folder = executableFolder();
    const QString beside = folder + QStringLiteral("/resources");
    if (QFileInfo(beside).isDir()) return beside;
    return QDir::cleanPath(folder + QStringLiteral("/../share/kelo-verozo"));
}

}  // namespace

QString applicationResourcesPath() {
    static const QString path = lookUpResourcesPath();
    return path;
}

QString stringFromNewUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString stringFromUUIDBytes(const uint8_t bytes[16]) {
    QString text;
    text.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += QLatin1Char('-');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QString frontUUID(const QString& text) {
    static const QString uuidCharacters = QStringLiteral("0123456789ABCDEFabcdef-");
    qsizetype end = 0;
    while (end < text.size() && uuidCharacters.contains(text.at(end))) ++end;
    return text.left(end);
}

uint32_t frontUInt32(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    if (i < text.size() && text.at(i) == QLatin1Char('+')) ++i;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') break;
        value = value * 10 + (c - u'0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

bool isNormalFileOrFolder(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('.'))) return false;
    const QString last = path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    if (last == QLatin1String(".svn")) return false;
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return !(dot > 0 && last.mid(dot + 1) == QLatin1String("rtfd"));
}

QString date() {
    return dateWithFormat(QStringLiteral("HH:mm:ss"));
}

QString dateMs() {
    return dateWithFormat(QStringLiteral("HH:mm:ss.zzz"));
}

QString dateWithFormat(const QString& format) {
    return QDateTime::currentDateTime().toString(format);
}
