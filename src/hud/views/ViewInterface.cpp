#include "hud/views/ViewInterface.h"

#include "hud/views/VNSViewCategory.h"
#include "platform/UserDefaults.h"

#include <QRect>
#include <QTableView>
#include <QVariantMap>
#include <QWidget>

namespace {

QWidget* firstChildView(const QWidget* view) {
    if (!view) return nullptr;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) return widget;
    }
    return nullptr;
}

}  // namespace

ViewInterface::ViewInterface(QWidget* baseView, QTableView* monitorView)
    : baseView_(baseView), monitorView_(monitorView) {}

void ViewInterface::saveState() const {
    if (!baseView_) return;
    QVariantMap state;
    state.insert(QStringLiteral("windowframe"),
                 NSStringFromRect(QRectF(baseView_->window()->geometry())));
    if (monitorView_) {
        if (const QWidget* first = firstChildView(baseView_)) {
            state.insert(QStringLiteral("monitorsize"), NSStringFromSize(QSizeF(first->size())));
        }
    }
    UserDefaults::standard().setObject(name_, state);
}

void ViewInterface::restoreState(QWidget* window) const {
    const QVariantMap state = UserDefaults::standard().object(name_).toMap();
    const QRectF frame = NSRectFromString(state.value(QStringLiteral("windowframe")).toString());
    if (window && frame.width() > 0 && frame.height() > 0) {
        window->setGeometry(frame.toRect());
    }
    if (state.contains(QStringLiteral("monitorsize"))) {
        const QSizeF size = NSSizeFromString(state.value(QStringLiteral("monitorsize")).toString());
        if (QWidget* first = firstChildView(baseView_)) first->resize(size.toSize());
    }
}
