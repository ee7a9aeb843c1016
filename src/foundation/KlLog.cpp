#include "foundation/KlLog.h"

namespace {

struct KindLine {
    const char* letter;
    OmLogLevel level;
};

KindLine lineFor(unsigned kind) {
    switch (kind) {
        case 0:
        case 8:
            return {"d", kOmLogDebug};
        case 2:
        case 6:
            return {"e", kOmLogError};
        case 9:
            return {"w", kOmLogWarning};
        default:
            return {"i", kOmLogInfo};
    }
}

}  // namespace

void KlLog::Log(unsigned char kind, const char* text) {
    const unsigned low = kind & 0x1f;
    const KindLine line = lineFor(low);
    const bool checkFlood = (kind & 0x80) != 0;
    if (OmLogCore(line.letter, "", checkFlood, line.level, text) == 0 &&
        (low == 2 || low == 6 || low == 9)) {
        OmLogSystem("%s", text);
    }
}

void KlLog::Log(unsigned char kind, const QString& text) {
    Log(kind, text.toUtf8().constData());
}

void KlLog::LogFmt(unsigned char kind, const char* format, ...) {
    char buf[1023];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    Log(kind, buf);
}
