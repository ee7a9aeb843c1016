#pragma once

#include <QWidget>

// A filler in the text-field colour.
class KeloBlankView : public QWidget {
    Q_OBJECT
public:
    explicit KeloBlankView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
