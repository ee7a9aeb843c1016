#include "platform/PropertyListBinary.h"

#include "platform/PropertyList.h"
#include "platform/PropertyListValue.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr char kMagic[] = "bplist00";
constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;
// Shared objects are decoded once, but a consumer walking the result sees
// every reference expanded. A few nested arrays that each refer twice to the
// next would expand to billions of nodes, so the expanded size is bounded.
constexpr quint64 kMaxExpandedNodes = 1u << 22;

quint64 readBigEndian(const uchar* p, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

class Reader {
public:
    explicit Reader(const QByteArray& data)
        : bytes_(reinterpret_cast<const uchar*>(data.constData())), size_(data.size()) {}

    QVariant run(QString* error) {
        const QVariant* result = nullptr;
        if (!readTrailer() || !readObject(topObject_, 0, &result)) {
            if (error) *error = error_;
            return {};
        }
        return *result;
    }

private:
    enum class State : quint8 { Unread, Reading, Done };
    struct Entry {
        State state = State::Unread;
        quint64 expanded = 0;
        QVariant value;
    };

    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    bool readTrailer() {
        if (size_ < kHeaderSize + kTrailerSize + 1)
            return fail(QStringLiteral("binary property list too short"));
        const uchar* t = bytes_ + size_ - kTrailerSize;
        offsetSize_ = t[6];
        refSize_ = t[7];
        const quint64 count = readBigEndian(t + 8, 8);
        const quint64 top = readBigEndian(t + 16, 8);
        const quint64 tableOffset = readBigEndian(t + 24, 8);
        const quint64 tableLimit = static_cast<quint64>(size_ - kTrailerSize);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
            return fail(QStringLiteral("binary property list has bad integer sizes"));
        if (tableOffset < kHeaderSize || tableOffset >= tableLimit)
            return fail(QStringLiteral("binary property list offset table out of bounds"));
        // The table must fit in the file, which also bounds every allocation below.
        if (count == 0 || count > (tableLimit - tableOffset) / offsetSize_)
            return fail(QStringLiteral("binary property list object count out of bounds"));
        if (top >= count)
            return fail(QStringLiteral("binary property list top object out of range"));
        objectCount_ = count;
        topObject_ = top;
        tableOffset_ = tableOffset;
        entries_.resize(count);
        return true;
    }

    bool objectOffset(quint64 index, quint64* offset) {
        *offset = readBigEndian(bytes_ + tableOffset_ + index * offsetSize_, offsetSize_);
        if (*offset < kHeaderSize || *offset >= tableOffset_)
            return fail(QStringLiteral("binary property list object offset out of bounds"));
        return true;
    }

    // Bytes available to an object's body: objects live between the header
    // and the offset table.
    bool available(quint64 at, quint64 bytes) const {
        return at <= tableOffset_ && bytes <= tableOffset_ - at;
    }

    bool readCount(quint8 marker, quint64* at, quint64* count) {
        const quint8 low = marker & 0x0F;
        if (low != 0x0F) {
            *count = low;
            return true;
        }
        if (!available(*at, 1)) return fail(QStringLiteral("binary property list truncated count"));
        const quint8 intMarker = bytes_[*at];
        if ((intMarker & 0xF0) != 0x10 || (intMarker & 0x0F) > 3)
            return fail(QStringLiteral("binary property list bad count marker"));
        const int bytes = 1 << (intMarker & 0x0F);
        if (!available(*at + 1, bytes))
            return fail(QStringLiteral("binary property list truncated count"));
        *count = readBigEndian(bytes_ + *at + 1, bytes);
        *at += 1 + bytes;
        return true;
    }

    // Checks that `count` references fit before the offset table and are in range.
    bool checkRefs(quint64 at, quint64 count) {
        if (count > (tableOffset_ - at) / refSize_ || !available(at, count * refSize_))
            return fail(QStringLiteral("binary property list container runs past its data"));
        for (quint64 i = 0; i < count; ++i)
            if (refAt(at, i) >= objectCount_)
                return fail(QStringLiteral("binary property list reference out of range"));
        return true;
    }

    quint64 refAt(quint64 at, quint64 i) const {
        return readBigEndian(bytes_ + at + i * refSize_, refSize_);
    }

    // Points `out` at the decoded object, which stays in the cache: a value
    // is copied once, into the container that holds it.
    bool readObject(quint64 index, int depth, const QVariant** out) {
        Entry& entry = entries_[index];
        if (entry.state == State::Done) {
            *out = &entry.value;
            return true;
        }
        if (entry.state == State::Reading)
            return fail(QStringLiteral("binary property list contains a reference cycle"));
        if (depth > PropertyList::kMaxDepth)
            return fail(QStringLiteral("binary property list nested too deeply"));
        entry.state = State::Reading;
        quint64 expanded = 1;
        QVariant value;
        if (!decode(index, depth, &value, &expanded)) return false;
        // entries_ is never resized after the trailer, so `entry` is still valid.
        entry.value = std::move(value);
        entry.expanded = expanded;
        entry.state = State::Done;
        *out = &entry.value;
        return true;
    }

    bool addExpanded(quint64* total, quint64 index) {
        *total += entries_[index].expanded;
        if (*total > kMaxExpandedNodes + objectCount_)
            return fail(QStringLiteral("binary property list expands to too many objects"));
        return true;
    }

    bool decode(quint64 index, int depth, QVariant* out, quint64* expanded) {
        quint64 at = 0;
        if (!objectOffset(index, &at)) return false;
        const quint8 marker = bytes_[at++];
        const quint8 type = marker >> 4;
        switch (type) {
            case 0x0:
                if (marker == 0x08 || marker == 0x09) {
                    *out = QVariant(marker == 0x09);
                    return true;
                }
                return fail(
                    QStringLiteral("binary property list has an unsupported null or fill object"));
            case 0x1: {
                const int bytes = 1 << (marker & 0x0F);
                if (bytes > 16 || !available(at, bytes))
                    return fail(QStringLiteral("binary property list bad integer"));
                if (bytes == 16) {
                    // 128-bit integers carry values beyond 64 bits only in the
                    // high half; 0 (unsigned up to 2^64) or all ones (negative).
                    const quint64 high = readBigEndian(bytes_ + at, 8);
                    if (high != 0 && high != ~quint64(0))
                        return fail(QStringLiteral("binary property list integer exceeds 64 bits"));
                    *out = QVariant(static_cast<qint64>(readBigEndian(bytes_ + at + 8, 8)));
                } else {
                    *out = QVariant(static_cast<qint64>(readBigEndian(bytes_ + at, bytes)));
                }
                return true;
            }
            case 0x2: {
                const int bytes = 1 << (marker & 0x0F);
                if ((bytes != 4 && bytes != 8) || !available(at, bytes))
                    return fail(QStringLiteral("binary property list bad real"));
                *out = QVariant(realAt(at, bytes));
                return true;
            }
            case 0x3: {
                QDateTime date;
                if (marker != 0x33 || !available(at, 8) ||
                    !PropertyListValue::dateFromReferenceSeconds(realAt(at, 8), &date))
                    return fail(QStringLiteral("binary property list bad date"));
                *out = QVariant(date);
                return true;
            }
            case 0x4:
            case 0x5:
            case 0x6: {
                quint64 count = 0;
                if (!readCount(marker, &at, &count)) return false;
                const quint64 bytes = type == 0x6 ? count * 2 : count;
                if (count > tableOffset_ || !available(at, bytes))
                    return fail(
                        QStringLiteral("binary property list data or string runs past its data"));
                const char* p = reinterpret_cast<const char*>(bytes_ + at);
                if (type == 0x4) {
                    *out = QVariant(QByteArray(p, static_cast<qsizetype>(bytes)));
                } else if (type == 0x5) {
                    *out = QVariant(QString::fromLatin1(p, static_cast<qsizetype>(bytes)));
                } else {
                    QString s(static_cast<qsizetype>(count), Qt::Uninitialized);
                    for (quint64 i = 0; i < count; ++i)
                        s[static_cast<qsizetype>(i)] =
                            QChar(static_cast<char16_t>(readBigEndian(bytes_ + at + 2 * i, 2)));
                    *out = QVariant(s);
                }
                return true;
            }
            case 0xA: {
                quint64 count = 0;
                if (!readCount(marker, &at, &count) || !checkRefs(at, count)) return false;
                QVariantList list;
                list.reserve(static_cast<qsizetype>(count));
                for (quint64 i = 0; i < count; ++i) {
                    const quint64 ref = refAt(at, i);
                    const QVariant* item = nullptr;
                    if (!readObject(ref, depth + 1, &item) || !addExpanded(expanded, ref))
                        return false;
                    list.append(*item);
                }
                *out = QVariant(std::move(list));
                return true;
            }
            case 0xD: {
                quint64 count = 0;
                if (!readCount(marker, &at, &count)) return false;
                if (count > std::numeric_limits<quint64>::max() / 2)
                    return fail(QStringLiteral("binary property list dictionary too large"));
                if (!checkRefs(at, count * 2)) return false;
                QVariantMap map;
                for (quint64 i = 0; i < count; ++i) {
                    const quint64 keyRef = refAt(at, i), valueRef = refAt(at, count + i);
                    const QVariant *key = nullptr, *item = nullptr;
                    if (!readObject(keyRef, depth + 1, &key)) return false;
                    if (key->typeId() != QMetaType::QString)
                        return fail(
                            QStringLiteral("binary property list dictionary key is not a string"));
                    if (!readObject(valueRef, depth + 1, &item) || !addExpanded(expanded, valueRef))
                        return false;
                    // Keys written from a sorted map arrive in order: the end
                    // is then the right place to insert.
                    map.insert(map.cend(), *static_cast<const QString*>(key->constData()), *item);
                }
                *out = QVariant(std::move(map));
                return true;
            }
            default:
                return fail(
                    QStringLiteral("binary property list has an unsupported object type 0x%1")
                        .arg(marker, 2, 16, QLatin1Char('0')));
        }
    }

    double realAt(quint64 at, int bytes) const {
        const quint64 bits = readBigEndian(bytes_ + at, bytes);
        if (bytes == 4) {
            const quint32 b32 = static_cast<quint32>(bits);
            float f;
            std::memcpy(&f, &b32, 4);
            return f;
        }
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }

    const uchar* bytes_;
    qsizetype size_;
    int offsetSize_ = 0;
    int refSize_ = 0;
    quint64 objectCount_ = 0;
    quint64 topObject_ = 0;
    quint64 tableOffset_ = 0;
    std::vector<Entry> entries_;
    QString error_;
};

int bytesFor(quint64 value) {
    if (value <= 0xFF) return 1;
    if (value <= 0xFFFF) return 2;
    if (value <= 0xFFFFFFFFu) return 4;
    return 8;
}

void appendBigEndian(QByteArray* out, quint64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out->append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Equal scalars are written once and referred to wherever they occur: keys
// repeat in every record of a list, and the format allows any reference to
// be shared. Containers are never shared, so readers that expand references
// see the tree that was written.
class Writer {
public:
    QByteArray run(const QVariant& root, QString* error) {
        // Flatten first: reference sizes depend on the number of objects.
        quint64 top = 0;
        if (!flatten(root, 0, &top)) {
            if (error) *error = error_;
            return {};
        }
        refSize_ = bytesFor(objects_.size() - 1);
        QByteArray out(kMagic, kHeaderSize);
        std::vector<quint64> offsets;
        offsets.reserve(objects_.size());
        for (const Object& object : objects_) {
            offsets.push_back(static_cast<quint64>(out.size()));
            if (object.refs.empty() && object.kind == Container::None) {
                out.append(object.encoded);
                continue;
            }
            const bool array = object.kind == Container::Array;
            appendMarker(&out, array ? 0xA : 0xD,
                         array ? object.refs.size() : object.refs.size() / 2);
            for (quint64 ref : object.refs) appendBigEndian(&out, ref, refSize_);
        }
        const quint64 tableOffset = static_cast<quint64>(out.size());
        const int offsetSize = bytesFor(offsets.empty() ? 0 : offsets.back());
        for (quint64 offset : offsets) appendBigEndian(&out, offset, offsetSize);
        out.append(QByteArray(6, '\0'));
        out.append(static_cast<char>(offsetSize));
        out.append(static_cast<char>(refSize_));
        appendBigEndian(&out, objects_.size(), 8);
        appendBigEndian(&out, top, 8);
        appendBigEndian(&out, tableOffset, 8);
        return out;
    }

private:
    enum class Container : quint8 { None, Array, Dictionary };
    struct Object {
        QByteArray encoded;  // scalars only
        Container kind;
        std::vector<quint64> refs;
    };

    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    // The scalar just encoded into scratch_, shared with any equal one.
    quint64 addScalar() {
        const auto found =
            scalars_.constFind(QByteArray::fromRawData(scratch_.constData(), scratch_.size()));
        if (found != scalars_.cend()) return found.value();
        const quint64 index = objects_.size();
        objects_.push_back(Object{scratch_, Container::None, {}});
        scalars_.insert(objects_.back().encoded, index);
        return index;
    }

    quint64 addString(const QString& s) {
        scratch_.clear();
        const bool ascii =
            std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) {
            appendMarker(&scratch_, 0x5, static_cast<quint64>(s.size()));
            for (QChar c : s) scratch_.append(static_cast<char>(c.unicode()));
        } else {
            appendMarker(&scratch_, 0x6, static_cast<quint64>(s.size()));
            for (QChar c : s) appendBigEndian(&scratch_, c.unicode(), 2);
        }
        return addScalar();
    }

    quint64 addContainer(Container kind) {
        objects_.push_back(Object{{}, kind, {}});
        return objects_.size() - 1;
    }

    bool flatten(const QVariant& value, int depth, quint64* index) {
        if (depth > PropertyList::kMaxDepth)
            return fail(QStringLiteral("property list nested too deeply"));
        using Kind = PropertyListValue::Kind;
        scratch_.clear();
        switch (PropertyListValue::kindOf(value)) {
            case Kind::Unsupported:
                return fail(QStringLiteral("%1 has no property-list form")
                                .arg(PropertyListValue::typeName(value)));
            case Kind::Array: {
                *index = addContainer(Container::Array);
                const QVariantList list = value.toList();
                std::vector<quint64> refs(static_cast<size_t>(list.size()));
                for (qsizetype i = 0; i < list.size(); ++i)
                    if (!flatten(list[i], depth + 1, &refs[static_cast<size_t>(i)])) return false;
                objects_[*index].refs = std::move(refs);
                return true;
            }
            case Kind::Dictionary: {
                *index = addContainer(Container::Dictionary);
                const QVariantMap map = value.toMap();
                std::vector<quint64> refs(static_cast<size_t>(map.size()) * 2);
                size_t i = 0;
                for (auto it = map.begin(); it != map.end(); ++it, ++i) {
                    refs[i] = addString(it.key());
                    if (!flatten(it.value(), depth + 1, &refs[map.size() + i])) return false;
                }
                objects_[*index].refs = std::move(refs);
                return true;
            }
            case Kind::String:
                *index = addString(value.toString());
                return true;
            case Kind::Integer: {
                qint64 v = 0;
                if (!PropertyListValue::integerValue(value, &v, &error_)) return false;
                appendInteger(&scratch_, v);
                break;
            }
            case Kind::Real:
                appendDouble(&scratch_, 0x23, value.toDouble());
                break;
            case Kind::Bool:
                scratch_.append(value.toBool() ? '\x09' : '\x08');
                break;
            case Kind::Date:
                appendDouble(&scratch_, 0x33,
                             PropertyListValue::referenceMSecs(value.toDateTime()) / 1000.0);
                break;
            case Kind::Data: {
                const QByteArray bytes = value.toByteArray();
                appendMarker(&scratch_, 0x4, static_cast<quint64>(bytes.size()));
                scratch_.append(bytes);
                break;
            }
        }
        *index = addScalar();
        return true;
    }

    static void appendMarker(QByteArray* out, quint8 type, quint64 count) {
        if (count < 0x0F) {
            out->append(static_cast<char>((type << 4) | count));
            return;
        }
        out->append(static_cast<char>((type << 4) | 0x0F));
        appendInteger(out, static_cast<qint64>(count));
    }

    static void appendInteger(QByteArray* out, qint64 v) {
        // Negative values take the full eight bytes: only that width is signed.
        const int bytes = v < 0 ? 8 : bytesFor(static_cast<quint64>(v));
        const int power = bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
        out->append(static_cast<char>(0x10 | power));
        appendBigEndian(out, static_cast<quint64>(v), bytes);
    }

    static void appendDouble(QByteArray* out, quint8 marker, double d) {
        quint64 bits;
        std::memcpy(&bits, &d, 8);
        out->append(static_cast<char>(marker));
        appendBigEndian(out, bits, 8);
    }

    std::vector<Object> objects_;
    QHash<QByteArray, quint64> scalars_;  // encoding -> object
    QByteArray scratch_;
    int refSize_ = 1;
    QString error_;
};

}  // namespace

QVariant PropertyListBinary::read(const QByteArray& data, QString* error) {
    if (!data.startsWith(QByteArray(kMagic, kHeaderSize))) {
        if (error) *error = QStringLiteral("not a binary property list");
        return {};
    }
    return Reader(data).run(error);
}

QByteArray PropertyListBinary::write(const QVariant& value, QString* error) {
    return Writer().run(value, error);
}
