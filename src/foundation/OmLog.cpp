// Interim implementation: lines without flood control. Replaced by the full log.
#include "foundation/OmLog.h"

#include <QDateTime>

#include <cstdarg>
#include <sys/time.h>

namespace {
OmLogLevel gLevel = kOmLogDebug;
const char* letterFor(OmLogLevel l) {
    static const char* letters[] = {"v", "d", "i", "w", "e"};
    return (l >= 0 && l <= 4) ? letters[l] : "";
}
void vlog(OmLogLevel level, bool flood, const char* fmt, va_list ap) {
    char buf[4096];
    vsnprintf(buf, sizeof buf, fmt, ap);
    OmLogCore(letterFor(level), "", flood, level, buf);
}
}  // namespace

int OmLogCore(const char* letter, const char* tag, bool, OmLogLevel level, const char* text) {
    if (level < gLevel) return 0;
    if (!text || !*text) return -2;
    const QTime t = QTime::currentTime();
    std::printf("%02d:%02d:%02d.%03d -%s [%s] %s%s", t.hour(), t.minute(), t.second(), t.msec(),
                letter, tag ? tag : "", text, text[strlen(text) - 1] == '\n' ? "" : "\n");
    return 0;
}
void OmLogNoFlood(OmLogLevel level, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    vlog(level, true, format, ap);
    va_end(ap);
}
void OmLogAllowFlood(OmLogLevel level, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    vlog(level, false, format, ap);
    va_end(ap);
}
void VFatalErrorDebug(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    vlog(kOmLogError, true, format, ap);
    va_end(ap);
}
OmLog::OmLog() = default;
OmLog::~OmLog() = default;
QString OmLog::logPath() { return {}; }
OmLog::OmLog(const QString&, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    vlog(-1, true, format, ap);
    va_end(ap);
}
void OmLog::setLoggingTag(const QString&) {}
void OmLog::flush() { fflush(stdout); }
