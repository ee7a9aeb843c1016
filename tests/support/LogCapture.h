#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Standard output, where the log and the console lines go, for the span of
// one check.
class LogCapture {
public:
    LogCapture() {
        file_.open();
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        dup2(file_.handle(), STDOUT_FILENO);
    }
    ~LogCapture() { text(); }
    QByteArray text() {
        if (saved_ >= 0) {
            std::fflush(stdout);
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
            saved_ = -1;
        }
        file_.seek(0);
        return file_.readAll();
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};
