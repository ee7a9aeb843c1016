#include "foundation/OmLog.h"

#include "LogTestSupport.h"
#include "foundation/KeloPrintfLog.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#include <latch>
#include <map>
#include <thread>

#include <sys/ptrace.h>
#include <sys/wait.h>

using namespace logtest;

namespace {

// 2024-01-15 12:34:56.789 UTC, 13:34:56.789 in the test zone.
constexpr uint64_t kJan15 = 1705322096ull * 1000000 + 789000;
constexpr const char* kJan15Stamp = "13:34:56.789";

QByteArray stampAt(const char* stamp, const char* rest) {
    return QByteArray(stamp) + " " + rest;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        had_ = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

const QRegularExpression kLine(
    R"(^(\d\d):(\d\d):(\d\d)\.(\d\d\d) (-[vdiwe] )?(\[[^\]]*\] )?(.*)$)");

}  // namespace

class OmLogTest : public LogTest {};

TEST_F(OmLogTest, LinesCarryStampLetterAndTag) {
    struct Case {
        std::function<void(OmLog&)> write;
        const char* expected;  // after the stamp and a blank
    };
    const Case cases[] = {
        {[](OmLog& l) { l.d("debug %d", 1); }, "-d [Net] debug 1\n"},
        {[](OmLog& l) { l.i("info %s", "two"); }, "-i [Net] info two\n"},
        {[](OmLog& l) { l.w("warn"); }, "-w [Net] warn\n"},
        {[](OmLog& l) { l.e("error"); }, "-e [Net] error\n"},
        {[](OmLog& l) { l.errorDev("for developers"); }, "-e [Net] for developers\n"},
        {[](OmLog& l) { l.level(kOmLogWarning, true, "preformatted"); }, "-w [Net] preformatted\n"},
        {[](OmLog& l) { l.level(9, true, "no letter"); }, "[Net] no letter\n"},
        {[](OmLog&) { OmLogNoFlood(kOmLogInfo, "free %s", "function"); }, "-i free function\n"},
        {[](OmLog&) { OmLogAllowFlood(kOmLogWarning, "free allowing"); }, "-w free allowing\n"},
        {[](OmLog&) { VFatalErrorDebug("fatal %x", 255); }, "-e fatal ff\n"},
        {[](OmLog&) { OmLog::log(kOmLogError, "class"); }, "-e class\n"},
        {[](OmLog&) { OmLog::logAllowingFlood(kOmLogInfo, "class allowing"); },
         "-i class allowing\n"},
        {[](OmLog&) { delete OmLog::initWithMessage("Panel %s up\n", "Content"); },
         "Panel Content up\n"},
    };
    setNow(kJan15);
    OmLog log;
    log.setLoggingTag("Net");
    EXPECT_EQ(log.loggingTag(), "Net");
    for (const Case& c : cases) {
        Capture out;
        c.write(log);
        EXPECT_EQ(out.text(), stampAt(kJan15Stamp, c.expected));
    }
}

TEST_F(OmLogTest, NewlinesEmptyAndNullTexts) {
    setNow(kJan15);
    OmLog log;
    {
        Capture out;
        EXPECT_EQ(log.level(kOmLogInfo, false, "ends in newline\n"), 0);
        EXPECT_EQ(log.level(kOmLogInfo, false, "no newline"), 0);
        EXPECT_EQ(log.level(kOmLogInfo, false, "blank line after\n\n"), 0);
        EXPECT_EQ(out.text(),
                  "13:34:56.789 -i ends in newline\n"
                  "13:34:56.789 -i no newline\n"
                  "13:34:56.789 -i blank line after\n\n");
    }
    Capture out;
    Capture err(STDERR_FILENO);
    EXPECT_EQ(log.level(kOmLogInfo, true, ""), -2);
    EXPECT_EQ(log.level(kOmLogInfo, true, nullptr), -2);
    EXPECT_EQ(out.text(), "");
    const QByteArray system = err.text();
    EXPECT_TRUE(system.startsWith("kelo-verozo[")) << system.constData();
    EXPECT_TRUE(system.endsWith("]: !!NULL log string!!\n")) << system.constData();
}

TEST_F(OmLogTest, LongTagIsCutToFitThePrefix) {
    setNow(kJan15);
    OmLog log;
    log.setLoggingTag(QString(150, 'T'));
    Capture out;
    log.d("text");
    // "-d " and "[" leave 95 of the 99 prefix characters for the tag.
    EXPECT_EQ(out.text(), stampAt(kJan15Stamp, "-d [") + QByteArray(95, 'T') + "text\n");
}

TEST_F(OmLogTest, LevelFiltering) {
    OmLog log;
    auto written = [&](const std::function<void()>& write) {
        Capture out;
        write();
        return !out.text().isEmpty();
    };
    EXPECT_FALSE(written([&] { log.v("verbose at debug level"); }));
    EXPECT_TRUE(written([&] { log.d("debug at debug level"); }));

    log.setLogLevel(kOmLogWarning);
    EXPECT_FALSE(written([&] { log.i("info at warning level"); }));
    EXPECT_FALSE(written([&] { OmLogNoFlood(kOmLogDebug, "free debug at warning level"); }));
    EXPECT_TRUE(written([&] { log.w("warning at warning level"); }));
    log.setLogLevel(7);
    EXPECT_FALSE(written([&] { log.d("debug after setLogLevel 7"); }));
    EXPECT_TRUE(written([&] { log.debugFlood("debugFlood ignores the level"); }));
    EXPECT_TRUE(written([&] { log.e("error"); }));

    OmLog::toggleVerbose();
    EXPECT_TRUE(OmLog::isVerbose());
    EXPECT_TRUE(written([&] { log.v("verbose after toggle"); }));
    OmLog::toggleVerbose();
    EXPECT_FALSE(OmLog::isVerbose());
    EXPECT_FALSE(written([&] { log.v("verbose after second toggle"); }));
    EXPECT_TRUE(written([&] { log.d("debug after second toggle"); }));
}

TEST_F(OmLogTest, RepeatsAreSuppressedAndSummarised) {
    OmLog log;
    const std::string longText(300, 'x');
    {
        Capture out;
        for (int n = 0; n < 10; ++n) {
            log.d("same message");
            advanceSeconds(0.2);
        }
        for (int n = 0; n < 3; ++n) log.i("%s", longText.c_str());
        log.d("twice only");
        log.d("twice only");
        const QList<QByteArray> lines = out.lines();
        ASSERT_EQ(lines.size(), 6);
        EXPECT_TRUE(lines[0].endsWith(" -d same message"));
        EXPECT_TRUE(lines[1].endsWith(" -d same message"));
    }
    // Whole seconds count: the window ends 6 s after it started.
    advanceSeconds(3.9);
    {
        Capture out;
        log.d("still inside the window");
        EXPECT_EQ(out.lines().size(), 1);
    }
    advanceSeconds(0.1);
    Capture out;
    log.d("after the window");
    const QList<QByteArray> lines = out.lines();
    ASSERT_EQ(lines.size(), 3);
    const QRegularExpressionMatch first = kLine.match(QString::fromUtf8(lines[0]));
    ASSERT_TRUE(first.hasMatch());
    EXPECT_EQ(first.captured(5), "");
    EXPECT_EQ(first.captured(6), "");
    EXPECT_EQ(first.captured(7), "... Message repeated 8 times ... same message");
    EXPECT_EQ(lines[1].mid(13), "... Message repeated 1 times ... " + QByteArray(254, 'x'));
    EXPECT_EQ(lines[2].left(12), lines[0].left(12));
    EXPECT_TRUE(lines[2].endsWith(" -d after the window"));
}

TEST_F(OmLogTest, ClockSetBackStartsANewWindow) {
    OmLog log;
    Capture out;
    for (int n = 0; n < 4; ++n) log.d("before the clock moved");
    advanceSeconds(-1);
    log.d("after the clock moved");
    const QList<QByteArray> lines = out.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].endsWith("... Message repeated 2 times ... before the clock moved"));
}

TEST_F(OmLogTest, WhichTextsCountAsTheSameMessage) {
    const std::string base60(60, 'a');
    std::string differsAfter49 = base60;
    differsAfter49[49] = 'b';
    std::string differsAt49th = base60;
    differsAt49th[48] = 'b';
    const struct {
        std::string first, second;
        bool same;
    } cases[] = {
        {base60, differsAfter49, true},
        {base60, differsAt49th, false},
        {std::string(49, 'a'), std::string(49, 'a') + "xyz", true},
        {std::string(48, 'a'), std::string(48, 'a') + "xyz", false},
        {std::string(48, 'a') + "xyz", std::string(48, 'a'), false},
        {"twenty characters 01", "twenty characters 02", false},
        {"short", "short", true},
    };
    OmLog log;
    for (const auto& c : cases) {
        advanceSeconds(10);
        Capture discard;
        EXPECT_EQ(log.level(kOmLogDebug, true, c.first.c_str()), 0);
        EXPECT_EQ(log.level(kOmLogDebug, true, c.first.c_str()), 0);
        EXPECT_EQ(log.level(kOmLogDebug, true, c.second.c_str()), c.same ? -1 : 0)
            << c.first << " / " << c.second;
    }
}

TEST_F(OmLogTest, QuickCheckStopsManyTextsWithOnePrefix) {
    OmLog log;
    Capture discard;
    // Each text is new, so only the shared first 14 characters stop them.
    for (int n = 0; n < 50; ++n) {
        const std::string text = "shared prefix " + std::to_string(n);
        EXPECT_EQ(log.level(kOmLogDebug, true, text.c_str()), 0) << n;
    }
    EXPECT_EQ(log.level(kOmLogDebug, true, "shared prefix 50"), -1);
    EXPECT_EQ(log.level(kOmLogDebug, true, "shared prefix 51"), -1);
    // Another text in between only interrupts the run once; the count stays.
    EXPECT_EQ(log.level(kOmLogDebug, true, "a different text"), 0);
    EXPECT_EQ(log.level(kOmLogDebug, true, "shared prefix 52"), 0);
    EXPECT_EQ(log.level(kOmLogDebug, true, "shared prefix 53"), -1);
    advanceSeconds(6);
    EXPECT_EQ(log.level(kOmLogDebug, true, "shared prefix 54"), 0);
}

TEST_F(OmLogTest, DisabledFloodCheckingStillReportsEarlierCounts) {
    OmLog log;
    Capture out;
    for (int n = 0; n < 5; ++n) log.d("flooding");
    OmLog::toggleAllowFlood();
    EXPECT_TRUE(OmLog::isFloodCheckDisabled());
    for (int n = 0; n < 3; ++n) log.d("flooding");
    advanceSeconds(6);
    log.checkFlood();
    OmLog::toggleAllowFlood();
    EXPECT_FALSE(OmLog::isFloodCheckDisabled());
    const QList<QByteArray> lines = out.lines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[5].endsWith(" ... Message repeated 3 times ... flooding"));
}

TEST_F(OmLogTest, FullTableNeitherStoresNorSuppresses) {
    OmLog log;
    Capture discard;
    for (int n = 0; n < 100; ++n) {
        char text[32];
        snprintf(text, sizeof text, "%03d fills a slot", n);
        ASSERT_EQ(log.level(kOmLogDebug, true, text), 0);
    }
    for (int n = 0; n < 5; ++n) EXPECT_EQ(log.level(kOmLogDebug, true, "no slot left"), 0);
    EXPECT_EQ(log.level(kOmLogDebug, true, "042 fills a slot"), 0);
    EXPECT_EQ(log.level(kOmLogDebug, true, "042 fills a slot"), -1);
}

TEST_F(OmLogTest, HourCacheFollowsTheLocalClock) {
    const struct {
        uint64_t utcSeconds;
        int micros;
        const char* stamp;
    } cases[] = {
        {1711846799, 500000, "01:59:59.500"},  // last second of winter time
        {1711846800, 0, "03:00:00.000"},       // summer time begins
        {1711848600, 1000, "03:30:00.001"},   {1711840200, 0, "00:10:00.000"},  // clock set back
        {1729989000, 0, "02:30:00.000"},      {1729990800, 0, "02:00:00.000"},  // winter time again
        {1729994399, 999999, "02:59:59.999"}, {1729994400, 0, "03:00:00.000"},
        {1705322096, 789000, "13:34:56.789"},
    };
    for (const auto& c : cases) {
        setNow(c.utcSeconds * 1000000 + c.micros);
        Capture out;
        OmLogAllowFlood(kOmLogInfo, "tick");
        EXPECT_EQ(out.text(), stampAt(c.stamp, "-i tick\n")) << c.utcSeconds;
    }
}

TEST_F(OmLogTest, ApplicationLoggerWritesADatedFileAndRestoresStdout) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/Logs/KeloRemote";
    setNow(kJan15);
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile stale(folder + "/2024-01-15_13.34.56.txt");
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("left over from an earlier run\n");
    }
    Capture out;
    std::printf("before\n");
    {
        OmLog log(folder, "Kelo Verozo %s starting up...\n", "9.9");
        log.setLoggingTag("Verozo");
        log.i("hello %d", 42);
        kelo::printf("raw %s\n", "print");
        log.flush();
        EXPECT_EQ(OmLog::logPath(), folder + "/2024-01-15_13.34.56.txt");
        EXPECT_EQ(OmLog::logFolder(), folder);
        EXPECT_EQ(filesIn(folder), QStringList{"2024-01-15_13.34.56.txt"});
    }
    std::printf("after\n");
    EXPECT_EQ(out.text(), "before\nafter\n");
    EXPECT_EQ(readFile(folder + "/2024-01-15_13.34.56.txt"),
              "13:34:56.789 Kelo Verozo 9.9 starting up...\n"
              "13:34:56.789 -i [Verozo] hello 42\n"
              "raw print\n");
}

TEST_F(OmLogTest, UncreatableFolderFallsBackToTheAlternateFolder) {
    QTemporaryDir tmp;
    QFile blocker(tmp.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/state"));
    ScopedEnv state("XDG_STATE_HOME", QFile::encodeName(tmp.path() + "/state"));
    const QString folder = tmp.path() + "/blocker/KeloRemote";
    const QString alternate = tmp.path() + "/state/KeloRemote";
    setNow(kJan15);
    Capture out;
    {
        OmLog log(folder, "Kelo Verozo %s starting up...\n", "9.9");
        EXPECT_EQ(OmLog::logFolder(), alternate);
    }
    EXPECT_EQ(out.text(), "");
    const QStringList files = filesIn(alternate);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(readFile(alternate + "/" + files[0]),
              "Logging to alternate folder '" + alternate.toUtf8() +
                  "'\n"
                  "13:34:56.789 Kelo Verozo 9.9 starting up...\n");
}

TEST_F(OmLogTest, UnwritableLogStaysOnStdoutAndSaysSo) {
    QTemporaryDir tmp;
    QFile blocker(tmp.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScopedEnv state("XDG_STATE_HOME", QFile::encodeName(tmp.path() + "/blocker/state"));
    const QString folder = tmp.path() + "/blocker/KeloRemote";
    setNow(kJan15);
    Capture out;
    Capture err(STDERR_FILENO);
    {
        OmLog log(folder, "Kelo Verozo %s starting up...\n", "9.9");
        EXPECT_TRUE(OmLog::logPath().startsWith(folder + "/2024-01-15_13.34.56.txt"));
    }
    EXPECT_EQ(out.text(),
              "13:34:56.789 Kelo Verozo 9.9 starting up...\n"
              "13:34:56.789 -e ### Error: OmLog can't write to '" +
                  folder.toUtf8() + "'\n");
    const QByteArray system = err.text();
    EXPECT_TRUE(system.contains("]: ### Error: OmLog can't write to '" + folder.toUtf8() +
                                "' (ERROR: Not a directory)\n"))
        << system.constData();
    EXPECT_TRUE(system.contains("]: ### Logging to stdout instead\n")) << system.constData();
}

// Runs in a child started with "-x" by the test below.
TEST_F(OmLogTest, DashXChild) {
    if (!QCoreApplication::arguments().contains("-x")) GTEST_SKIP() << "runs only with -x";
    const QString folder = qEnvironmentVariable("KELO_LOG_TEST_FOLDER");
    EXPECT_FALSE(OmLog::debugMenuWanted());
    OmLog log(folder, "Kelo Verozo %s starting up...\n", "9.9");
    std::fflush(stdout);
    EXPECT_TRUE(OmLog::logPath().isEmpty());
    EXPECT_TRUE(OmLog::debugMenuWanted());

    // The Debug menu's items, as the menu bar's owner shows them.
    const std::vector<OmLog::DebugMenuItem> items = OmLog::debugMenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_STREQ(items[0].title, "Log Verbose");
    EXPECT_STREQ(items[1].title, "Log Disable Flood Checking");
    EXPECT_STREQ(items[2].title, "Log GL Errors for 10 seconds");
    EXPECT_STREQ(items[3].title, "Log GL Errors for 5 minutes");
    EXPECT_EQ(items[1].shortcut, QKeySequence(Qt::CTRL | Qt::META | Qt::SHIFT | Qt::Key_L));
    EXPECT_TRUE(items[0].shortcut.isEmpty());
    ASSERT_TRUE(items[0].isOn && items[1].isOn);
    EXPECT_FALSE(items[2].isOn || items[3].isOn);
    EXPECT_FALSE(items[0].isOn());
    EXPECT_FALSE(items[1].isOn());

    items[0].perform();
    EXPECT_TRUE(items[0].isOn());
    items[1].perform();
    EXPECT_TRUE(items[1].isOn());
    log.v("verbose after the menu");
    for (int n = 0; n < 4; ++n) log.d("unchecked flood");
    std::fflush(stdout);
}

TEST_F(OmLogTest, DashXKeepsOutputOnStdout) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/KeloRemote";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELO_LOG_TEST_FOLDER", folder);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=OmLogTest.DashXChild", "-x"});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.constData() << child.readAllStandardError().constData();
    EXPECT_TRUE(out.contains(" Kelo Verozo 9.9 starting up...\n")) << out.constData();
    EXPECT_TRUE(out.contains(" -i Logging to stdout because of '-x' command-line argument\n"));
    EXPECT_TRUE(out.contains(" -v verbose after the menu\n"));
    EXPECT_EQ(out.count(" -d unchecked flood\n"), 4);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(OmLogTest, ConcurrentLinesStayWholeAndCounted) {
    constexpr int kThreads = 6;
    constexpr int kDistinct = 400;
    // Few enough that the shared quick count stays below its limit.
    constexpr int kRepeats = 8;
    QTemporaryDir tmp;
    Capture out;
    {
        OmLog log(tmp.path(), "start\n");
        log.setLoggingTag("Worker");
        std::latch repeatedDone(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int n = 0; n < kRepeats; ++n) log.w("t%d the same warning again", t);
                repeatedDone.arrive_and_wait();
                for (int n = 0; n < kDistinct; ++n) {
                    if (n % 2) {
                        log.d("t%d-%06d distinct message from a worker", t, n);
                    } else {
                        OmLogAllowFlood(kOmLogInfo, "t%d-%06d distinct free message", t, n);
                    }
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        advanceSeconds(6);
        log.checkFlood();
    }
    EXPECT_EQ(out.text(), "");

    const QStringList files = filesIn(tmp.path());
    ASSERT_EQ(files.size(), 1);
    const QList<QByteArray> lines = readFile(tmp.path() + "/" + files[0]).split('\n');
    ASSERT_TRUE(lines.last().isEmpty());
    std::map<QByteArray, int> seen;
    int summaries = 0;
    for (int n = 0; n < lines.size() - 1; ++n) {
        const QRegularExpressionMatch m = kLine.match(QString::fromUtf8(lines[n]));
        ASSERT_TRUE(m.hasMatch()) << lines[n].constData();
        if (m.captured(7).startsWith("... Message repeated 6 times ... t")) {
            ++summaries;
        } else {
            ++seen[(m.captured(5) + m.captured(6) + m.captured(7)).toUtf8()];
        }
    }
    EXPECT_EQ(summaries, kThreads);
    EXPECT_EQ(seen.size(), static_cast<size_t>(1 + kThreads * (kDistinct + 1)));
    for (int t = 0; t < kThreads; ++t) {
        const QByteArray repeated =
            QString("-w [Worker] t%1 the same warning again").arg(t).toUtf8();
        EXPECT_EQ(seen[repeated], 2) << t;
        for (int n = 0; n < kDistinct; ++n) {
            const QByteArray line =
                (n % 2 ? QString("-d [Worker] t%1-%2 distinct message from a worker")
                       : QString("-i t%1-%2 distinct free message"))
                    .arg(t)
                    .arg(n, 6, 10, QChar('0'))
                    .toUtf8();
            ASSERT_EQ(seen[line], 1) << line.constData();
        }
    }
}

// Each line is put together before the lock; the stamp is taken under it, so
// stamps must still rise through the file. Long lines take another path.
TEST_F(OmLogTest, ConcurrentStampsFollowFileOrder) {
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    OmLogSetClock([] { return gNowMicros.fetch_add(1000); });
    const QByteArray longBody(1500, 'x');
    QTemporaryDir tmp;
    {
        Capture out;
        OmLog log(tmp.path(), "start\n");
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int n = 0; n < kLines; ++n)
                    log.i("t%d-%04d %s", t, n, n % 10 ? "short" : longBody.constData());
            });
        }
        for (std::thread& thread : threads) thread.join();
    }
    OmLogSetClock(fakeClock);

    const QStringList files = filesIn(tmp.path());
    ASSERT_EQ(files.size(), 1);
    QList<QByteArray> lines = readFile(tmp.path() + "/" + files[0]).split('\n');
    ASSERT_TRUE(lines.last().isEmpty());
    lines.removeLast();
    ASSERT_EQ(lines.size(), 1 + kThreads * kLines);
    std::map<QByteArray, int> seen;
    QByteArray previous;
    for (const QByteArray& line : lines) {
        const QByteArray stamp = line.left(12);
        EXPECT_LE(previous, stamp) << line.left(40).constData();
        previous = stamp;
        ++seen[line.mid(13)];
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int n = 0; n < kLines; ++n) {
            const QByteArray text = "-i t" + QByteArray::number(t) + "-" +
                                    QByteArray::number(n).rightJustified(4, '0') + " " +
                                    (n % 10 ? QByteArray("short") : longBody);
            EXPECT_EQ(seen[text], 1) << text.left(20).constData();
        }
    }
}

TEST(AmIBeingDebugged, SeesATracer) {
    EXPECT_FALSE(AmIBeingDebugged());
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
        _exit(AmIBeingDebugged() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "tracing is not permitted here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

KELO_TEST_MAIN_GUI()
