#pragma once

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QObject;
class QWidget;

// Views that keep a fill colour of their own (HUD views, clip views, scroll
// views). The colour searches below ask the enclosing views through this.
class BackgroundColorProtocol {
public:
    virtual ~BackgroundColorProtocol() = default;
    // Invalid when the view has none.
    virtual QColor backgroundColor() const = 0;
    virtual void setBackgroundColor(const QColor& color) = 0;
    virtual void setDrawsBackground(bool draws) = 0;
};

// The depth handed to recursiveDumpViews.
extern qint32 gNSViewDumpDepth;

// The mouse pointer is over the visible part of the view, in the view's window.
bool isMouseInside(const QWidget* view);
// The first colour of an enclosing view, nearest first; the theme's header
// fill when none has one.
QColor getSuperviewColor(const QWidget* view);
// The same search with the theme's normal fill as fallback, given to the
// view itself, or, for a scroll area, to its plain viewport. Returns it.
QColor useSuperviewColor(QWidget* view);

// Views call this after building their subviews; nothing needs clipping here.
void clipSubviewsRecursively(QWidget* view);
// Moves each direct child widget by dy in the parent's y-down coordinates
// (grandchildren move with their parents). Callers whose layout was worked
// out y-up pass -dy.
void adjustYpositionRecursively(QWidget* view, int dy);

// The rectangle and size string forms of stored view state and dumps:
// "{{x, y}, {w, h}}" and "{w, h}". The parsers answer an empty value for
// text they cannot read.
QString NSStringFromRect(const QRectF& rect);
QString NSStringFromSize(const QSizeF& size);
QRectF NSRectFromString(const QString& text);
QSizeF NSSizeFromString(const QString& text);

// "<rect> maxXY <maxX>,<maxY>".
QString StrFromRect(const QRectF& rect);
// A text dump of the view tree below `view` (see recursiveDumpViews).
QString doDump(const QWidget* view, quint32 subLimit, const QString& indent);
// The dump of the view with gNSViewDumpDepth; written nowhere.
QString recursiveDumpViews(const QWidget* view);
// Debugging aids that write to the system log.
void DumpView(const QWidget* view);
void DumpObj(const QObject* object);
void DumpObject(const QObject* object);

// The view's window is a floating panel: a pinned themed window, or any
// tool window.
bool windowIsPanel(const QWidget* view);
