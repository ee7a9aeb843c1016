#pragma once

#include "platform/InstalledInterface.h"

#include <QRectF>

// What the image-remap preview needs of the mix table, which belongs to the
// outputs subsystem: the world rectangle of the global surface, in its
// pixels. The composition root installs the outputs' answer; without it (or
// while it has none) the rectangle is empty and the preview uses its own
// output size. Main thread only.
class ImageRemapMixes : public InstalledInterface<ImageRemapMixes> {
public:
    virtual ~ImageRemapMixes() = default;
    virtual QRectF worldRect() const { return {}; }
};
