#pragma once

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/controls/KeloPopOverButton.h"

#include <QImage>
#include <QRect>

#include <memory>

class HUDButton;
class QLabel;
class StretchImage;

// One themed window showing the HUD kit's window pieces together: the pin,
// a control whose background is drawn from a stretch image, a list and a
// grid pop-over button, tinted / rotated / centred images, a row of HUD
// buttons of every bezel and the info bar.
// Shared by the kelo-hud-gallery tool and its screenshot test.
class HudGalleryWindow : public HUDThemeKeloWindow,
                         public ToolTipWindowDelegate,
                         public KeloPopOverDataSource {
public:
    explicit HudGalleryWindow(QWidget* parent = nullptr);
    ~HudGalleryWindow() override;

    // Where the pieces sit, in window coordinates, for the screenshot test.
    QRect controlRect() const;
    QRect tintedImageRect() const;
    QRect infoBarRect() const;
    QLabel* infoBar() const { return infoBar_; }
    KeloPopOverButton* listButton() const { return listButton_; }
    KeloPopOverButton* gridButton() const { return gridButton_; }
    HUDButton* texturedButton() const { return texturedButton_; }
    HUDButton* checkBox() const { return checkBox_; }

    // The colours the pieces are drawn in.
    static QColor tintColour();

    void updateInfoBar(ToolTipWindowProtocol* window) override;

    int32_t numberOfPopOverItems(KeloPopOverButton*) override;
    QVariant objectValueForPopOverItem(KeloPopOverButton*, int32_t index) override;
    QString titleForPopOver(KeloPopOverButton*, int32_t index) override;

private:
    void addButtons();

    QWidget* control_ = nullptr;
    QWidget* images_ = nullptr;
    QLabel* infoBar_ = nullptr;
    KeloPopOverButton* listButton_ = nullptr;
    KeloPopOverButton* gridButton_ = nullptr;
    HUDButton* texturedButton_ = nullptr;
    HUDButton* checkBox_ = nullptr;
};
