#include "serverlink/KlSockets.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

sockaddr_in socketAddress(uint32_t address, uint16_t port) {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    sin.sin_addr.s_addr = htonl(address);
    return sin;
}

int setIntOption(int socket, int level, int option, int value) {
    return setsockopt(socket, level, option, &value, sizeof(value));
}

}  // namespace

int safesocket(int domain, int type, int protocol) {
    int s = socket(domain, type, protocol);
    if (s == 0) {
        OmLogNoFlood(kOmLogError,
                     "ERROR: someone must have closed socket 0.  ignoring and retrying");
        s = socket(domain, type, protocol);
        if (s == 0) return -1;
    }
    return s;
}

void safeCloseSocket(int socket) {
    if (socket <= 0) {
        OmLogNoFlood(kOmLogWarning, "trying to close bad socket %d", socket);
        return;
    }
    // An unconnected UDP socket answers ENOTCONN here but still wakes its readers.
    shutdown(socket, SHUT_RDWR);
    close(socket);
}

int setMulticastInterface(int socket, uint32_t interfaceAddress, bool verbose) {
    auto fail = [socket](const char* what) {
        OmLogNoFlood(kOmLogWarning, "      %s error '%s' errno %d", what, strerror(errno), errno);
        if (socket >= 1) close(socket);
        return -1;
    };
    setIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in sin = socketAddress(interfaceAddress, 0);
    if (bind(socket, reinterpret_cast<sockaddr*>(&sin), sizeof(sin)) < 0) {
        return fail("bind multicast interface");
    }
    in_addr ifaddr{};
    ifaddr.s_addr = htonl(interfaceAddress);
    if (setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, &ifaddr, sizeof(ifaddr)) < 0) {
        return fail("setsockopt(IP_MULTICAST_IF)");
    }
    sockaddr_in bound{};
    socklen_t len = sizeof(bound);
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &len) < 0) {
        return fail("getsockname");
    }
    if (verbose) {
        kelo::printf("socket %d bind, %x port %d\n", socket, ntohl(bound.sin_addr.s_addr),
                     ntohs(bound.sin_port));
    }
    return socket;
}

int createSocket(uint16_t port) {
    int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        OmLogNoFlood(kOmLogError, "    Error opening UDP socket! (%d)", errno);
        return -1;
    }
    sockaddr_in sin = socketAddress(INADDR_ANY, port);
    int rc = bind(s, reinterpret_cast<sockaddr*>(&sin), sizeof(sin));
    if (rc < 0) OmLogNoFlood(kOmLogError, "      bind returned %d", rc);
    return s;
}

int joinMulticastGroup(int socket, uint32_t group, uint32_t interfaceAddress) {
    ip_mreqn mreq{};
    mreq.imr_multiaddr.s_addr = htonl(group);
    mreq.imr_address.s_addr = htonl(interfaceAddress);
    return setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof(mreq));
}

int createMulticastSocket(uint16_t port, uint32_t group, uint32_t interfaceAddress,
                          bool setInterface, bool verbose) {
    if (verbose) {
        kelo::printf("createMulticastSocket for %08x, on port:%08x\n", group, interfaceAddress);
    }
    int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        OmLogNoFlood(kOmLogError, "    Error opening UDP socket! (%d)", errno);
        return -1;
    }
    auto report = [](const char* what, int rc) {
        OmLogNoFlood(kOmLogWarning, "      %s returned %d errno = %d", what, rc, errno);
    };
    int rc = setIntOption(s, SOL_SOCKET, SO_REUSEPORT, 1);
    if (rc < 0) report("setsockopt(SO_REUSEPORT)", rc);
    sockaddr_in sin = socketAddress(INADDR_ANY, port);
    rc = bind(s, reinterpret_cast<sockaddr*>(&sin), sizeof(sin));
    if (rc < 0) report("bind", rc);
    rc = setIntOption(s, SOL_SOCKET, SO_BROADCAST, 1);
    if (rc < 0) report("setsockopt(SO_BROADCAST)", rc);
    rc = joinMulticastGroup(s, group, interfaceAddress);
    if (rc < 0) report("setsockopt(IP_ADD_MEMBERSHIP)", rc);
    if (setInterface) {
        in_addr ifaddr{};
        ifaddr.s_addr = htonl(interfaceAddress);
        rc = setsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, &ifaddr, sizeof(ifaddr));
        if (rc < 0) report("setsockopt(IP_MULTICAST_IF)", rc);
    }
    return s;
}

QString getComputerName() {
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0) return QString();
    return QString::fromUtf8(name);
}

QString IpAddressString(uint32_t address) {
    return QString::asprintf("%d.%d.%d.%d", int(address >> 24), int((address >> 16) & 0xFF),
                             int((address >> 8) & 0xFF), int(address & 0xFF));
}
