#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>
#include <vector>

// A modal alert whose buttons stand left to right in the order given.
//
// QMessageBox places buttons by role and by the desktop's conventions, so a
// "Cancel" given first may end up last and Return may land on a destructive
// button. Here every button has the same role, which keeps the given order,
// and Return and Escape go to buttons chosen by position: by default Return
// takes the first button and Escape the one whose title begins with "Cancel"
// (the only button when there is just one; none otherwise, and then closing
// the window does nothing either). Titles are shown literally ("&" is no
// mnemonic).
class KeloAlert : public QMessageBox {
    Q_OBJECT
public:
    enum Style { kInformational, kWarning, kCritical };

    KeloAlert(Style style, const QString& message, const QString& informative,
              const QStringList& buttons, QWidget* parent = nullptr);

    // -1: no button takes the key.
    void setDefaultIndex(int index);
    void setEscapeIndex(int index);
    int defaultIndex() const { return defaultIndex_; }
    int escapeIndex() const { return escapeIndex_; }

    // Shows the alert modally and returns the index of the button chosen,
    // or -1 when it was closed otherwise.
    int runModal();
    // Shows the alert without blocking; `done` gets the index as runModal's.
    // With Qt::WA_DeleteOnClose set, the alert goes away after that.
    void openWith(std::function<void(int)> done);
    // Index of the button chosen last, -1 for none.
    int chosenIndex() const;
    QPushButton* buttonAt(int index) const;
    int buttonCount() const { return int(buttons_.size()); }

private:
    std::vector<QPushButton*> buttons_;
    int defaultIndex_ = -1;
    int escapeIndex_ = -1;
};
