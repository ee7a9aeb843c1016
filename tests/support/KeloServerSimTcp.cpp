#include "support/KeloServerSimTcp.h"

#include "platform/PropertyList.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr int kRequestSize = 20;
constexpr int kPollMs = 50;

int listenOn(uint32_t address, uint16_t port, QString* error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = QString("socket: %1").arg(strerror(errno));
        return -1;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 16) != 0) {
        *error = QString("listen %1:%2: %3")
                     .arg(QString::fromLatin1(inet_ntoa(sa.sin_addr)))
                     .arg(port)
                     .arg(strerror(errno));
        close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t w =
            send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += w;
    }
    return true;
}

// The 20-byte request, or less when the client sends less within 2 s.
QByteArray readRequest(int fd) {
    QByteArray request;
    char buf[kRequestSize];
    while (request.size() < kRequestSize) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) break;
        const ssize_t got = read(fd, buf, size_t(kRequestSize - request.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        request.append(buf, got);
    }
    return request;
}

QByteArray garbage() {
    QByteArray bytes;
    for (int i = 0; i < 64; ++i) bytes.append(char((i * 73 + 11) & 0xFF));
    return bytes;
}

QByteArray replyHeader(const char* tag, uint32_t length) {
    QByteArray header(16, '\0');
    std::memcpy(header.data(), "KlEC", 4);
    qToBigEndian<quint32>(16 + length, header.data() + 4);
    std::memcpy(header.data() + 8, tag, 4);
    qToBigEndian<quint32>(length, header.data() + 12);
    return header;
}

}  // namespace

KeloServerSimTcp::KeloServerSimTcp(const Config& config) : config_(config) {}

KeloServerSimTcp::~KeloServerSimTcp() {
    stop();
}

bool KeloServerSimTcp::start(QString* error) {
    if (thread_.joinable()) return true;
    QString why;
    productFd_ = listenOn(config_.address, config_.productPort, &why);
    if (productFd_ >= 0) bftpFd_ = listenOn(config_.address, config_.bftpPort, &why);
    if (bftpFd_ < 0) {
        if (error) *error = why;
        stop();
        return false;
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void KeloServerSimTcp::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&productFd_, &bftpFd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    std::lock_guard lock(lock_);
    for (int fd : held_) close(fd);
    held_.clear();
}

void KeloServerSimTcp::setBehaviour(Behaviour behaviour) {
    std::lock_guard lock(lock_);
    behaviour_ = behaviour;
}

void KeloServerSimTcp::setDatabase(const QVariantMap& database) {
    std::lock_guard lock(lock_);
    config_.database = database;
}

int KeloServerSimTcp::requests(const QByteArray& command) const {
    std::lock_guard lock(lock_);
    const auto it = requests_.find(command);
    return it == requests_.end() ? 0 : it->second;
}

SimContentRef KeloServerSimTcp::lastItem() const {
    std::lock_guard lock(lock_);
    return lastItem_;
}

QByteArray KeloServerSimTcp::serverInformation(const QByteArray& productName) {
    QByteArray body;
    for (char c : productName) {
        body.append(c);
        body.append('\0');
    }
    body.append(2, '\0');                  // NUL character
    body.append(char(4)).append(char(2));  // product version 4.2
    body.append(char(0));                  // no layers
    QByteArray m(26, '\0');
    std::memcpy(m.data(), "CITP", 4);
    m[4] = 1;                                    // CITP 1.0
    qToLittleEndian<quint16>(1, m.data() + 12);  // one message part
    std::memcpy(m.data() + 16, "MSEX", 4);
    m[20] = 1;  // MSEX 1.0
    std::memcpy(m.data() + 22, "SInf", 4);
    m.append(body);
    qToLittleEndian<quint32>(quint32(m.size()), m.data() + 8);
    return m;
}

QByteArray KeloServerSimTcp::dataReply(const QByteArray& data) {
    return replyHeader("DATA", uint32_t(data.size())) + data;
}

QByteArray KeloServerSimTcp::thumbnailFor(const SimContentRef& item) {
    return QByteArray("thumbnail of ") + item.bytes().toHex();
}

QVariantMap KeloServerSimTcp::fileEntryFor(const SimContentRef& item) {
    return {{"name", QString("%1.Clip.mov").arg(item.file, 3, 10, QChar('0'))},
            {"size", qint64(1000 + item.file)}};
}

QVariantMap KeloServerSimTcp::folderEntryFor(const SimContentRef& item) {
    return {{".name", QString("%1.Folder").arg(item.folder)},
            {"001", QVariantMap{{"name", QString("001.Clip.mov")}}}};
}

void KeloServerSimTcp::run() {
    while (!stopping_) {
        pollfd p[2] = {{productFd_, POLLIN, 0}, {bftpFd_, POLLIN, 0}};
        if (poll(p, 2, kPollMs) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & POLLIN)) continue;
            const int fd = accept4(p[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            if (i == 0)
                serveProduct(fd);
            else
                serveDatabase(fd);
        }
    }
}

void KeloServerSimTcp::hold(int fd) {
    std::lock_guard lock(lock_);
    held_.push_back(fd);
}

void KeloServerSimTcp::serveProduct(int fd) {
    Behaviour behaviour;
    QByteArray name;
    {
        std::lock_guard lock(lock_);
        behaviour = behaviour_;
        name = config_.productName;
        ++requests_["SInf"];
    }
    switch (behaviour) {
        case Behaviour::Silent:
            return hold(fd);
        case Behaviour::HalfClosed:
            shutdown(fd, SHUT_WR);
            return hold(fd);
        case Behaviour::Garbage:
            sendAll(fd, garbage());
            break;
        default:
            sendAll(fd, serverInformation(name));
            break;
    }
    close(fd);
}

void KeloServerSimTcp::serveDatabase(int fd) {
    Behaviour behaviour;
    {
        std::lock_guard lock(lock_);
        behaviour = behaviour_;
    }
    if (behaviour == Behaviour::Silent) return hold(fd);
    const QByteArray request = readRequest(fd);
    if (request.startsWith("BFTP") && config_.transferHandler) {
        config_.transferHandler(fd, request);
        close(fd);
        return;
    }
    if (request.size() < kRequestSize || !request.startsWith("KlEC")) {
        close(fd);
        return;
    }
    const QByteArray command = request.mid(8, 4);
    const SimContentRef item = SimContentRef::fromBytes(request.mid(12, 4));
    QByteArray data;
    {
        std::lock_guard lock(lock_);
        ++requests_[command];
        lastItem_ = item;
        if (command == "GtDB" && !config_.databaseSource)
            data = PropertyList::write(config_.database, PropertyList::Format::Binary);
        else if (command == "CLNP")
            data = config_.cleanUpReport;
    }
    if (config_.databaseSource && (command == "GtDB" || command == "GtFD" || command == "GtLD")) {
        const QVariantMap db = config_.databaseSource();
        // Folders by their key; a file by its number inside it.
        const QVariantMap folder =
            db.value(QString::asprintf("Media_000_%03d", item.folder)).toMap();
        const QVariant entry = command == "GtDB"   ? QVariant(db)
                               : command == "GtLD" ? QVariant(folder)
                                                   : folder.value(QString::asprintf("%03d", item.file));
        data = PropertyList::write(entry.isValid() ? entry : QVariant(QVariantMap()),
                                   PropertyList::Format::Binary);
    } else if (command == "GtTh") {
        data = config_.thumbnail.isEmpty() ? thumbnailFor(item) : config_.thumbnail;
    } else if (command == "GtFD") {
        data = PropertyList::write(fileEntryFor(item), PropertyList::Format::Xml);
    } else if (command == "GtLD") {
        data = PropertyList::write(folderEntryFor(item), PropertyList::Format::Xml);
    }

    switch (behaviour) {
        case Behaviour::HalfClosed:
            shutdown(fd, SHUT_WR);
            return hold(fd);
        case Behaviour::LyingSize:
            sendAll(fd, replyHeader("DATA", uint32_t(data.size()) + 1000) + data);
            break;
        case Behaviour::Oversized:
            sendAll(fd, replyHeader("DATA", 0xFFFFFFF0u) + data);
            break;
        case Behaviour::Garbage:
            sendAll(fd, garbage());
            break;
        case Behaviour::WrongTag:
            sendAll(fd, replyHeader("DATB", uint32_t(data.size())) + data);
            break;
        case Behaviour::Trickle:
            if (!sendAll(fd, replyHeader("DATA", uint32_t(data.size())))) break;
            // Bounded, and stops as soon as the client has gone.
            for (qsizetype i = 0; i < data.size() && i < 100 && !stopping_; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (!sendAll(fd, data.mid(i, 1))) break;
            }
            break;
        default:
            sendAll(fd, dataReply(data));
            break;
    }
    close(fd);
}
