#pragma once

// The commands kelo-server-sim takes on its standard input, one per line,
// read and carried out against a host of simulated servers: what the
// servers' operators do (rename, change a preference, add or remove media)
// and what a test wants (silence, hostile datagrams). A line that cannot be
// carried out changes nothing and says why in one line.

#include <QByteArray>

class KeloServerSimHost;

class KeloServerSimCommands {
public:
    // A longer line is refused whole.
    static constexpr int kMaxLine = 4096;

    struct Result {
        bool quit = false;
        QByteArray output;  // for standard output; may be empty
        QByteArray error;   // one line for standard error; empty when it worked
    };

    explicit KeloServerSimCommands(KeloServerSimHost& host) : host_(host) {}

    Result run(const QByteArray& line);
    static const char* usage();

private:
    KeloServerSimHost& host_;
};
