#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <ctime>

// Log levels: 0 verbose "v", 1 debug "d", 2 info "i", 3 warning "w", 4 error "e".
using OmLogLevel = int32_t;
enum : OmLogLevel {
    kOmLogVerbose = 0,
    kOmLogDebug = 1,
    kOmLogInfo = 2,
    kOmLogWarning = 3,
    kOmLogError = 4,
};

#define OM_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))

// Free entry points for code without a logger object. Formats are printf's;
// pass QStrings with qPrintable(). OmLogNoFlood is the entry *with* flood
// control (the name is historical).
void OmLogNoFlood(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
void OmLogAllowFlood(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
void VFatalErrorDebug(const char* format, ...) OM_PRINTF_LIKE(1, 2);
void OmLogGLErrors(const char* label);

// The single writer of lines: 0 written (or below the level), -1 suppressed by
// flood control, -2 no or empty text.
int OmLogCore(const char* letter, const char* tag, bool checkFlood, OmLogLevel level,
              const char* text);
bool OmLogCheckFlood(const char* text, tm* stamp, int* milliseconds);
void OmLogResetFlood(int milliseconds, tm stamp);

uint64_t getMicroS();
uint64_t getMilliS();
bool AmIBeingDebugged();

class OmLog {
public:
    OmLog();
    // The application logger: redirects standard output into a dated file in
    // `folder` (unless "-x" was given) and writes the start-up message.
    OmLog(const QString& folder, const char* format, ...) OM_PRINTF_LIKE(3, 4);
    // A panel's logger: writes the start-up message, keeps standard output.
    static OmLog* initWithMessage(const char* format, ...) OM_PRINTF_LIKE(1, 2);
    ~OmLog();
    OmLog(const OmLog&) = delete;
    OmLog& operator=(const OmLog&) = delete;

    void setLoggingTag(const QString& tag);
    QString loggingTag() const;

    void v(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    void d(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    void i(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    void w(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    void e(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    void errorDev(const char* format, ...) OM_PRINTF_LIKE(2, 3);
    int level(OmLogLevel level, bool checkFlood, const char* text);
    void debugFlood(const char* format, ...) OM_PRINTF_LIKE(2, 3);

    void flush();
    void checkFlood();
    void showLogInConsole();
    void setLogLevel(unsigned level);

    static void log(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
    static void logAllowingFlood(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
    static QString logFolder();
    static QString logPath();
};
