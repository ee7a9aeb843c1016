#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

// A one-page HTTP server on loopback for tests of code that fetches a page:
// it answers every GET with the page, or, when told to stay silent, reads the
// request and never answers.
class HttpPageServer : public QTcpServer {
public:
    HttpPageServer() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n") || silent) return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  QByteArray::number(page.size()) +
                                  "\r\nConnection: close\r\n\r\n");
                    socket->write(page);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/kelo-software-software-release-notes/")
            .arg(serverPort());
    }
    const QByteArray& request() const { return request_; }

    QByteArray page;
    bool silent = false;

private:
    QByteArray request_;
};
