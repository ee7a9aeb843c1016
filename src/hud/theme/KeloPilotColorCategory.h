#pragma once

#include <QColor>

// The application's palette, made once on first use with the contrast
// settings of that moment.
QColor textFillColor();
QColor boxFillColor();
QColor normalSolidFill();
QColor headerFillColor();
QColor defaultWindowBackgroundColor();
QColor timelineCursFillColor();
QColor floatingWindowColor();
QColor darkStrokeColor();
QColor darkerStrokeColor();
QColor dimTextColor();
QColor veryDimTextColor();
QColor tempHideColor();
QColor soloColor();
QColor timelineSelectionColor();
QColor timelineSelectionOverlayColor();
// Makes both selection colours again from the current gl_selectstroke.
void recomputeTimelineSelectionColor();
QColor presetColor();
QColor overrideColor();

// Timeline colours as red, green, blue, alpha floats for OpenGL; the GL_
// vectors are shared and must not be changed by callers.
extern float gl_selectstroke[4];

const float* GL_bgColour();
const float* GL_playheadColour();
const float* GL_playheadShadowColour();
const float* GL_cueFillColour();
const float* GL_cueStrokeColour();

QColor NSColorFromV4f(const float* v);
QColor NS_bgColour();
QColor NS_playheadColour();
QColor NS_playheadShadowColour();
QColor NS_cueFillColour();
QColor NS_cueStrokeColour();
QColor NS_dimPlayheadColour();
