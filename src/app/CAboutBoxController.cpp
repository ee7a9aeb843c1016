#include "app/CAboutBoxController.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The licence text is written for the help window, indented there; in the
// About window's narrow box the same indent would only push it right.
QString withoutCommonIndent(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype indent = -1;
    for (const QString& line : lines) {
        qsizetype n = 0;
        while (n < line.size() && line[n].isSpace()) ++n;
        if (n == line.size()) continue;
        indent = indent < 0 ? n : std::min(indent, n);
    }
    if (indent <= 0) return text;
    for (QString& line : lines) {
        qsizetype n = 0;
        while (n < indent && n < line.size() && line[n].isSpace()) ++n;
        line.remove(0, n);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

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
    legalText_ = new QPlainTextEdit(withoutCommonIndent(legalText), this);
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
