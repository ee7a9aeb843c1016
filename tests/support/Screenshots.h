#pragma once

// Screenshots of real windows under X, saved as test artefacts in
// $KELO_ARTEFACT_DIR or ./artefacts of the test's working directory.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

inline void waitForExposure(QWidget& window) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000 &&
           !(window.windowHandle() && window.windowHandle()->isExposed())) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
}

inline QString artefactPath(const QString& name) {
    const QByteArray configured = qgetenv("KELO_ARTEFACT_DIR");
    const QString dir = configured.isEmpty() ? QDir::current().filePath("artefacts")
                                             : QString::fromLocal8Bit(configured);
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}
