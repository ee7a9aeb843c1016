#include "foundation/OmLog.h"

#include "foundation/KeloPrintfLog.h"
#include "platform/LibraryPaths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QProcess>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int kFloodSlots = 100;
constexpr size_t kSlotChars = 254;
constexpr size_t kQuickChars = 14;
constexpr size_t kSameChars = 49;
constexpr int32_t kQuickLimit = 49;
constexpr time_t kWindowSeconds = 5;

std::atomic<OmLogLevel> gLevel{kOmLogDebug};
std::atomic<bool> gShowDebugMenu{false};
std::atomic<bool> gFloodCheckDisabled{false};
std::atomic<double> gGLDeadline{0};  // seconds since 1970, 0 = off
std::atomic<uint64_t (*)()> gClock{nullptr};

// Worker threads log too: the flood table, quick check, window start and time
// base are shared, and holding the lock across the write keeps a summary ahead
// of the line that triggered it and the stamps in file order. A line takes
// well under a microsecond inside the lock, so a waiting thread spins a little
// before it sleeps: a hand-over through the kernel costs more than the line.
class LogMutex {
public:
    void lock() { pthread_mutex_lock(&mutex_); }
    void unlock() { pthread_mutex_unlock(&mutex_); }

private:
    pthread_mutex_t mutex_ = PTHREAD_ADAPTIVE_MUTEX_INITIALIZER_NP;
};
LogMutex gMutex;

// Two texts are the same message when they agree in their first kSameChars
// characters, or in full when shorter; the hash of that part is compared
// first, outside the lock where it is computed.
struct FloodKey {
    uint64_t hash;
    size_t length;
};

FloodKey floodKey(const char* text, size_t n) {
    const size_t length = std::min(n, kSameChars);
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
    return {hash, length};
}

struct FloodSlot {
    char text[kSlotChars + 2];
    uint32_t count;
    FloodKey key;
};
FloodSlot gSlots[kFloodSlots];
// Slots fill in order and never hold the same message twice, so a message
// has at most one slot: an open-addressing index by key finds it without
// walking the used slots, which once the table is full would be every line's
// hundred compares inside the lock.
constexpr int kIndexSize = 256;  // a power of two, well above kFloodSlots
int16_t gSlotIndex[kIndexSize];  // slot number, or -1
int gUsedSlots = 0;
char gQuick[kQuickChars + 1];
int32_t gQuickCount = 0;
time_t gWindowStart = 0;
OmTimeBase gTimeBase;
QString gLogPath;
QString gLogFolder;

const char* letterFor(OmLogLevel level) {
    static const char* const letters[] = {"v", "d", "i", "w", "e"};
    return (level >= 0 && level <= 4) ? letters[level] : "";
}

bool endsInNewline(const char* text) {
    const size_t n = strlen(text);
    return n > 0 && text[n - 1] == '\n';
}

// Formats into `buf` when it fits, else into `spill`; nullptr when the format
// cannot be rendered.
template <size_t N>
const char* formatV(char (&buf)[N], std::string& spill, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = vsnprintf(buf, N, format, copy);
    va_end(copy);
    if (n < 0) return nullptr;
    if (static_cast<size_t>(n) < N) return buf;
    spill.resize(static_cast<size_t>(n));
    vsnprintf(spill.data(), spill.size() + 1, format, args);
    return spill.c_str();
}

void stampNow(tm* stamp, int* milliseconds, time_t* seconds) {
    const uint64_t micros = getMicroS();
    *seconds = static_cast<time_t>(micros / 1000000);
    *milliseconds = static_cast<int>(micros % 1000000 / 1000);
    gTimeBase.localTime(*seconds, stamp);
}

void resetFloodLocked(int milliseconds, const tm& stamp) {
    for (FloodSlot& slot : gSlots) {
        if (slot.count >= 3) {
            std::fprintf(stdout, "%02d:%02d:%02d.%03d %s... Message repeated %d times ... %s%s",
                         stamp.tm_hour, stamp.tm_min, stamp.tm_sec, milliseconds, "",
                         static_cast<int>(slot.count - 2), slot.text,
                         endsInNewline(slot.text) ? "" : "\n");
        }
        slot.text[0] = '\0';
        slot.count = 0;
    }
    std::fill(std::begin(gSlotIndex), std::end(gSlotIndex), int16_t(-1));
    gUsedSlots = 0;
    gQuick[0] = '\0';
    gQuickCount = 0;
}

bool checkFloodLocked(const char* text, size_t n, const FloodKey& key, tm* stamp,
                      int* milliseconds) {
    time_t now;
    stampNow(stamp, milliseconds, &now);
    if (gWindowStart == 0 || now - gWindowStart > kWindowSeconds || now < gWindowStart) {
        gWindowStart = now;
        resetFloodLocked(*milliseconds, *stamp);
    }
    if (!text || gFloodCheckDisabled.load(std::memory_order_relaxed)) return false;

    if (strlen(gQuick) <= n && strncmp(text, gQuick, std::min(n, kQuickChars)) == 0) {
        if (++gQuickCount > kQuickLimit) return true;
    }
    strncpy(gQuick, text, kQuickChars);
    gQuick[kQuickChars] = '\0';

    int at = static_cast<int>(key.hash & (kIndexSize - 1));
    for (; gSlotIndex[at] >= 0; at = (at + 1) & (kIndexSize - 1)) {
        FloodSlot& slot = gSlots[gSlotIndex[at]];
        if (slot.key.hash == key.hash && slot.key.length == key.length &&
            memcmp(slot.text, text, key.length) == 0)
            return ++slot.count >= 3;
    }
    // With every slot in use a new text is neither stored nor suppressed.
    if (gUsedSlots == kFloodSlots) return false;
    FloodSlot& slot = gSlots[gUsedSlots];
    strncpy(slot.text, text, kSlotChars);
    slot.text[kSlotChars] = '\0';
    slot.count = 1;
    slot.key = key;
    gSlotIndex[at] = static_cast<int16_t>(gUsedSlots++);
    return false;
}

bool argumentsContainDashX() {
    if (QCoreApplication::instance()) return QCoreApplication::arguments().contains("-x");
    QFile cmdline("/proc/self/cmdline");
    if (!cmdline.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> args = cmdline.readAll().split('\0');
    return std::find(args.begin(), args.end(), QByteArray("-x")) != args.end();
}

bool isDir(const QString& path) {
    return QFileInfo(path).isDir();
}

double nowSeconds() {
    return static_cast<double>(getMicroS()) / 1e6;
}

}  // namespace

void OmTimeBase::localTime(time_t seconds, tm* out) {
    if (valid && seconds >= hourStart && seconds - hourStart < 3600) {
        const time_t elapsed = seconds - hourStart;
        *out = hour;
        out->tm_min = static_cast<int>(elapsed / 60);
        out->tm_sec = static_cast<int>(elapsed % 60);
        return;
    }
    localtime_r(&seconds, &hour);
    hourStart = seconds - (hour.tm_min * 60 + hour.tm_sec);
    valid = true;
    *out = hour;
}

uint64_t getMicroS() {
    if (auto clock = gClock.load(std::memory_order_relaxed)) return clock();
    timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return 0;
    return static_cast<uint64_t>(ts.tv_sec) * 1000000 + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}

uint64_t getMilliS() {
    return getMicroS() / 1000;
}

void OmLogSetClock(uint64_t (*clock)()) {
    gClock.store(clock);
}

bool AmIBeingDebugged() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    // /proc files report a size of 0, so read to the end instead of asking atEnd().
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("TracerPid:")) return line.mid(10).trimmed().toLongLong() != 0;
    }
    return false;
}

void OmLogSystem(const char* format, ...) {
    char buf[1024];
    std::string spill;
    va_list args;
    va_start(args, format);
    const char* text = formatV(buf, spill, format, args);
    va_end(args);
    if (!text) return;
    std::fprintf(stderr, "kelo-verozo[%d]: %s%s", static_cast<int>(getpid()), text,
                 endsInNewline(text) ? "" : "\n");
}

namespace {

constexpr size_t kStampChars = 13;  // "hh:mm:ss.mmm "

void putDigits(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
}

// Appends `text` cut to at most `room` characters; returns the characters used.
size_t appendCut(std::string& line, const char* text, size_t length, size_t room) {
    const size_t n = std::min(length, room);
    line.append(text, n);
    return n;
}

}  // namespace

int OmLogCore(const char* letter, const char* tag, bool checkFlood, OmLogLevel level,
              const char* text) {
    if (level < gLevel.load(std::memory_order_relaxed)) return 0;
    if (!text) {
        OmLogSystem("!!NULL log string!!");
        return -2;
    }
    if (!*text) return -2;

    // The line is put together before the lock is taken; only its stamp waits
    // for the lock. The prefix keeps to 99 characters, the letter part to 98.
    thread_local std::string line;
    line.assign(kStampChars, ' ');
    size_t used = 0;
    if (letter && *letter) {
        used += appendCut(line, "-", 1, 98);
        used += appendCut(line, letter, strlen(letter), 98 - used);
        used += appendCut(line, " ", 1, 98 - used);
    }
    if (tag && *tag) {
        size_t tagUsed = appendCut(line, "[", 1, 99 - used);
        tagUsed += appendCut(line, tag, strlen(tag), 99 - used - tagUsed);
        appendCut(line, "] ", 2, 99 - used - tagUsed);
    }
    const size_t n = strlen(text);
    line.append(text, n);
    if (text[n - 1] != '\n') line.push_back('\n');
    const FloodKey key = floodKey(text, n);

    std::lock_guard<LogMutex> lock(gMutex);
    tm stamp;
    int milliseconds;
    if (checkFloodLocked(checkFlood ? text : nullptr, n, key, &stamp, &milliseconds)) return -1;
    char* at = line.data();
    putDigits(at, stamp.tm_hour, 2);
    at[2] = ':';
    putDigits(at + 3, stamp.tm_min, 2);
    at[5] = ':';
    putDigits(at + 6, stamp.tm_sec, 2);
    at[8] = '.';
    putDigits(at + 9, milliseconds, 3);
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 0;
}

bool OmLogCheckFlood(const char* text, tm* stamp, int* milliseconds) {
    const size_t n = text ? strlen(text) : 0;
    const FloodKey key = text ? floodKey(text, n) : FloodKey{};
    std::lock_guard<LogMutex> lock(gMutex);
    return checkFloodLocked(text, n, key, stamp, milliseconds);
}

void OmLogResetFlood(int milliseconds, tm stamp) {
    std::lock_guard<LogMutex> lock(gMutex);
    resetFloodLocked(milliseconds, stamp);
}

namespace {

void logV(const char* letter, const char* tag, bool checkFlood, OmLogLevel level,
          const char* format, va_list args) {
    if (level < gLevel.load(std::memory_order_relaxed)) return;
    char buf[1024];
    std::string spill;
    OmLogCore(letter, tag, checkFlood, level, formatV(buf, spill, format, args));
}

}  // namespace

void OmLogNoFlood(OmLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logV(letterFor(level), "", true, level, format, args);
    va_end(args);
}

void OmLogAllowFlood(OmLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logV(letterFor(level), "", false, level, format, args);
    va_end(args);
}

void VFatalErrorDebug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logV(letterFor(kOmLogError), "", true, kOmLogError, format, args);
    va_end(args);
}

void OmLogGLErrors(const char* label) {
    const double deadline = gGLDeadline.load();
    if (deadline == 0) return;
    if (nowSeconds() > deadline) {
        gGLDeadline.store(0);
        return;
    }
    // Resolved at run time so that this library needs no GL of its own.
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return;
    using GetError = unsigned (*)();
    const auto getError = reinterpret_cast<GetError>(context->getProcAddress("glGetError"));
    if (!getError) return;
    const unsigned error = getError();
    if (error != 0)
        OmLogAllowFlood(kOmLogDebug, "%s glGetError 0x%04x\n", label ? label : "", error);
}

OmLog::OmLog() = default;

OmLog::OmLog(const QString& folder, const char* format, ...) {
    setLoggingPath(folder);

    char buf[1024];
    std::string spill;
    va_list args;
    va_start(args, format);
    OmLogCore("", "", true, kOmLogError, formatV(buf, spill, format, args));
    va_end(args);

    if (argumentsContainDashX()) {
        OmLogCore("i", "", true, kOmLogInfo,
                  "Logging to stdout because of '-x' command-line argument\n");
        gShowDebugMenu = true;
        return;
    }
    if (!logFile_) {
        const std::string line = "### Error: OmLog can't write to '" + folder.toStdString() + "'\n";
        OmLogCore("e", "", true, kOmLogError, line.c_str());
    }
}

OmLog* OmLog::initWithMessage(const char* format, ...) {
    auto* log = new OmLog;
    char buf[1024];
    std::string spill;
    va_list args;
    va_start(args, format);
    OmLogCore("", "", true, kOmLogError, formatV(buf, spill, format, args));
    va_end(args);
    return log;
}

OmLog::~OmLog() {
    std::fflush(stdout);
    if (savedStdOut_ >= 0) {
        dup2(savedStdOut_, STDOUT_FILENO);
        close(savedStdOut_);
    }
}

void OmLog::setLoggingPath(const QString& requested) {
    if (argumentsContainDashX()) return;

    const QString folder = QDir::cleanPath(requested);
    std::error_code createError;
    if (!isDir(folder))
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), createError);
    QString used = folder;
    bool alternate = false;
    if (!isDir(folder)) {
        const QString fallback = libraryPath("~/Library/Logs/" + QFileInfo(folder).fileName());
        if (!isDir(fallback)) {
            std::error_code ignored;
            std::filesystem::create_directory(QFile::encodeName(fallback).toStdString(), ignored);
        }
        if (isDir(fallback)) {
            used = fallback;
            alternate = true;
        }
    }

    const QDateTime now = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(getMilliS()));
    const QString path = used + "/" + now.toString("yyyy-MM-dd_HH.mm.ss") + ".txt";
    {
        std::lock_guard<LogMutex> lock(gMutex);
        gLogPath = path;
    }

    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
        std::fflush(stdout);
        if (fd != STDOUT_FILENO) {
            savedStdOut_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
            dup2(fd, STDOUT_FILENO);
            close(fd);
        }
        logFile_ = true;
        std::lock_guard<LogMutex> lock(gMutex);
        gLogFolder = used;
    } else {
        OmLogSystem("### Error: OmLog can't write to '%s' (ERROR: %s)\n", qPrintable(used),
                    createError ? createError.message().c_str() : "unknown error");
        OmLogSystem("### Logging to stdout instead\n");
    }
    if (alternate) kelo::printf("Logging to alternate folder '%s'\n", qPrintable(used));
}

void OmLog::setLoggingTag(const QString& tag) {
    loggingTag_ = tag;
    tagUtf8_ = tag.toUtf8();
}

QString OmLog::loggingTag() const {
    return loggingTag_;
}

void OmLog::write(const char* letter, OmLogLevel level, const char* format, va_list args) {
    logV(letter, tagUtf8_.constData(), true, level, format, args);
}

#define OM_LOG_LEVEL_OPERATION(name, letter, level) \
    void OmLog::name(const char* format, ...) {     \
        va_list args;                               \
        va_start(args, format);                     \
        write(letter, level, format, args);         \
        va_end(args);                               \
    }

OM_LOG_LEVEL_OPERATION(v, "v", kOmLogVerbose)
OM_LOG_LEVEL_OPERATION(d, "d", kOmLogDebug)
OM_LOG_LEVEL_OPERATION(i, "i", kOmLogInfo)
OM_LOG_LEVEL_OPERATION(w, "w", kOmLogWarning)
OM_LOG_LEVEL_OPERATION(e, "e", kOmLogError)
OM_LOG_LEVEL_OPERATION(errorDev, "e", kOmLogError)

#undef OM_LOG_LEVEL_OPERATION

int OmLog::level(OmLogLevel level, bool checkFlood, const char* text) {
    return OmLogCore(letterFor(level), tagUtf8_.constData(), checkFlood, level, text);
}

void OmLog::debugFlood(const char* format, ...) {
    // Error level so that the current level never drops it.
    va_list args;
    va_start(args, format);
    logV("d", tagUtf8_.constData(), false, kOmLogError, format, args);
    va_end(args);
}

void OmLog::flush() {
    std::fflush(stdout);
}

void OmLog::checkFlood() {
    tm stamp;
    int milliseconds;
    OmLogCheckFlood(nullptr, &stamp, &milliseconds);
}

void OmLog::showLogInConsole() {
    flush();
    const QString path = logPath();
    if (!path.isEmpty()) QProcess::startDetached("xdg-open", {path});
}

void OmLog::setLogLevel(unsigned level) {
    if (level < 5) gLevel = static_cast<OmLogLevel>(level);
}

bool OmLog::debugMenuWanted() {
    return gShowDebugMenu;
}

std::vector<OmLog::DebugMenuItem> OmLog::debugMenuItems() {
    return {
        {"Log Verbose", {}, &toggleVerbose, &isVerbose},
        // Command, Control, Shift: Qt's Ctrl stands for Command here and Meta
        // for Control.
        {"Log Disable Flood Checking", QKeySequence(Qt::CTRL | Qt::META | Qt::SHIFT | Qt::Key_L),
         &toggleAllowFlood, &isFloodCheckDisabled},
        {"Log GL Errors for 10 seconds", {}, &logGLErrorsFor10seconds, nullptr},
        {"Log GL Errors for 5 minutes", {}, &logGLErrorsFor5minutes, nullptr},
    };
}

void OmLog::toggleVerbose() {
    gLevel = gLevel == kOmLogVerbose ? kOmLogDebug : kOmLogVerbose;
}

bool OmLog::isVerbose() {
    return gLevel == kOmLogVerbose;
}

void OmLog::toggleAllowFlood() {
    gFloodCheckDisabled = !gFloodCheckDisabled;
}

bool OmLog::isFloodCheckDisabled() {
    return gFloodCheckDisabled;
}

void OmLog::logGLErrorsFor10seconds() {
    gGLDeadline = nowSeconds() + 10;
}

void OmLog::logGLErrorsFor5minutes() {
    gGLDeadline = nowSeconds() + 300;
}

void OmLog::log(OmLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logV(letterFor(level), "", true, level, format, args);
    va_end(args);
}

void OmLog::logAllowingFlood(OmLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logV(letterFor(level), "", false, level, format, args);
    va_end(args);
}

QString OmLog::logFolder() {
    std::lock_guard<LogMutex> lock(gMutex);
    return gLogFolder;
}

QString OmLog::logPath() {
    std::lock_guard<LogMutex> lock(gMutex);
    return gLogPath;
}
