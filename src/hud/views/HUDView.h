#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/views/VNSViewCategory.h"

#include <QColor>
#include <QString>
#include <QWidget>

// The themed background of panels: a fill in the normal solid colour of its
// theme. Only fills, so y-up and y-down draw the same.
class HUDView : public QWidget, public HUDThemeKeyProtocol, public BackgroundColorProtocol {
    Q_OBJECT
public:
    explicit HUDView(QWidget* parent = nullptr);

    // "<class> <frame>".
    QString description() const;

    QColor backgroundColor() const override { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) override;
    // The view always draws its background.
    void setDrawsBackground(bool) override {}
    bool drawsBackground() const { return true; }
    // Takes the fill of the theme under themeKey.
    void setupBackgroundColor();

    bool ignoreMouseEvents() const { return ignoreMouseEvents_; }
    void setIgnoreMouseEvents(bool ignore) { ignoreMouseEvents_ = ignore; }
    bool mouseDownCanMoveWindow() const { return ignoreMouseEvents_; }

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The background fill; subclasses draw over it.
    void drawBackground(QPaintEvent* event);

private:
    QColor backgroundColor_;
    bool ignoreMouseEvents_ = false;
    QString themeKey_;
};
