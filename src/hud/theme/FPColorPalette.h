#pragma once

#include <QColor>

// Process-wide colours of the application's palette. They are constant
// initialised, so they are ready before any window or static object uses them.
extern const QColor kFPColorTimingText;
extern const QColor kFPColorWarningText;
extern const QColor kFPColorPresetPalette;
extern const QColor kFPColorHighlightAmber;
