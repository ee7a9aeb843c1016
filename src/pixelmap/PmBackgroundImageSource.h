#pragma once

#include "platform/InstalledInterface.h"

#include <QByteArray>
#include <QString>

// Where a context gets the encoded file data of a background image chosen by
// name. The editor installs its image list; until then no image has data.
// Main thread only.
class PmBackgroundImageSource : public InstalledInterface<PmBackgroundImageSource> {
public:
    virtual ~PmBackgroundImageSource() = default;
    // Empty when there is no such image.
    virtual QByteArray bgImageData(const QString& name) {
        (void)name;
        return {};
    }
};
