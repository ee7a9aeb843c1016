#pragma once

#include "foundation/OmLog.h"
#include "platform/InstalledInterface.h"

#include <QString>

// The editor's log panel as the pixel-map model sees it: the models report
// what they repaired or could not find here. The editor installs the panel of
// its tab; until then (and in tests that install nothing) lines go to the
// program log with the "PixelMap" tag. Main thread only.
class PmLogPanel : public InstalledInterface<PmLogPanel> {
public:
    virtual ~PmLogPanel() = default;
    virtual void log(OmLogLevel level, const QString& text);
};
