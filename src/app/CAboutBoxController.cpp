#include "app/CAboutBoxController.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CAboutBoxController::CAboutBoxController(const QString& shortVersion, int revision,
                                         const QIcon& icon, const QString& legalText)
    : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Kelo Verozo"));
    auto* layout = new QVBoxLayout(this);
    aboutImage_ = new QLabel(this);
    aboutImage_->setAlignment(Qt::AlignCenter);
    if (!icon.isNull()) aboutImage_->setPixmap(icon.pixmap(128, 128));
    versionLabel_ = new QLabel(versionText(shortVersion, revision), this);
    versionLabel_->setAlignment(Qt::AlignCenter);
    legalText_ = new QPlainTextEdit(legalText, this);
    legalText_->setReadOnly(true);
    layout->addWidget(aboutImage_);
    layout->addWidget(versionLabel_);
    layout->addWidget(legalText_);
    resize(420, 360);
}

QString CAboutBoxController::versionText(const QString& shortVersion, int revision) {
    if (shortVersion.contains(QLatin1String(" r")) || revision == 0) return shortVersion;
    return QStringLiteral("%1   (Final r%2)").arg(shortVersion).arg(revision);
}

void CAboutBoxController::doClose() {
    close();
}

CAboutBoxController* orderFrontStandardAboutPanel(int revision, const QString& legalText) {
    auto* about = new CAboutBoxController(QCoreApplication::applicationVersion(), revision,
                                          QApplication::windowIcon(), legalText);
    about->show();
    about->raise();
    return about;
}
