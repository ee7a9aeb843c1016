#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

bool MainThread::isMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void MainThread::runOnMain(std::function<void()> fn) {
    auto* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void MainThread::runOnMainAndWait(std::function<void()> fn) {
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::BlockingQueuedConnection);
}
