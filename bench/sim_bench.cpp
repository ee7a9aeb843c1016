// The simulated servers at scale: how long a thousand media trees take to
// make, and what the simulator costs per server while a controller polls
// every server's status 30 times a second with every channel open (UDP,
// product and database ports). The polling part needs a loopback-only
// network namespace:
//   unshare -rn sh -c 'ip link set lo up && exec build/bench/sim_bench'

#include "support/KeloServerSimHost.h"
#include "support/WireBuilders.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

namespace {

double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

KeloServerSimHost::Options manyServers(int count) {
    KeloServerSimHost::Options o;
    o.count = count;
    o.base = 0x7F010002;  // 127.1.0.2 on
    return o;
}

void BM_MediaTreesStartUp(benchmark::State& state) {
    const int count = int(state.range(0));
    std::unique_ptr<KeloServerSimHost> host;
    for (auto _ : state) {
        // Removing the trees of the last pass is not start-up.
        state.PauseTiming();
        host.reset();
        host = std::make_unique<KeloServerSimHost>(manyServers(count));
        state.ResumeTiming();
        QString error;
        if (!host->makeMediaTrees(&error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
    host.reset();
    state.counters["ms_per_server"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
        benchmark::Counter::kIs1000);
}
BENCHMARK(BM_MediaTreesStartUp)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// One controller socket sends a status request to every server 30 times a
// second and drains the replies; the simulator's share of the process's
// CPU time is the process's less this thread's.
void BM_PollingAt30Hz(benchmark::State& state) {
    if (!KeloServerSim::loopbackOnlyNetwork()) {
        state.SkipWithError("needs a loopback-only network namespace");
        return;
    }
    const int count = int(state.range(0));
    KeloServerSimHost host(manyServers(count));
    QString error;
    if (!host.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int buffer = 8 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    QByteArray request = WireBuilders::serverHeader(WireBuilders::kStatusRequest);
    request.append(2, '\0');
    std::vector<char> in(65536);
    uint64_t sent = 0, replies = 0;
    double simCpu = 0, wall = 0;
    for (auto _ : state) {
        const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto start = std::chrono::steady_clock::now();
        for (int tick = 0; tick < 30; ++tick) {  // one second
            const auto due = start + std::chrono::microseconds(33333 * (tick + 1));
            for (int i = 0; i < count; ++i) {
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_addr.s_addr = htonl(0x7F010002 + uint32_t(i));
                to.sin_port = htons(4810);
                if (sendto(fd, request.constData(), size_t(request.size()), 0,
                           reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
                    ++sent;
            }
            while (std::chrono::steady_clock::now() < due) {
                while (recv(fd, in.data(), in.size(), 0) > 0) ++replies;
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        simCpu += (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0) -
                  (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0);
    }
    close(fd);
    state.counters["sim_cpu_us_per_server_s"] = simCpu / wall / count * 1e6;
    state.counters["sim_cpu_percent"] = simCpu / wall * 100.0;
    state.counters["answered_percent"] = sent ? 100.0 * double(replies) / double(sent) : 0.0;
}
BENCHMARK(BM_PollingAt30Hz)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
