#include "platform/PropertyListOpenStep.h"

#include "platform/PropertyList.h"
#include "platform/PropertyListValue.h"

#include <QLocale>
#include <QStringList>

#include <cstring>

namespace {

bool isBareChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Reader {
public:
    explicit Reader(const QByteArray& text) : p_(text.constData()), end_(p_ + text.size()) {}

    QVariant run(QString* error) {
        QVariant value;
        bool ok = skipSpace() && parseValue(0, &value) && skipSpace();
        if (ok && p_ != end_) ok = fail("unexpected text after the value");
        if (!ok) {
            if (error) *error = error_;
            return {};
        }
        return value;
    }

private:
    bool fail(const char* message) {
        if (error_.isEmpty()) {
            error_ = QStringLiteral("old-style property list: %1 at line %2")
                         .arg(QLatin1String(message))
                         .arg(line_);
        }
        return false;
    }

    // Skips blanks and comments; false only for an unterminated comment.
    bool skipSpace() {
        while (p_ < end_) {
            const char c = *p_;
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++p_;
            } else if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
                p_ += 2;
                while (p_ + 1 < end_ && !(p_[0] == '*' && p_[1] == '/')) {
                    if (*p_ == '\n') ++line_;
                    ++p_;
                }
                if (p_ + 1 >= end_) return fail("unterminated comment");
                p_ += 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool parseValue(int depth, QVariant* out) {
        if (depth > PropertyList::kMaxDepth) return fail("nested too deeply");
        if (p_ == end_) return fail("missing value");
        switch (*p_) {
            case '{':
                return parseDictionary(depth, out);
            case '(':
                return parseArray(depth, out);
            case '<':
                return parseData(out);
            case '"': {
                QString s;
                if (!parseQuoted(&s)) return false;
                *out = s;
                return true;
            }
            default: {
                QString s;
                if (!parseBare(&s)) return false;
                *out = s;
                return true;
            }
        }
    }

    bool parseString(QString* out) {
        if (p_ < end_ && *p_ == '"') return parseQuoted(out);
        return parseBare(out);
    }

    bool parseBare(QString* out) {
        const char* start = p_;
        while (p_ < end_ && isBareChar(*p_)) {
            // "//" and "/*" open comments even right after a bare string.
            if (*p_ == '/' && p_ + 1 < end_ && (p_[1] == '/' || p_[1] == '*')) break;
            ++p_;
        }
        if (p_ == start) return fail("unexpected character");
        *out = QString::fromLatin1(start, p_ - start);
        return true;
    }

    bool parseQuoted(QString* out) {
        ++p_;
        QString result;
        const char* run = p_;
        auto flush = [&] {
            // fromUtf8 drops a byte-order mark that starts its input; inside
            // a quoted string it is text and stays.
            while (p_ - run >= 3 && std::memcmp(run, "\xEF\xBB\xBF", 3) == 0) {
                result += QChar(0xFEFF);
                run += 3;
            }
            result += QString::fromUtf8(run, p_ - run);
        };
        while (p_ < end_ && *p_ != '"') {
            if (*p_ == '\n') ++line_;
            if (*p_ != '\\') {
                ++p_;
                continue;
            }
            flush();
            if (++p_ == end_) break;
            const char c = *p_++;
            switch (c) {
                case 'a':
                    result += QChar('\a');
                    break;
                case 'b':
                    result += QChar('\b');
                    break;
                case 'f':
                    result += QChar('\f');
                    break;
                case 'n':
                    result += QChar('\n');
                    break;
                case 'r':
                    result += QChar('\r');
                    break;
                case 't':
                    result += QChar('\t');
                    break;
                case 'v':
                    result += QChar('\v');
                    break;
                case 'U':
                case 'u': {
                    char16_t code = 0;
                    int digits = 0;
                    for (; digits < 4 && p_ < end_ && hexValue(*p_) >= 0; ++digits, ++p_)
                        code = static_cast<char16_t>(code * 16 + hexValue(*p_));
                    if (digits == 0) return fail("\\U without hex digits");
                    result += QChar(code);
                    break;
                }
                default:
                    if (c >= '0' && c <= '7') {
                        int code = c - '0';
                        for (int digits = 1; digits < 3 && p_ < end_ && *p_ >= '0' && *p_ <= '7';
                             ++digits, ++p_)
                            code = code * 8 + (*p_ - '0');
                        result += QChar(static_cast<char16_t>(code));
                    } else {
                        if (c == '\n') ++line_;
                        result += QChar::fromLatin1(c);
                    }
            }
            run = p_;
        }
        if (p_ == end_) return fail("unterminated quoted string");
        flush();
        ++p_;
        *out = result;
        return true;
    }

    bool parseData(QVariant* out) {
        ++p_;
        QByteArray bytes;
        int high = -1;
        while (true) {
            if (!skipSpace()) return false;
            if (p_ == end_) return fail("unterminated data");
            if (*p_ == '>') break;
            const int v = hexValue(*p_++);
            if (v < 0) return fail("bad character in data");
            if (high < 0) {
                high = v;
            } else {
                bytes.append(static_cast<char>(high * 16 + v));
                high = -1;
            }
        }
        if (high >= 0) return fail("odd number of hex digits in data");
        ++p_;
        *out = bytes;
        return true;
    }

    bool parseArray(int depth, QVariant* out) {
        ++p_;
        QVariantList list;
        while (true) {
            if (!skipSpace()) return false;
            if (p_ == end_) return fail("unterminated array");
            if (*p_ == ')') break;
            QVariant item;
            if (!parseValue(depth + 1, &item) || !skipSpace()) return false;
            list.append(item);
            if (p_ < end_ && *p_ == ',') {
                ++p_;
            } else if (p_ == end_ || *p_ != ')') {
                return fail("expected ',' or ')' in array");
            }
        }
        ++p_;
        *out = list;
        return true;
    }

    bool parseDictionary(int depth, QVariant* out) {
        ++p_;
        QVariantMap map;
        while (true) {
            if (!skipSpace()) return false;
            if (p_ == end_) return fail("unterminated dictionary");
            if (*p_ == '}') break;
            QString key;
            QVariant value;
            if (!parseString(&key) || !skipSpace()) return false;
            if (p_ == end_ || *p_ != '=') return fail("expected '=' in dictionary");
            ++p_;
            if (!skipSpace() || !parseValue(depth + 1, &value) || !skipSpace()) return false;
            map.insert(key, value);
            if (p_ < end_ && *p_ == ';') {
                ++p_;
            } else if (p_ == end_ || *p_ != '}') {
                return fail("expected ';' in dictionary");
            }
        }
        ++p_;
        *out = map;
        return true;
    }

    const char* p_;
    const char* end_;
    int line_ = 1;
    QString error_;
};

bool needsQuotes(const QString& s) {
    if (s.isEmpty()) return true;
    for (QChar c : s)
        if (c.unicode() >= 0x80 || !isBareChar(static_cast<char>(c.unicode()))) return true;
    // A bare string must not read back as the start of a comment.
    return s.contains(QLatin1String("//")) || s.contains(QLatin1String("/*"));
}

QString quoted(const QString& s) {
    if (!needsQuotes(s)) return s;
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
            case '"':
                out += QLatin1String("\\\"");
                break;
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            default:
                if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                    out += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

class Writer {
public:
    QByteArray run(const QVariant& value, QString* error) {
        if (!write(value, 0)) {
            if (error) *error = error_;
            return {};
        }
        out_ += QLatin1Char('\n');
        return out_.toUtf8();
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    void indent(int depth) { out_ += QString(depth, QLatin1Char('\t')); }

    bool write(const QVariant& value, int depth) {
        if (depth > PropertyList::kMaxDepth)
            return fail(QStringLiteral("property list nested too deeply"));
        using Kind = PropertyListValue::Kind;
        switch (PropertyListValue::kindOf(value)) {
            case Kind::Dictionary: {
                const QVariantMap map = value.toMap();
                out_ += QLatin1String("{\n");
                for (auto it = map.begin(); it != map.end(); ++it) {
                    indent(depth + 1);
                    out_ += quoted(it.key()) + QLatin1String(" = ");
                    if (!write(it.value(), depth + 1)) return false;
                    out_ += QLatin1String(";\n");
                }
                indent(depth);
                out_ += QLatin1Char('}');
                return true;
            }
            case Kind::Array: {
                const QVariantList list = value.toList();
                out_ += QLatin1String("(\n");
                for (qsizetype i = 0; i < list.size(); ++i) {
                    indent(depth + 1);
                    if (!write(list[i], depth + 1)) return false;
                    out_ += i + 1 < list.size() ? QLatin1String(",\n") : QLatin1String("\n");
                }
                indent(depth);
                out_ += QLatin1Char(')');
                return true;
            }
            case Kind::Data:
                out_ += QLatin1Char('<') + QString::fromLatin1(value.toByteArray().toHex()) +
                        QLatin1Char('>');
                return true;
            case Kind::String:
                out_ += quoted(value.toString());
                return true;
            case Kind::Integer: {
                qint64 v = 0;
                if (!PropertyListValue::integerValue(value, &v, &error_)) return false;
                out_ += QString::number(v);
                return true;
            }
            case Kind::Real:
                out_ +=
                    quoted(QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
                return true;
            case Kind::Bool:
                out_ += value.toBool() ? QLatin1Char('1') : QLatin1Char('0');
                return true;
            case Kind::Date:
            case Kind::Unsupported:
                break;
        }
        return fail(QStringLiteral("%1 cannot be written as an old-style property list")
                        .arg(PropertyListValue::typeName(value)));
    }

    QString out_;
    QString error_;
};

}  // namespace

QVariant PropertyListOpenStep::read(const QByteArray& text, QString* error) {
    return Reader(text).run(error);
}

QByteArray PropertyListOpenStep::write(const QVariant& value, QString* error) {
    return Writer().run(value, error);
}
