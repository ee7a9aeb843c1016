#include "content/KlParsedFileName.h"

#include <limits>

namespace {

constexpr int kMaxNumberChars = 4;

QString lastPathComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash < 0) return path.left(end);
    if (slash == 0 && end == 1) return QStringLiteral("/");
    return path.mid(slash + 1, end - slash - 1);
}

QString deletingLastPathComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash < 0) return QString("");
    if (slash == 0) return QStringLiteral("/");
    return path.left(slash);
}

// The extension after the last "." of a name; "" when there is none.
qsizetype extensionDot(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 && dot + 1 < name.size() ? dot : -1;
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

int32_t klIntValue(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i)
        value = std::min(value * 10 + (text[i].unicode() - '0'), kLimit);
    if (negative) return int32_t(-value);
    return int32_t(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

KlParsedFileName::KlParsedFileName(const QString& fullPath)
    : fullPath_(fullPath), name_(lastPathComponent(fullPath)) {
    qsizetype start = 0;
    if (name_.startsWith('[')) {
        const qsizetype close = name_.indexOf(']');
        if (close >= 0) start = close + 1;
    }
    qsizetype taken = 0;
    while (taken < kMaxNumberChars && start + taken < name_.size()) {
        const QChar c = name_[start + taken];
        if (isAsciiDigit(c)) {
            ++taken;
        } else {
            if (c == '.' && taken > 0) ++taken;
            break;
        }
    }
    if (taken == 0) {
        bodyWithExtension_ = name_;
        return;
    }
    bodyWithExtension_ = name_.mid(start + taken);
    if (start != 0) {
        identStr_ = name_.left(start);
        QString digits = identStr_;
        digits.remove('[').remove(']');
        ident_ = klIntValue(digits);
    }
    number_ = name_.mid(start, taken);
    if (number_.endsWith('.')) number_.chop(1);
}

KlParsedFileName KlParsedFileName::nameWithPath(const QString& path,
                                                const std::optional<KeloContentID>& id,
                                                bool isFolder) {
    KlParsedFileName parsed(path);
    parsed.contentID_ = id;
    parsed.isFolder_ = isFolder;
    if (isFolder) {
        const int folder = id ? id->folder() : 0;
        if (parsed.number_.isEmpty() || klIntValue(parsed.number_) != folder)
            parsed.number_ = QString::number(folder);
    } else if (id) {
        parsed.fileKey_ = KeloContentID::fileKeyForContentID(*id);
    }
    return parsed;
}

QString KlParsedFileName::bodyWithoutExtension() const {
    const qsizetype dot = extensionDot(bodyWithExtension_);
    return dot < 0 ? bodyWithExtension_ : bodyWithExtension_.left(dot);
}

QString KlParsedFileName::pathExtension() const {
    const qsizetype dot = extensionDot(name_);
    return dot < 0 ? QString("") : name_.mid(dot + 1);
}

bool KlParsedFileName::isValidDatabasePmap(const QString& path) {
    const QString name = lastPathComponent(path);
    const qsizetype dot = extensionDot(name);
    if (dot < 0 || name.mid(dot + 1) != QLatin1String("pmap")) return false;
    if (!deletingLastPathComponent(path).toLower().endsWith(QLatin1String("/kelo/pixelmapping")))
        return false;
    return klIntValue(name) > 0 || name.startsWith('0');
}

QList<QUrl> KlParsedFileName::wouldCreatePmapConflict(const QString& path,
                                                      const QList<QUrl>& directoryUrls,
                                                      QString* problemStr) {
    if (!isValidDatabasePmap(path)) return {};
    const KlParsedFileName given(path);
    const int32_t givenNumber = klIntValue(given.number());
    QList<QUrl> clashes;
    for (const QUrl& url : directoryUrls) {
        const QString other = url.path();
        if (other == path || !isValidDatabasePmap(other)) continue;
        const KlParsedFileName parsed(other);
        if (parsed.ident() == given.ident() && klIntValue(parsed.number()) == givenNumber)
            clashes.append(url);
    }
    if (problemStr) {
        *problemStr = QString();
        if (!clashes.isEmpty()) {
            *problemStr =
                QString("File '%1' will conflict with existing file(s):\n").arg(given.name());
            for (const QUrl& url : clashes) *problemStr += lastPathComponent(url.path()) + '\n';
        }
    }
    return clashes;
}
