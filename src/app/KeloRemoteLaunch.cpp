// The controller as the application's delegate: what happens once the
// program has started, and when it loses or regains the active state.
#include "app/KeloRemote.h"

#include "app/AppConstants.h"
#include "foundation/InternetVersionCheck.h"
#include "foundation/OmLog.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"

#include <QApplication>

namespace {

template <typename Call>
void forEachThemedWindow(Call call) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<HUDThemeKeloWindow*>(widget)) call(window);
}

}  // namespace

void KeloRemote::applicationDidFinishLaunching(const QString& bundlePath) {
    OmLogNoFlood(kOmLogInfo, "writing last_launch_path %s\n", qPrintable(bundlePath));
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject(kLastLaunchPathKey, bundlePath);
    defaults.synchronize();
    InternetVersionCheck::instance()->internetVersionCheck();
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // Inactive, hidden and suspended are all "not active": only the
        // change between active and not is told.
        QObject::connect(app, &QGuiApplication::applicationStateChanged, window_.get(),
                         [this, active = app->applicationState() == Qt::ApplicationActive](
                             Qt::ApplicationState state) mutable {
                             if ((state == Qt::ApplicationActive) == active) return;
                             active = !active;
                             if (active)
                                 applicationWillBecomeActive();
                             else
                                 applicationDidResignActive();
                         });
    }
}

void KeloRemote::applicationDidResignActive() {
    forEachThemedWindow([](HUDThemeKeloWindow* window) { window->appDeactivating(); });
}

void KeloRemote::applicationWillBecomeActive() {
    forEachThemedWindow([](HUDThemeKeloWindow* window) { window->appActivating(); });
}
