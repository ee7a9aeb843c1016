#include "serverlink/ChangeIncrementsDict.h"

ServerChanges* ChangeIncrementsDict::changesForKelo(const QString& key) {
    auto it = keloes_.find(key);
    if (it == keloes_.end()) {
        ServerChanges fresh;
        // A new server starts these at 0 and grows them, so -1 reads as a change.
        fresh.address = -1;
        fresh.image = -1;
        fresh.server = -1;
        fresh.network = -1;
        fresh._waitingForGeneralStatus = 1;
        it = keloes_.emplace(key, fresh).first;
    }
    return &it->second;
}
