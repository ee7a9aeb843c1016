#include "pixelmap/PmLogPanel.h"

void PmLogPanel::log(OmLogLevel level, const QString& text) {
    OmLogNoFlood(level, "[PixelMap] %s", qPrintable(text));
}
