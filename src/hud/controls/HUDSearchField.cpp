#include "hud/controls/HUDSearchField.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

HUDSearchField::HUDSearchField(QWidget* parent)
    : QWidget(parent),
      cell_(std::make_unique<HUDSearchFieldCell>(QString(), true)),
      editor_(new QLineEdit(this)) {
    editor_->hide();
    cell_->setUpFieldEditorAttributes(editor_);
    connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) {
        cell_->setStringValue(text);
        update();
        emit textChanged(text);
    });
    connect(editor_, &QLineEdit::editingFinished, this, &HUDSearchField::endEditing);
    setFocusPolicy(Qt::ClickFocus);
}

HUDSearchField::~HUDSearchField() = default;

void HUDSearchField::setText(const QString& text) {
    if (text == cell_->stringValue()) return;
    cell_->setStringValue(text);
    if (editor_->text() != text) editor_->setText(text);
    update();
    emit textChanged(text);
}

QLineEdit* HUDSearchField::fieldEditor() const {
    return isEditing() ? editor_ : nullptr;
}

bool HUDSearchField::isEditing() const {
    return !editor_->isHidden();
}

void HUDSearchField::beginEditing() {
    if (isEditing() || !isEnabled()) return;
    cell_->editWithFrame(QRectF(rect()), this, editor_);
    cell_->setShowsFirstResponder(true);
    editor_->show();
    editor_->setFocus();
    update();
}

void HUDSearchField::endEditing() {
    if (!isEditing()) return;
    cell_->setShowsFirstResponder(false);
    editor_->hide();
    update();
}

void HUDSearchField::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    cell_->drawWithFrame(p, QRectF(rect()), this);
}

void HUDSearchField::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QRectF cancel = cell_->cancelButtonRectForBounds(QRectF(rect()).adjusted(5, 0, 0, 0));
    if (!cell_->stringValue().isEmpty() && cancel.contains(event->position())) {
        setText(QString());
    } else {
        beginEditing();
    }
    event->accept();
}

void HUDSearchField::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isEditing()) cell_->editWithFrame(QRectF(rect()), this, editor_);
}

void HUDSearchField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        cell_->setEnabled(isEnabled());
        if (!isEnabled()) endEditing();
        update();
    }
    QWidget::changeEvent(event);
}
