#pragma once

// Shared by the log tests: a settable clock and capture of fd 1 / fd 2.
#include "foundation/OmLog.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <QTemporaryFile>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace logtest {

inline std::atomic<uint64_t> gNowMicros{0};
inline uint64_t fakeClock() {
    return gNowMicros.load();
}

// 2023-11-14 22:13:20 UTC; every test moves the clock on from here.
constexpr uint64_t kEpochStart = 1700000000ull * 1000000;

inline void setNow(uint64_t micros) {
    gNowMicros = micros;
}
inline void advanceSeconds(double seconds) {
    gNowMicros += static_cast<uint64_t>(std::llround(seconds * 1e6));
}

// Redirects one file descriptor (and its C stream) into a temporary file
// until text() is called or the object goes away.
class Capture {
public:
    explicit Capture(int fd = STDOUT_FILENO) : fd_(fd) {
        file_.open();
        flushStream();
        saved_ = dup(fd_);
        dup2(file_.handle(), fd_);
    }
    ~Capture() { restore(); }
    QByteArray text() {
        restore();
        file_.seek(0);
        return file_.readAll();
    }
    QList<QByteArray> lines() {
        QList<QByteArray> out = text().split('\n');
        if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
        return out;
    }

private:
    void flushStream() { std::fflush(fd_ == STDOUT_FILENO ? stdout : stderr); }
    void restore() {
        if (saved_ < 0) return;
        flushStream();
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    int fd_;
    int saved_ = -1;
    QTemporaryFile file_;
};

// Fixed clock and time zone, a fresh flood window and default level and flags
// for every test. The zone has daylight saving time, so that the hour cache
// meets both transitions.
class LogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        OmLogSetClock(fakeClock);
    }
    static void TearDownTestSuite() { OmLogSetClock(nullptr); }
    void SetUp() override {
        static uint64_t next = kEpochStart;
        next += 3600ull * 1000000;  // far from the previous test's window
        setNow(next);
        Capture discard;
        OmLog().checkFlood();
        OmLog().setLogLevel(kOmLogDebug);
    }
};

}  // namespace logtest
