#include "hud/windows/KeloAlert.h"

#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(KeloAlert::Style style) {
    switch (style) {
        case KeloAlert::kInformational:
            return QMessageBox::Information;
        case KeloAlert::kWarning:
            return QMessageBox::Warning;
        case KeloAlert::kCritical:
            break;
    }
    return QMessageBox::Critical;
}

}  // namespace

KeloAlert::KeloAlert(Style style, const QString& message, const QString& informative,
                     const QStringList& buttons, QWidget* parent)
    : QMessageBox(iconFor(style), message, message, QMessageBox::NoButton, parent) {
    setTextFormat(Qt::PlainText);
    if (!informative.isEmpty()) setInformativeText(informative);
    int cancel = -1;
    for (const QString& title : buttons) {
        QString shown = title;
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        // One role for all: the button box keeps the order they were added in.
        buttons_.push_back(addButton(shown, QMessageBox::ActionRole));
        if (cancel < 0 && title.startsWith(QLatin1String("Cancel")))
            cancel = int(buttons_.size()) - 1;
    }
    setDefaultIndex(buttons_.empty() ? -1 : 0);
    setEscapeIndex(cancel >= 0 ? cancel : buttons_.size() == 1 ? 0 : -1);
}

void KeloAlert::setDefaultIndex(int index) {
    defaultIndex_ = index >= 0 && index < buttonCount() ? index : -1;
    for (QPushButton* button : buttons_) {
        button->setDefault(false);
        // An auto-default button takes Return whenever it has the focus.
        button->setAutoDefault(false);
    }
    if (defaultIndex_ >= 0) setDefaultButton(buttons_[size_t(defaultIndex_)]);
}

void KeloAlert::setEscapeIndex(int index) {
    escapeIndex_ = index >= 0 && index < buttonCount() ? index : -1;
    setEscapeButton(escapeIndex_ >= 0 ? buttons_[size_t(escapeIndex_)] : nullptr);
}

int KeloAlert::runModal() {
    exec();
    return chosenIndex();
}

void KeloAlert::openWith(std::function<void(int)> done) {
    connect(this, &QMessageBox::finished, this, [this, done = std::move(done)] {
        if (done) done(chosenIndex());
    });
    open();
}

int KeloAlert::chosenIndex() const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (clickedButton() == buttons_[i]) return int(i);
    }
    return -1;
}

QPushButton* KeloAlert::buttonAt(int index) const {
    return index >= 0 && index < buttonCount() ? buttons_[size_t(index)] : nullptr;
}
