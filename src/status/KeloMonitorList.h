#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class KlE_Control_Status;

// The servers the operator added (name -> remembered display name, the
// settings' "active_keloes") and the layout's monitor list built from them
// (one {"name"} per server, the server list pane's data source). Adding a
// name twice lists it once; every added name is wanted by the link, which
// makes a server object for a name it has not heard of yet.
// Main thread only.
class KeloMonitorList {
public:
    // `link` is told which servers are wanted; not owned, may be null.
    explicit KeloMonitorList(KlE_Control_Status* link);

    void setActiveKeloes(const QVariantMap& keloes) { activeKeloes_ = keloes; }
    const QVariantMap& activeKeloes() const { return activeKeloes_; }
    // The name the operator last saw for an added server.
    void setDisplayName(const QString& name, const QString& displayName) {
        activeKeloes_.insert(name, displayName);
    }
    // Entries that are no dictionaries are dropped.
    void setKeloList(const QVariantList& list);
    QVariantList keloListVariant() const;
    // The monitor list itself, as the server list pane reads it.
    QList<QVariantMap>* keloList() { return &keloList_; }
    const QList<QVariantMap>* keloList() const { return &keloList_; }
    int serversCount() const { return int(keloList_.size()); }

    void reloadKeloes();
    // False for an empty name.
    bool addServer(const QString& name);
    // False when the name was not added.
    bool removeKeloWithName(const QString& name);
    // The name at a monitor-list index; null outside the list.
    QString nameAtIndex(int index) const;

private:
    KlE_Control_Status* link_;
    QVariantMap activeKeloes_;
    QList<QVariantMap> keloList_;
};
