#pragma once

#include <QKeySequence>
#include <QString>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

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
// Logs one pending glGetError of the current GL context while the Debug menu's
// GL-error logging runs; does nothing without a current context.
void OmLogGLErrors(const char* label);

// The single writer of lines: 0 written (or below the level), -1 suppressed by
// flood control, -2 no or empty text.
int OmLogCore(const char* letter, const char* tag, bool checkFlood, OmLogLevel level,
              const char* text);
bool OmLogCheckFlood(const char* text, tm* stamp, int* milliseconds);
void OmLogResetFlood(int milliseconds, tm stamp);

// Stand-in for the system log: standard error (standard output is the log
// file), each message prefixed with "kelo-verozo[<pid>]: ".
void OmLogSystem(const char* format, ...) OM_PRINTF_LIKE(1, 2);

uint64_t getMicroS();
uint64_t getMilliS();
bool AmIBeingDebugged();

// Tests replace the wall clock (microseconds since 1970); nullptr restores it.
void OmLogSetClock(uint64_t (*clock)());

// Local time of a moment from a cache of the start of its hour, so that the
// local-time conversion runs about once an hour. Not locked: callers serialise.
struct OmTimeBase {
    tm hour{};
    time_t hourStart = 0;
    bool valid = false;
    void localTime(time_t seconds, tm* out);
};

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

    // The Debug menu as data: the layer that owns the menu bar shows it
    // while debugMenuWanted() (an application logger saw "-x"). The actions
    // change process-wide state only, so they need no logger.
    struct DebugMenuItem {
        const char* title;
        QKeySequence shortcut;  // empty: none
        void (*perform)();
        bool (*isOn)();  // null: not a toggle
    };
    static bool debugMenuWanted();
    static std::vector<DebugMenuItem> debugMenuItems();
    static void toggleVerbose();
    static bool isVerbose();
    static void toggleAllowFlood();
    static bool isFloodCheckDisabled();
    static void logGLErrorsFor10seconds();
    static void logGLErrorsFor5minutes();

    static void log(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
    static void logAllowingFlood(OmLogLevel level, const char* format, ...) OM_PRINTF_LIKE(2, 3);
    static QString logFolder();
    static QString logPath();

private:
    void setLoggingPath(const QString& folder);
    void write(const char* letter, OmLogLevel level, const char* format, va_list args);

    int savedStdOut_ = -1;  // duplicate of fd 1 from before the redirect
    bool logFile_ = false;  // standard output is this logger's file
    QString loggingTag_;
    QByteArray tagUtf8_;
};
