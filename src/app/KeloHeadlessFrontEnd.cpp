#include "app/KeloHeadlessFrontEnd.h"

#include "foundation/OmLog.h"

int KeloHeadlessFrontEnd::runAlert(const VTaskAlert& alert) {
    OmLogNoFlood(kOmLogWarning, "%s: %s\n", qPrintable(alert.title), qPrintable(alert.text));
    return -1;
}

void KeloHeadlessFrontEnd::showStatusText(const QString& text, const QColor&) {
    if (text.isEmpty()) return;
    OmLogNoFlood(kOmLogInfo, "%s%s", qPrintable(text), text.endsWith('\n') ? "" : "\n");
}
