#include "hud/views/ScreenPreviewView.h"

ScreenPreviewView::ScreenPreviewView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}
