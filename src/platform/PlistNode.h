#pragma once

#include "platform/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>
#include <vector>

// A property list whose containers are shared nodes: a document that several
// editors change in place and that is serialised only when it is sent. A
// dictionary or array handed out is the document's own, not a copy, so a
// change made through it is seen by every holder, and items are found again
// by identity (indexOf) rather than by value. Scalars (string, integer,
// real, bool, date, data) are nodes too, so that any value can sit in a
// container; they are set whole.
//
// Reading and writing go through PropertyList; integers, reals and bools stay
// apart as they do there. Dictionaries keep their keys sorted, as the
// written forms do.
//
// Not thread-safe: one thread (the main thread for documents) at a time.
class PlistNode {
public:
    using Ptr = std::shared_ptr<PlistNode>;
    enum class Type { Scalar, Dictionary, Array };

    static Ptr dictionary();
    static Ptr array();
    static Ptr scalar(const QVariant& value);
    // A deep conversion: every QVariantMap and QVariantList becomes a node.
    // Null for a value that has no property-list form.
    static Ptr fromVariant(const QVariant& value);
    // Parses XML, binary or old-style text; null with `error` filled on bad
    // input (and for a root that is not a container when `containerRoot`).
    static Ptr read(const QByteArray& data, QString* error = nullptr, bool containerRoot = true);

    Type type() const { return type_; }
    bool isDictionary() const { return type_ == Type::Dictionary; }
    bool isArray() const { return type_ == Type::Array; }
    bool isScalar() const { return type_ == Type::Scalar; }

    QVariant toVariant() const;
    QByteArray write(PropertyList::Format format, QString* error = nullptr) const;
    Ptr deepCopy() const;
    // Containers: a new container holding the same children.
    Ptr shallowCopy() const;

    // Scalars. Text reads numbers as their decimal text; the numeric readers
    // take numbers and decimal text alike (0 when neither).
    const QVariant& scalarValue() const { return scalar_; }
    QString toString() const;
    double toDouble(bool* ok = nullptr) const;
    qint64 toInteger(bool* ok = nullptr) const;
    bool isString() const;

    // Dictionaries (a lookup on a non-dictionary finds nothing).
    Ptr value(const QString& key) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const Ptr& node);
    // Sets a scalar, or a container converted deeply.
    void setValue(const QString& key, const QVariant& value);
    bool remove(const QString& key);
    QStringList keys() const;
    // The entries in key order, for a reader that visits every key once.
    const std::map<QString, Ptr>& entries() const { return entries_; }
    // Shortcuts for a scalar child, with `fallback` when it is missing or
    // not of a readable kind.
    QString stringValue(const QString& key, const QString& fallback = QString()) const;
    double doubleValue(const QString& key, double fallback = 0) const;
    qint64 integerValue(const QString& key, qint64 fallback = 0) const;

    // Arrays (and the child count of a dictionary for count()).
    int count() const;
    Ptr at(int index) const;
    void append(const Ptr& node);
    void insert(int index, const Ptr& node);
    bool removeAt(int index);
    // The position of exactly this node among the children, -1 when absent.
    int indexOf(const PlistNode* node) const;
    const std::vector<Ptr>& items() const { return items_; }

    // True when both trees hold the same values (not the same nodes).
    bool equals(const PlistNode& other) const;

private:
    explicit PlistNode(Type type) : type_(type) {}
    static Ptr fromVariant(const QVariant& value, int depth);

    Type type_;
    QVariant scalar_;
    std::map<QString, Ptr> entries_;
    std::vector<Ptr> items_;
};
