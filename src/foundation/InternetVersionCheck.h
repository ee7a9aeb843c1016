#pragma once

#include "platform/InstalledInterface.h"

#include <QObject>
#include <QString>

#include <cstdint>

class QNetworkAccessManager;
class QNetworkReply;

// User-default keys of the version check.
inline constexpr char kNotifyNewVersionLaterKey[] = "notifyNewVersionLater";
inline constexpr char kIgnoreThisUpdateKey[] = "ignoreThisUpdate";
// The address of the release-notes page that lists the downloads.
inline constexpr char kVersionCheckPageKey[] = "versionCheckPage";

// A version read from text: major.minor.sub with an optional " r" build.
struct KlVersion {
    bool valid = false;
    int32_t major = 0;
    int32_t minor = 0;
    int32_t sub = 0;
    int32_t rev = 0;  // 0 when absent
};

// Whether `a` is newer than `b`. With equal numbers the lower build counts
// as newer, when both have one.
bool isNewerVersion(const KlVersion& a, const KlVersion& b);

// Where the check shows its offer; the composition root installs the
// window layer's. Called on the main thread.
class InternetVersionCheckUI : public InstalledInterface<InternetVersionCheckUI> {
public:
    virtual ~InternetVersionCheckUI() = default;
    virtual void notifyNewerVersion(const QString& pageAddress) { (void)pageAddress; }
};

// Reads the release-notes page once after start-up and, when it lists a
// newer download of the program than the one running, hands the offer to
// the installed InternetVersionCheckUI. The fetch is an asynchronous HTTP GET
// on the main thread's event loop, so nothing waits for the network; every
// failure ends the check silently. Main thread only.
class InternetVersionCheck : public QObject {
    Q_OBJECT
public:
    // Pages larger than this are not release notes.
    static constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;

    static InternetVersionCheck* instance();

    static KlVersion klVersionWithString(const QString& text, const QString& prefix);
    // The newest download named on the page; its text goes to `text`.
    static KlVersion newestOnPage(const QByteArray& page, QString* text);
    // The running program's version (the application version, "v" allowed).
    KlVersion myBundleVersion() const;

    // Starts the check and returns; checkFinished() tells the outcome.
    void internetVersionCheck();

    // The offer's answers.
    void showLinkLater();
    void disableCheck();
    void ignoreThisUpdate();

    KlVersion newestInternetVersion() const { return newestInternetVersion_; }
    QString newestVersionStr() const { return newestVersionStr_; }
    void setNewestVersionStr(const QString& text) { newestVersionStr_ = text; }

    // The program counts as installed when it runs from below this folder
    // (the build's install prefix unless set).
    void setInstallPrefix(const QString& prefix) { installPrefix_ = prefix; }
    // How long the page may take, in milliseconds.
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

signals:
    void checkFinished(bool offered);

private:
    InternetVersionCheck();
    void pageArrived(QNetworkReply* reply);
    void finish(bool offered);

    KlVersion newestInternetVersion_;
    QString newestVersionStr_;
    QString installPrefix_;
    int timeoutMs_ = 30000;
    bool running_ = false;
    QNetworkAccessManager* network_ = nullptr;
};
