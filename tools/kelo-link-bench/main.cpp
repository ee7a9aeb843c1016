// kelo-link-bench: the server link polling many simulated servers. The
// servers run in a child process, so that what is measured here is the
// controller alone: the main thread's time per 1/30 s tick, the process's
// CPU share, its resident memory, the datagrams lost to full receive
// buffers, how soon each server was in contact, and per window the lowest
// rates at which a server was polled for status and asked for preferences.
//
//   unshare -rn sh -c 'ip link set lo up && exec kelo-link-bench [--servers 256]
//                      [--seconds 20] [--window 30]'

#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "app/KeloRemoteTick.h"
#include "foundation/OmLog.h"
#include "foundation/OmxNumberUtil.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/KeloServerSim.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

const char kUsage[] =
    "usage: kelo-link-bench [--servers N] [--seconds S] [--window S]\n"
    "  --servers  simulated servers, 1 to 60000 (default 256)\n"
    "  --seconds  how long to measure, at least 1 (default 20)\n"
    "  --window   the rate window, at least 1 (default 30, at most --seconds)\n";
// Far beyond any run; keeps the millisecond arithmetic in range.
constexpr double kMaxSeconds = 2147483;

constexpr uint32_t kFirstServer = 0x7F020001;  // 127.2.0.1
constexpr double kTickMs = 1000.0 / 30.0;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The calling thread's voluntary context switches: each one a sleep and a
// wake-up.
long threadWakeUps() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_nvcsw;
}

// A thread that does no work but wakes twice a tick, about as often as the
// main thread. What the system charges it per tick (interrupts, time the
// hypervisor took, which a virtual machine may not report as steal) is the
// floor under the main thread's figures.
class IdleReference {
public:
    IdleReference()
        : thread_([this] {
              timespec next{};
              clock_gettime(CLOCK_MONOTONIC, &next);
              double last = threadCpuMs();
              for (int half = 1; !stop_; ++half) {
                  next.tv_nsec += long(kTickMs * 1e6 / 2);
                  if (next.tv_nsec >= 1000000000L) {
                      next.tv_nsec -= 1000000000L;
                      ++next.tv_sec;
                  }
                  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
                  if (half % 2 == 0) {
                      const double cpu = threadCpuMs();
                      perTick_.push_back(cpu - last);
                      last = cpu;
                  }
              }
          }) {}
    // Ends the thread; its CPU time per tick.
    std::vector<double> finish() {
        stop_ = true;
        thread_.join();
        return perTick_;
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<double> perTick_;
    std::thread thread_;
};

// The calling thread's CPU time spent in the kernel, from its own
// accounting: it tells the link's work from the system's (reclaiming
// memory for a page fault, say) in an outlying tick. Kernels that sample
// it at the scheduler tick (every 4 ms at 250 Hz) make it coarse for one
// tick of ours.
double threadSystemMs() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_stime.tv_sec * 1e3 + u.ru_stime.tv_usec / 1e3;
}

double processCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// CPU time of another process (the simulated servers), in ms, and its
// thread count; 0 when it cannot be read.
double childCpuMs(pid_t pid, int* threads) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE* f = fopen(path, "r");
    if (!f) return 0;
    char line[1024] = {};
    const bool read = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    const char* end = read ? strrchr(line, ')') : nullptr;
    unsigned long long user = 0, system = 0;
    long count = 0;
    // After the name: state and ten fields, then utime and stime; the
    // thread count is the 20th field.
    if (!end ||
        sscanf(end + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu %*d %*d %*d %*d %ld",
               &user, &system, &count) != 3)
        return 0;
    if (threads) *threads = int(count);
    return double(user + system) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// VmRSS or VmHWM of this process, in MB.
double memoryMb(const char* field) {
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    while (fgets(line, sizeof line, f))
        if (!strncmp(line, field, strlen(field))) kb = atof(line + strlen(field) + 1);
    fclose(f);
    return kb / 1024.0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// The namespace's UDP counter of datagrams dropped for a full receive
// buffer (the servers' sockets included), from /proc/net/snmp.
long long rcvbufErrors() {
    FILE* f = fopen("/proc/net/snmp", "r");
    if (!f) return -1;
    char names[1024], values[1024];
    long long result = -1;
    while (fgets(names, sizeof names, f) && fgets(values, sizeof values, f)) {
        if (strncmp(names, "Udp:", 4) != 0) continue;
        int column = 0, wanted = -1;
        for (char* t = strtok(names, " \n"); t; t = strtok(nullptr, " \n"), ++column)
            if (!strcmp(t, "RcvbufErrors")) wanted = column;
        column = 0;
        for (char* t = strtok(values, " \n"); t; t = strtok(nullptr, " \n"), ++column)
            if (column == wanted) result = atoll(t);
        break;
    }
    fclose(f);
    return result;
}

// The child: the servers. At each 'W' or 'E' byte on `commands` (after an
// 'S') it writes one line to `results`: the window's per-server request
// rates, status min / median / max and preference requests (dictionary and
// single values) min / max; 'E' ends it.
int runServers(int servers, int commands, int results) {
    KeloServerSim sim;
    sim.addServers(servers, kFirstServer, "Kelo Bench");
    QString error;
    if (!sim.start(&error)) {
        fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    struct Counts {
        uint64_t status = 0, prefs = 0;
    };
    auto snapshot = [&] {
        std::vector<Counts> counts;
        for (int i = 0; i < servers; ++i) {
            const KeloServerSim::Counters c = sim.counters(i);
            counts.push_back({c.statusRequests, c.prefsDictRequests + c.getPrefRequests});
        }
        return counts;
    };
    char c = 0;
    if (read(commands, &c, 1) != 1 || c != 'S') return 1;
    auto start = snapshot();
    double t0 = nowMs();
    while (read(commands, &c, 1) == 1 && (c == 'W' || c == 'E')) {
        const auto end = snapshot();
        const double t1 = nowMs();
        const double seconds = (t1 - t0) / 1000.0;
        std::vector<double> status, prefs;
        for (int i = 0; i < servers; ++i) {
            status.push_back(double(end[i].status - start[i].status) / seconds);
            prefs.push_back(double(end[i].prefs - start[i].prefs) / seconds);
        }
        char text[200];
        const int n = snprintf(text, sizeof text, "%.2f %.2f %.2f %.2f %.2f\n",
                               percentile(status, 0), percentile(status, 0.5),
                               percentile(status, 1), percentile(prefs, 0), percentile(prefs, 1));
        if (write(results, text, size_t(n)) != n) return 1;
        if (c == 'E') return 0;
        start = end;
        t0 = t1;
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    long long serverCount = 256;
    double seconds = 20, window = 30;
    for (int i = 1; i < argc; i += 2) {
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool taken = false;
        // Up to the simulator's address range 127.2.0.1 and up.
        if (!strcmp(argv[i], "--servers"))
            taken = readOptionInteger(value, 1, 60000, &serverCount);
        else if (!strcmp(argv[i], "--seconds"))
            taken = readOptionNumber(value, 1, kMaxSeconds, &seconds);
        else if (!strcmp(argv[i], "--window"))
            taken = readOptionNumber(value, 1, kMaxSeconds, &window);
        if (!taken) {
            fprintf(stderr, "kelo-link-bench: bad option %s%s%s\n%s", argv[i], value ? " " : "",
                    value ? value : "", kUsage);
            return 2;
        }
    }
    const int servers = int(serverCount);
    window = std::min(window, seconds);
    // Two sockets per simulated server, in the child.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    if (!KeloServerSim::loopbackOnlyNetwork()) {
        fprintf(stderr,
                "kelo-link-bench: run inside a loopback-only network namespace:\n"
                "  unshare -rn sh -c 'ip link set lo up && exec %s'\n",
                argv[0]);
        return 2;
    }

    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return 1;
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        close(toChild[1]);
        close(fromChild[0]);
        _exit(runServers(servers, toChild[0], fromChild[1]));
    }
    close(toChild[0]);
    close(fromChild[1]);

    QCoreApplication app(argc, argv);
    OmLog log;
    KeloHeadlessFrontEnd frontEnd;
    KeloCompositionRoot root(frontEnd.frontEnd());
    if (!root.install()) return 1;
    KlE_Control_Status::Options options;
    options.timer = false;  // ticked below, the way its own timer does, but measured
    options.maxServers = std::max(options.maxServers, size_t(servers) + 16);
    KlE_Control_Status link(options);
    // The controller's own tick runs beside it, as in the program.
    root.startLink(link, log).start();

    enum { Warming, Measuring } phase = Warming;
    const double warmStart = nowMs();
    double windowStart = 0, windowCpu = 0, windowMainCpu = 0, lastCpu = threadCpuMs();
    double windowServersCpu = 0;
    double lastSystem = threadSystemMs(), worstTick = -1, worstTickSystem = 0;
    long lastWakeUps = threadWakeUps(), worstTickWakeUps = 0;
    std::vector<double> wakeUpsPerTick;
    std::unique_ptr<IdleReference> idle;
    double nextWindow = 0, lastReport = warmStart;
    std::vector<double> perTick, inTimerProc;
    // When each server object appeared (its first presence message) and
    // when it had both its preferences and a general status.
    std::map<QString, double> seen, inContact;
    const uint64_t dropsAtStart = link.droppedDatagrams();
    const long long snmpAtStart = rcvbufErrors();
    uint64_t windowDrops = dropsAtStart;
    int fewestInContact = servers;
    int windows = 0, scanTick = 0;
    double worstMinStatus = 1e9;

    auto contactReport = [&] {
        std::vector<double> delays;
        int late = 0;
        for (const auto& [name, at] : inContact) {
            delays.push_back((at - seen[name]) / 1000.0);
            if (delays.back() > 5.0) ++late;
        }
        printf(
            "contact: %zu of %d servers, seconds from first announcement median %.2f, worst "
            "%.2f, %d later than 5 s\n",
            inContact.size(), servers, percentile(delays, 0.5), percentile(delays, 1), late);
    };
    auto endWindow = [&](char mark) {
        if (write(toChild[1], &mark, 1) != 1) return false;
        char rates[200] = {};
        const ssize_t n = read(fromChild[0], rates, sizeof rates - 1);
        double smin = 0, smed = 0, smax = 0, pmin = 0, pmax = 0;
        if (n <= 0 || sscanf(rates, "%lf %lf %lf %lf %lf", &smin, &smed, &smax, &pmin, &pmax) != 5)
            return false;
        const uint64_t drops = link.droppedDatagrams();
        printf(
            "window %d: status polls per server min %.2f median %.2f max %.2f Hz; preference "
            "requests per server min %.2f max %.2f Hz; fewest in contact %d; link drops %llu\n",
            ++windows, smin, smed, smax, pmin, pmax, fewestInContact,
            (unsigned long long)(drops - windowDrops));
        fflush(stdout);
        worstMinStatus = std::min(worstMinStatus, smin);
        windowDrops = drops;
        fewestInContact = int(link.current().size());
        return true;
    };

    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(33);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        // Main-thread CPU since the previous tick: the tick itself and every
        // datagram handed over in between.
        const double cpu = threadCpuMs(), system = threadSystemMs();
        const long wakeUps = threadWakeUps();
        if (phase == Measuring) {
            perTick.push_back(cpu - lastCpu);
            wakeUpsPerTick.push_back(double(wakeUps - lastWakeUps));
            if (perTick.back() > worstTick) {
                worstTick = perTick.back();
                worstTickSystem = system - lastSystem;
                worstTickWakeUps = wakeUps - lastWakeUps;
            }
        }
        lastCpu = cpu;
        lastSystem = system;
        lastWakeUps = wakeUps;
        const double t0 = nowMs();
        link.timerProc();
        const double now = nowMs();
        if (phase == Measuring) inTimerProc.push_back(now - t0);

        // Every tick while warming up; then once a second, so that the
        // bench's own bookkeeping weighs little in the measured ticks.
        int ready = int(inContact.size());
        if (phase == Warming || ++scanTick % 30 == 0) {
            ready = 0;
            for (const auto& [name, kelo] : link.keloes()) {
                if (!kelo->active()) link.addKeloForName(name);
                seen.try_emplace(name, now);
                if (kelo->hasPrefsDict() && kelo->generalStatusArrived() != 0) {
                    ++ready;
                    inContact.try_emplace(name, now);
                }
            }
        }
        fewestInContact = std::min(fewestInContact, int(link.current().size()));

        if (phase == Warming) {
            if (now - lastReport >= 1000) {
                lastReport = now;
                printf("  %.0f s: %zu servers heard, %d in contact\n", (now - warmStart) / 1000.0,
                       link.keloes().size(), ready);
            }
            if (ready >= servers || now - warmStart > 20000) {
                printf("warm-up: %d of %d servers in contact after %.1f s\n", ready, servers,
                       (now - warmStart) / 1000.0);
                contactReport();
                phase = Measuring;
                windowStart = now;
                nextWindow = now + window * 1000.0;
                windowCpu = processCpuMs();
                windowServersCpu = childCpuMs(child, nullptr);
                windowMainCpu = threadCpuMs();
                windowDrops = link.droppedDatagrams();
                fewestInContact = int(link.current().size());
                idle = std::make_unique<IdleReference>();
                if (write(toChild[1], "S", 1) != 1) app.quit();
            }
        } else if (now - windowStart >= seconds * 1000.0) {
            const double wall = now - windowStart;
            const double cpu = processCpuMs() - windowCpu;
            const double mainCpu = threadCpuMs() - windowMainCpu;
            // The simulation's own load: were it short of CPU, the servers
            // and not the controller would set the rates. Read before it
            // is told to end.
            int serverThreads = 0;
            const double serversCpu = childCpuMs(child, &serverThreads) - windowServersCpu;
            if (!endWindow('E')) app.quit();
            printf("servers %d, measured %.1f s, ticks %zu (%.1f per second)\n", servers,
                   wall / 1000.0, perTick.size(), perTick.size() / (wall / 1000.0));
            printf(
                "main thread per tick: median %.3f ms (%.1f%% of %.1f ms), worst %.3f ms "
                "(%.1f%%), 99th percentile %.3f ms (%.1f%%)\n",
                percentile(perTick, 0.5), 100 * percentile(perTick, 0.5) / kTickMs, kTickMs,
                percentile(perTick, 1), 100 * percentile(perTick, 1) / kTickMs,
                percentile(perTick, 0.99), 100 * percentile(perTick, 0.99) / kTickMs);
            printf("worst tick: %.3f ms, of which in the kernel (sampled) %.3f ms; %ld wake-ups\n",
                   worstTick, worstTickSystem, worstTickWakeUps);
            const std::vector<double> idlePerTick = idle->finish();
            printf(
                "main thread wake-ups per tick: median %.0f, most %.0f; a thread that only "
                "wakes twice a tick is charged median %.3f ms, worst %.3f ms per tick\n",
                percentile(wakeUpsPerTick, 0.5), percentile(wakeUpsPerTick, 1),
                percentile(idlePerTick, 0.5), percentile(idlePerTick, 1));
            printf("timerProc alone: median %.3f ms, worst %.3f ms\n", percentile(inTimerProc, 0.5),
                   percentile(inTimerProc, 1));
            printf("controller CPU: %.1f%% of one core (main thread %.1f%%)\n", 100 * cpu / wall,
                   100 * mainCpu / wall);
            double load[3] = {};
            getloadavg(load, 3);
            printf(
                "simulated servers CPU: %.1f%% of one core (%d threads); load average %.2f %.2f "
                "%.2f\n",
                100 * serversCpu / wall, serverThreads, load[0], load[1], load[2]);
            printf("resident memory: %.1f MB (peak %.1f MB)\n", memoryMb("VmRSS:"),
                   memoryMb("VmHWM:"));
            printf("lowest per-server status poll rate in any window: %.2f Hz\n", worstMinStatus);
            printf(
                "datagrams lost to full receive buffers since start: link %llu, whole namespace "
                "(servers too) %lld\n",
                (unsigned long long)(link.droppedDatagrams() - dropsAtStart),
                rcvbufErrors() - snmpAtStart);
            contactReport();
            app.quit();
        } else if (now >= nextWindow) {
            nextWindow += window * 1000.0;
            if (!endWindow('W')) app.quit();
        }
    });
    tick.start();
    const int result = app.exec();
    link.stopTimerAndCloseSockets();
    close(toChild[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}
