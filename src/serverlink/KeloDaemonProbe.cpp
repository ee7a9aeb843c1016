#include "serverlink/KeloDaemonProbe.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmxProcess.h"

KeloDaemonProbe::KeloDaemonProbe(PidLookup lookup) : lookup_(std::move(lookup)) {}

bool KeloDaemonProbe::checkForDaemon() {
    const char* name = "KeloDaemon";
    const int pid = lookup_ ? lookup_(name) : GetPIDForProcessName(name);
    if (pid == KeloDaemonPID_) return false;
    KeloDaemonPID_ = pid;
    daemonRunning_ = pid > 0;
    kelo::puts(daemonRunning_ ? "local KeloDaemon running" : "local KeloDaemon not running");
    return true;
}
