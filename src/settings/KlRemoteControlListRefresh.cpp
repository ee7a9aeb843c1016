// Refresh side of the preference list: the periodic update, the server status
// text, fetching stale values, increments, names, and the comparison with a
// second server.

#include "foundation/KeloPrintfLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListDelegate.h"
#include "settings/KlTroubleShooter.h"

#include <QSet>

#include <utility>

namespace {

// Bits of the link's change word after which the server list is taken again:
// addresses, servers found or lost, network and names.
constexpr int kServerListChangeMask = 0xD1;
constexpr double kCommitFlashInterval = 0.5;  // seconds
constexpr double kStaleGeneralStatus = 5.0;   // seconds

const QString kSortedKeys = QStringLiteral("_sorted_keys_");
const QString kNeedsRefresh = QStringLiteral("_needs_refresh");
const QString kIncrType = QStringLiteral("_pref_incr_t");

QString versionTooOld(int major, int minor) {
    return QStringLiteral("Kelo Version %1.%2 too old\n(must be at least 4.0)")
        .arg(major)
        .arg(minor);
}

int incrementType(const QVariantMap& entry, bool* ok) {
    return entry.value(kIncrType).toString().trimmed().toInt(ok, 16);
}

}  // namespace

QString KlRemoteControlList::troubleShootStrForKelo(KeloObject* kelo, bool shortString) const {
    if (!kelo) return {};
    return KlTroubleShooter::shared().troubleShootStrForKelo(kelo, shortString);
}

// --- update ------------------------------------------------------------------------

void KlRemoteControlList::update() {
    if (!windowVisible_ || !link_) return;
    const bool force = (link_->changes() & kServerListChangeMask) != 0;
    if (force) {
        toServerListDataSource_ = link_->current();
        for (const QString& name : toServerListDataSource_)
            if (KeloObject* k = link_->keloObjectForName(name)) k->setActive(true);
        setupCompareMenu();
        if (!previousCompareToKeloName_.isEmpty() && compareMenuSelected_ == 0) {
            const int item = matchingPopupItemForName(previousCompareToKeloName_);
            if (item >= 0) {
                compareMenuSelected_ = item;
                comparePopUpChosen(compareMenuItems_[item]);
            }
        }
    }

    vMajor_ = vMinor_ = 0;
    cannotCompareOrEdit_ = true;
    if (fixtureName_.isEmpty()) {
        setServerStatus(QStringLiteral("No Server Selected"));
    } else {
        KeloObject* kelo = link_->keloObjectForName(fixtureName_);
        ServerChanges changes;
        if (kelo) {
            kelo->getVMajor(&vMajor_, &vMinor_);
            changes = kelo->changes();
        } else {
            kelo::puts("yo no kelo");
        }
        QString status;
        if (!kelo || kelo->address() == 0)
            status = QStringLiteral("Kelo Server Offline");
        else if (vMajor_ == 0)
            status = QStringLiteral("Kelo Server Version Unavailable");
        else if (!kelo->isVersionAtLeast(4, 0))
            status = versionTooOld(vMajor_, vMinor_);
        else if (kelo->hasPrefsDict())
            cannotCompareOrEdit_ = false;
        else
            status = QStringLiteral("Kelo Preferences Unavailable");
        if (!status.isEmpty() && kelo && kelo->address() != 0) {
            const QString why = troubleShootStrForKelo(kelo, false);
            if (!why.isEmpty()) status = status + '\n' + why;
        }
        setServerStatus(status);

        const bool unsorted = dictionary_ && !hasSortedKeys(*dictionary_);
        if (kelo && (changes.prefsDict != serverChanges_.prefsDict || unsorted)) {
            serverChanges_ = changes;
            setDictionary(kelo->mutablePrefsDict());
        }
    }

    const QString partner = compareToKeloName();
    if (!partner.isNull())
        updateRightServerComparison(link_->keloObjectForName(partner), force);
    else
        right_->setServerStatus(QString());
    updateValues();
    right_->updateValues();
}

void KlRemoteControlList::updateValues() {
    if (!dictionary_) return;
    // Most ticks find nothing stale: one pass over the entries says so
    // without looking each key of the display order up.
    QSet<QString> stale;
    for (auto it = dictionary_->cbegin(); it != dictionary_->cend(); ++it) {
        if (it->typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap entry = it->toMap();
        const auto visible = entry.constFind(QStringLiteral("visible"));
        if (visible == entry.constEnd() || !prefBoolValue(*visible)) continue;
        if (entry.contains(kNeedsRefresh) || !entry.contains(QStringLiteral("_value")))
            stale.insert(it.key());
    }
    int requests = 0;
    if (!stale.isEmpty()) {
        for (const QVariant& k : dictionary_->value(kSortedKeys).toList()) {
            if (requests >= kMaxFetchesPerPass) break;
            const QString key = k.toString();
            if (!stale.contains(key)) continue;
            markEntry(key, kNeedsRefresh, QVariant());
            postRemoteNotification(1, key);
            ++requests;
        }
    }

    if (!deferredWarningKey_.isEmpty()) {
        const QString key = std::exchange(deferredWarningKey_, QString());
        const QString value = std::exchange(deferredWarningVal_, QString());
        selectPref(key, false);
        setNewPrefValue(value, key);
    }

    if (flashCommitButton_ != 0) {
        const bool hasCommit =
            selectedView_ == EditorView::StringList || selectedView_ == EditorView::Alignment;
        if (!hasCommit) {
            flashCommitButton_ = 0;
        } else if (KeloObject::now() - flashCommitButton_ > kCommitFlashInterval) {
            flashCommitButton_ = KeloObject::now();
            flashCommitGreen_ = !flashCommitGreen_;
            delegate()->commitButtonFlash(flashCommitGreen_);
        }
    }
}

void KlRemoteControlList::pref_IncrNotification(const Notification& notification) {
    if (!dictionary_) return;
    const int type = notification.userInfo.value(QStringLiteral("type")).toInt();
    const QVariantList keys = dictionary_->value(kSortedKeys).toList();
    for (const QVariant& k : keys) {
        const QString key = k.toString();
        const QVariantMap entry = dictionary_->value(key).toMap();
        if (!entry.contains(kIncrType)) continue;
        bool ok = false;
        if (incrementType(entry, &ok) != type || !ok) continue;
        if (key == selectedPrefName_)
            selectPref(key, false);
        else if (prefBoolValue(entry.value(QStringLiteral("visible"))))
            refreshPref(key);
        else
            markEntry(key, kNeedsRefresh, QStringLiteral("1"));
    }
}

void KlRemoteControlList::refreshDictionary() {
    if (!dictionary_) return;
    for (const QVariant& k : dictionary_->value(kSortedKeys).toList()) {
        const QString key = k.toString();
        if (dictionary_->value(key).toMap().contains(kIncrType))
            markEntry(key, kNeedsRefresh, QStringLiteral("1"));
    }
}

void KlRemoteControlList::setServerStatus(const QString& status) {
    if (status.isEmpty() == serverStatus_.isEmpty() && status == serverStatus_) return;
    serverStatus_ = status;
    KlRemoteControlList* left = left_ ? left_ : this;
    left->delegate()->setNeedsDisplay();
    left->right_->delegate()->setNeedsDisplay();
}

void KlRemoteControlList::setFixtureName(const QString& name) {
    fixtureName_ = name;
    if (left_) return;
    if (name.isEmpty() || (comparingNow_ && right_->fixtureName() == name)) stopComparing();
    windowTitle_ =
        name.isEmpty() ? QStringLiteral("- No Kelo Selected -") : screenNameForKeloWithName(name);
    delegate()->windowTitleChanged(windowTitle_);
    setupCompareMenu();
}

void KlRemoteControlList::updateNameForKelo(const KeloObject* kelo) {
    if (!kelo) return;
    QString alias = kelo->userDefinedName();
    if (alias.isEmpty()) alias = kelo->name();
    if (activeKeloes_.value(kelo->name()).toString() != alias)
        activeKeloes_.insert(kelo->name(), alias);
}

QString KlRemoteControlList::screenNameForKeloWithName(const QString& name) const {
    if (name.isNull()) return {};
    QString shown = name;
    const KeloObject* kelo = link_ ? link_->keloObjectForName(name) : nullptr;
    const QString userDefined = kelo ? kelo->userDefinedName() : QString();
    if (!userDefined.isEmpty())
        shown = userDefined;
    else if (activeKeloes_.contains(name))
        shown = activeKeloes_.value(name).toString();
    return screenNameForKeloName(shown);
}

void KlRemoteControlList::startupKlE_Control_Status() {
    if (link_) toServerListDataSource_ = link_->current();
    setupCompareMenu();
}

// --- Comparing ---------------------------------------------------------------------

void KlRemoteControlList::setupCompareMenu() {
    if (left_) return;
    const QString previous = compareMenuItems_.value(compareMenuSelected_);
    compareMenuItems_ = {QStringLiteral("Compare to Other Kelo..."), QStringLiteral("None")};
    compareMenuSelected_ = 0;
    const QString shown = screenNameForKeloName(fixtureName_);
    for (const QString& name : toServerListDataSource_) {
        if (screenNameForKeloName(name) == shown) continue;
        KeloObject* kelo = link_ ? link_->keloObjectForName(name) : nullptr;
        QString title = name;
        const QString userDefined = kelo ? kelo->userDefinedName() : QString();
        if (!userDefined.isEmpty() && userDefined != name)
            title = QStringLiteral("%1 (%2)").arg(name, userDefined);
        // A server the menu offers is wanted: its status must keep arriving.
        if (kelo) kelo->setActive(true);
        const double arrived = kelo ? kelo->generalStatusArrived() : 0;
        if (arrived == 0 || KeloObject::now() - arrived > kStaleGeneralStatus) {
            const QString why = troubleShootStrForKelo(kelo, true);
            title = QStringLiteral("%1 (%2)").arg(
                title, why.isEmpty() ? QStringLiteral("App Running?") : why);
        }
        compareMenuItems_ << title;
        if (keloName(name, previous)) compareMenuSelected_ = int(compareMenuItems_.size()) - 1;
    }
    delegate()->compareMenuChanged();
}

bool KlRemoteControlList::keloName(const QString& name, const QString& menuItemTitle) {
    return menuItemTitle == name || menuItemTitle.startsWith(name + QStringLiteral(" ("));
}

int KlRemoteControlList::matchingPopupItemForName(const QString& name) const {
    for (int i = 0; i < compareMenuItems_.size(); ++i)
        if (keloName(name, compareMenuItems_[i])) return i;
    return -1;
}

void KlRemoteControlList::comparePopUpChosen(const QString& title) {
    if (left_) return;
    QString partner;
    const QString shown = screenNameForKeloName(fixtureName_);
    for (const QString& name : toServerListDataSource_)
        if (screenNameForKeloName(name) != shown && keloName(name, title)) partner = name;
    startComparing(partner);
    if (!comparingNow_)
        compareMenuSelected_ = 0;
    else if (const int item = int(compareMenuItems_.indexOf(title)); item >= 0)
        compareMenuSelected_ = item;
}

void KlRemoteControlList::compareButtonClicked(bool on) {
    if (on)
        startupKlE_Control_Status();
    else
        stopComparing();
}

void KlRemoteControlList::startComparing(const QString& name) {
    if (left_) return;
    if (name.isEmpty()) {
        stopComparing();
        previousCompareToKeloName_.clear();
        return;
    }
    KeloObject* partner = link_ ? link_->keloObjectForName(name) : nullptr;
    if (!partner) {
        stopComparing();
        return;
    }
    partner->setActive(true);
    if (!comparingNow_) {
        comparingNow_ = true;
        delegate()->comparingChanged(true);
    }
    right_->setFixtureName(name);
    updateRightServerComparison(partner, true);
    previousCompareToKeloName_ = name;
}

void KlRemoteControlList::stopComparing() {
    if (left_ || !comparingNow_) return;
    comparingNow_ = false;
    compareMenuSelected_ = 0;
    right_->setFixtureName(QString());
    right_->setDictionary(nullptr);
    delegate()->comparingChanged(false);
}

QString KlRemoteControlList::compareToKeloName() const {
    if (left_ || !comparingNow_) return {};
    return right_->fixtureName();
}

void KlRemoteControlList::updateRightServerComparison(KeloObject* partner, bool force) {
    if (left_) return;
    KlRemoteControlList& right = *right_;
    const ServerChanges changes = partner ? partner->changes() : ServerChanges{};
    if (force || changes.prefsDict != right.serverChanges_.prefsDict) {
        right.serverChanges_ = changes;
        right.setDictionary(partner ? partner->mutablePrefsDict() : nullptr);
    }
    int major = 0, minor = 0;
    if (partner) partner->getVMajor(&major, &minor);
    right.vMajor_ = major;
    right.vMinor_ = minor;
    right.cannotCompareOrEdit_ = true;

    QString status;
    if (!partner || partner->address() == 0)
        status = QStringLiteral("Kelo Server Offline");
    else if (major == 0)
        status = QStringLiteral("Kelo Server Version Unavailable");
    else if (!partner->isVersionAtLeast(4, 0))
        status = versionTooOld(major, minor);
    else if (!partner->hasPrefsDict())
        status = QStringLiteral("Kelo Preferences Unavailable");
    if (!status.isEmpty()) {
        if (partner && partner->address() != 0) {
            const QString why = troubleShootStrForKelo(partner, false);
            if (!why.isEmpty()) status = status + '\n' + why;
        }
        right.setServerStatus(status);
        return;
    }
    if (major != vMajor_ || minor != vMinor_) {
        right.setServerStatus(
            QStringLiteral("Cannot Compare!\nKelo Version Mismatch\nleft\t\tv%1.%2\nright\tv%3.%4")
                .arg(vMajor_)
                .arg(vMinor_)
                .arg(major)
                .arg(minor));
        return;
    }
    const QVariantList mine = sortedKeys(), theirs = right.sortedKeys();
    if (mine == theirs) {
        right.cannotCompareOrEdit_ = false;
        return;
    }
    if (mine.isEmpty()) {
        right.setServerStatus(QStringLiteral("Left Side Preferences Unavailable"));
        return;
    }
    if (theirs.isEmpty()) {
        right.setServerStatus(QStringLiteral("Kelo Preferences Unavailable"));
        return;
    }
    QString mismatch;
    const qsizetype common = std::min(mine.size(), theirs.size());
    for (qsizetype i = 0; i < common && mismatch.isNull(); ++i)
        if (mine[i] != theirs[i]) mismatch = theirs[i].toString();
    if (mismatch.isNull())
        mismatch =
            theirs.size() < mine.size() ? mine[theirs.size()].toString() : theirs.last().toString();
    right.setServerStatus(QStringLiteral("Cannot Compare!\nPreference names/ordering does not "
                                         "match.\n(first mismatched ID '%1').\n\nTo compare,\n"
                                         "servers must run the same software product\nand same "
                                         "version.")
                              .arg(mismatch));
}

bool KlRemoteControlList::canCopyLeftSideToRightSide(const QString& key) const {
    const KlRemoteControlList* left = left_ ? left_ : this;
    const KlRemoteControlList* right = left->right_.get();
    if (left->cannotCompareOrEdit_ || right->cannotCompareOrEdit_ || key.isEmpty()) return false;
    if (!left->dictionary_ || !right->dictionary_) return false;
    const QVariant mine = left->dictionary_->value(key), theirs = right->dictionary_->value(key);
    if (mine.typeId() != QMetaType::QVariantMap || theirs.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap a = mine.toMap(), b = theirs.toMap();
    if (!a.contains(QStringLiteral("_value")) || !b.contains(QStringLiteral("_value")))
        return false;
    return !isValueEqual(b.value(QStringLiteral("_value")), a);
}

void KlRemoteControlList::updateHelpTextForKey(const QString& key, bool copyLeft, bool copyRight) {
    KlRemoteControlList* left = left_ ? left_ : this;
    KlRemoteControlList* right = left->right_.get();
    left->helpText_.clear();
    right->helpText_.clear();
    if (key.isEmpty() || !left->canCopyLeftSideToRightSide(key)) return;
    const QString hint = QStringLiteral("set preference from other kelo");
    if (copyLeft) left->helpText_ = hint;
    if (copyRight) right->helpText_ = hint;
}

void KlRemoteControlList::copyToLeftSide(const QString& key) {
    KlRemoteControlList* left = left_ ? left_ : this;
    KlRemoteControlList* right = left->right_.get();
    if (!right->dictionary_) return;
    left->setNewPrefValue(right->dictionary_->value(key).toMap().value(QStringLiteral("_value")),
                          key);
    left->refreshAfterCopy(key);
}

void KlRemoteControlList::copyToRightSide(const QString& key) {
    KlRemoteControlList* left = left_ ? left_ : this;
    KlRemoteControlList* right = left->right_.get();
    if (!left->dictionary_) return;
    right->setNewPrefValue(left->dictionary_->value(key).toMap().value(QStringLiteral("_value")),
                           key);
    left->refreshAfterCopy(key);
}

void KlRemoteControlList::refreshAfterCopy(const QString& key) {
    KlRemoteControlList* left = left_ ? left_ : this;
    // Both servers are asked, so that each row shows what its server took.
    for (KlRemoteControlList* panel : {left, left->right_.get()}) {
        if (panel->selectedPrefName_ == key) panel->selectPref(key, false);
        panel->refreshPref(key);
    }
}

KlRemoteControlList* KlRemoteControlList::otherSide() const {
    return left_ ? left_ : right_.get();
}
