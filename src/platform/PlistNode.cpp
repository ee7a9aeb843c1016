#include "platform/PlistNode.h"

#include "platform/PropertyListValue.h"

#include <QDateTime>

#include <cmath>
#include <limits>

PlistNode::Ptr PlistNode::dictionary() {
    return Ptr(new PlistNode(Type::Dictionary));
}

PlistNode::Ptr PlistNode::array() {
    return Ptr(new PlistNode(Type::Array));
}

PlistNode::Ptr PlistNode::scalar(const QVariant& value) {
    Ptr node(new PlistNode(Type::Scalar));
    node->scalar_ = value;
    return node;
}

PlistNode::Ptr PlistNode::fromVariant(const QVariant& value) {
    return fromVariant(value, 0);
}

PlistNode::Ptr PlistNode::fromVariant(const QVariant& value, int depth) {
    if (depth > PropertyList::kMaxDepth) return nullptr;
    switch (PropertyListValue::kindOf(value)) {
        case PropertyListValue::Kind::Unsupported:
            return nullptr;
        case PropertyListValue::Kind::Dictionary: {
            Ptr node = dictionary();
            const QVariantMap map = value.toMap();
            for (auto it = map.begin(); it != map.end(); ++it) {
                Ptr child = fromVariant(it.value(), depth + 1);
                if (!child) return nullptr;
                node->entries_.emplace(it.key(), std::move(child));
            }
            return node;
        }
        case PropertyListValue::Kind::Array: {
            Ptr node = array();
            const QVariantList list = value.toList();
            node->items_.reserve(size_t(list.size()));
            for (const QVariant& v : list) {
                Ptr child = fromVariant(v, depth + 1);
                if (!child) return nullptr;
                node->items_.push_back(std::move(child));
            }
            return node;
        }
        default:
            return scalar(value);
    }
}

PlistNode::Ptr PlistNode::read(const QByteArray& data, QString* error, bool containerRoot) {
    QString why;
    const QVariant value = PropertyList::read(data, &why);
    if (!value.isValid()) {
        if (error) *error = why.isEmpty() ? QStringLiteral("not a property list") : why;
        return nullptr;
    }
    Ptr node = fromVariant(value);
    if (!node) {
        if (error) *error = QStringLiteral("property list holds an unsupported value");
        return nullptr;
    }
    if (containerRoot && node->isScalar()) {
        if (error) *error = QStringLiteral("property list root is not a dictionary or array");
        return nullptr;
    }
    return node;
}

QVariant PlistNode::toVariant() const {
    switch (type_) {
        case Type::Scalar:
            return scalar_;
        case Type::Dictionary: {
            QVariantMap map;
            for (const auto& [key, child] : entries_) map.insert(key, child->toVariant());
            return map;
        }
        case Type::Array: {
            QVariantList list;
            list.reserve(qsizetype(items_.size()));
            for (const Ptr& child : items_) list.append(child->toVariant());
            return list;
        }
    }
    return {};
}

QByteArray PlistNode::write(PropertyList::Format format, QString* error) const {
    return PropertyList::write(toVariant(), format, error);
}

PlistNode::Ptr PlistNode::deepCopy() const {
    Ptr node(new PlistNode(type_));
    node->scalar_ = scalar_;
    for (const auto& [key, child] : entries_) node->entries_.emplace(key, child->deepCopy());
    node->items_.reserve(items_.size());
    for (const Ptr& child : items_) node->items_.push_back(child->deepCopy());
    return node;
}

PlistNode::Ptr PlistNode::shallowCopy() const {
    Ptr node(new PlistNode(type_));
    node->scalar_ = scalar_;
    node->entries_ = entries_;
    node->items_ = items_;
    return node;
}

bool PlistNode::isString() const {
    return type_ == Type::Scalar && scalar_.typeId() == QMetaType::QString;
}

QString PlistNode::toString() const {
    if (type_ != Type::Scalar) return {};
    switch (scalar_.typeId()) {
        case QMetaType::QString:
            return scalar_.toString();
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(scalar_.toDouble(), 'g', 17);
        case QMetaType::Bool:
            return scalar_.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return scalar_.toString();
        default:
            return {};
    }
}

double PlistNode::toDouble(bool* ok) const {
    if (ok) *ok = false;
    if (type_ != Type::Scalar) return 0;
    bool good = false;
    double v = 0;
    switch (scalar_.typeId()) {
        case QMetaType::QString:
            v = scalar_.toString().trimmed().toDouble(&good);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            v = scalar_.toDouble(&good);
            break;
        default:
            break;
    }
    if (!good || !std::isfinite(v)) return 0;
    if (ok) *ok = true;
    return v;
}

qint64 PlistNode::toInteger(bool* ok) const {
    if (ok) *ok = false;
    if (type_ != Type::Scalar) return 0;
    switch (scalar_.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Bool:
            if (ok) *ok = true;
            return scalar_.toLongLong();
        default:
            break;
    }
    // Reals and decimal texts are cut toward zero, within the 64-bit range.
    bool good = false;
    const double v = toDouble(&good);
    if (!good) return 0;
    if (ok) *ok = true;
    constexpr double kLimit = 9.2e18;
    if (v >= kLimit) return std::numeric_limits<qint64>::max();
    if (v <= -kLimit) return std::numeric_limits<qint64>::min();
    return qint64(v);
}

PlistNode::Ptr PlistNode::value(const QString& key) const {
    if (type_ != Type::Dictionary) return nullptr;
    const auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : it->second;
}

bool PlistNode::contains(const QString& key) const {
    return type_ == Type::Dictionary && entries_.count(key) != 0;
}

void PlistNode::setValue(const QString& key, const Ptr& node) {
    if (type_ != Type::Dictionary || !node) return;
    entries_[key] = node;
}

void PlistNode::setValue(const QString& key, const QVariant& value) {
    setValue(key, fromVariant(value));
}

bool PlistNode::remove(const QString& key) {
    return type_ == Type::Dictionary && entries_.erase(key) != 0;
}

QStringList PlistNode::keys() const {
    QStringList out;
    for (const auto& entry : entries_) out << entry.first;
    return out;
}

QString PlistNode::stringValue(const QString& key, const QString& fallback) const {
    const Ptr node = value(key);
    return node && node->isScalar() ? node->toString() : fallback;
}

double PlistNode::doubleValue(const QString& key, double fallback) const {
    const Ptr node = value(key);
    bool ok = false;
    const double v = node ? node->toDouble(&ok) : 0;
    return ok ? v : fallback;
}

qint64 PlistNode::integerValue(const QString& key, qint64 fallback) const {
    const Ptr node = value(key);
    bool ok = false;
    const qint64 v = node ? node->toInteger(&ok) : 0;
    return ok ? v : fallback;
}

int PlistNode::count() const {
    return type_ == Type::Dictionary ? int(entries_.size()) : int(items_.size());
}

PlistNode::Ptr PlistNode::at(int index) const {
    if (type_ != Type::Array || index < 0 || size_t(index) >= items_.size()) return nullptr;
    return items_[size_t(index)];
}

void PlistNode::append(const Ptr& node) {
    if (type_ == Type::Array && node) items_.push_back(node);
}

void PlistNode::insert(int index, const Ptr& node) {
    if (type_ != Type::Array || !node) return;
    const size_t at = index < 0 ? 0 : std::min(size_t(index), items_.size());
    items_.insert(items_.begin() + std::ptrdiff_t(at), node);
}

bool PlistNode::removeAt(int index) {
    if (type_ != Type::Array || index < 0 || size_t(index) >= items_.size()) return false;
    items_.erase(items_.begin() + index);
    return true;
}

int PlistNode::indexOf(const PlistNode* node) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == node) return int(i);
    return -1;
}

bool PlistNode::equals(const PlistNode& other) const {
    if (type_ != other.type_) return false;
    switch (type_) {
        case Type::Scalar:
            return scalar_.typeId() == other.scalar_.typeId() && scalar_ == other.scalar_;
        case Type::Dictionary:
            if (entries_.size() != other.entries_.size()) return false;
            for (auto a = entries_.begin(), b = other.entries_.begin(); a != entries_.end();
                 ++a, ++b)
                if (a->first != b->first || !a->second->equals(*b->second)) return false;
            return true;
        case Type::Array:
            if (items_.size() != other.items_.size()) return false;
            for (size_t i = 0; i < items_.size(); ++i)
                if (!items_[i]->equals(*other.items_[i])) return false;
            return true;
    }
    return false;
}
