#include "platform/PropertyList.h"

#include "platform/PropertyListBinary.h"
#include "platform/PropertyListOpenStep.h"
#include "platform/PropertyListValue.h"

#include <plist/plist.h>

#include <QDateTime>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

// XML goes through libplist. Its parser recurses once per element, so the
// depth of the input is checked before it gets there, and its 32-bit dates
// are checked on the way out: a date it could not hold is an error rather
// than a silently wrong value.
namespace {

// <plist>, the containers up to kMaxDepth and a leaf inside the deepest one.
constexpr int kMaxXmlElementDepth = PropertyList::kMaxDepth + 3;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

template <typename T>
struct MallocPtr {
    T* p = nullptr;
    ~MallocPtr() { std::free(p); }
};

bool set(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

qsizetype find(const QByteArray& data, qsizetype from, const char* needle) {
    return data.indexOf(needle, from);
}

bool startsAt(const QByteArray& data, qsizetype at, const char* literal) {
    const qsizetype n = static_cast<qsizetype>(std::strlen(literal));
    return data.size() - at >= n && std::memcmp(data.constData() + at, literal, n) == 0;
}

// Finds the '>' closing markup that starts at `from`, skipping quoted
// attribute values and, inside a DOCTYPE, its bracketed internal subset.
qsizetype markupEnd(const QByteArray& data, qsizetype from) {
    char quote = 0;
    int brackets = 0;
    for (qsizetype i = from; i < data.size(); ++i) {
        const char c = data[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '>' && brackets <= 0) {
            return i;
        }
    }
    return -1;
}

// libplist aborts on a string or key holding U+0000 (it checks the length
// against strlen by assertion), so NUL is refused before it gets there, raw or
// as a character reference. References beyond Unicode are refused as well,
// lest a wrapped value come out as 0.
bool xmlFreeOfNul(const QByteArray& data, QString* error) {
    if (data.contains('\0'))
        return set(error, QStringLiteral("XML property list contains a NUL byte"));
    for (qsizetype i = 0; (i = data.indexOf("&#", i)) >= 0;) {
        i += 2;
        const bool hex = i < data.size() && (data[i] == 'x' || data[i] == 'X');
        if (hex) ++i;
        quint64 value = 0;
        for (; i < data.size() && data[i] != ';'; ++i) {
            const char c = data[i];
            const int v = (c >= '0' && c <= '9')          ? c - '0'
                          : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                          : -1;
            if (v < 0) break;
            value = std::min<quint64>(value * (hex ? 16 : 10) + v, 0x110000);
        }
        if (value == 0 || value > 0x10FFFF)
            return set(error, QStringLiteral("XML property list has a bad character reference"));
    }
    return true;
}

// A lexical pass over the markup that bounds the element depth without
// building anything.
bool xmlDepthWithinLimit(const QByteArray& data, QString* error) {
    int depth = 0;
    qsizetype i = 0;
    while ((i = data.indexOf('<', i)) >= 0) {
        qsizetype end;
        if (startsAt(data, i, "<!--")) {
            end = find(data, i + 4, "-->");
            if (end >= 0) end += 2;
        } else if (startsAt(data, i, "<![CDATA[")) {
            end = find(data, i + 9, "]]>");
            if (end >= 0) end += 2;
        } else if (startsAt(data, i, "<?")) {
            end = find(data, i + 2, "?>");
            if (end >= 0) end += 1;
        } else {
            end = markupEnd(data, i + 1);
            if (end >= 0 && !startsAt(data, i, "<!")) {
                if (data[i + 1] == '/') {
                    --depth;
                } else if (data[end - 1] != '/' && ++depth > kMaxXmlElementDepth) {
                    return set(error, QStringLiteral("XML property list nested too deeply"));
                }
            }
        }
        if (end < 0) return set(error, QStringLiteral("XML property list has unterminated markup"));
        i = end + 1;
    }
    return true;
}

bool nodeToVariant(plist_t node, int depth, QVariant* out, QString* error) {
    if (depth > PropertyList::kMaxDepth)
        return set(error, QStringLiteral("XML property list nested too deeply"));
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            *out = QVariant(b != 0);
            return true;
        }
        case PLIST_UINT: {
            // libplist has no signed node; the bits are those of an int64.
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            *out = QVariant(static_cast<qint64>(v));
            return true;
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            *out = QVariant(d);
            return true;
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* s = plist_get_string_ptr(node, &length);
            *out = QVariant(QString::fromUtf8(s, s ? static_cast<qsizetype>(length) : 0));
            return true;
        }
        case PLIST_DATA: {
            MallocPtr<char> d;
            uint64_t length = 0;
            plist_get_data_val(node, &d.p, &length);
            *out = QVariant(QByteArray(d.p, d.p ? static_cast<qsizetype>(length) : 0));
            return true;
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            // libplist pins dates it cannot hold to the ends of its range.
            if (sec == std::numeric_limits<int32_t>::min() ||
                sec == std::numeric_limits<int32_t>::max())
                return set(error,
                           QStringLiteral("XML property list date out of range (1932-2069)"));
            *out = QVariant(
                PropertyListValue::dateFromReferenceMSecs(qint64(sec) * 1000 + usec / 1000));
            return true;
        }
        case PLIST_ARRAY: {
            QVariantList list;
            const uint32_t size = plist_array_get_size(node);
            for (uint32_t i = 0; i < size; ++i) {
                QVariant item;
                if (!nodeToVariant(plist_array_get_item(node, i), depth + 1, &item, error))
                    return false;
                list.append(item);
            }
            *out = QVariant(list);
            return true;
        }
        case PLIST_DICT: {
            QVariantMap map;
            MallocPtr<void> iter;
            plist_dict_new_iter(node, reinterpret_cast<plist_dict_iter*>(&iter.p));
            while (true) {
                MallocPtr<char> key;
                plist_t value = nullptr;
                plist_dict_next_item(node, iter.p, &key.p, &value);
                if (!value) break;
                QVariant item;
                if (!nodeToVariant(value, depth + 1, &item, error)) return false;
                map.insert(QString::fromUtf8(key.p ? key.p : ""), item);
            }
            *out = QVariant(map);
            return true;
        }
        default:
            return set(error, QStringLiteral("XML property list holds an unsupported value"));
    }
}

QVariant readXml(const QByteArray& data, QString* error) {
    if (data.size() > std::numeric_limits<uint32_t>::max()) {
        set(error, QStringLiteral("XML property list too large"));
        return {};
    }
    if (!xmlFreeOfNul(data, error) || !xmlDepthWithinLimit(data, error)) return {};
    plist_t raw = nullptr;
    plist_from_xml(data.constData(), static_cast<uint32_t>(data.size()), &raw);
    PlistPtr root(raw);
    if (!root) {
        set(error, QStringLiteral("malformed XML property list"));
        return {};
    }
    QVariant result;
    if (!nodeToVariant(root.get(), 0, &result, error)) return {};
    return result;
}

// XML 1.0 cannot carry NUL or most control characters, and libplist would
// write them raw, giving a file no reader accepts.
bool xmlSafe(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') return false;
        if (u == 0xFFFE || u == 0xFFFF) return false;
    }
    return true;
}

plist_t variantToNode(const QVariant& value, int depth, QString* error) {
    if (depth > PropertyList::kMaxDepth) {
        set(error, QStringLiteral("property list nested too deeply"));
        return nullptr;
    }
    using Kind = PropertyListValue::Kind;
    switch (PropertyListValue::kindOf(value)) {
        case Kind::Dictionary: {
            PlistPtr dict(plist_new_dict());
            const QVariantMap map = value.toMap();
            for (auto it = map.begin(); it != map.end(); ++it) {
                if (!xmlSafe(it.key())) {
                    set(error, QStringLiteral("dictionary key holds characters XML cannot carry"));
                    return nullptr;
                }
                plist_t item = variantToNode(it.value(), depth + 1, error);
                if (!item) return nullptr;
                plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), item);
            }
            return dict.release();
        }
        case Kind::Array: {
            PlistPtr array(plist_new_array());
            for (const QVariant& v : value.toList()) {
                plist_t item = variantToNode(v, depth + 1, error);
                if (!item) return nullptr;
                plist_array_append_item(array.get(), item);
            }
            return array.release();
        }
        case Kind::String: {
            const QString s = value.toString();
            if (!xmlSafe(s)) {
                set(error, QStringLiteral("string holds characters XML cannot carry"));
                return nullptr;
            }
            return plist_new_string(s.toUtf8().constData());
        }
        case Kind::Integer: {
            qint64 v = 0;
            if (!PropertyListValue::integerValue(value, &v, error)) return nullptr;
            return plist_new_uint(static_cast<uint64_t>(v));
        }
        case Kind::Real:
            return plist_new_real(value.toDouble());
        case Kind::Bool:
            return plist_new_bool(value.toBool() ? 1 : 0);
        case Kind::Date: {
            const qint64 ms = PropertyListValue::referenceMSecs(value.toDateTime());
            const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
            if (sec <= std::numeric_limits<int32_t>::min() ||
                sec >= std::numeric_limits<int32_t>::max()) {
                set(error, QStringLiteral("date out of the XML range (1932-2069)"));
                return nullptr;
            }
            // XML holds whole seconds, and libplist misplaces a fraction of a
            // date before 2001, so none is passed on.
            return plist_new_date(static_cast<int32_t>(sec), 0);
        }
        case Kind::Data: {
            const QByteArray bytes = value.toByteArray();
            return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
        }
        case Kind::Unsupported:
            break;
    }
    set(error,
        QStringLiteral("%1 has no property-list form").arg(PropertyListValue::typeName(value)));
    return nullptr;
}

QByteArray writeXml(const QVariant& value, QString* error) {
    PlistPtr root(variantToNode(value, 0, error));
    if (!root) return {};
    MallocPtr<char> xml;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml.p, &length);
    if (!xml.p) {
        set(error, QStringLiteral("XML property list could not be written"));
        return {};
    }
    return QByteArray(xml.p, length);
}

bool looksLikeXml(const QByteArray& data) {
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    const QByteArray head = data.mid(i, 9);
    return head.startsWith("<?xml") || head.startsWith("<!DOCTYPE") || head.startsWith("<plist") ||
           head.startsWith("<!--");
}

}  // namespace

QVariant PropertyList::read(const QByteArray& data, QString* error, Format* detected) {
    if (data.startsWith("bplist")) {
        if (detected) *detected = Format::Binary;
        return PropertyListBinary::read(data, error);
    }
    if (looksLikeXml(data)) {
        if (detected) *detected = Format::Xml;
        return readXml(data, error);
    }
    if (detected) *detected = Format::OpenStep;
    return PropertyListOpenStep::read(data, error);
}

QVariant PropertyList::readOpenStep(const QByteArray& text, QString* error) {
    return PropertyListOpenStep::read(text, error);
}

QByteArray PropertyList::write(const QVariant& value, Format format, QString* error) {
    switch (format) {
        case Format::Xml:
            return writeXml(value, error);
        case Format::Binary:
            return PropertyListBinary::write(value, error);
        case Format::OpenStep:
            return PropertyListOpenStep::write(value, error);
    }
    set(error, QStringLiteral("unknown property-list format"));
    return {};
}
