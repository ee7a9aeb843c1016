#include "status/KeloMonitorList.h"

#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QSet>

namespace {

const QString kName = QStringLiteral("name");

}  // namespace

KeloMonitorList::KeloMonitorList(KlE_Control_Status* link) : link_(link) {}

void KeloMonitorList::setKeloList(const QVariantList& list) {
    keloList_.clear();
    for (const QVariant& entry : list) {
        if (entry.typeId() == QMetaType::QVariantMap) keloList_.append(entry.toMap());
    }
}

QVariantList KeloMonitorList::keloListVariant() const {
    QVariantList list;
    for (const QVariantMap& entry : keloList_) list.append(entry);
    return list;
}

void KeloMonitorList::reloadKeloes() {
    if (link_) {
        for (auto it = activeKeloes_.begin(); it != activeKeloes_.end(); ++it) {
            if (KeloObject* kelo = link_->addKeloForName(it.key())) kelo->setActive(true);
        }
    }
    QSet<QString> listed;
    for (qsizetype i = keloList_.size() - 1; i >= 0; --i) {
        const QString name = keloList_[i].value(kName).toString();
        if (!activeKeloes_.contains(name) || listed.contains(name)) {
            keloList_.removeAt(i);
            continue;
        }
        listed.insert(name);
    }
    for (auto it = activeKeloes_.begin(); it != activeKeloes_.end(); ++it) {
        if (!listed.contains(it.key())) keloList_.append({{kName, it.key()}});
    }
}

bool KeloMonitorList::addServer(const QString& name) {
    if (name.isEmpty()) return false;
    activeKeloes_.insert(name, name);
    reloadKeloes();
    return true;
}

bool KeloMonitorList::removeKeloWithName(const QString& name) {
    if (name.isEmpty() || !activeKeloes_.remove(name)) return false;
    reloadKeloes();
    return true;
}

QString KeloMonitorList::nameAtIndex(int index) const {
    if (index < 0 || index >= keloList_.size()) return {};
    return keloList_[index].value(kName).toString();
}
