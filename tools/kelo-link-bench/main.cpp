// kelo-link-bench: the server link polling many simulated servers. The
// servers run in a child process, so that what is measured here is the
// controller alone: the main thread's time per 1/30 s tick, the process's
// CPU share, its resident memory, and the poll rate each server saw.
//
//   unshare -rn sh -c 'ip link set lo up && exec kelo-link-bench [--servers 256] [--seconds 20]'

#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "app/KeloRemoteTick.h"
#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/KeloServerSim.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr uint32_t kFirstServer = 0x7F020001;  // 127.2.0.1
constexpr double kTickMs = 1000.0 / 30.0;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double processCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
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

// The child: the servers, counting requests between the 'S' and 'E' bytes
// on `commands`; writes the per-server rates to `results`.
int runServers(int servers, int commands, int results) {
    KeloServerSim sim;
    sim.addServers(servers, kFirstServer, "Kelo Bench");
    QString error;
    if (!sim.start(&error)) {
        fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    auto snapshot = [&] {
        std::vector<uint64_t> counts;
        for (int i = 0; i < servers; ++i) counts.push_back(sim.counters(i).statusRequests);
        return counts;
    };
    char c = 0;
    if (read(commands, &c, 1) != 1 || c != 'S') return 1;
    const auto start = snapshot();
    const double t0 = nowMs();
    if (read(commands, &c, 1) != 1 || c != 'E') return 1;
    const auto end = snapshot();
    const double seconds = (nowMs() - t0) / 1000.0;
    std::vector<double> rates;
    for (int i = 0; i < servers; ++i) rates.push_back(double(end[i] - start[i]) / seconds);
    char text[200];
    const int n = snprintf(text, sizeof text, "%.2f %.2f %.2f\n", percentile(rates, 0),
                           percentile(rates, 0.5), percentile(rates, 1));
    return write(results, text, size_t(n)) == n ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int servers = 256;
    double seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--servers")) servers = std::clamp(atoi(argv[i + 1]), 1, 1000);
        if (!strcmp(argv[i], "--seconds")) seconds = std::max(1.0, atof(argv[i + 1]));
    }
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
    KlE_Control_Status link(options);
    // The controller's own tick runs beside it, as in the program.
    root.startLink(link, log).start();

    enum { Warming, Measuring } phase = Warming;
    const double warmStart = nowMs();
    double windowStart = 0, windowCpu = 0, windowMainCpu = 0, lastCpu = threadCpuMs();
    std::vector<double> perTick, inTimerProc;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(33);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        // Main-thread CPU since the previous tick: the tick itself and every
        // datagram handed over in between.
        const double cpu = threadCpuMs();
        if (phase == Measuring) perTick.push_back(cpu - lastCpu);
        lastCpu = cpu;
        const double t0 = nowMs();
        link.timerProc();
        if (phase == Measuring) inTimerProc.push_back(nowMs() - t0);

        if (phase == Warming) {
            int ready = 0;
            for (const auto& [name, kelo] : link.keloes()) {
                if (!kelo->active()) link.addKeloForName(name);
                if (kelo->hasPrefsDict() && kelo->generalStatusArrived() != 0) ++ready;
            }
            if (ready >= servers || nowMs() - warmStart > 20000) {
                printf("warm-up: %d of %d servers in contact after %.1f s\n", ready, servers,
                       (nowMs() - warmStart) / 1000.0);
                phase = Measuring;
                windowStart = nowMs();
                windowCpu = processCpuMs();
                windowMainCpu = threadCpuMs();
                if (write(toChild[1], "S", 1) != 1) app.quit();
            }
        } else if (nowMs() - windowStart >= seconds * 1000.0) {
            const double wall = nowMs() - windowStart;
            const double cpu = processCpuMs() - windowCpu;
            const double mainCpu = threadCpuMs() - windowMainCpu;
            if (write(toChild[1], "E", 1) != 1) app.quit();
            char rates[200] = {};
            const ssize_t n = read(fromChild[0], rates, sizeof rates - 1);
            printf("servers %d, window %.1f s, ticks %zu (%.1f per second)\n", servers,
                   wall / 1000.0, perTick.size(), perTick.size() / (wall / 1000.0));
            printf(
                "main thread per tick: median %.3f ms (%.1f%% of %.1f ms), worst %.3f ms "
                "(%.1f%%), 99th percentile %.3f ms\n",
                percentile(perTick, 0.5), 100 * percentile(perTick, 0.5) / kTickMs, kTickMs,
                percentile(perTick, 1), 100 * percentile(perTick, 1) / kTickMs,
                percentile(perTick, 0.99));
            printf("timerProc alone: median %.3f ms, worst %.3f ms\n", percentile(inTimerProc, 0.5),
                   percentile(inTimerProc, 1));
            printf("controller CPU: %.1f%% of one core (main thread %.1f%%)\n", 100 * cpu / wall,
                   100 * mainCpu / wall);
            printf("resident memory: %.1f MB (peak %.1f MB)\n", memoryMb("VmRSS:"),
                   memoryMb("VmHWM:"));
            printf("status requests per server per second (min median max): %s",
                   n > 0 ? rates : "unknown\n");
            app.quit();
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
