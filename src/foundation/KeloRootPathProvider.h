#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

// The local server root folder, for layers below the content subsystem that
// owns the search; the composition root installs the content subsystem's
// search. Any thread.
class KeloRootPathProvider : public InstalledInterface<KeloRootPathProvider> {
public:
    virtual ~KeloRootPathProvider() = default;
    // `force` asks for a new search instead of the cached answer; empty when
    // no root was found.
    virtual QString keloRootPath(bool force) {
        (void)force;
        return QString();
    }
};
