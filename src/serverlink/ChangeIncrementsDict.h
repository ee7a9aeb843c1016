#pragma once

#include "serverlink/ServerChanges.h"

#include <QString>

#include <map>

// One view's last-seen change counters per server. The view compares its
// record with the server's `changes()` on its timer tick, redraws what
// differs, then copies the server's record into its own.
class ChangeIncrementsDict {
public:
    // The record for a server key, made on first use so that it differs from
    // any server's counters and the first comparison redraws everything.
    // The pointer stays valid for the life of this object.
    ServerChanges* changesForKelo(const QString& key);

    const std::map<QString, ServerChanges>& keloes() const { return keloes_; }

private:
    std::map<QString, ServerChanges> keloes_;
};
