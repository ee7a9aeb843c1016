#include "foundation/KeloPrintfLog.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<bool> gPrefixWithTime{false};

// printf and puts keep separate hour caches, each behind its own lock.
struct LockedTimeBase {
    std::mutex mutex;
    OmTimeBase base;

    void stamp(tm* out, int* milliseconds) {
        const uint64_t micros = getMicroS();
        *milliseconds = static_cast<int>(micros % 1000000 / 1000);
        std::lock_guard<std::mutex> lock(mutex);
        base.localTime(static_cast<time_t>(micros / 1000000), out);
    }
};

LockedTimeBase gPrintfTime;
LockedTimeBase gPutsTime;

}  // namespace

void KeloPrintfLog::setPrefixWithTime(bool on) {
    gPrefixWithTime = on;
}

int kelo::printf(const char* format, ...) {
    char buf[5000];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (gPrefixWithTime) {
        tm t;
        int ms;
        gPrintfTime.stamp(&t, &ms);
        std::fprintf(stdout, "%02d:%02d:%02d.%03d %s", t.tm_hour, t.tm_min, t.tm_sec, ms, buf);
    } else {
        std::fputs(buf, stdout);
    }
    return 0;
}

int kelo::puts(const char* text) {
    if (!text) return 0;
    if (gPrefixWithTime) {
        tm t;
        int ms;
        gPutsTime.stamp(&t, &ms);
        std::fprintf(stdout, "%02d:%02d:%02d.%03d %s\n", t.tm_hour, t.tm_min, t.tm_sec, ms, text);
    } else {
        std::fprintf(stdout, "%s\n", text);
    }
    return 0;
}
