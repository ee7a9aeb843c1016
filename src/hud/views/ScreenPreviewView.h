#pragma once

#include <QWidget>

// The screen preview's host view. The scene renderer it stood for has no
// counterpart here: the view draws nothing of its own, and it never takes
// the keyboard focus, so keys stay with the panel around it.
class ScreenPreviewView : public QWidget {
    Q_OBJECT
public:
    explicit ScreenPreviewView(QWidget* parent = nullptr);

    bool becomeFirstResponder() { return false; }
    bool canBecomeFirstResponder() const { return false; }
};
