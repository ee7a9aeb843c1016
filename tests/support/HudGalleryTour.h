#pragma once

#include "hud/views/OverlayView.h"
#include "hud/windows/HUDThemeKeloWindow.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <memory>

class QStackedWidget;
class VSeparableController;

// A tour of the whole HUD kit, one page per family of controls, in one
// themed window. Shared by the kelo-hud-gallery tool and its screenshot
// test, which pictures every page and checks that each control painted.
class HudGalleryTour : public HUDThemeKeloWindow {
public:
    explicit HudGalleryTour(QWidget* parent = nullptr);
    ~HudGalleryTour() override;

    int pageCount() const;
    QString pageName(int index) const;
    void showPage(int index);
    QWidget* page(int index) const;
    // The controls of a page that must show something.
    QList<QWidget*> controls(int index) const;
    // The overlay message page's bubble, opened by showPage().
    OverlayView* overlay() const { return overlay_; }

private:
    struct Page {
        QString name;
        QWidget* widget = nullptr;
        QList<QWidget*> controls;
    };
    Page& addPage(const QString& name);
    void buildButtons();
    void buildTextFields();
    void buildSliders();
    void buildPopUps();
    void buildTables();
    void buildScrollers();
    void buildBoxes();
    void buildSearch();
    void buildAccordion();
    void buildTabView();
    void buildSeparablePanel();
    void buildOverlayPage();

    QStackedWidget* pages_ = nullptr;
    QList<Page> list_;
    std::unique_ptr<VSeparableController> panel_;
    QWidget* overlayAnchor_ = nullptr;
    QPointer<OverlayView> overlay_;
};
