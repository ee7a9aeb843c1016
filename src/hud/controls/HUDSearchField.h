#pragma once

#include "hud/cells/HUDSearchFieldCell.h"

#include <QWidget>

#include <memory>

class QLineEdit;

// A search field drawn by its HUDSearchFieldCell. A click on the text starts
// editing in a field editor laid over it; the cancel glyph clears the text.
class HUDSearchField : public QWidget {
    Q_OBJECT
public:
    explicit HUDSearchField(QWidget* parent = nullptr);
    ~HUDSearchField() override;

    HUDSearchFieldCell* cell() const { return cell_.get(); }
    QString text() const { return cell_->stringValue(); }
    void setText(const QString& text);
    // The editor while editing, else null.
    QLineEdit* fieldEditor() const;
    bool isEditing() const;
    void beginEditing();
    void endEditing();

    QSize sizeHint() const override { return QSize(160, 22); }

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<HUDSearchFieldCell> cell_;
    QLineEdit* editor_;
};
