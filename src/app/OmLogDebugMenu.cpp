#include "app/OmLogDebugMenu.h"

#include "foundation/OmLog.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QMenu* OmLogDebugMenu::addDebugMenuIfNeeded(QMenuBar* menuBar) {
    if (!menuBar || !OmLog::debugMenuWanted()) return nullptr;
    for (const QAction* action : menuBar->actions()) {
        if (action->text() == "Debug") return nullptr;
    }
    QMenu* menu = menuBar->addMenu("Debug");
    for (const OmLog::DebugMenuItem& item : OmLog::debugMenuItems()) {
        QAction* action = menu->addAction(QString::fromUtf8(item.title));
        action->setShortcut(item.shortcut);
        if (!item.isOn) {
            QObject::connect(action, &QAction::triggered, action,
                             [perform = item.perform] { perform(); });
            continue;
        }
        action->setCheckable(true);
        action->setChecked(item.isOn());
        // The check mark follows the log's state, not Qt's own toggle.
        QObject::connect(action, &QAction::triggered, action, [action, item] {
            item.perform();
            action->setChecked(item.isOn());
        });
    }
    return menu;
}
