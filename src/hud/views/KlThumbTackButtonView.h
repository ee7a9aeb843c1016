#pragma once

#include <QToolButton>

// The pin button of a themed window; its own class so that it can be found
// among the window's children.
class KlThumbTackButtonView : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
};
