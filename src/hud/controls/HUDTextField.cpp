#include "hud/controls/HUDTextField.h"

#include "hud/cells/HUDTextFieldCell.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

HUDTextField::HUDTextField(QWidget* parent) : HUDTextField(nullptr, parent) {}

HUDTextField::HUDTextField(std::unique_ptr<TextFieldCell> cell, QWidget* parent)
    : QLineEdit(parent), cell_(std::move(cell)) {
    doInit();
}

HUDTextField::~HUDTextField() = default;

void HUDTextField::doInit() {
    ignoreMouseEvents_ = false;
    if (!dynamic_cast<HUDTextFieldCell*>(cell_.get())) {
        cell_ = std::make_unique<HUDTextFieldCell>(cell_ ? cell_->stringValue() : QString());
    }
    setFrame(false);
    setReadOnly(!cell_->isEditable());
    setText(cell_->stringValue());
    connect(this, &QLineEdit::textChanged, this, [this] { syncCell(); });
}

void HUDTextField::syncCell() {
    if (cell_->stringValue() != text()) cell_->setStringValue(text());
    cell_->setEnabled(isEnabled());
    cell_->setEditable(!isReadOnly());
    cell_->setFont(font());
    cell_->setAlignment(alignment() & Qt::AlignHorizontal_Mask);
    cell_->setPlaceholderString(placeholderText());
}

void HUDTextField::setEditable(bool editable) {
    if (editable && !drawsBackground()) {
        setDrawsBackground(true);
        setBackgroundColor(theme(dynamic_cast<HUDTextFieldCell*>(cell_.get()))->textFillColor());
    }
    setReadOnly(!editable);
    cell_->setEditable(editable);
    update();
}

void HUDTextField::setDrawsBackground(bool on) {
    cell_->setDrawsBackground(on);
    setAutoFillBackground(on);
    update();
}

void HUDTextField::setBackgroundColor(const QColor& color) {
    cell_->setBackgroundColor(color);
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void HUDTextField::setIgnoreMouseEvents(bool ignore) {
    ignoreMouseEvents_ = ignore;
    // A disabled widget passes its mouse presses on to the view behind it.
    if (ignore) setEnabled(false);
}

void HUDTextField::setStringValue(const QString& text) {
    setText(text);
    syncCell();
}

void HUDTextField::setAttributedStringValue(const std::optional<AttributedString>& value) {
    hasCustomAttributedStringValue_ = value.has_value();
    const AttributedString text = value.value_or(AttributedString());
    setText(text.string());
    cell_->setAttributedStringValue(text);
    update();
}

QMenu* HUDTextField::menuForEvent(const QPoint&) {
    if (!allowCopyToClipboardOnly_) return nullptr;
    auto* menu = new QMenu(QStringLiteral("Table Menu"));
    menu->addAction(QStringLiteral("Copy To Clipboard"), this, &HUDTextField::copyToClipboard);
    return menu;
}

void HUDTextField::copyToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QString value =
        hasCustomAttributedStringValue_ ? cell_->attributedStringValue().string() : text();
    if (!value.isEmpty()) clipboard->setText(value);
}

QString HUDTextField::description() const {
    const QRect f = geometry();
    return QStringLiteral("%1 %2").arg(QStringLiteral("<%1: %2>")
                                           .arg(QString::fromLatin1(metaObject()->className()),
                                                QString::number(quintptr(this), 16)),
                                       QStringLiteral("{{%1, %2}, {%3, %4}}")
                                           .arg(f.x())
                                           .arg(f.y())
                                           .arg(f.width())
                                           .arg(f.height()));
}

void HUDTextField::paintEvent(QPaintEvent* event) {
    syncCell();
    if (hasFocus() && !isReadOnly()) {
        // Editing: the cell themes this line edit, which then draws itself.
        QPainter painter(this);
        cell_->drawWithFrame(painter, QRectF(rect()), this);
        painter.end();
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    cell_->drawWithFrame(painter, QRectF(rect()), this);
}

void HUDTextField::mousePressEvent(QMouseEvent* event) {
    if (allowCopyToClipboardOnly_ && event->button() == Qt::LeftButton) {
        if (copyMenu_) copyMenu_->deleteLater();
        copyMenu_ = menuForEvent(event->position().toPoint());
        copyMenu_->setAttribute(Qt::WA_DeleteOnClose);
        copyMenu_->popup(event->globalPosition().toPoint());
        return;
    }
    if (ignoreMouseEvents_ && event->button() == Qt::RightButton) {
        event->ignore();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void HUDTextField::contextMenuEvent(QContextMenuEvent* event) {
    if (ignoreMouseEvents_) {
        event->ignore();
        return;
    }
    if (QMenu* menu = menuForEvent(event->pos())) {
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
        return;
    }
    QLineEdit::contextMenuEvent(event);
}

void HUDTextField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) syncCell();
    QLineEdit::changeEvent(event);
}
