#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// A dictionary wrapper. Keys beginning with "." are also handed to
// setMirroredProperty() without the dot, so that a subclass can keep them
// in members of its own. Held in a QVariant as a DictHelperPtr.
class DictHelper {
public:
    DictHelper() = default;
    virtual ~DictHelper() = default;
    DictHelper(const DictHelper&) = default;
    DictHelper& operator=(const DictHelper&) = default;

    // Null until the first store.
    const QVariantMap* dict() const { return dict_ ? &*dict_ : nullptr; }
    void setDict(const QVariantMap& dict) { dict_ = dict; }
    QString SelfRefKey() const { return selfRefKey_; }
    void setSelfRefKey(const QString& key) { selfRefKey_ = key; }

    qsizetype count() const { return dict_ ? dict_->size() : 0; }
    QStringList keyEnumerator() const { return dict_ ? dict_->keys() : QStringList(); }
    bool contains(const QString& key) const { return valueForKey(key).isValid(); }

    // A key stored with its dot answers under that key; otherwise leading
    // dots are stripped one by one and the plain key is looked up.
    QVariant valueForKey(const QString& key) const;
    QVariant objectForKey(const QString& key) const { return valueForKey(key); }
    QVariant value(const QString& key) const { return valueForKey(key); }

    // A null or invalid value removes the key.
    void setValue(const QVariant& value, const QString& key);
    void setObject(const QVariant& value, const QString& key) { setValue(value, key); }
    void setNilValueForKey(const QString& key) { setValue(QVariant(), key); }

    // "<class name> <dictionary>".
    QString description() const;
    // The dictionary with every nested convertible value made plain.
    QVariantMap copyToPropertyList() const;

protected:
    virtual QString className() const { return QStringLiteral("DictHelper"); }
    // Receives "." keys without their first dot; a null QVariant clears.
    // Not called on destruction: by then the subclass's members are gone.
    virtual void setMirroredProperty(const QString& key, const QVariant& value);

private:
    std::optional<QVariantMap> dict_;
    QString selfRefKey_;
};

using DictHelperPtr = std::shared_ptr<DictHelper>;
Q_DECLARE_METATYPE(DictHelperPtr)
