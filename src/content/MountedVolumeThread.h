#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>

// Questions asked of the folders of mounted volumes, each on a thread of its
// own: a stat on a network mount whose server has gone blocks for minutes,
// and must block nobody but that thread. One object per volume path, kept
// for the process (a query stuck in the kernel may outlive everything else);
// one lock guards them all. A volume whose query is still running starts no
// second one, so a dead mount holds one thread and costs its callers at
// most one wait. Any thread.
class MountedVolumeThread {
public:
    // What a volume is asked: an answer text, empty for none.
    using Query = std::function<QString(const QString& volumePath)>;

    // Starts `query` for every volume whose earlier query has finished; a
    // volume whose query still runs is left to it. Waits until the queries
    // started now have answered or `timeout` has passed, and returns the
    // first non-empty answer in the order of `volumes` among those that
    // have answered. Queries still running when it returns go on, and their
    // answers serve the next call.
    static QString asyncGetMountedVolumeUrls(const QStringList& volumes, const Query& query,
                                             std::chrono::milliseconds timeout);

    // Queries running now (tests).
    static int runningQueries();

private:
    MountedVolumeThread() = default;

    uint32_t blockedCount_ = 0;  // asked since the running query started; 0: none runs
    QString volumeUrl_;          // the volume's path
    QString answer_;             // the last finished query's answer
};
