#include "content/MountedVolumeThread.h"

#include <QHash>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct Registry {
    std::mutex lock;
    std::condition_variable answered;
    QHash<QString, MountedVolumeThread*> threads;
};

// Deliberately leaked with its objects: a query blocked in the kernel may
// still hold a pointer into it when the process exits.
Registry& registry() {
    static Registry* shared = new Registry;
    return *shared;
}

}  // namespace

QString MountedVolumeThread::asyncGetMountedVolumeUrls(const QStringList& volumes,
                                                       const Query& query,
                                                       std::chrono::milliseconds timeout) {
    Registry& r = registry();
    std::unique_lock lock(r.lock);
    QList<MountedVolumeThread*> started;
    QList<MountedVolumeThread*> asked;
    for (const QString& volume : volumes) {
        MountedVolumeThread*& t = r.threads[volume];
        if (!t) {
            t = new MountedVolumeThread;
            t->volumeUrl_ = volume;
        }
        asked.append(t);
        if (t->blockedCount_++ != 0) continue;
        t->answer_.clear();
        started.append(t);
        std::thread([t, query] {
            const QString answer = query(t->volumeUrl_);
            Registry& r = registry();
            {
                std::lock_guard lock(r.lock);
                t->answer_ = answer;
                t->blockedCount_ = 0;
            }
            r.answered.notify_all();
        }).detach();
    }
    r.answered.wait_for(lock, timeout, [&started] {
        for (const MountedVolumeThread* t : started)
            if (t->blockedCount_ != 0) return false;
        return true;
    });
    for (const MountedVolumeThread* t : asked)
        if (t->blockedCount_ == 0 && !t->answer_.isEmpty()) return t->answer_;
    return {};
}

int MountedVolumeThread::runningQueries() {
    Registry& r = registry();
    std::lock_guard lock(r.lock);
    int running = 0;
    for (const MountedVolumeThread* t : std::as_const(r.threads)) running += t->blockedCount_ != 0;
    return running;
}
