#pragma once

#include "hud/controls/HUDButton.h"

#include <QKeySequence>

class QKeyEvent;

// A button that answers the period key (with or without Shift) as well as
// its own key equivalent, so that it can serve as a dialog's cancel button.
class MultiKeyButton : public HUDButton {
    Q_OBJECT
public:
    explicit MultiKeyButton(const QString& title = {}, QWidget* parent = nullptr);

    QKeySequence keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const QKeySequence& key) { keyEquivalent_ = key; }

    // Clicks the button and returns true when the key is one it answers.
    bool performKeyEquivalent(const QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool isHiddenOrAncestorHidden() const;

    QKeySequence keyEquivalent_;
};
