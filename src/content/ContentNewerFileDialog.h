#pragma once

#include "content/ContentSyncServices.h"

#include <QDialog>

class QAbstractButton;
class QLabel;
class QPushButton;
class QRadioButton;

// The operator's answer to a sync job's newer-file question: which copy is
// newer, and whether to sync, skip or cancel the whole job, for this file,
// every remaining newer file or the rest of the folder. Escape cancels.
// Main thread only.
class ContentNewerFileDialog : public QDialog {
    Q_OBJECT
public:
    explicit ContentNewerFileDialog(const ContentNewerFileQuestion& question,
                                    QWidget* parent = nullptr);

    // Runs the dialog modally.
    ContentNewerFileAnswer ask();
    // The answer for the button pressed with the choice now on.
    ContentNewerFileAnswer answer() const;

    QPushButton* syncButton() const { return sync_; }
    QPushButton* skipButton() const { return skip_; }
    QPushButton* cancelButton() const { return cancel_; }
    QRadioButton* applyToThisFile() const { return thisFile_; }
    QRadioButton* applyToAll() const { return all_; }
    QRadioButton* applyToAllInFolder() const { return inFolder_; }
    QLabel* memberFile() const { return memberFile_; }
    QLabel* masterFile() const { return masterFile_; }

    void reject() override;

private:
    void finish(ContentNewerFileAnswer::Button button);

    ContentNewerFileAnswer::Button pressed_ = ContentNewerFileAnswer::Cancel;
    QPushButton* sync_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QRadioButton* thisFile_ = nullptr;
    QRadioButton* all_ = nullptr;
    QRadioButton* inFolder_ = nullptr;
    QLabel* memberFile_ = nullptr;
    QLabel* masterFile_ = nullptr;
};
