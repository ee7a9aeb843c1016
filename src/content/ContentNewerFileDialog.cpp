#include "content/ContentNewerFileDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

ContentNewerFileDialog::ContentNewerFileDialog(const ContentNewerFileQuestion& question,
                                               QWidget* parent)
    : QDialog(parent) {
    setObjectName("ContentNewerFileDialog");
    setWindowTitle(question.message.section('\n', -1));
    setModal(true);
    auto* column = new QVBoxLayout(this);

    auto* heading = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    heading->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* message = new QLabel(question.message, this);
    message->setObjectName("message");
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    texts->addWidget(message);
    auto* informative = new QLabel(question.informative, this);
    informative->setObjectName("informative");
    texts->addWidget(informative);
    heading->addLayout(texts, 1);
    column->addLayout(heading);

    // The newer side is the member's in a forward sync: shown in green.
    auto* files = new QGridLayout;
    auto label = [this](const QString& text, const QString& name) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    files->addWidget(new QLabel("Member:", this), 0, 0);
    memberFile_ = label(question.memberFile, "memberFile");
    QLabel* memberModified = label(question.memberModified, "memberModified");
    if (!question.backwards) {
        memberFile_->setStyleSheet("color: #00c000");
        memberModified->setStyleSheet("color: #00c000");
    }
    files->addWidget(memberFile_, 0, 1);
    files->addWidget(memberModified, 0, 2);
    files->addWidget(new QLabel("Master:", this), 1, 0);
    masterFile_ = label(question.masterFile, "masterFile");
    files->addWidget(masterFile_, 1, 1);
    files->addWidget(label(question.masterModified, "masterModified"), 1, 2);
    column->addLayout(files);

    thisFile_ = new QRadioButton(question.applyToThisFile, this);
    thisFile_->setChecked(true);
    all_ = new QRadioButton(question.applyToAll, this);
    inFolder_ = new QRadioButton(question.applyToAllInFolder, this);
    for (QRadioButton* choice : {thisFile_, all_, inFolder_}) column->addWidget(choice);

    // A plain row: a button box would reorder the buttons by role.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    sync_ = new QPushButton("Sync", this);
    skip_ = new QPushButton("Skip", this);
    cancel_ = new QPushButton("Cancel (Do not start this job)", this);
    for (QPushButton* button : {sync_, skip_, cancel_}) {
        // Return always means Sync, whichever button has the focus.
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    sync_->setDefault(true);
    column->addLayout(buttons);
    connect(sync_, &QPushButton::clicked, this, [this] { finish(ContentNewerFileAnswer::Sync); });
    connect(skip_, &QPushButton::clicked, this, [this] { finish(ContentNewerFileAnswer::Skip); });
    connect(cancel_, &QPushButton::clicked, this,
            [this] { finish(ContentNewerFileAnswer::Cancel); });
}

void ContentNewerFileDialog::reject() {
    // Escape and closing the window press Cancel: the job does not start.
    cancel_->click();
}

void ContentNewerFileDialog::finish(ContentNewerFileAnswer::Button button) {
    pressed_ = button;
    if (button == ContentNewerFileAnswer::Cancel)
        QDialog::reject();
    else
        accept();
}

ContentNewerFileAnswer ContentNewerFileDialog::answer() const {
    ContentNewerFileAnswer answer;
    answer.button = pressed_;
    if (all_->isChecked())
        answer.scope = ContentNewerFileAnswer::AllNewerFiles;
    else if (inFolder_->isChecked())
        answer.scope = ContentNewerFileAnswer::AllInFolder;
    return answer;
}

ContentNewerFileAnswer ContentNewerFileDialog::ask() {
    pressed_ = ContentNewerFileAnswer::Cancel;
    exec();
    return answer();
}
