#include "hud/views/VNSViewCategory.h"

#include "foundation/OmLog.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/windows/HUDThemeKeloWindow.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QWidget>

#include <typeinfo>

qint32 gNSViewDumpDepth = 1;

namespace {

QList<QWidget*> childViews(const QWidget* view) {
    QList<QWidget*> out;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) out.append(widget);
    }
    return out;
}

QColor searchSuperviewColor(const QWidget* view) {
    for (const QWidget* up = view ? view->parentWidget() : nullptr; up; up = up->parentWidget()) {
        if (const auto* owner = dynamic_cast<const BackgroundColorProtocol*>(up)) {
            const QColor color = owner->backgroundColor();
            if (color.isValid()) return color;
        }
    }
    return {};
}

QList<double> numbersIn(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    QList<double> out;
    for (auto it = number.globalMatch(text); it.hasNext();)
        out.append(it.next().captured().toDouble());
    return out;
}

QString num(double value) {
    return QString::number(value, 'g', 15);
}

}  // namespace

bool isMouseInside(const QWidget* view) {
    if (!view || !view->isVisible()) return false;
    const QPoint global = QCursor::pos();
    const QWidget* under = QApplication::widgetAt(global);
    if (!under || under->window() != view->window()) return false;
    return view->visibleRegion().boundingRect().contains(view->mapFromGlobal(global));
}

QColor getSuperviewColor(const QWidget* view) {
    const QColor color = searchSuperviewColor(view);
    return color.isValid() ? color : HUDThemeKelo::instance()->headerFillColor();
}

QColor useSuperviewColor(QWidget* view) {
    QColor color = searchSuperviewColor(view);
    if (!color.isValid()) color = HUDThemeKelo::instance()->normalSolidFill();
    try {
        if (auto* owner = dynamic_cast<BackgroundColorProtocol*>(view)) {
            owner->setBackgroundColor(color);
            owner->setDrawsBackground(true);
        }
        auto* area = qobject_cast<QAbstractScrollArea*>(view);
        QWidget* clip = area ? area->viewport() : nullptr;
        // Only a plain viewport: a clip view of its own fills itself.
        if (clip && typeid(*clip) == typeid(QWidget)) {
            QPalette palette = clip->palette();
            palette.setColor(QPalette::Window, color);
            clip->setPalette(palette);
            clip->setAutoFillBackground(true);
        }
    } catch (...) {
    }
    return color;
}

void clipSubviewsRecursively(QWidget*) {}

void adjustYpositionRecursively(QWidget* view, int dy) {
    if (!view) return;
    for (QWidget* child : childViews(view)) child->move(child->x(), child->y() + dy);
}

QString NSStringFromRect(const QRectF& rect) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(num(rect.x()), num(rect.y()), num(rect.width()), num(rect.height()));
}

QString NSStringFromSize(const QSizeF& size) {
    return QStringLiteral("{%1, %2}").arg(num(size.width()), num(size.height()));
}

QRectF NSRectFromString(const QString& text) {
    const QList<double> n = numbersIn(text);
    if (n.size() < 4) return {};
    return QRectF(n[0], n[1], n[2], n[3]);
}

QSizeF NSSizeFromString(const QString& text) {
    const QList<double> n = numbersIn(text);
    if (n.size() < 2) return {};
    return QSizeF(n[0], n[1]);
}

QString StrFromRect(const QRectF& rect) {
    return QStringLiteral("%1 maxXY %2,%3")
        .arg(NSStringFromRect(rect))
        .arg(rect.right(), 0, 'f', 1)
        .arg(rect.bottom(), 0, 'f', 1);
}

QString doDump(const QWidget* view, quint32 subLimit, const QString& indent) {
    if (!view) return QStringLiteral("!!! attempt to dump nil layer\n");
    QString out = indent;
    out += QStringLiteral("class: '%1' ").arg(QString::fromLatin1(view->metaObject()->className()));
    out += QStringLiteral("frame: %1 ").arg(StrFromRect(QRectF(view->geometry())));
    const QRectF visible = view->visibleRegion().boundingRect();
    if (view->isHidden()) {
        out += QStringLiteral(" HIDDEN ");
    } else if (visible != QRectF(view->rect())) {
        out += QStringLiteral(" visRect %1 ").arg(StrFromRect(visible));
    }
    // Every widget is y-down.
    out += QStringLiteral(" flip 1 ");
    if (const auto* field = qobject_cast<const QLineEdit*>(view)) {
        return out + QStringLiteral("text: '%1' \n").arg(field->text());
    }
    if (const auto* label = qobject_cast<const QLabel*>(view)) {
        return out + QStringLiteral("text: '%1' \n").arg(label->text());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(view)) {
        if (!button->text().isEmpty()) out += QStringLiteral("title: '%1' ").arg(button->text());
        if (!button->icon().isNull()) {
            out += QStringLiteral("img: '%1' %2 ")
                       .arg(button->icon().name(), NSStringFromSize(button->iconSize()));
        }
        out += QStringLiteral("state: %1 ").arg(button->isChecked() ? 1 : 0);
    }
    out += QLatin1Char('\n');
    const QList<QWidget*> subviews = childViews(view);
    if (subLimit == 0 || subviews.isEmpty()) return out;
    for (const QWidget* a : subviews) {
        for (const QWidget* b : subviews) {
            if (a == b || a->isHidden() || b->isHidden()) continue;
            const QRect overlap = a->geometry().intersected(b->geometry());
            if (overlap.isEmpty()) continue;
            out += QStringLiteral("%1 SIBLING OVERLAP RECT %2\n").arg(indent, StrFromRect(overlap));
            out += doDump(a, 0, QStringLiteral("%1 SIBLING1 OVERLAP: ").arg(indent));
            out += doDump(b, 0, QStringLiteral("%1 SIBLING2 OVERLAP: ").arg(indent));
        }
    }
    quint32 left = subLimit - 1;
    for (const QWidget* sub : subviews) {
        if (left == 0) break;
        --left;
        out += doDump(sub, subLimit, QStringLiteral("%1 - ").arg(indent));
    }
    return out;
}

QString recursiveDumpViews(const QWidget* view) {
    return doDump(view, quint32(gNSViewDumpDepth), QStringLiteral("   "));
}

void DumpView(const QWidget* view) {
    OmLogSystem("%s", qPrintable(doDump(view, 50, QStringLiteral("   "))));
}

void DumpObj(const QObject* object) {
    if (const auto* view = qobject_cast<const QWidget*>(object)) {
        DumpView(view);
        return;
    }
    QString description;
    QDebug(&description).nospace() << object;
    OmLogSystem("obj: '%s'", qPrintable(description));
}

void DumpObject(const QObject* object) {
    DumpObj(object);
}

bool windowIsPanel(const QWidget* view) {
    const QWidget* window = view ? view->window() : nullptr;
    if (!window) return false;
    if (const auto* themed = qobject_cast<const HUDThemeKeloWindow*>(window)) {
        return themed->isPanel();
    }
    return (window->windowFlags() & Qt::WindowType_Mask) == Qt::Tool;
}
