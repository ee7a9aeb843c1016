#include "platform/PropertyListXml.h"

#include "platform/PropertyList.h"
#include "platform/PropertyListValue.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

void appendUtf8(QByteArray* out, char32_t u) {
    if (u < 0x80) {
        out->append(static_cast<char>(u));
    } else if (u < 0x800) {
        out->append(static_cast<char>(0xC0 | (u >> 6)));
        out->append(static_cast<char>(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
        out->append(static_cast<char>(0xE0 | (u >> 12)));
        out->append(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out->append(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
        out->append(static_cast<char>(0xF0 | (u >> 18)));
        out->append(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
        out->append(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out->append(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

class Reader {
public:
    explicit Reader(const QByteArray& data)
        : begin_(data.constData()), p_(begin_), end_(begin_ + data.size()) {}

    QVariant run(QString* error) {
        QVariant value;
        if (!document(&value)) {
            if (error) *error = error_;
            return {};
        }
        return value;
    }

private:
    enum class TagKind { Start, End, Empty };
    struct Tag {
        std::string_view name;
        TagKind kind = TagKind::Start;
    };

    bool fail(const char* message) {
        if (error_.isEmpty()) {
            const qsizetype line = 1 + std::count(begin_, std::min(p_, end_), '\n');
            error_ = QStringLiteral("XML property list %1 at line %2")
                         .arg(QLatin1String(message))
                         .arg(line);
        }
        return false;
    }

    bool startsWith(const char* literal) const {
        const size_t n = std::strlen(literal);
        return static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, literal, n) == 0;
    }

    // Moves past the next `literal`; false when there is none.
    bool skipPast(const char* literal) {
        const std::string_view rest(p_, static_cast<size_t>(end_ - p_));
        const size_t at = rest.find(literal);
        if (at == std::string_view::npos) return false;
        p_ += at + std::strlen(literal);
        return true;
    }

    // A DOCTYPE may hold quoted strings and a bracketed internal subset.
    bool skipDoctype() {
        char quote = 0;
        int brackets = 0;
        for (; p_ < end_; ++p_) {
            const char c = *p_;
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                ++p_;
                return true;
            }
        }
        return false;
    }

    // Skips blanks, comments, processing instructions and the DOCTYPE; false
    // when one of them is unterminated.
    bool skipMisc() {
        while (p_ < end_) {
            if (isSpace(*p_)) {
                ++p_;
            } else if (startsWith("<!--")) {
                p_ += 4;
                if (!skipPast("-->")) return fail("has an unterminated comment");
            } else if (startsWith("<?")) {
                if (!skipPast("?>")) return fail("has unterminated markup");
            } else if (startsWith("<!DOCTYPE")) {
                if (!skipDoctype()) return fail("has unterminated markup");
            } else {
                break;
            }
        }
        return true;
    }

    // The next element tag. Text between elements is not part of any value.
    bool nextTag(Tag* tag) {
        if (!skipMisc()) return false;
        if (p_ >= end_) return fail("ends before its value is complete");
        if (*p_ != '<') return fail("has text outside a value");
        ++p_;
        tag->kind = TagKind::Start;
        if (p_ < end_ && *p_ == '/') {
            tag->kind = TagKind::End;
            ++p_;
        }
        const char* name = p_;
        while (p_ < end_ && !isSpace(*p_) && *p_ != '/' && *p_ != '>') ++p_;
        tag->name = std::string_view(name, static_cast<size_t>(p_ - name));
        // Attributes are skipped; quoted values may hold '>' and '/'.
        char quote = 0;
        for (; p_ < end_; ++p_) {
            const char c = *p_;
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                if (p_[-1] == '/' && tag->kind == TagKind::Start) tag->kind = TagKind::Empty;
                ++p_;
                return !tag->name.empty() || fail("has an element without a name");
            }
        }
        return fail("has unterminated markup");
    }

    bool document(QVariant* out) {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
        if (std::memchr(p_, '\0', static_cast<size_t>(end_ - p_)))
            return fail("contains a NUL byte");
        Tag tag;
        if (!nextTag(&tag)) return false;
        const bool wrapped = tag.name == "plist";
        if (wrapped) {
            if (tag.kind != TagKind::Start) return fail("holds no value");
            if (!nextTag(&tag)) return false;
        }
        if (!value(tag, 0, out)) return false;
        if (wrapped) {
            if (!nextTag(&tag)) return false;
            if (tag.kind != TagKind::End || tag.name != "plist")
                return fail("has more than one value in <plist>");
        }
        if (!skipMisc()) return false;
        return p_ == end_ || fail("has markup after its value");
    }

    bool value(const Tag& tag, int depth, QVariant* out) {
        if (depth > PropertyList::kMaxDepth) return fail("nested too deeply");
        if (tag.kind == TagKind::End) return fail("has a closing tag out of place");
        const std::string_view name = tag.name;
        const bool empty = tag.kind == TagKind::Empty;
        if (name == "dict") return empty ? (*out = QVariantMap(), true) : dict(depth, out);
        if (name == "array") return empty ? (*out = QVariantList(), true) : array(depth, out);
        if (name == "true" || name == "false") {
            *out = QVariant(name == "true");
            return empty || closes(name);
        }
        if (name == "key") return fail("has a <key> outside a dictionary");
        if (name != "string" && name != "integer" && name != "real" && name != "date" &&
            name != "data")
            return fail("holds an unsupported value");
        std::string_view body;
        if (!empty && !text(name, &body)) return false;
        if (name == "string") {
            *out = QVariant(QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size())));
            return true;
        }
        if (name == "integer") return integer(body, out);
        if (name == "real") return real(body, out);
        if (name == "date") return date(body, out);
        return data(body, out);
    }

    // Only blanks and comments may stand between <true> and </true>.
    bool closes(std::string_view name) {
        Tag tag;
        if (!nextTag(&tag)) return false;
        return (tag.kind == TagKind::End && tag.name == name) || fail("has mismatched tags");
    }

    bool dict(int depth, QVariant* out) {
        QVariantMap map;
        Tag tag;
        while (true) {
            if (!nextTag(&tag)) return false;
            if (tag.kind == TagKind::End) {
                if (tag.name != "dict") return fail("has mismatched tags");
                *out = QVariant(std::move(map));
                return true;
            }
            if (tag.name != "key") return fail("has a dictionary value without a key");
            std::string_view body;
            if (tag.kind == TagKind::Start && !text(tag.name, &body)) return false;
            const QString key = internedKey(body);
            QVariant item;
            if (!nextTag(&tag)) return false;
            if (tag.name == "key" || tag.kind == TagKind::End)
                return fail("has a dictionary key without a value");
            if (!value(tag, depth + 1, &item)) return false;
            // Files written from a sorted map come in key order: the end is
            // then the right place to insert.
            map.insert(map.cend(), key, item);
        }
    }

    bool array(int depth, QVariant* out) {
        QVariantList list;
        Tag tag;
        while (true) {
            if (!nextTag(&tag)) return false;
            if (tag.kind == TagKind::End) {
                if (tag.name != "array") return fail("has mismatched tags");
                *out = QVariant(std::move(list));
                return true;
            }
            QVariant item;
            if (!value(tag, depth + 1, &item)) return false;
            list.append(std::move(item));
        }
    }

    // Every record of a list repeats the same keys: they share one string.
    QString internedKey(std::string_view body) {
        const QByteArray probe =
            QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size()));
        const auto found = keys_.constFind(probe);
        if (found != keys_.cend()) return found.value();
        const QString key = QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size()));
        keys_.insert(QByteArray(body.data(), static_cast<qsizetype>(body.size())), key);
        return key;
    }

    // The text up to </name>, with references and CDATA resolved. It points
    // into the document when it holds neither, else into decoded_.
    bool text(std::string_view name, std::string_view* out) {
        const char* start = p_;
        const char* lt = static_cast<const char*>(std::memchr(p_, '<', end_ - p_));
        if (lt && !std::memchr(p_, '&', lt - p_) && closingTagAt(lt, name)) {
            *out = std::string_view(start, static_cast<size_t>(lt - start));
            return true;
        }
        decoded_.clear();
        while (p_ < end_) {
            const char c = *p_;
            if (c == '&') {
                if (!reference()) return false;
            } else if (c != '<') {
                const char* stop = p_;
                while (stop < end_ && *stop != '<' && *stop != '&') ++stop;
                decoded_.append(p_, stop - p_);
                p_ = stop;
            } else if (startsWith("<![CDATA[")) {
                const char* body = p_ + 9;
                p_ = body;
                if (!skipPast("]]>")) return fail("has an unterminated CDATA section");
                decoded_.append(body, p_ - 3 - body);
            } else if (startsWith("<!--")) {
                p_ += 4;
                if (!skipPast("-->")) return fail("has an unterminated comment");
            } else if (closingTagAt(p_, name)) {
                *out = std::string_view(decoded_.constData(), static_cast<size_t>(decoded_.size()));
                return true;
            } else {
                return fail("has markup inside a text value");
            }
        }
        return fail("ends before its value is complete");
    }

    // True, and past it, when `at` starts "</name>".
    bool closingTagAt(const char* at, std::string_view name) {
        const char* q = at;
        if (end_ - q < 3 + static_cast<qsizetype>(name.size()) || q[1] != '/' ||
            std::memcmp(q + 2, name.data(), name.size()) != 0)
            return false;
        q += 2 + name.size();
        while (q < end_ && isSpace(*q)) ++q;
        if (q >= end_ || *q != '>') return false;
        p_ = q + 1;
        return true;
    }

    bool reference() {
        const char* semi =
            static_cast<const char*>(std::memchr(p_, ';', std::min<qsizetype>(end_ - p_, 32)));
        if (!semi) return fail("has a bad entity reference");
        const std::string_view ref(p_ + 1, static_cast<size_t>(semi - p_ - 1));
        p_ = semi + 1;
        if (ref == "lt") return decoded_.append('<'), true;
        if (ref == "gt") return decoded_.append('>'), true;
        if (ref == "amp") return decoded_.append('&'), true;
        if (ref == "quot") return decoded_.append('"'), true;
        if (ref == "apos") return decoded_.append('\''), true;
        if (ref.size() < 2 || ref[0] != '#') return fail("has a bad entity reference");
        const bool hex = ref[1] == 'x' || ref[1] == 'X';
        const std::string_view digits = ref.substr(hex ? 2 : 1);
        quint32 code = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        // NUL, surrogates and values beyond Unicode name no character.
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
            code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return fail("has a bad character reference");
        appendUtf8(&decoded_, code);
        return true;
    }

    // Signed 64-bit; unsigned values from 2^63 keep their bits, as the
    // binary form does.
    bool integer(std::string_view body, QVariant* out) {
        std::string_view s = trimmed(body);
        const bool negative = !s.empty() && s.front() == '-';
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
        int base = 10;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            s.remove_prefix(2);
            base = 16;
        }
        quint64 magnitude = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size())
            return fail("has a bad integer");
        if (negative && magnitude > quint64(1) << 63) return fail("has a bad integer");
        *out = QVariant(static_cast<qint64>(negative ? 0 - magnitude : magnitude));
        return true;
    }

    bool real(std::string_view body, QVariant* out) {
        std::string_view s = trimmed(body);
        if (!s.empty() && s.front() == '+') s.remove_prefix(1);
        double d = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
        // Out of range is refused rather than pinned to a wrong value.
        if (s.empty() || ec != std::errc() || end != s.data() + s.size())
            return fail("has a bad real");
        *out = QVariant(d);
        return true;
    }

    // "yyyy-mm-ddThh:mm:ssZ", within the 32-bit seconds the writer can hold.
    bool date(std::string_view body, QVariant* out) {
        const std::string_view s = trimmed(body);
        static constexpr char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
        bool shaped = s.size() == sizeof kShape - 1;
        for (size_t i = 0; shaped && i < s.size(); ++i)
            shaped = kShape[i] == 'd' ? (s[i] >= '0' && s[i] <= '9') : s[i] == kShape[i];
        if (!shaped) return fail("has a bad date");
        auto number = [&](size_t at, size_t n) {
            int v = 0;
            for (size_t i = at; i < at + n; ++i) v = v * 10 + (s[i] - '0');
            return v;
        };
        const QDate day(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2));
        if (!day.isValid() || !time.isValid()) return fail("has a bad date");
        const QDateTime when(day, time, Qt::UTC);
        const qint64 seconds = PropertyListValue::referenceMSecs(when) / 1000;
        if (seconds <= std::numeric_limits<qint32>::min() ||
            seconds >= std::numeric_limits<qint32>::max())
            return fail("date out of range (1932-2069)");
        *out = QVariant(when);
        return true;
    }

    bool data(std::string_view body, QVariant* out) {
        QByteArray compact;
        compact.reserve(static_cast<qsizetype>(body.size()));
        for (char c : body)
            if (!isSpace(c)) compact.append(c);
        auto decoded =
            QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return fail("has bad base64 data");
        *out = QVariant(std::move(*decoded));
        return true;
    }

    const char* begin_;
    const char* p_;
    const char* end_;
    QByteArray decoded_;
    QHash<QByteArray, QString> keys_;
    QString error_;
};

// XML 1.0 cannot carry NUL or most control characters; a file holding them
// would be one no reader accepts.
bool xmlSafe(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') return false;
        if (u == 0xFFFE || u == 0xFFFF) return false;
    }
    return true;
}

// Writes the layout libplist writes, byte for byte, so that files and peers
// see no change from when it wrote them.
class Writer {
public:
    QByteArray run(const QVariant& value, QString* error) {
        out_ =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
            "\"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n";
        if (!write(value, 0)) {
            if (error) *error = error_;
            return {};
        }
        out_.append("</plist>\n");
        return out_;
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    void indent(int depth) { out_.append(depth, '\t'); }

    void line(int depth, const char* text) {
        indent(depth);
        out_.append(text);
        out_.append('\n');
    }

    void element(int depth, const char* name, QByteArrayView body) {
        indent(depth);
        out_.append('<').append(name).append('>');
        out_.append(body);
        out_.append("</").append(name).append(">\n");
    }

    bool text(int depth, const char* name, const QString& s) {
        if (!xmlSafe(s))
            return fail(QStringLiteral("%1 holds characters XML cannot carry")
                            .arg(std::strcmp(name, "key") == 0 ? "dictionary key" : "string"));
        indent(depth);
        out_.append('<').append(name).append('>');
        const QByteArray utf8 = s.toUtf8();
        qsizetype from = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const char c = utf8[i];
            const char* entity = c == '&'   ? "&amp;"
                                 : c == '<' ? "&lt;"
                                 : c == '>' ? "&gt;"
                                            : nullptr;
            if (!entity) continue;
            out_.append(utf8.constData() + from, i - from).append(entity);
            from = i + 1;
        }
        out_.append(utf8.constData() + from, utf8.size() - from);
        out_.append("</").append(name).append(">\n");
        return true;
    }

    void data(int depth, const QByteArray& bytes) {
        line(depth, "<data>");
        const QByteArray base64 = bytes.toBase64();
        // Lines fill 76 columns at a tab width of 8; past eight tabs the
        // indent stops growing.
        const int tabs = std::min(depth, 8);
        const qsizetype width = 76 - 8 * tabs;
        for (qsizetype at = 0; at < base64.size(); at += width) {
            indent(tabs);
            out_.append(base64.constData() + at, std::min(width, base64.size() - at));
            out_.append('\n');
        }
        line(depth, "</data>");
    }

    void real(int depth, double d) {
        char buf[32];
        const char* text = buf;
        if (d == 0) {
            text = "0.0";
        } else if (std::isinf(d)) {
            text = d > 0 ? "+infinity" : "-infinity";
        } else if (std::isnan(d)) {
            text = "nan";
        } else {
            *std::to_chars(buf, buf + sizeof buf - 1, d, std::chars_format::general, 17).ptr = '\0';
        }
        element(depth, "real", text);
    }

    bool write(const QVariant& value, int depth) {
        if (depth > PropertyList::kMaxDepth)
            return fail(QStringLiteral("property list nested too deeply"));
        using Kind = PropertyListValue::Kind;
        switch (PropertyListValue::kindOf(value)) {
            case Kind::Dictionary: {
                const QVariantMap map = value.toMap();
                if (map.isEmpty()) {
                    line(depth, "<dict/>");
                    return true;
                }
                line(depth, "<dict>");
                for (auto it = map.begin(); it != map.end(); ++it)
                    if (!text(depth + 1, "key", it.key()) || !write(it.value(), depth + 1))
                        return false;
                line(depth, "</dict>");
                return true;
            }
            case Kind::Array: {
                const QVariantList list = value.toList();
                if (list.isEmpty()) {
                    line(depth, "<array/>");
                    return true;
                }
                line(depth, "<array>");
                for (const QVariant& item : list)
                    if (!write(item, depth + 1)) return false;
                line(depth, "</array>");
                return true;
            }
            case Kind::String:
                return text(depth, "string", value.toString());
            case Kind::Integer: {
                qint64 v = 0;
                if (!PropertyListValue::integerValue(value, &v, &error_)) return false;
                char buf[24];
                const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
                element(depth, "integer", QByteArrayView(buf, end - buf));
                return true;
            }
            case Kind::Real:
                real(depth, value.toDouble());
                return true;
            case Kind::Bool:
                line(depth, value.toBool() ? "<true/>" : "<false/>");
                return true;
            case Kind::Date: {
                // Whole seconds, kept to the 32-bit range older readers hold.
                const qint64 ms = PropertyListValue::referenceMSecs(value.toDateTime());
                const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
                if (sec <= std::numeric_limits<int32_t>::min() ||
                    sec >= std::numeric_limits<int32_t>::max())
                    return fail(QStringLiteral("date out of the XML range (1932-2069)"));
                const QDateTime whole = PropertyListValue::dateFromReferenceMSecs(sec * 1000);
                const QDate day = whole.date();
                const QTime time = whole.time();
                char buf[24];
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(),
                              day.month(), day.day(), time.hour(), time.minute(), time.second());
                element(depth, "date", buf);
                return true;
            }
            case Kind::Data:
                data(depth, value.toByteArray());
                return true;
            case Kind::Unsupported:
                break;
        }
        return fail(
            QStringLiteral("%1 has no property-list form").arg(PropertyListValue::typeName(value)));
    }

    QByteArray out_;
    QString error_;
};

}  // namespace

QVariant PropertyListXml::read(const QByteArray& data, QString* error) {
    return Reader(data).run(error);
}

QByteArray PropertyListXml::write(const QVariant& value, QString* error) {
    return Writer().run(value, error);
}
