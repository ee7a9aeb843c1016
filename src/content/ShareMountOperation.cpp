#include "content/ShareMountOperation.h"

#include "foundation/OmLog.h"

#include <QProcess>

#include <mutex>

namespace {

std::mutex gProgramLock;
QString gProgram;  // guarded by gProgramLock

QString mounterProgram() {
    std::lock_guard lock(gProgramLock);
    return gProgram.isEmpty() ? QStringLiteral("gio") : gProgram;
}

}  // namespace

ShareMountOperation::ShareMountOperation() = default;

ShareMountOperation::~ShareMountOperation() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void ShareMountOperation::setMounterProgram(const QString& program) {
    std::lock_guard lock(gProgramLock);
    gProgram = program;
}

int ShareMountOperation::start(const QUrl& server, const QString& user, const QString& password) {
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    const QString url = server.toString(QUrl::FullyEncoded);
    OmLogNoFlood(kOmLogInfo, "mount %s%s\n", qPrintable(url),
                 user.isEmpty() ? " without credentials" : "");
    process_->start(mounterProgram(), {"mount", url});
    if (!process_->waitForStarted(5000)) {
        OmLogNoFlood(kOmLogError, "mount could not start '%s': %s\n", qPrintable(mounterProgram()),
                     qPrintable(process_->errorString()));
        process_.reset();
        ended_ = true;
        result_ = kMountFailed;
        return kMountFailed;
    }
    // The mounter asks for user, domain (the default) and password in turn;
    // without credentials it meets the end of its input and gives up unless
    // the system already holds a login for the share.
    if (!user.isEmpty()) process_->write((user + "\n\n" + password + "\n").toUtf8());
    process_->closeWriteChannel();
    ended_ = false;
    return kMountOK;
}

bool ShareMountOperation::waitForEnd(int ms) {
    if (ended_ || !process_) return true;
    if (cancelRequested_) {
        process_->kill();
        process_->waitForFinished(1000);
        finish(kMountCancelled);
        return true;
    }
    if (!process_->waitForFinished(ms)) {
        if (process_->state() != QProcess::NotRunning) return false;
    }
    const QByteArray errors = process_->readAllStandardError();
    if (process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0) {
        finish(kMountOK);
    } else if (errors.contains("already mounted")) {
        finish(kMountOK);
    } else if (errors.contains("busy")) {
        finish(kMountBusy);
    } else {
        OmLogNoFlood(kOmLogWarning, "mount failed (%d): %s\n", process_->exitCode(),
                     errors.left(500).trimmed().constData());
        finish(kMountFailed);
    }
    return true;
}

void ShareMountOperation::finish(int code) {
    ended_ = true;
    result_ = code;
}
