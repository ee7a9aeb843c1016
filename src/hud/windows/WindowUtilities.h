#pragma once

class QScreen;
class QWidget;

// The screen that holds the menu bar: the first screen, or null when there
// is none.
QScreen* menuBarScreen();

// Brings visible windows that lie on no screen back onto the menu-bar screen,
// cascading them from its top-left corner. With a window given, only that
// one, and nothing when it already lies on a screen; with onlyIfNeeded,
// windows that lie on a screen are left alone.
void moveWindowsToVisibleScreen(QWidget* window, bool onlyIfNeeded);
