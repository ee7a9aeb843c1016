#pragma once

// Helpers for tests that draw into images and read pixels back.

#include <QColor>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/UserDefaults.h"

// A transparent image to draw into.
inline QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Antialiasing and premultiplication move channels by a few steps.
inline bool nearColour(const QColor& a, const QColor& b, int tolerance, bool withAlpha = false) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           (!withAlpha || std::abs(a.alpha() - b.alpha()) <= tolerance);
}

// Compares colours with the `near` of the test file that uses it, whose
// tolerance suits what that file draws.
#define EXPECT_RGB(actual, expected)        \
    EXPECT_TRUE(near((actual), (expected))) \
        << "got " << (actual).name().toStdString() << ", want " << (expected).name().toStdString()

// The user defaults of a test program live in a temporary file. Tests that
// need them declare `KELO_TEMP_DEFAULTS();` once at namespace scope.
class TempDefaults : public ::testing::Environment {
public:
    void SetUp() override { UserDefaults::setStandardFile(dir_.filePath("defaults.plist")); }

private:
    QTemporaryDir dir_;
};
#define KELO_TEMP_DEFAULTS() \
    const auto* const kTempDefaults = ::testing::AddGlobalTestEnvironment(new TempDefaults)

// Waits up to 5 s for a shown window to be on screen.
inline void waitForExposure(QWidget& window) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000 &&
           !(window.windowHandle() && window.windowHandle()->isExposed())) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
}

// Where a test saves its screenshots: $KELO_ARTEFACT_DIR, else "artefacts"
// under the test's working directory.
inline QString artefactPath(const QString& name) {
    const QByteArray configured = qgetenv("KELO_ARTEFACT_DIR");
    const QString dir = configured.isEmpty() ? QDir::current().filePath("artefacts")
                                             : QString::fromLocal8Bit(configured);
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}
