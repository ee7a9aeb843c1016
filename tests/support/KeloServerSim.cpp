#include "support/KeloServerSim.h"

#include "platform/PropertyList.h"
#include "support/ContentEditorSim.h"
#include "support/SimContentItems.h"
#include "support/SimPreferences.h"
#include "support/SimPreferenceSet.h"
#include "support/SimRequests.h"
#include "support/WireBuilders.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>

namespace {

constexpr int64_t kSecondNs = 1000000000;
constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 90;
constexpr int kOutputWidth = 1920;
constexpr int kOutputHeight = 1080;
constexpr uint32_t kDaemonVersion = 0x04010000;

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint32_t fixed24_8(double seconds) {
    return uint32_t(std::max(0.0, seconds) * 256.0);
}

double layerLength(int layer) {
    return 20.0 + 10.0 * layer;
}

// Each layer plays its clip in a loop at its own speed, so positions move.
double layerPosition(int layer, double elapsed) {
    return std::fmod(elapsed * (1.0 + 0.25 * (layer % 3)) + 2.5 * layer, layerLength(layer));
}

uint8_t layerLevel(int layer) {
    return uint8_t(255 - 16 * (layer % 15));
}

WireBuilders::LayerStatus layerStatus(int layer, double elapsed) {
    WireBuilders::LayerStatus s;
    s.level = layerLevel(layer);
    s.mediaFolder = uint8_t(1 + layer / 4);
    s.mediaFile = uint8_t(1 + layer);
    s.objectFile = 1;
    s.length = fixed24_8(layerLength(layer));
    s.position = fixed24_8(layerPosition(layer, elapsed));
    s.outPoint = fixed24_8(layerLength(layer));
    return s;
}

QByteArray layerDetail(int layer, double elapsed) {
    WireBuilders::LayerDetail d;
    d.level = layerLevel(layer);
    d.library = uint8_t(1 + layer / 4);
    d.number = uint8_t(1 + layer);
    d.playSpeed = 128;
    d.saturation = 255;
    d.objectNumber = 1;
    d.width = kOutputWidth;
    d.height = kOutputHeight;
    d.codec = "avc1";
    d.length = fixed24_8(layerLength(layer));
    d.position = fixed24_8(layerPosition(layer, elapsed));
    d.outPoint = fixed24_8(layerLength(layer));
    d.fileFps = 25 << 8;
    d.playFps = 25 << 8;
    d.decompressMs = 4;
    d.fileMs = 2;
    d.clipName = QString::asprintf("clip_%02d.mov", layer + 1).toUtf8();
    d.objectName = "quad";
    return WireBuilders::layerDetail(d);
}

// Time code as hours, minutes, seconds and frames (25 per second) in the
// four bytes, first the hours.
uint32_t timeCode(double elapsed) {
    const auto frames = uint64_t(elapsed * 25.0);
    const uint32_t ff = frames % 25, ss = (frames / 25) % 60, mm = (frames / 1500) % 60,
                   hh = (frames / 90000) % 24;
    return hh << 24 | mm << 16 | ss << 8 | ff;
}

// A small picture whose colour says which server and picture it is and whose
// bars move with the clip position and the clock.
QByteArray previewJpeg(uint32_t address, int kind, int num, double position, double elapsed) {
    struct Compressor {
        tjhandle handle = tjInitCompress();
        ~Compressor() {
            if (handle) tjDestroy(handle);
        }
    };
    thread_local Compressor compressor;
    if (!compressor.handle) return {};

    std::vector<unsigned char> rgb(kPreviewWidth * kPreviewHeight * 3);
    const int seed = int(address & 0xFF) * 37 + kind * 11 + num * 53;
    const int barX = int(position * 7.0) % kPreviewWidth;
    const int stripeY = int(elapsed * 20.0) % kPreviewHeight;
    for (int y = 0; y < kPreviewHeight; ++y) {
        for (int x = 0; x < kPreviewWidth; ++x) {
            unsigned char* p = &rgb[(y * kPreviewWidth + x) * 3];
            p[0] = uint8_t(seed + x);
            p[1] = uint8_t(seed * 3 + y * 2);
            p[2] = uint8_t(seed * 7);
            if (std::abs(x - barX) < 4 || std::abs(y - stripeY) < 2) p[0] = p[1] = p[2] = 250;
        }
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(compressor.handle, rgb.data(), kPreviewWidth, 0, kPreviewHeight, TJPF_RGB, &out,
                    &size, TJSAMP_420, 70, TJFLAG_FASTDCT) != 0) {
        tjFree(out);
        return {};
    }
    QByteArray jpeg(reinterpret_cast<const char*>(out), int(size));
    tjFree(out);
    return jpeg;
}

QByteArray previewRecord(const KeloServerSim::Config& c, uint16_t typeWord, int kind, int num,
                         double position, double elapsed) {
    const QByteArray jpeg = previewJpeg(c.address, kind, num, position, elapsed);
    if (jpeg.isEmpty()) return {};
    return WireBuilders::previewRecord(typeWord, kPreviewWidth, kPreviewHeight, kOutputWidth,
                                       kOutputHeight, jpeg);
}

QByteArray announcement(const KeloServerSim::Config& c) {
    return WireBuilders::citpPLoc(c.tcpPort, "MediaServer", c.name,
                                  c.running ? QByteArray("Running") : QByteArray("Stopped"));
}

QByteArray transferBeacon(const KeloServerSim::Config& c) {
    return WireBuilders::transferBeacon(kDaemonVersion, uint32_t(c.vMajor) << 24 | c.vMinor << 16,
                                        0, 0, 0xFF000000, c.bftpPort, c.collectionID,
                                        c.contentTimeStamp);
}

}  // namespace

struct KeloServerSim::Server {
    Config config;
    int statusFd = -1;
    int prefsFd = -1;
    bool announcing = true;
    bool answering = true;
    Counters counters;
    uint32_t replyAddress = 0;  // host order
    uint16_t replyPort = 0;
    int64_t nextAnnounceNs = 0;
    int serial = 0;
    QVariantMap prefs;
    std::deque<Received> received;
    ContentEditorSim contentEditor;
    QByteArray contentEditorReply;
    // The preference dictionary as last sent, and the update counter it
    // carries; empty once the dictionary changed.
    QByteArray prefsReply;
    uint8_t prefsReplyUpdates = 0;
    mutable std::mutex lock;  // all of the above, between its thread and commands
};

std::unique_lock<std::mutex> KeloServerSim::lockServer(int i) const {
    if (i < 0 || i >= serverCount()) return {};
    return std::unique_lock(servers_[i]->lock);
}

KeloServerSim::KeloServerSim() : KeloServerSim(Network{}) {}

KeloServerSim::KeloServerSim(const Network& network) : network_(network) {}

KeloServerSim::~KeloServerSim() {
    stop();
}

int KeloServerSim::addServer(const Config& config) {
    auto s = std::make_unique<Server>();
    s->config = config;
    s->config.layerCount = std::clamp(config.layerCount, 0, 24);
    s->config.outputs = std::clamp(config.outputs, 1, 32);
    s->prefs = preferenceDictionary(s->config);
    if (config.standardContentItems)
        for (const SimContentItems::Item& item : SimContentItems::standardItems())
            s->contentEditor.setItem(item.kind, item.ident, item.text);
    servers_.push_back(std::move(s));
    return int(servers_.size()) - 1;
}

void KeloServerSim::addServers(int count, uint32_t base, const QByteArray& prefix) {
    for (int i = 0; i < count; ++i) {
        Config c;
        c.name = prefix + ' ' + QByteArray::number(i + 1);
        c.address = base + uint32_t(i);
        c.layerCount = 4 + i % 9;
        c.collectionID = uint8_t(1 + i % 4);
        c.alias = "Stage " + QByteArray::number(i + 1);
        addServer(c);
    }
}

bool KeloServerSim::start(QString* error) {
    if (!threads_.empty()) return true;
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        stop();
        return false;
    };
    for (auto& s : servers_) {
        for (uint16_t port : {network_.statusPort, network_.prefsPort}) {
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) return fail(QString("socket: %1").arg(strerror(errno)));
            (port == network_.statusPort ? s->statusFd : s->prefsFd) = fd;
            const int one = 1, buffer = 262144;
            setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_addr.s_addr = htonl(s->config.address);
            sa.sin_port = htons(port);
            if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
                return fail(QString("bind %1:%2: %3")
                                .arg(QString::fromLatin1(inet_ntoa(sa.sin_addr)))
                                .arg(port)
                                .arg(strerror(errno)));
            }
        }
        // Announcements leave by the server's own address, so that the
        // controller sees them come from it.
        in_addr ifaddr{htonl(s->config.address)};
        if (setsockopt(s->statusFd, IPPROTO_IP, IP_MULTICAST_IF, &ifaddr, sizeof ifaddr) != 0)
            return fail(QString("IP_MULTICAST_IF: %1").arg(strerror(errno)));
    }
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return fail(QString("eventfd: %1").arg(strerror(errno)));

    startNs_ = monotonicNs();
    // Spread the announcements over the second so that many servers do not
    // burst into the controller's receive buffer together.
    const int n = int(servers_.size());
    for (int i = 0; i < n; ++i) servers_[i]->nextAnnounceNs = startNs_ + kSecondNs * i / n;
    stopping_ = false;
    const size_t threads =
        size_t(std::clamp((n + kServersPerThread - 1) / kServersPerThread, 1, kMaxThreads));
    std::vector<int> epollFds;
    for (size_t t = 0; t < threads; ++t) {
        const int fd = epoll_create1(EPOLL_CLOEXEC);
        if (fd < 0) {
            for (int e : epollFds) close(e);
            return fail(QString("epoll_create1: %1").arg(strerror(errno)));
        }
        epollFds.push_back(fd);
    }
    for (size_t t = 0; t < threads; ++t) {
        const size_t first = size_t(n) * t / threads, end = size_t(n) * (t + 1) / threads;
        threads_.emplace_back([this, fd = epollFds[t], first, end] { run(fd, first, end); });
    }
    return true;
}

void KeloServerSim::stop() {
    if (!threads_.empty()) {
        stopping_ = true;
        // Never read: it stays readable, so every thread sees it.
        const uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }
    if (wakeFd_ >= 0) close(wakeFd_);
    wakeFd_ = -1;
    for (auto& s : servers_) {
        if (s->statusFd >= 0) close(s->statusFd);
        if (s->prefsFd >= 0) close(s->prefsFd);
        s->statusFd = s->prefsFd = -1;
    }
}

double KeloServerSim::elapsed() const {
    return double(monotonicNs() - startNs_) / 1e9;
}

void KeloServerSim::run(int epollFd, size_t first, size_t end) {
    // Event data: the server index times two, plus one for its preference
    // socket; the wake descriptor has all bits set.
    constexpr uint64_t kWake = ~uint64_t(0);
    auto watch = [&](int fd, uint64_t data) {
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u64 = data;
        epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &e);
    };
    watch(wakeFd_, kWake);
    for (size_t i = first; i < end; ++i) {
        watch(servers_[i]->statusFd, 2 * i);
        watch(servers_[i]->prefsFd, 2 * i + 1);
    }
    std::vector<epoll_event> events(256);
    std::vector<char> buffer(SimRequests::kMaxReceived);
    int64_t nextAnnounce = 0;
    while (!stopping_) {
        const int64_t now = monotonicNs();
        if (now >= nextAnnounce) {
            nextAnnounce = now + kSecondNs;
            for (size_t i = first; i < end; ++i) {
                Server& s = *servers_[i];
                std::lock_guard<std::mutex> guard(s.lock);
                if (now >= s.nextAnnounceNs) {
                    if (s.announcing) announce(s);
                    s.nextAnnounceNs += kSecondNs;
                    if (s.nextAnnounceNs <= now) s.nextAnnounceNs = now + kSecondNs;
                }
                nextAnnounce = std::min(nextAnnounce, s.nextAnnounceNs);
            }
        }
        const int timeoutMs =
            int(std::clamp<int64_t>((nextAnnounce - now + 999999) / 1000000, 0, 1000));
        const int ready = epoll_wait(epollFd, events.data(), int(events.size()), timeoutMs);
        // One datagram per ready socket and pass: a socket that holds more
        // is reported again, and a busy server cannot starve the others.
        for (int k = 0; k < ready && !stopping_; ++k) {
            const uint64_t data = events[size_t(k)].data.u64;
            if (data == kWake) continue;
            Server& s = *servers_[data / 2];
            const int fd = data % 2 ? s.prefsFd : s.statusFd;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0) continue;
            std::lock_guard<std::mutex> guard(s.lock);
            handle(s, fd, buffer.data(), size_t(n), from);
        }
    }
    close(epollFd);
}

void KeloServerSim::announce(Server& s) {
    const QByteArray ploc = announcement(s.config);
    const QByteArray bftt = transferBeacon(s.config);
    for (const QByteArray& d : {ploc, bftt}) {
        sendTo(s.statusFd, d, network_.citpGroup, network_.citpPort);
        if (network_.controller) sendTo(s.statusFd, d, network_.controller, network_.citpPort);
    }
    ++s.counters.announcements;
}

bool KeloServerSim::sendTo(int fd, const QByteArray& datagram, uint32_t address, uint16_t port) {
    if (fd < 0 || datagram.size() > WireBuilders::kMaxDatagram) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return sendto(fd, datagram.constData(), size_t(datagram.size()), 0,
                  reinterpret_cast<sockaddr*>(&to), sizeof to) == datagram.size();
}

void KeloServerSim::handle(Server& s, int fd, const char* data, size_t size,
                           const sockaddr_in& from) {
    s.received.push_back({fd == s.prefsFd ? network_.prefsPort : network_.statusPort,
                          QByteArray(data, qsizetype(size))});
    if (s.received.size() > kMaxReceivedLog) s.received.pop_front();
    using namespace WireBuilders;
    // A collection assignment: "KlEC", its length, "COLL" and the new ID,
    // announced from the next transfer beacon on.
    if (size == 13 && std::memcmp(data, "KlEC", 4) == 0 && std::memcmp(data + 8, "COLL", 4) == 0) {
        ++s.counters.otherDatagrams;
        if (s.config.acceptsCollection) s.config.collectionID = uint8_t(data[12]);
        return;
    }
    const std::optional<uint8_t> messageOp = SimRequests::serverMessageOp(data, size);
    if (!messageOp || size < 14) {
        ++s.counters.otherDatagrams;
        return;
    }
    s.replyAddress = ntohl(from.sin_addr.s_addr);
    s.replyPort = ntohs(from.sin_port);
    const uint8_t op = *messageOp;
    QByteArray reply;
    switch (op) {
        case kStatusRequest: {
            ++s.counters.statusRequests;
            const uint16_t word = SimRequests::requestWord(data, size);
            if (s.answering) reply = replyToStatusRequest(s.config, word, elapsed(), s.serial++);
            break;
        }
        case kPrefsDictRequest: {
            ++s.counters.prefsDictRequests;
            if (s.answering) reply = prefsDictReply(s);
            break;
        }
        case kGetPref: {
            ++s.counters.getPrefRequests;
            QByteArray key;
            if (!s.answering || !SimRequests::readText(data, size, 16, &key, nullptr)) break;
            const QVariantMap entry = s.prefs.value(QString::fromUtf8(key)).toMap();
            if (entry.isEmpty()) break;
            reply = onePref(key, entry.value("_value"));
            break;
        }
        case kSetPref: {
            ++s.counters.setPrefRequests;
            QByteArray key, value;
            size_t end = 0;
            if (!SimRequests::readText(data, size, 16, &key, &end) ||
                !SimRequests::readText(data, size, end, &value, nullptr))
                break;
            const QString k = QString::fromUtf8(key);
            if (!s.prefs.contains(k)) break;
            // Stored by the value rule and echoed, so that the controller
            // shows what the server now holds, also when it kept its value.
            storePreference(s, k, value, true);
            if (s.answering && s.config.echoPreferenceSets)
                reply = onePref(key, s.prefs.value(k).toMap().value("_value"));
            break;
        }
        case kContentQuery:
        case kContentSet:
            if (s.contentEditor.receive(data, size) && op == kContentQuery && s.answering) {
                const QByteArray answer =
                    s.contentEditorReply.isEmpty()
                        ? s.contentEditor.answer(s.contentEditor.messages().back().text)
                        : s.contentEditorReply;
                if (!answer.isEmpty()) sendContentItem(s, fd, answer);
            }
            if (const QByteArray ack = s.contentEditor.takeSetReply(); !ack.isEmpty() && s.answering)
                sendContentItem(s, fd, ack);
            break;
        default:
            ++s.counters.otherDatagrams;
            break;
    }
    if (!reply.isEmpty() && sendTo(fd, reply, s.replyAddress, s.replyPort))
        ++s.counters.repliesSent;
}

QByteArray KeloServerSim::onePref(const QByteArray& key, const QVariant& value) {
    return WireBuilders::serverMessage(WireBuilders::kOnePref, 0,
                                       key + '\0' + SimPreferences::valueText(value) + '\0');
}

bool KeloServerSim::storePreference(Server& s, const QString& key, const QByteArray& text,
                                    bool byController) {
    QVariantMap entry = s.prefs.value(key).toMap();
    if (entry.isEmpty() || !SimPreferences::applyValue(entry, text)) return false;
    s.prefs[key] = entry;
    s.prefsReply.clear();
    if (key == "alias") s.config.alias = text.left(59);
    if (key == "layerCount") s.config.layerCount = std::clamp(text.toInt(), 0, 24);
    // The counter runs in the low six bits; 0x40 says the change came from
    // a controller.
    s.config.prefUpdates =
        uint8_t(((s.config.prefUpdates & 0x3F) % 63 + 1) | (byController ? 0x40 : 0));
    return true;
}

const QByteArray& KeloServerSim::prefsDictReply(Server& s) {
    // Written afresh only when the dictionary or its counter changed: a
    // controller asks again every tick until one arrives.
    if (!s.prefsReply.isEmpty() && s.prefsReplyUpdates == s.config.prefUpdates) return s.prefsReply;
    QVariantMap prefs = s.prefs;
    for (auto it = prefs.begin(); it != prefs.end(); ++it) {
        QVariantMap entry = it->toMap();
        entry["_prefUpdates"] = qint64(s.config.prefUpdates);
        *it = entry;
    }
    const QByteArray text = PropertyList::write(prefs, PropertyList::Format::Xml);
    s.prefsReply = WireBuilders::serverMessage(WireBuilders::kPrefsDict, 0, text + '\0');
    s.prefsReplyUpdates = s.config.prefUpdates;
    return s.prefsReply;
}

bool KeloServerSim::sendContentItem(Server& s, int fd, const QByteArray& text) {
    if (s.replyPort == 0) return false;
    bool first = true;
    for (const QByteArray& d : ContentEditorSim::contentItemDatagrams(text)) {
        // The controller handles one datagram at a time on its main thread.
        if (!first) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        first = false;
        if (!sendTo(fd, d, s.replyAddress, s.replyPort)) return false;
    }
    ++s.counters.repliesSent;
    return true;
}

std::vector<ContentEditorSim::Message> KeloServerSim::contentEditorMessages(int i) const {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() ? servers_[i]->contentEditor.messages()
                                       : std::vector<ContentEditorSim::Message>{};
}

void KeloServerSim::setContentEditorReply(int i, const QByteArray& text) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->contentEditorReply = text;
}

void KeloServerSim::setContentItem(int i, const QByteArray& kind, const QByteArray& ident,
                                   const QByteArray& text) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->contentEditor.setItem(kind, ident, text);
}

QByteArray KeloServerSim::contentItem(int i, const QByteArray& kind,
                                      const QByteArray& ident) const {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() ? servers_[i]->contentEditor.item(kind, ident)
                                       : QByteArray();
}

void KeloServerSim::withMultiScreen(int i, const std::function<void(MultiScreenSim&)>& fn) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) fn(servers_[i]->contentEditor.multiScreen());
}

bool KeloServerSim::sendContentItem(int i, const QByteArray& text) {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() && sendContentItem(*servers_[i], servers_[i]->prefsFd, text);
}

QByteArray KeloServerSim::replyToStatusRequest(const Config& c, uint16_t word, double elapsed,
                                               int serial) {
    WireBuilders::GeneralStatus g;
    g.usbStat = 1;
    g.universe = c.universe;
    g.profile = c.profile;
    g.width = kOutputWidth;
    g.height = kOutputHeight;
    g.dmxSourceIp = 0x7F000001;
    g.fps = 60;
    g.timeCode = timeCode(elapsed);
    g.expanded = c.expanded;
    g.layerCount = uint8_t(c.layerCount);
    g.vMajor = uint8_t(c.vMajor);
    g.vMinor = uint8_t(c.vMinor);
    g.dimmer1 = 255;
    g.dimmer2 = 200;
    g.groups[0] = 1;
    g.groups[1] = 2;
    g.groups[2] = 3;
    g.prefUpdates = c.prefUpdates;
    g.prefIncrType = uint8_t(serial % 13);
    g.outputCount = uint8_t(c.outputs);
    if (c.vMajor == 3 && c.vMinor >= 6) g.flags = uint8_t(std::min(c.outputs, 7));
    const int blocks = std::max(1, (c.layerCount + 13) / 14);
    const int block = serial % blocks;
    g.flexBlock = uint8_t(block);
    for (int i = 0; i < 14 && 14 * block + i < c.layerCount; ++i)
        g.layers.push_back(layerStatus(14 * block + i, elapsed));
    g.version = QString::asprintf("%d.%d.0 sim", c.vMajor, c.vMinor).toUtf8();
    g.alias = c.alias;
    const QByteArray general = WireBuilders::statusRecord(1, WireBuilders::generalStatus(g));

    auto detail = [&](uint16_t typeWord, int layer) {
        return WireBuilders::statusRecord(typeWord, layerDetail(layer, elapsed));
    };

    // Servers before version 4 number their layer details in the packed form.
    auto rotatingDetail = [&] {
        if (c.layerCount <= 0) return QByteArray();
        const int layer = serial % c.layerCount;
        return detail(uint16_t(c.vMajor < 4 ? 3 + layer : 0x8800 | (layer + 1)), layer);
    };

    QByteArray records = general;
    const uint16_t type = word & 0xE000;
    const int num = word & 0x3FF;
    const int code = (word >> 8) & 0xF;  // packed form: 1 and 2 the outputs, 3 and up the layers
    if (type == 0 && code >= 3 && code - 3 < c.layerCount) {
        records += previewRecord(c, word, 0, code - 3, layerPosition(code - 3, elapsed), elapsed);
    } else if (type == 0 && (code == 1 || code == 2)) {
        records += previewRecord(c, word, 1, code - 1, elapsed, elapsed);
    } else if (type == WireBuilders::kLayerImageRequest && num >= 1 && num <= c.layerCount) {
        records += detail(uint16_t(0x8800 | num), num - 1);
        records += previewRecord(c, uint16_t(0x8000 | num), 0, num - 1,
                                 layerPosition(num - 1, elapsed), elapsed);
    } else if (type == WireBuilders::kOutputImageRequest && num <= c.outputs) {
        records += previewRecord(c, uint16_t(0x4000 | num), 1, num, elapsed, elapsed);
    } else if (type == WireBuilders::kMixImageRequest && num >= 1 && num < c.mixes) {
        records += previewRecord(c, uint16_t(0x2000 | num), 2, num, elapsed, elapsed);
    } else {
        records += rotatingDetail();
    }
    return WireBuilders::serverHeader(WireBuilders::kStatusReply) + records + QByteArray(2, '\0');
}

QVariantMap KeloServerSim::preferenceDictionary(const Config& c) {
    SimPreferences::Identity id;
    id.name = c.name;
    id.alias = c.alias;
    id.universe = c.universe;
    id.layerCount = c.layerCount;
    id.outputs = c.outputs;
    id.width = kOutputWidth;
    id.height = kOutputHeight;
    QVariantMap prefs = SimPreferences::standardDictionary(id);
    for (auto it = c.preferences.begin(); it != c.preferences.end(); ++it) {
        if (it->isValid())
            prefs.insert(it.key(), *it);
        else
            prefs.remove(it.key());
    }
    return prefs;
}

void KeloServerSim::setAnnouncing(int i, bool on) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->announcing = on;
}

void KeloServerSim::setAnswering(int i, bool on) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->answering = on;
}

void KeloServerSim::setRunning(int i, bool running) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->config.running = running;
}

void KeloServerSim::setAlias(int i, const QByteArray& alias) {
    const auto guard = lockServer(i);
    if (i < 0 || i >= serverCount()) return;
    servers_[i]->config.alias = alias.left(59);
    QVariantMap entry = servers_[i]->prefs.value("alias").toMap();
    entry["_value"] = QString::fromUtf8(alias.left(59));
    servers_[i]->prefs["alias"] = entry;
    servers_[i]->prefsReply.clear();
}

bool KeloServerSim::setPreference(int i, const QString& key, const QByteArray& text) {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() && storePreference(*servers_[i], key, text, false);
}

QVariantMap KeloServerSim::preference(int i, const QString& key) const {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() ? servers_[i]->prefs.value(key).toMap() : QVariantMap();
}

void KeloServerSim::setContentTimeStamp(int i, const QByteArray& stamp) {
    const auto guard = lockServer(i);
    if (i >= 0 && i < serverCount()) servers_[i]->config.contentTimeStamp = stamp;
}

void KeloServerSim::setLayerCount(int i, int layers) {
    const auto guard = lockServer(i);
    if (i < 0 || i >= serverCount()) return;
    Server& s = *servers_[i];
    s.config.layerCount = std::clamp(layers, 0, 24);
    QVariantMap entry = s.prefs.value("layerCount").toMap();
    entry["_value"] = QString::number(s.config.layerCount);
    s.prefs["layerCount"] = entry;
    s.prefsReply.clear();
}

bool KeloServerSim::sendDatagram(int i, const QByteArray& datagram, Target target) {
    const auto guard = lockServer(i);
    if (i < 0 || i >= serverCount()) return false;
    Server& s = *servers_[i];
    if (target == Target::ReplyPort)
        return s.replyPort != 0 && sendTo(s.statusFd, datagram, s.replyAddress, s.replyPort);
    bool sent = sendTo(s.statusFd, datagram, network_.citpGroup, network_.citpPort);
    if (network_.controller)
        sent = sendTo(s.statusFd, datagram, network_.controller, network_.citpPort) && sent;
    return sent;
}

int KeloServerSim::sendHostile(int i) {
    int sent = 0;
    for (const Hostile& h : hostileDatagrams(config(i).name)) {
        if (sendDatagram(i, h.bytes, h.target)) ++sent;
        // Paced, so that none is lost to a full receive buffer.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return sent;
}

KeloServerSim::Counters KeloServerSim::counters(int i) const {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() ? servers_[i]->counters : Counters{};
}

std::vector<KeloServerSim::Received> KeloServerSim::received(int i) const {
    const auto guard = lockServer(i);
    if (i < 0 || i >= serverCount()) return {};
    return {servers_[i]->received.begin(), servers_[i]->received.end()};
}

std::vector<KeloServerSim::Received> KeloServerSim::takeReceived(int i) {
    const auto guard = lockServer(i);
    if (i < 0 || i >= serverCount()) return {};
    std::deque<Received> taken;
    taken.swap(servers_[i]->received);
    return {taken.begin(), taken.end()};
}

KeloServerSim::Config KeloServerSim::config(int i) const {
    const auto guard = lockServer(i);
    return i >= 0 && i < serverCount() ? servers_[i]->config : Config{};
}

std::vector<KeloServerSim::Hostile> KeloServerSim::hostileDatagrams(const QByteArray& name) {
    using namespace WireBuilders;
    const Target reply = Target::ReplyPort, discovery = Target::DiscoveryPort;
    std::vector<Hostile> list;

    // Server messages on the reply port.
    list.push_back({"empty datagram", QByteArray(), reply});
    list.push_back({"header cut after 7 bytes", serverHeader(kStatusReply).left(7), reply});
    QByteArray noNul = serverHeader(kStatusReply) + QByteArray(2, '\0');
    noNul[9] = 'X';
    list.push_back({"magic without its NUL", noNul, reply});
    list.push_back({"status reply without records", serverHeader(kStatusReply), reply});
    list.push_back({"status reply ending at once", statusReply({}), reply});
    list.push_back({"record longer than the datagram",
                    statusReply({statusRecord(1, QByteArray(100, 'x'), 0xFFFF)}, false), reply});
    list.push_back(
        {"record length 1", statusReply({statusRecord(1, QByteArray(8, 'y'), 1)}), reply});
    list.push_back(
        {"record length 3", statusReply({statusRecord(1, QByteArray(8, 'y'), 3)}), reply});
    list.push_back({"general status of 459 bytes",
                    statusReply({statusRecord(1, QByteArray(455, 'g'))}), reply});
    list.push_back({"general status cut short",
                    statusReply({statusRecord(1, QByteArray(100, 'g'), 460)}, false), reply});
    list.push_back({"layer detail of layer 1022",
                    statusReply({statusRecord(0x8BFF, QByteArray(192, 'd'))}), reply});
    list.push_back({"preview data longer than its record",
                    statusReply({previewRecord(0x8001, 16, 16, 64, 64, "\xFF\xD8junk", 60000)}),
                    reply});
    // A record for no picture ends the walk: the general status after it
    // must not be filed.
    list.push_back({"general status after a picture that does not exist",
                    statusReply({previewRecord(0x8000, 16, 16, 64, 64, "\xFF\xD8"),
                                 statusRecord(1, QByteArray(456, '\x7F'))}),
                    reply});
    QByteArray noise = serverHeader(kStatusReply);
    noise.append(char(0xFF)).append(char(0xFF));
    for (int i = 0; noise.size() < 65000; ++i) noise.append(char((i * 7919 + 13) >> 3));
    list.push_back({"65000 bytes of noise as a status reply", noise, reply});
    list.push_back({"preference dictionary longer than the datagram",
                    serverMessage(kPrefsDict, 0, "<plist>", 60000), reply});
    list.push_back({"preference dictionary that is no property list",
                    serverMessage(kPrefsDict, 0, QByteArray("not a plist\0", 12)), reply});
    list.push_back(
        {"preference dictionary that is an array",
         serverMessage(kPrefsDict, 0,
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><array>"
                       "<string>a</string><string>b</string></array></plist>"),
         reply});
    list.push_back({"empty preference dictionary", serverMessage(kPrefsDict, 0, ""), reply});
    list.push_back({"preference dictionary nested 9000 deep",
                    serverMessage(kPrefsDict, 0,
                                  "<plist version=\"1.0\">" + QByteArray("<array>").repeated(9000)),
                    reply});
    // Binary property list whose only array holds itself.
    QByteArray cycle("bplist00\xA1\x00\x08", 11);
    cycle.append(QByteArray(6, '\0')).append(char(1)).append(char(1));
    for (uint64_t v : {uint64_t(1), uint64_t(0), uint64_t(10)}) {
        char b[8];
        qToBigEndian<quint64>(v, b);
        cycle.append(b, 8);
    }
    list.push_back({"binary preference dictionary containing itself",
                    serverMessage(kPrefsDict, 0, cycle), reply});
    list.push_back(
        {"one preference without NUL", serverMessage(kOnePref, 0, "alias-no-nul"), reply});
    list.push_back({"one preference of an unknown key",
                    serverMessage(kOnePref, 0, QByteArray("noSuchKey\0v\0", 12)), reply});
    list.push_back({"content fragment of noise",
                    serverMessage(kContentItemData, 0x0100, QByteArray(40, '\x5A')), reply});
    list.push_back({"content fragment claiming more than it holds",
                    serverMessage(kContentItemData, 0x0100, QByteArray(40, '\x01'), 65000), reply});
    list.push_back({"content text without NUL", serverMessage(kContentItemData, 0, "abc"), reply});
    list.push_back({"unknown op 99", serverMessage(99, 0, QByteArray(20, 'u')), reply});

    // Discovery packets. Each presence message says "Stopped", so one that
    // is wrongly taken shows in the server's running state.
    list.push_back({"presence with message size 41",
                    citpPLoc(4811, "MediaServer", name, "Stopped", 41), discovery});
    list.push_back({"presence with message size 2^32-1",
                    citpPLoc(4811, "MediaServer", name, "Stopped", 0xFFFFFFFF), discovery});
    list.push_back(
        {"presence of a longer type", citpPLoc(4811, "MediaServerX", name, "Stopped"), discovery});
    list.push_back({"presence of another kind of device",
                    citpPLoc(4811, "LightingConsole", name, "Stopped"), discovery});
    list.push_back(
        {"presence named Kel", citpPLoc(4811, "MediaServer", "Kel", "Stopped"), discovery});
    QByteArray cut = citpPLoc(4811, "MediaServer", name, "Stopped");
    cut.chop(int(sizeof "Stopped") + 1);  // the state, its NUL and the name's NUL
    qToLittleEndian<quint32>(quint32(cut.size()), cut.data() + 8);
    list.push_back({"presence whose name does not end", cut, discovery});
    QByteArray otherCitp = citpPLoc(4811, "MediaServer", name, "Stopped");
    otherCitp.replace(20, 4, "PNam");
    list.push_back({"CITP message of another kind", otherCitp, discovery});
    list.push_back(
        {"transfer beacon cut at 40 bytes",
         transferBeacon(kDaemonVersion, 0x04020000, 1, 2, 0xFFFFFF00, 4812, 99, "x").left(40),
         discovery});
    list.push_back(
        {"transfer beacon cut before its collection",
         transferBeacon(kDaemonVersion, 0x04020000, 1, 2, 0xFFFFFF00, 4812, 99, "x").left(62),
         discovery});
    QByteArray manager("BFTP");
    manager.append(28, '\0').append("BFTM");
    list.push_back({"manager beacon of 36 bytes", manager, discovery});
    QByteArray otherBftp("BFTP");
    otherBftp.append(28, '\0').append("BFTX").append(40, 'z');
    list.push_back({"BFTP beacon of another kind", otherBftp, discovery});
    return list;
}

bool KeloServerSim::loopbackOnlyNetwork() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool onlyLoopback = true;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if ((i->ifa_flags & IFF_UP) && !(i->ifa_flags & IFF_LOOPBACK)) onlyLoopback = false;
    }
    freeifaddrs(list);
    return onlyLoopback;
}
