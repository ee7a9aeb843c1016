#include "foundation/OmLog.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <memory>

namespace {

// The logger redirects stdout into a file in a temporary folder only while a
// benchmark runs, so the reporter's output still reaches the terminal.
std::unique_ptr<QTemporaryDir> gLogDir;
std::unique_ptr<OmLog> gLog;
std::atomic<long long> gSerial{0};

void openLog(const benchmark::State&) {
    gLogDir = std::make_unique<QTemporaryDir>();
    gLog = std::make_unique<OmLog>(gLogDir->path(), "benchmark starting up...\n");
    gLog->setLoggingTag("Bench");
}

void closeLog(const benchmark::State&) {
    gLog.reset();
    gLogDir.reset();
}

// Every text is new in its first 14 characters, so each line is judged in
// full and written.
void BM_LogDistinctLines(benchmark::State& state) {
    for (auto _ : state) {
        gLog->d("%012lld distinct line from thread %d", gSerial.fetch_add(1), state.thread_index());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogDistinctLines)
    ->Setup(openLog)
    ->Teardown(closeLog)
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

// One text over and over: after the second copy every call is suppressed.
void BM_LogRepeatedLine(benchmark::State& state) {
    for (auto _ : state) gLog->d("the same line from every thread");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRepeatedLine)
    ->Setup(openLog)
    ->Teardown(closeLog)
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
