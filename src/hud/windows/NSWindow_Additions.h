#pragma once

class QKeyEvent;
class QWidget;

// Window helpers shared by the themed windows.
//
// Overlay messages open in child windows of the window they belong to (top-
// level widgets whose parent is that window). A child window counts as an
// overlay when it, or one of its direct children, is an "OverlayView" or
// carries the dynamic property below set to true.
inline constexpr char kOverlayViewProperty[] = "keloOverlayView";

bool isOverlayView(const QWidget* widget);

// Height of the window manager's frame above the content; 0 when unknown.
int heightOfTitleBar(const QWidget* window);

bool hasOverlayView(const QWidget* window);
// Closes every overlay window of the window and of its child windows;
// true when at least one was closed.
bool cancelOverlayView(QWidget* window);
void dismissOverlay(QWidget* window);
// Offers Escape to the overlays' buttons whose shortcut is Escape (Cancel,
// Later, OK); true when one took it.
bool forwardEscKeyToOverlayView(QWidget* window, const QKeyEvent* event);
