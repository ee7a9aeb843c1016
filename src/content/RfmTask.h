#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>

// Operation codes of the remote file manager.
enum RfmAsyncOp : int32_t {
    kRfmOpNone = 0,
    kRfmOpWrite = 1,
    kRfmOpRead = 2,
    kRfmOpFileUrl = 3,  // local URL of a server content path, mounting its share
    kRfmOpFileInfo = 4,
    kRfmOpDirectory = 5,
    kRfmOpVolumesForServer = 6,
    kRfmOpHostForPath = 7,
};

// One operation of the remote file manager and its result. Made on the main
// thread, filled by one background worker, read back on the main thread after
// the worker handed it over; the manager's lock orders those steps.
class RfmTask {
public:
    static std::shared_ptr<RfmTask> task() { return std::make_shared<RfmTask>(); }

    int32_t readWriteCookie = 0;
    QString fileName;
    int32_t asyncOp = kRfmOpNone;
    QString error;    // empty: none
    QString warning;  // empty: none
    bool completed = false;
    QByteArray writeData;
    QByteArray asyncReadFileData;
    QString targetServerName;
    QString targetServerAddr;
    QString remotePath;
    bool doLocalMachine = false;
    QString bootVolumePath;
    QUrl asyncUrl;
    bool asyncFileExistsAtPath = false;
    bool asyncIsDir = false;
    QDateTime asyncModDate;
    QDateTime asyncCreateDate;
    QList<QUrl> asyncDirectoryUrls;
    QList<QUrl> asyncVolumesForServer;
    QString asyncHostForPath;
};
