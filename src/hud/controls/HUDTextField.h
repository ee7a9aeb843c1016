#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QLineEdit>
#include <QPointer>

#include <memory>

class QMenu;

// A HUD text field: its cell draws it while it is not edited; while it is,
// the line edit itself is the field editor. It can be made transparent to the
// mouse (disabled, right-clicks pass on, a drag moves the window) or
// copy-only (a click offers "Copy To Clipboard").
class HUDTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit HUDTextField(QWidget* parent = nullptr);
    // A cell that is not a HUD text cell is replaced by a fresh one.
    HUDTextField(std::unique_ptr<TextFieldCell> cell, QWidget* parent = nullptr);
    ~HUDTextField() override;

    TextFieldCell* cell() const { return cell_.get(); }

    void setEditable(bool editable);
    bool isEditable() const { return !isReadOnly(); }
    void setDrawsBackground(bool on);
    bool drawsBackground() const { return cell_->drawsBackground(); }
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return cell_->backgroundColor(); }

    void setIgnoreMouseEvents(bool ignore);
    bool ignoreMouseEvents() const { return ignoreMouseEvents_; }
    bool mouseDownCanMoveWindow() const { return ignoreMouseEvents_; }

    void setStringValue(const QString& text);
    QString stringValue() const { return text(); }
    // An empty optional is "no attributed value".
    void setAttributedStringValue(const std::optional<AttributedString>& value);
    bool hasCustomAttributedStringValue() const { return hasCustomAttributedStringValue_; }

    // Makes the field copy-only; it stays so.
    void allowCopyToClipboardOnly() { allowCopyToClipboardOnly_ = true; }
    bool isCopyToClipboardOnly() const { return allowCopyToClipboardOnly_; }
    // The menu for a click at `pos`; owned by the caller. Null means the
    // standard context menu.
    QMenu* menuForEvent(const QPoint& pos);
    void copyToClipboard();

    QString description() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void doInit();
    void syncCell();

    std::unique_ptr<TextFieldCell> cell_;
    bool ignoreMouseEvents_ = false;
    bool hasCustomAttributedStringValue_ = false;
    bool allowCopyToClipboardOnly_ = false;
    QPointer<QMenu> copyMenu_;
};
