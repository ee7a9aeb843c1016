#include "foundation/VTaskManager.h"

#include "foundation/KeloRootPathProvider.h"
#include "foundation/OmLog.h"
#include "platform/LibraryPaths.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <mutex>
#include <thread>
#include <typeinfo>

namespace {

constexpr double kReferenceDateOffset = 978307200.0;  // 1970 -> 2001
constexpr int kCrashSignals[] = {SIGBUS, SIGSEGV, SIGABRT, SIGFPE, SIGILL};
constexpr size_t kPathMax = 4096;
constexpr size_t kAltStackSize = 131072;
constexpr int kLogTailLines = 10000;
constexpr off_t kLogTailMaxBytes = 8 << 20;
constexpr qint64 kCrashReportMaxBytes = 16 << 20;
constexpr qint64 kZipEntryMaxBytes = 256 << 20;
constexpr int kMailLogMaxChars = 64 << 10;

std::atomic<pid_t> gMainTid{0};
std::atomic<int64_t> gLogCICVMEthernet{0};

// --- Process-wide state of the handlers and the heartbeat thread -------------
std::atomic<bool> gCrashLogAttempted{false};
std::atomic<int32_t> gTopLevelExceptionCount{0};
std::atomic<bool> gExceptionOccurred{false};
std::atomic<bool> gReportedOnce{false};
std::atomic<int32_t> gExceptionHandlerDepth{0};

std::atomic<uint64_t> gHeartbeatPrevPass{0};
std::atomic<uint64_t> gLastSleepOrStop{0};
std::atomic<uint64_t> gModalHeartbeat{0};
std::atomic<int32_t> gCountdown{10};
std::atomic<bool> gHeartbeatTimeout{false};
std::atomic<bool> gModalTimerExists{false};
std::atomic<bool> gMainLoopModal{false};
std::atomic<uint64_t> gHeartbeats[4];

// Everything the crash handler needs, worked out before any crash: inside
// the handler only open/write/mkdir and friends may be used.
struct CrashPaths {
    bool ready = false;
    char logsDir[kPathMax] = {};
    char checkDir[kPathMax] = {};
    char checkFile[kPathMax] = {};
    char prefFile[kPathMax] = {};
    char prefName[256] = {};
    char logFile[kPathMax] = {};
    char reportDir[kPathMax] = {};
    char appName[256] = {};
    long gmtOffset = 0;
};
CrashPaths gPaths;
alignas(16) char gAltStack[kAltStackSize];

// --- Async-signal-safe helpers -----------------------------------------------

struct SafeText {
    char s[2 * kPathMax];
    size_t n = 0;
    SafeText() { s[0] = '\0'; }
    SafeText& add(const char* text) {
        while (text && *text && n + 1 < sizeof s) s[n++] = *text++;
        s[n] = '\0';
        return *this;
    }
    SafeText& addUInt(uint64_t v, int width = 0, char pad = '0') {
        char digits[24];
        int k = 0;
        do {
            digits[k++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        while (width-- > k && n + 1 < sizeof s) s[n++] = pad;
        while (k && n + 1 < sizeof s) s[n++] = digits[--k];
        s[n] = '\0';
        return *this;
    }
    SafeText& addInt(int64_t v) {
        if (v < 0) {
            add("-");
            return addUInt(uint64_t(-(v + 1)) + 1);
        }
        return addUInt(uint64_t(v));
    }
};

void writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t w = write(fd, data, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        data += w;
        size -= size_t(w);
    }
}

void writeText(int fd, const SafeText& t) {
    writeAll(fd, t.s, t.n);
}

// The system-log stand-in, as OmLogSystem writes it.
void safeLog(const char* text, const char* more = nullptr) {
    SafeText t;
    t.add("kelo-verozo[").addInt(getpid()).add("]: ").add(text).add(more).add("\n");
    writeText(STDERR_FILENO, t);
}

bool isMainThread() {
    return pid_t(syscall(SYS_gettid)) == gMainTid.load();
}

double referenceSecondsNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9 - kReferenceDateOffset;
}

// "MMMdd_hh_mm_ss" of the local time, with the offset to UTC taken when the
// handlers were installed (localtime is not safe in a handler).
void addCrashTime(SafeText& t) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int64_t local = int64_t(time(nullptr)) + gPaths.gmtOffset;
    int64_t days = local / 86400;
    int64_t secs = local % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t hour24 = secs / 3600;
    const int64_t hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
    t.add(kMonths[month - 1]).addUInt(uint64_t(day), 2);
    t.add("_").addUInt(uint64_t(hour12), 2).add("_").addUInt(uint64_t(secs % 3600 / 60), 2);
    t.add("_").addUInt(uint64_t(secs % 60), 2);
}

bool copyFileSafe(const char* from, const char* to, off_t start = 0) {
    const int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    char buf[8192];
    bool ok = true;
    for (;;) {
        const ssize_t r = pread(in, buf, sizeof buf, start);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) ok = false;
        if (r <= 0) break;
        writeAll(out, buf, size_t(r));
        start += r;
    }
    close(in);
    close(out);
    return ok;
}

// The last lines of the application's log file, as "tail -n 10000" gives them.
bool copyLogTail(const char* to) {
    if (!gPaths.logFile[0]) return false;
    const int fd = open(gPaths.logFile, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    const off_t size = st.st_size;
    off_t start = std::max<off_t>(0, size - kLogTailMaxBytes);
    int lines = 0;
    char buf[4096];
    for (off_t pos = size; pos > start;) {
        const off_t chunk = std::min<off_t>(sizeof buf, pos - start);
        pos -= chunk;
        if (pread(fd, buf, size_t(chunk), pos) != chunk) break;
        bool done = false;
        for (off_t i = chunk - 1; i >= 0; --i) {
            if (buf[i] != '\n' || pos + i == size - 1) continue;
            if (++lines == kLogTailLines) {
                start = pos + i + 1;
                done = true;
                break;
            }
        }
        if (done) break;
    }
    close(fd);
    return copyFileSafe(gPaths.logFile, to, start);
}

const char* signalName(int sig) {
    switch (sig) {
        case SIGBUS:
            return "SIGBUS";
        case SIGSEGV:
            return "SIGSEGV";
        case SIGABRT:
            return "SIGABRT";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
        default:
            return "signal";
    }
}

// Stands in for the platform's crash reporter: a report whose first line names
// the process, with the faulting thread's backtrace.
void writeCrashReport(int sig) {
    if (!gPaths.reportDir[0]) return;
    SafeText path;
    path.add(gPaths.reportDir).add("/").add(gPaths.appName).add("_").addInt(getpid()).add(".crash");
    const int fd = open(path.s, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    SafeText head;
    head.add("Process: ").add(gPaths.appName).add(" [").addInt(getpid()).add("]\n");
    head.add("Signal: ").addInt(sig).add(" (").add(signalName(sig)).add(")\n");
    head.add("Thread: ")
        .add(isMainThread() ? "main" : "other")
        .add(" (")
        .addInt(syscall(SYS_gettid))
        .add(")\n");
    head.add("Time: ").addUInt(uint64_t(referenceSecondsNow())).add("\n\nBacktrace:\n");
    writeText(fd, head);
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), fd);
    close(fd);
}

void produceCrashLogSafe() {
    if (!gPaths.ready) {
        safeLog("could not produceCrashLog");
        return;
    }
    struct stat st {};
    if (stat(gPaths.logsDir, &st) != 0) mkdir(gPaths.logsDir, 0755);
    if (gCrashLogAttempted.load()) {
        safeLog("crash log already done/attempted");
        return;
    }
    if (stat(gPaths.logsDir, &st) != 0 || !S_ISDIR(st.st_mode) ||
        access(gPaths.checkFile, F_OK) == 0) {
        safeLog("could not produceCrashLog");
        return;
    }
    if (gCrashLogAttempted.exchange(true)) {
        safeLog("crash log already done/attempted");
        return;
    }
    SafeText dir;
    dir.add(gPaths.logsDir).add("/KeloRemoteCrashLog_");
    addCrashTime(dir);
    if (mkdir(dir.s, 0755) == 0) {
        if (gPaths.prefFile[0] && access(gPaths.prefFile, F_OK) == 0) {
            SafeText to;
            to.add(dir.s).add("/").add(gPaths.prefName);
            if (!copyFileSafe(gPaths.prefFile, to.s))
                safeLog("could not copy Verozo pref file ", gPaths.prefFile);
        }
        SafeText log;
        log.add(dir.s).add("/crash.log");
        safeLog(copyLogTail(log.s) ? "### up to 10000 lines of system.log copied ###"
                                   : "hmm... could not copy system.log file");
    }
    // The check file sits in a folder of its own that may not exist yet.
    mkdir(gPaths.checkDir, 0755);
    const int fd = open(gPaths.checkFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // "%d\n%s\n%64.64G": the time right-aligned in 64 columns, in microseconds.
        const double now = referenceSecondsNow();
        const uint64_t whole = uint64_t(std::max(0.0, now));
        SafeText number;
        number.addUInt(whole).add(".").addUInt(uint64_t((now - double(whole)) * 1e6), 6);
        SafeText text;
        text.addInt(getpid()).add("\n").add(dir.s).add("\n");
        for (size_t pad = number.n; pad < 64; ++pad) text.add(" ");
        text.add(number.s);
        writeText(fd, text);
        fsync(fd);
        close(fd);
    }
    safeLog("crash log path ", dir.s);
}

void resetCrashSignals() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : kCrashSignals) sigaction(sig, &sa, nullptr);
}

void copyPath(char* to, size_t size, const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (size_t(bytes.size()) >= size) {
        to[0] = '\0';
        return;
    }
    std::memcpy(to, bytes.constData(), size_t(bytes.size()) + 1);
}

QString bundleIdentifier() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("kelo-verozo") : name;
}

[[noreturn]] void terminateHandler() {
    QByteArray name = "std::terminate";
    QByteArray reason;
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            int status = 0;
            char* demangled = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
            name = demangled ? QByteArray(demangled) : QByteArray(typeid(e).name());
            std::free(demangled);
            reason = e.what();
        } catch (...) {
            name = "unknown exception";
        }
    }
    OmLogSystem("!!!!!!!!!!!!!! uncaught exception: %s, reason: %s", name.constData(),
                reason.constData());
    produceCrashLogSafe();
    std::abort();
}

// --- Zip archive of a folder, the files at its top level named relative to it.

void put16(QByteArray& b, uint32_t v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

bool zipFolder(const QString& folder, const QString& zipPath) {
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    if (names.size() > 0xFFFF) return false;
    QSaveFile out(zipPath);
    if (!out.open(QIODevice::WriteOnly)) return false;
    QByteArray central;
    qint64 offset = 0;
    for (const QString& name : names) {
        QFile in(folder + '/' + name);
        if (in.size() > kZipEntryMaxBytes || !in.open(QIODevice::ReadOnly)) return false;
        const QByteArray data = in.readAll();
        const uint32_t crc =
            uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        // A zlib stream is a raw deflate stream between a 2-byte header and a
        // 4-byte check value.
        uLongf packedSize = compressBound(uLong(data.size()));
        QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
        uint16_t method = 0;
        QByteArray body = data;
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                      Z_BEST_COMPRESSION) == Z_OK &&
            packedSize > 6 && qsizetype(packedSize - 6) < data.size()) {
            method = 8;
            body = packed.mid(2, qsizetype(packedSize) - 6);
        }
        const QDateTime mtime = QFileInfo(in).lastModified();
        const QDate d = mtime.date();
        const QTime t = mtime.time();
        const uint32_t dosTime = uint32_t(t.hour() << 11 | t.minute() << 5 | t.second() / 2);
        const uint32_t dosDate =
            uint32_t(std::max(0, d.year() - 1980) << 9 | d.month() << 5 | d.day());
        const QByteArray nameBytes = name.toUtf8();
        if (offset > 0xFFFFFFFFLL) return false;

        QByteArray local;
        put32(local, 0x04034b50);
        put16(local, 20);
        put16(local, 0x0800);  // names in UTF-8
        put16(local, method);
        put16(local, dosTime);
        put16(local, dosDate);
        put32(local, crc);
        put32(local, uint32_t(body.size()));
        put32(local, uint32_t(data.size()));
        put16(local, uint32_t(nameBytes.size()));
        put16(local, 0);
        local += nameBytes;

        put32(central, 0x02014b50);
        put16(central, 0x031E);  // made on Unix
        put16(central, 20);
        put16(central, 0x0800);
        put16(central, method);
        put16(central, dosTime);
        put16(central, dosDate);
        put32(central, crc);
        put32(central, uint32_t(body.size()));
        put32(central, uint32_t(data.size()));
        put16(central, uint32_t(nameBytes.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, uint32_t(0100644) << 16);
        put32(central, uint32_t(offset));
        central += nameBytes;

        if (out.write(local) != local.size() || out.write(body) != body.size()) return false;
        offset += local.size() + body.size();
    }
    if (offset > 0xFFFFFFFFLL) return false;
    QByteArray end;
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, uint32_t(names.size()));
    put16(end, uint32_t(names.size()));
    put32(end, uint32_t(central.size()));
    put32(end, uint32_t(offset));
    put16(end, 0);
    if (out.write(central) != central.size() || out.write(end) != end.size()) return false;
    return out.commit();
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder macRoman("macintosh");
    if (macRoman.isValid()) {
        const QString roman = macRoman(bytes);
        if (!macRoman.hasError()) return roman;
    }
    return QString::fromLatin1(bytes);
}

}  // namespace

// --- Construction and the single-instance lock ---------------------------------

VTaskManager& VTaskManager::sharedTaskManager() {
    static VTaskManager shared;
    return shared;
}

VTaskManager::VTaskManager(const QString& instanceLockPath) {
    pid_t none = 0;
    gMainTid.compare_exchange_strong(none, pid_t(syscall(SYS_gettid)));
    mAppPath_ = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                             : QFileInfo("/proc/self/exe").canonicalFilePath();
    crashReportFolders_ = {libraryPath("~/Library/Logs/CrashReporter"),
                           libraryPath("~/Library/Logs/DiagnosticReports")};
    gLogCICVMEthernet.store(getPrefValue(UserDefaults::standard().object("gLogCICVMEthernet")));

    lockPath_ = instanceLockPath;
    if (lockPath_.isEmpty()) {
        lockPath_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + '/' +
                    bundleIdentifier() + ".lock";
    }
    lockFd_ = open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0) {
        OmLogSystem("could not open the instance lock %s: %s", qPrintable(lockPath_),
                    strerror(errno));
        return;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        const QByteArray pid = QByteArray::number(getpid()) + '\n';
        if (ftruncate(lockFd_, 0) != 0 ||
            pwrite(lockFd_, pid.constData(), size_t(pid.size()), 0) < 0)
            OmLogSystem("could not write the instance lock %s", qPrintable(lockPath_));
        return;
    }
    if (errno == EWOULDBLOCK) mWarnOtherApp_ = 1;
    close(lockFd_);
    lockFd_ = -1;
}

VTaskManager::~VTaskManager() {
    if (lockFd_ >= 0) close(lockFd_);
}

bool VTaskManager::warnOtherApp() {
    VTaskManagerUI* ui = VTaskManagerUI::installed();
    const VTaskAlert alert{true,
                           QStringLiteral("Open New Instance?"),
                           QStringLiteral("Only one instance of Verozo may be run at a time, "
                                          "choosing Continue will close the prior instance "
                                          "without saving."),
                           {QStringLiteral("Cancel"), QStringLiteral("Continue")}};
    if (!ui || ui->runAlert(alert) != 1) return false;

    QFile lock(lockPath_);
    const pid_t other =
        lock.open(QIODevice::ReadOnly) ? pid_t(lock.readAll().trimmed().toInt()) : 0;
    if (other > 0 && other != getpid()) {
        kill(other, SIGINT);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (getpgid(other) >= 0) {
            OmLogSystem("kill timed out for pid %d.  Were you debugging with gdb?", int(other));
            kill(other, SIGKILL);
        } else if (errno != ESRCH) {
            OmLogSystem("getpgid %s", strerror(errno));
        }
    }
    ui->relaunchNow();
    return true;
}

// --- Paths ----------------------------------------------------------------------

QString VTaskManager::rootLogsPath() const {
    if (!rootLogsPathOverride_.isEmpty()) return rootLogsPathOverride_;
    const QString root = KeloRootPathProvider::shared().keloRootPath(false);
    return root.isEmpty() ? QString() : QDir(root).filePath("Logs/KeloRemote");
}

QString VTaskManager::checkCrashLogFilePath() const {
    const QString logs = rootLogsPath();
    return logs.isEmpty() ? QString() : logs + "/Logs/tempCheckCrashLog";
}

QString VTaskManager::appName() const {
    return QFileInfo(mAppPath_).completeBaseName();
}

QString VTaskManager::zipPathFor(const QString& crashFolder) const {
    return QStringLiteral("%1.zip").arg(crashFolder);
}

// --- Crash handling -------------------------------------------------------------

void VTaskManager::checkCrashLog() {
    installCrashHandlers();
    collectCrashReport();
    static std::once_flag started;
    std::call_once(started, [] { std::thread(checkHeartbeatThread).detach(); });
}

void VTaskManager::installCrashHandlers() {
    prepareCrashPaths();

    // The first backtrace loads the unwinder; the handler must not be the first.
    void* frames[2];
    backtrace(frames, 2);

    stack_t stack{};
    stack.ss_sp = gAltStack;
    stack.ss_size = sizeof gAltStack;
    if (sigaltstack(&stack, nullptr) != 0) OmLogSystem("sigaltstack failed: %s", strerror(errno));
    struct sigaction sa {};
    sa.sa_handler = catch_crash_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (int sig : kCrashSignals) sigaction(sig, &sa, nullptr);
    std::set_terminate(terminateHandler);
}

void VTaskManager::prepareCrashPaths() const {
    CrashPaths& p = gPaths;
    p.ready = false;
    const QString logs = rootLogsPath();
    copyPath(p.logsDir, sizeof p.logsDir, logs);
    copyPath(p.checkFile, sizeof p.checkFile, checkCrashLogFilePath());
    copyPath(p.checkDir, sizeof p.checkDir, QFileInfo(checkCrashLogFilePath()).path());
    copyPath(p.prefFile, sizeof p.prefFile, UserDefaults::standard().filePath());
    copyPath(p.prefName, sizeof p.prefName, bundleIdentifier());
    copyPath(p.logFile, sizeof p.logFile, OmLog::logPath());
    copyPath(p.appName, sizeof p.appName, appName());
    p.reportDir[0] = '\0';
    if (!crashReportFolders_.isEmpty() && QDir().mkpath(crashReportFolders_.last()))
        copyPath(p.reportDir, sizeof p.reportDir, crashReportFolders_.last());
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    p.gmtOffset = local.tm_gmtoff;
    p.ready = !logs.isEmpty() && p.logsDir[0] && p.checkFile[0];
}

void VTaskManager::produceCrashLog(int flag) {
    (void)flag;
    if (!gPaths.ready) prepareCrashPaths();
    produceCrashLogSafe();
}

void catch_crash_signal(int sig) {
    const int savedErrno = errno;
    resetCrashSignals();
    safeLog("catch_crash_signal start");
    writeCrashReport(sig);
    produceCrashLogSafe();
    safeLog("catch_crash_signal finish");
    sleep(1);
    if (sig != SIGABRT && !isMainThread()) {
        errno = savedErrno;
        return;
    }
    safeLog(sig == SIGABRT ? "catch_crash_signal abort() was called... re-raise signal"
                           : "catch_crash_signal re-raise signal");
    raise(sig);
    errno = savedErrno;
}

void VTaskManager::collectCrashReport() {
    const QString check = checkCrashLogFilePath();
    try {
        const QString logs = rootLogsPath();
        if (logs.isEmpty() || !QFileInfo(logs).isDir() || !QFileInfo::exists(check)) return;
        QFile checkFile(check);
        if (!checkFile.open(QIODevice::ReadOnly)) return;
        const QString checkText = QString::fromUtf8(checkFile.read(2 * kPathMax + 256));
        checkFile.close();
        QFile::remove(check);

        const QStringList parts = checkText.split('\n');
        if (parts.size() < 3) return;
        const qint64 pid = parts[0].trimmed().toLongLong();
        const QString crashFolder = parts[1];
        const double crashTime = parts[2].trimmed().toDouble();
        if (pid == 0 || !QFileInfo(crashFolder).isDir()) return;

        QFileInfoList entries;
        bool listed = false;
        for (const QString& folder : crashReportFolders_) {
            const QDir dir(folder);
            if (dir.exists() && QFileInfo(folder).isReadable()) {
                entries = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
                listed = true;
                break;
            }
        }
        if (!listed) return;

        const QString app = appName();
        const QString pidText = QString::number(pid);
        QString reportName;
        QString report;
        for (const QFileInfo& entry : entries) {
            if (!entry.fileName().startsWith(app)) continue;
            const QFileInfo target(entry.canonicalFilePath());
            if (!target.isFile() || target.size() > kCrashReportMaxBytes) continue;
            const double modified =
                target.lastModified().toMSecsSinceEpoch() / 1000.0 - kReferenceDateOffset;
            if (!(std::fabs(modified - crashTime) < 100000)) continue;
            QFile f(target.filePath());
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QString text = QString::fromUtf8(f.readAll());
            const QStringList lines = text.split('\n');
            if (lines.size() >= 2 && lines[0].contains(pidText)) {
                reportName = entry.fileName();
                report = text;
                break;
            }
        }

        if (!report.isEmpty()) {
            bool ok = writeAtomically(crashFolder + '/' + reportName, report.toUtf8());
            const QString logPath = crashFolder + "/crash.log";
            QFile oldLog(logPath);
            QString combined = report;
            if (oldLog.open(QIODevice::ReadOnly)) {
                combined = QStringLiteral(
                               "%1\nCrash Reporter .crash file, with the system.log appended "
                               "at the end.\n%2\n\n============= BEGIN APPENDED "
                               "/var/log/system.log ====================\n\n%3")
                               .arg(checkText, report, QString::fromUtf8(oldLog.readAll()));
                oldLog.close();
            }
            ok = writeAtomically(logPath, combined.toUtf8()) && ok;
            if (!ok) OmLogSystem("error read/write VLog file to crash log");
        }

        const QString zipPath = zipPathFor(crashFolder);
        const bool zipped = zipFolder(crashFolder, zipPath);
        if (!zipped) {
            OmLogSystem("system( create crash log zip ) failed: %s",
                        qPrintable(QStringLiteral("zip %1 into %2").arg(crashFolder, zipPath)));
        } else {
            const QString note = QStringLiteral(
                                     "%1\nPlease e-mail the file %1 to %2 so that the error "
                                     "can be found and mended.\n")
                                     .arg(zipPath, QString::fromLatin1(supportAddress()));
            if (!writeAtomically(QDir(logs).filePath("RemoteCrashLog.txt"), note.toUtf8()))
                OmLogSystem("could not write RemoteCrashLog.txt in %s", qPrintable(logs));
        }
        offerCrashReport(crashFolder, zipPath, zipped);
    } catch (...) {
        QFile::remove(check);
        std::abort();
    }
    if (!check.isEmpty() && QFileInfo::exists(check)) QFile::remove(check);
}

void VTaskManager::offerCrashReport(const QString& crashFolder, const QString& zipPath,
                                    bool zipped) {
    VTaskManagerUI* ui = VTaskManagerUI::installed();
    const QString address = QString::fromLatin1(supportAddress());
    int choice = -1;
    if (ui) {
        ui->requestUserAttention();
        choice = ui->runAlert(
            {true,
             QStringLiteral("Error"),
             QStringLiteral("Kelo Verozo generated a crash report due to an error.\nFor more "
                            "recovery options, hold down the Command key during startup."),
             {QStringLiteral("Send to %1").arg(address), QStringLiteral("View details"),
              QStringLiteral("Continue")}});
    }
    if (choice < 0) {
        OmLogSystem("crash report in %s; please e-mail %s to %s", qPrintable(crashFolder),
                    qPrintable(zipped ? zipPath : crashFolder), qPrintable(address));
    } else if (choice == 1) {
        ui->revealInFileViewer(crashFolder);
    } else if (choice == 0) {
        QFile logFile(crashFolder + "/crash.log");
        QString log;
        if (logFile.open(QIODevice::ReadOnly))
            log = decodeText(logFile.readAll());
        else
            OmLogSystem("could not read %s: %s", qPrintable(logFile.fileName()),
                        qPrintable(logFile.errorString()));
        // Mail programs refuse links of megabytes; the end of the log matters most.
        if (log.size() > kMailLogMaxChars) log = log.right(kMailLogMaxChars);
        const QString subject = QStringLiteral("%1 crash report").arg(appName());
        const QString body = QStringLiteral(
                                 "Please drag the selected crash log folder into this message. "
                                 "\r\n\r\n\r\n\r\n\r\n") +
                             log;
        OmLogSystem("opening mailto: URL");
        const QString url = QStringLiteral("mailto:%1?subject=%2&body=%3")
                                .arg(address, QString::fromLatin1(QUrl::toPercentEncoding(subject)),
                                     QString::fromLatin1(QUrl::toPercentEncoding(body)));
        if (!ui->openMailLink(url)) {
            OmLogSystem("sending the crash report to %s failed", qPrintable(address));
            ui->runAlert({false,
                          QStringLiteral("Failed to send report"),
                          QStringLiteral("The crash report could not be handed to a mail "
                                         "program for %1.\nPlease view log")
                              .arg(address),
                          {QStringLiteral("OK"), QStringLiteral("Cancel")}});
        }
        ui->revealInFileViewer(crashFolder);
    }
    if (ui && ui->runAlert({true,
                            QStringLiteral("Restarting"),
                            QStringLiteral("Continue?\nFor more recovery options, hold down ⌘ key "
                                           "during startup."),
                            {QStringLiteral("Continue"), QStringLiteral("Quit")}}) == 1)
        std::exit(0);
}

bool VTaskManager::exceptionHandler(const QString& name, const QString& reason, unsigned mask) {
    if (gExceptionHandlerDepth.fetch_add(1) > 0) {
        gExceptionHandlerDepth.fetch_sub(1);
        return false;
    }
    const bool topLevel = (mask & kTopLevelExceptionMask) != 0;
    int32_t count = 0;
    if (topLevel)
        count = gTopLevelExceptionCount.fetch_add(1) + 1;
    else
        gExceptionOccurred.store(true);
    if (name != QLatin1String("NSUncaughtRuntimeErrorException") &&
        name != QLatin1String("NSUncaughtSystemExceptionException")) {
        if (topLevel && count < 10)
            OmLogSystem("!!!!!!!!!!!!!! uncaught exception: %s, reason: %s", qPrintable(name),
                        qPrintable(reason));
        gExceptionHandlerDepth.fetch_sub(1);
        return false;
    }
    OmLogSystem("!!!!!!!!!!!!!! uncaught exception: %s, reason: %s", qPrintable(name),
                qPrintable(reason));
    produceCrashLog(1);
    std::abort();
}

bool VTaskManager::checkForFatalException() {
    VTaskManagerUI* ui = VTaskManagerUI::installed();
    if (!modalHeartbeatTimer_ && ui && ui->launchingFinished()) {
        modalHeartbeatTimer_ = std::make_unique<QTimer>();
        modalHeartbeatTimer_->setInterval(1000);
        QObject::connect(modalHeartbeatTimer_.get(), &QTimer::timeout,
                         [this] { mainThreadModalHeartbeat(); });
        modalHeartbeatTimer_->start();
        gModalTimerExists.store(true);
    }
    if (gExceptionOccurred.exchange(false) && !gReportedOnce.exchange(true)) return true;
    return false;
}

void VTaskManager::mainThreadModalHeartbeat() {
    // A modal dialog runs a nested event loop: the main loop's level above 1.
    const bool modal = QThread::currentThread()->loopLevel() > 1;
    gMainLoopModal.store(modal);
    if (modal) gModalHeartbeat.store(getMilliS());
}

void VTaskManager::lookAtHung_Thread_0_ForCrashReason() {
    produceCrashLog(1);
    const QString relaunch = QCoreApplication::applicationDirPath() + "/relaunch";
    if (!QProcess::startDetached(relaunch, {mAppPath_}))
        OmLogSystem("could not start %s", qPrintable(relaunch));
    std::abort();
}

void VTaskManager::printStackTrace(const char* exceptionName) {
    // Exceptions of this platform carry no address list, so there is only the
    // current thread's backtrace to give.
    if (exceptionName) OmLogSystem("No exception stack trace available... doing backtrace");
    void* frames[40];
    const int size = backtrace(frames, 40);
    backtrace_symbols_fd(frames, size, STDERR_FILENO);
    OmLogSystem("end doBacktrace size %lu", static_cast<unsigned long>(size));
}

// --- Heartbeat ------------------------------------------------------------------

void VTaskManager::setHeartbeat(Heartbeat which, uint64_t milliS) {
    gHeartbeats[which].store(milliS);
}

bool VTaskManager::wasRecentlyStuckOnBreakpoint() {
    const uint64_t now = getMilliS();
    const uint64_t sleep = gLastSleepOrStop.load();
    const uint64_t prev = gHeartbeatPrevPass.load();
    return (sleep != 0 && now - sleep < 5000) || (prev != 0 && now - prev >= 2501);
}

bool VTaskManager::heartbeatTimeoutOccurred() {
    return gHeartbeatTimeout.load();
}

int VTaskManager::heartbeatCountdown() {
    return gCountdown.load();
}

void VTaskManager::resetHeartbeatState(bool armed) {
    gHeartbeatPrevPass = 0;
    gLastSleepOrStop = 0;
    gModalHeartbeat = 0;
    gCountdown = 10;
    gHeartbeatTimeout = false;
    gModalTimerExists = armed;
    gTopLevelExceptionCount = 0;
    for (auto& stamp : gHeartbeats) stamp = 0;
}

bool VTaskManager::checkHeartbeatPass(uint64_t now) {
    const uint64_t prev = gHeartbeatPrevPass.load();
    bool abortNow = false;
    if (prev != 0 && now - prev >= 2501) {
        gLastSleepOrStop.store(now);
        gHeartbeatTimeout.store(false);
        gCountdown.store(10);
    } else if (gModalTimerExists.load()) {
        auto lost = [now](Heartbeat which) {
            const uint64_t stamp = gHeartbeats[which].load();
            return stamp != 0 && now - stamp >= 10001 && now - stamp < 1000000000;
        };
        const char* reason = lost(kPlayThreadHeartbeat)    ? "lost playthread heartbeat"
                             : lost(kApplicationHeartbeat) ? "lost application heartbeat"
                             : lost(kGUIUpdateHeartbeat)   ? "lost GUI update heartbeat"
                             : lost(kCommHeartbeat)        ? "lost comm heartbeat"
                                                           : nullptr;
        // Another thread may stamp after `now` was read: a stamp from the
        // future is the freshest there is, not an ancient one.
        auto age = [now](uint64_t stamp) { return stamp > now ? 0 : now - stamp; };
        if (reason && age(gModalHeartbeat.load()) >= 5000 && age(gLastSleepOrStop.load()) >= 5000) {
            const int32_t countdown = gCountdown.load();
            if (countdown < 8) gHeartbeatTimeout.store(true);
            bool passEnds = false;
            if (countdown >= 1) {
                OmLogSystem("heartbeat countdown %d %s mode %s", countdown, reason,
                            gMainLoopModal.load() ? "modal" : "default");
                gCountdown.store(countdown - 1);
                passEnds = countdown > 1;
            }
            if (!passEnds) {
                OmLogSystem("%s", reason);
                const uint64_t app = gHeartbeats[kApplicationHeartbeat].load();
                if (gTopLevelExceptionCount.load() >= 1 && now - app > 10000) {
                    OmLogSystem("!!!!! aborting: %s !!!!!", reason);
                    abortNow = true;
                }
            }
        } else {
            gHeartbeatTimeout.store(false);
            gCountdown.store(10);
        }
    }
    gHeartbeatPrevPass.store(now);
    return abortNow;
}

void VTaskManager::checkHeartbeatThread() {
    setHeartbeat(kApplicationHeartbeat, 0);
    setHeartbeat(kGUIUpdateHeartbeat, 0);
    setHeartbeat(kPlayThreadHeartbeat, 0);
    gHeartbeatPrevPass.store(getMilliS());
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        if (checkHeartbeatPass(getMilliS())) std::abort();
    }
}

// --- Preferences and tools ------------------------------------------------------

int64_t VTaskManager::getPrefValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? 1 : 0;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return value.toLongLong();
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = value.toDouble();
            if (!(std::fabs(d) < 9.2e18)) return 0;
            return int64_t(d);
        }
        case QMetaType::QString: {
            // Leading blanks, a sign and digits; the rest is ignored.
            const QString s = value.toString().trimmed();
            qsizetype i = 0;
            bool negative = false;
            if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
            int64_t v = 0;
            for (; i < s.size() && s[i].isDigit() && s[i].unicode() < 128; ++i) {
                if (v > (INT64_MAX - 9) / 10) return negative ? INT64_MIN : INT64_MAX;
                v = v * 10 + (s[i].unicode() - '0');
            }
            return negative ? -v : v;
        }
        default:
            return 0;
    }
}

int64_t VTaskManager::logCICVMEthernet() {
    return gLogCICVMEthernet.load();
}

QString VTaskManager::unixShellCommand(const QString& tool, const QString& argument) {
    QProcess process;
    const QStringList arguments =
        argument.isEmpty() ? QStringList() : argument.split(QStringLiteral("  "));
    process.start(tool, arguments);
    if (!process.waitForStarted(1000)) {
        OmLogSystem("!!!!!!!! ERROR, shell command threw exception: %s %s", qPrintable(tool),
                    qPrintable(process.errorString()));
        return QString();
    }
    if (!process.waitForFinished(1000)) {
        kill(pid_t(process.processId()), SIGINT);
        if (!process.waitForFinished(100)) {
            process.terminate();
            if (!process.waitForFinished(100)) {
                process.kill();
                process.waitForFinished(100);
            }
        }
        OmLogSystem("ERROR, shell command timed out: %s %s", qPrintable(tool),
                    qPrintable(argument));
        return QString();
    }
    return decodeText(process.readAllStandardOutput());
}
