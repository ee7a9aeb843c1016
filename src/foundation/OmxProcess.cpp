#include "foundation/OmxProcess.h"

#include <dirent.h>
#include <sys/utsname.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Linux's command names hold 15 characters plus the terminator.
constexpr size_t kCommLength = 15;

bool readComm(const char* pid, char* out, size_t size) {
    char path[300];
    std::snprintf(path, sizeof path, "/proc/%s/comm", pid);
    FILE* f = std::fopen(path, "re");
    if (!f) return false;
    bool ok = std::fgets(out, int(size), f) != nullptr;
    std::fclose(f);
    if (!ok) return false;
    out[std::strcspn(out, "\n")] = 0;
    return true;
}

}  // namespace

int GetAllPIDsForProcessName(const char* name, int* pids, unsigned capacity, unsigned* count,
                             unsigned* error) {
    if (!name || !pids || capacity == 0 || !count) return -2;
    *count = 0;
    if (error) *error = 0;
    DIR* dir = opendir("/proc");
    if (!dir) {
        if (error) *error = unsigned(errno);
        return -3;
    }
    std::vector<int> found;
    int result = 0;
    try {
        while (dirent* e = readdir(dir)) {
            char* end = nullptr;
            long pid = std::strtol(e->d_name, &end, 10);
            if (*end || pid <= 0) continue;
            char comm[32];
            // The process may have ended since the folder was read.
            if (!readComm(e->d_name, comm, sizeof comm)) continue;
            if (std::strncmp(comm, name, kCommLength) == 0) found.push_back(int(pid));
        }
    } catch (const std::bad_alloc&) {
        if (error) *error = ENOMEM;
        result = -4;
    }
    closedir(dir);
    if (result) return result;
    if (found.empty()) return -1;
    if (found.size() > capacity) return -5;
    std::copy(found.begin(), found.end(), pids);
    *count = unsigned(found.size());
    return 0;
}

int GetPIDForProcessName(const char* name) {
    int pids[2];
    unsigned count = 0;
    unsigned error = 0;
    if (GetAllPIDsForProcessName(name, pids, 2, &count, &error) != 0 || count != 1) return -1;
    return pids[0];
}

int CountPIDsForProcessName(const char* name) {
    int pids[8];
    unsigned count = 0;
    unsigned error = 0;
    if (GetAllPIDsForProcessName(name, pids, 8, &count, &error) != 0) return -1;
    return int(count);
}

namespace {
int gOSMajor = 0;
int gOSMinor = 0;
std::once_flag gOSOnce;
}  // namespace

void getOSVersion() {
    std::call_once(gOSOnce, [] {
        utsname u{};
        if (uname(&u) == 0) std::sscanf(u.release, "%d.%d", &gOSMajor, &gOSMinor);
    });
}

int OSMajorVersion() {
    getOSVersion();
    return gOSMajor;
}

int OSMinorVersion() {
    getOSVersion();
    return gOSMinor;
}

bool IsSonomaOrGreater() {
    return true;
}
bool IsBigSurOrGreater() {
    return true;
}
bool IsMojaveOrGreater() {
    return true;
}

void MachTimeInit() {
    // The steady clock counts in nanoseconds already: there is no time base
    // to look up, and nothing to report at start.
}

uint64_t MachAbsoluteTime() {
    MachTimeInit();
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

void MachWaitUntil(uint64_t nanoseconds) {
    MachTimeInit();
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::nanoseconds(nanoseconds))));
}

void init_condition(condition_variable* c) {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    // Timed waits are relative, so the monotonic clock keeps them immune to
    // wall-clock changes.
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&c->cond, &attr);
    pthread_condattr_destroy(&attr);
    pthread_mutex_init(&c->mutex, nullptr);
}

void wait_on_condition(condition_variable* c, int ms) {
    long long micros = ms < 0 ? -(long long)ms : (long long)ms * 1000;
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    long long nsec = deadline.tv_nsec + (micros % 1000000) * 1000;
    deadline.tv_sec += time_t(micros / 1000000 + nsec / 1000000000);
    deadline.tv_nsec = long(nsec % 1000000000);
    pthread_mutex_lock(&c->mutex);
    pthread_cond_timedwait(&c->cond, &c->mutex, &deadline);
    pthread_mutex_unlock(&c->mutex);
}

void signal_condition(condition_variable* c) {
    pthread_mutex_lock(&c->mutex);
    pthread_cond_signal(&c->cond);
    pthread_mutex_unlock(&c->mutex);
}
