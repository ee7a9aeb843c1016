#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

// The About window: version, application icon and licence text.
// Main thread only.
class CAboutBoxController : public QWidget {
    Q_OBJECT
public:
    // An empty licence or null icon leaves that part empty.
    CAboutBoxController(const QString& shortVersion, int revision, const QIcon& icon,
                        const QString& legalText);

    // "4.2   (Final r812)" unless the version already names its revision.
    static QString versionText(const QString& shortVersion, int revision);
    void doClose();

    QLabel* versionLabel() const { return versionLabel_; }
    QPlainTextEdit* legalText() const { return legalText_; }
    QLabel* aboutImage() const { return aboutImage_; }

private:
    QLabel* versionLabel_ = nullptr;
    QPlainTextEdit* legalText_ = nullptr;
    QLabel* aboutImage_ = nullptr;
};

// Opens the About window of this application (the standard About command).
CAboutBoxController* orderFrontStandardAboutPanel(int revision, const QString& legalText);
