#include "foundation/InternetVersionCheck.h"

#include "foundation/OmLog.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>


namespace {

constexpr double kReferenceDateOffset = 978307200.0;  // 1970 -> 2001, seconds
constexpr double kLaterSeconds = 172800.0;            // 2 days
constexpr double kDisableSeconds = 3153600000.0;      // 100 years of 365 days
constexpr char kDefaultPage[] =
    "https://www.kelo-verozo.invalid/kelo-software-software-release-notes/";

double now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

// Reads an integer at `pos`, moving past it; false when none is there.
bool readInt(const QString& text, int* pos, int32_t* value) {
    int end = *pos;
    if (end < text.size() && (text[end] == u'-' || text[end] == u'+')) ++end;
    const int digits = end;
    while (end < text.size() && text[end].isDigit()) ++end;
    if (end == digits) return false;
    bool ok = false;
    const qlonglong read = text.mid(*pos, end - *pos).toLongLong(&ok);
    if (!ok || read > INT32_MAX || read < INT32_MIN) return false;
    *value = int32_t(read);
    *pos = end;
    return true;
}

bool readPoint(const QString& text, int* pos) {
    if (*pos < text.size() && text[*pos] == u'.') {
        ++*pos;
        return true;
    }
    return false;
}

}  // namespace

bool isNewerVersion(const KlVersion& a, const KlVersion& b) {
    if (a.major != b.major) return a.major > b.major;
    if (a.minor != b.minor) return a.minor > b.minor;
    if (a.sub != b.sub) return a.sub > b.sub;
    return a.rev != 0 && b.rev != 0 && a.rev < b.rev;
}

InternetVersionCheck::InternetVersionCheck()
    : installPrefix_(QStringLiteral(KELO_INSTALL_PREFIX)),
      network_(new QNetworkAccessManager(this)) {
    UserDefaults::standard().registerDefaults(
        {{kVersionCheckPageKey, QString::fromLatin1(kDefaultPage)}});
}

InternetVersionCheck* InternetVersionCheck::instance() {
    // Parented to nothing and kept for the process.
    static InternetVersionCheck* shared = new InternetVersionCheck;
    return shared;
}

KlVersion InternetVersionCheck::klVersionWithString(const QString& text, const QString& prefix) {
    KlVersion version;
    QString rest = text;
    if (!prefix.isEmpty()) {
        const int at = text.indexOf(prefix);
        if (at >= 0) {
            rest = text.mid(at + prefix.size());
        } else if (prefix != QStringLiteral("v")) {
            return version;
        }
    }
    if (rest.startsWith(u'v') && rest.size() >= 2) rest.remove(0, 1);
    int pos = 0;
    if (!readInt(rest, &pos, &version.major)) return version;
    version.valid = true;
    if (readPoint(rest, &pos) && readInt(rest, &pos, &version.minor) && readPoint(rest, &pos)) {
        readInt(rest, &pos, &version.sub);
    }
    const int build = rest.indexOf(QStringLiteral(" r"));
    if (build >= 1 && build + 2 < rest.size()) {
        int at = build + 2;
        int32_t rev = 0;
        if (readInt(rest, &at, &rev)) version.rev = rev;
    }
    return version;
}

KlVersion InternetVersionCheck::newestOnPage(const QByteArray& page, QString* text) {
    static const QString kName = QStringLiteral("Kelo-Verozo-");
    KlVersion newest;
    QString newestText;
    for (const QString& line : QString::fromUtf8(page).split(u'\n')) {
        const int at = line.indexOf(kName);
        if (at < 0) continue;
        const int start = at + kName.size();
        const QString extension = line.indexOf(QStringLiteral(".dmg"), start) >= 0
                                      ? QStringLiteral(".dmg")
                                      : QStringLiteral(".zip");
        if (line.indexOf(extension, start) < 0) continue;
        QString candidate;
        for (int i = start; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'v') continue;
            if (c != u'.' && !c.isDigit()) break;
            candidate += c;
        }
        if (candidate.endsWith(u'.')) candidate.chop(1);
        const KlVersion version = klVersionWithString(candidate, QString());
        if (!version.valid) continue;
        if (!newest.valid || isNewerVersion(version, newest)) {
            newest = version;
            newestText = candidate;
        }
    }
    if (text) *text = newestText;
    return newest;
}

KlVersion InternetVersionCheck::myBundleVersion() const {
    return klVersionWithString(QCoreApplication::applicationVersion(), QStringLiteral("v"));
}

void InternetVersionCheck::internetVersionCheck() {
    if (running_) return;
    UserDefaults& defaults = UserDefaults::standard();
    const QVariant later = defaults.object(kNotifyNewVersionLaterKey);
    if (later.isValid() && later.toDouble() + kLaterSeconds > now()) return finish(false);
    if (!QCoreApplication::applicationDirPath().startsWith(installPrefix_)) return finish(false);
    if (!myBundleVersion().valid) return finish(false);
    newestInternetVersion_ = KlVersion();
    newestVersionStr_.clear();

    QNetworkRequest request(QUrl(defaults.string(kVersionCheckPageKey)));
    request.setTransferTimeout(timeoutMs_);
    QNetworkReply* reply = network_->get(request);
    running_ = true;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxPageBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { pageArrived(reply); });
}

void InternetVersionCheck::pageArrived(QNetworkReply* reply) {
    reply->deleteLater();
    running_ = false;
    if (reply->error() != QNetworkReply::NoError) return finish(false);
    const QByteArray page = reply->readAll();
    if (page.isEmpty() || page.size() > kMaxPageBytes) return finish(false);

    QString text;
    const KlVersion newest = newestOnPage(page, &text);
    if (!newest.valid || !isNewerVersion(newest, myBundleVersion())) return finish(false);
    newestInternetVersion_ = newest;
    newestVersionStr_ = text;

    const QString ignored = UserDefaults::standard().string(kIgnoreThisUpdateKey);
    if (!ignored.isEmpty()) {
        const KlVersion skip = klVersionWithString(ignored, QStringLiteral("v"));
        if (!skip.valid || !isNewerVersion(newest, skip)) {
            OmLogSystem("Newer version available (v%s).  Ignore this update to %s\n",
                        qPrintable(text), qPrintable(ignored));
            return finish(false);
        }
    }
    OmLogSystem("Newer version available (v%s).\n", qPrintable(text));
    // The offer comes back in two days unless it is answered otherwise.
    UserDefaults::standard().setObject(kNotifyNewVersionLaterKey, now());
    InternetVersionCheckUI::shared().notifyNewerVersion(
        UserDefaults::standard().string(kVersionCheckPageKey));
    finish(true);
}

void InternetVersionCheck::finish(bool offered) {
    emit checkFinished(offered);
}

void InternetVersionCheck::showLinkLater() {
    UserDefaults::standard().setObject(kNotifyNewVersionLaterKey, now());
}

void InternetVersionCheck::disableCheck() {
    UserDefaults::standard().setObject(kNotifyNewVersionLaterKey, now() + kDisableSeconds);
}

void InternetVersionCheck::ignoreThisUpdate() {
    UserDefaults::standard().setObject(kNotifyNewVersionLaterKey, now());
    if (!newestVersionStr_.isEmpty()) {
        UserDefaults::standard().setObject(kIgnoreThisUpdateKey, newestVersionStr_);
    }
}
