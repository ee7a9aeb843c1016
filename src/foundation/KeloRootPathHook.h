#pragma once

#include <QString>

#include <functional>

// The local server root folder, for layers below the content subsystem that
// owns the search. The content subsystem registers its search at start-up.

// `force` asks for a new search instead of the cached answer. A null
// provider unregisters.
void setKeloRootPathProvider(std::function<QString(bool force)> provider);
// The registered provider's answer; empty when none is registered or no root
// was found.
QString keloRootPathFromProvider(bool force = false);
