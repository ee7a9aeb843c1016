#pragma once

#include "foundation/OmLog.h"

#include <QString>

// Kind-byte entry points: the low 5 bits choose letter and level, bit 7 turns
// flood control on; lines carry no component tag. Errors and warnings (kinds
// 2, 6 and 9) that were written also go to the system log.
class KlLog {
public:
    static void Log(unsigned char kind, const char* text);
    static void Log(unsigned char kind, const QString& text);
    // printf rules into 1023 bytes (longer text is cut to 1022 characters).
    static void LogFmt(unsigned char kind, const char* format, ...) OM_PRINTF_LIKE(2, 3);
};
