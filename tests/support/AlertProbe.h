#pragma once

// Watches for the program's alerts (any dialog window with push buttons),
// records what each shows, and answers it with a key or a button.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

struct SeenAlert {
    QString text;         // the message (QMessageBox::text) or the window title
    QString informative;  // QMessageBox::informativeText
    QStringList buttons;  // as shown, left to right
    QString returnKey;    // the button Return pressed, when answered with Return
    QString escapeKey;    // the button Escape pressed ("" when none took it)
    QString chosen;       // the button that ended the alert
    QImage picture;       // the alert as it stood before the answer
};

// One answer per alert, in turn: a key (Qt::Key_Return or Qt::Key_Escape) or
// the title of a button to click. A key that presses nothing is noted and the
// alert is then ended with its last button.
struct AlertAnswer {
    int key = 0;
    QString click;
};

class AlertProbe {
public:
    explicit AlertProbe(std::vector<AlertAnswer> answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    std::vector<SeenAlert> seen;

    // The shown text of a push button: "&&" stands for "&".
    static QString shownText(const QAbstractButton* button) {
        QString text = button->text();
        text.replace(QLatin1String("&&"), QLatin1String("\x01"));
        text.remove(QLatin1Char('&'));
        text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
        return text;
    }
    // The dialog's push buttons, left to right as they stand.
    static std::vector<QPushButton*> buttonsInOrder(QDialog* dialog) {
        std::vector<QPushButton*> buttons;
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->isVisibleTo(dialog)) buttons.push_back(b);
        std::sort(buttons.begin(), buttons.end(), [dialog](QPushButton* a, QPushButton* b) {
            return a->mapTo(dialog, QPoint()).x() < b->mapTo(dialog, QPoint()).x();
        });
        return buttons;
    }

private:
    QDialog* openDialog() const {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            if (modal->isVisible()) return modal;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (dialog && dialog->isVisible() && !dialog->findChildren<QPushButton*>().isEmpty())
                return dialog;
        }
        return nullptr;
    }

    void poll() {
        QDialog* dialog = openDialog();
        if (!dialog || dialog == last_ || busy_) return;
        busy_ = true;
        last_ = dialog;
        SeenAlert alert;
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            alert.text = box->text();
            alert.informative = box->informativeText();
        } else {
            alert.text = dialog->windowTitle();
        }
        const std::vector<QPushButton*> buttons = buttonsInOrder(dialog);
        for (QPushButton* b : buttons) alert.buttons << shownText(b);
        alert.picture = dialog->grab().toImage();
        QString pressed;
        std::vector<QMetaObject::Connection> links;
        for (QPushButton* b : buttons)
            links.push_back(QObject::connect(b, &QAbstractButton::clicked,
                                             [&pressed, b] { pressed = shownText(b); }));
        const AlertAnswer answer = answers_.size() > seen.size() ? answers_[seen.size()]
                                                                  : AlertAnswer{Qt::Key_Escape, {}};
        QPointer<QDialog> guard(dialog);
        if (answer.key != 0) {
            QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
            QKeyEvent press(QEvent::KeyPress, answer.key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            (answer.key == Qt::Key_Escape ? alert.escapeKey : alert.returnKey) = pressed;
        } else {
            for (QPushButton* b : buttons)
                if (shownText(b) == answer.click) b->click();
        }
        if (guard && guard->isVisible() && pressed.isEmpty() && !buttons.empty())
            buttons.back()->click();
        alert.chosen = pressed;
        for (const auto& link : links) QObject::disconnect(link);
        seen.push_back(alert);
        busy_ = false;
    }

    std::vector<AlertAnswer> answers_;
    QTimer timer_;
    QPointer<QDialog> last_;
    bool busy_ = false;
};
