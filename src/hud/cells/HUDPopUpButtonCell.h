#pragma once

#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDCell.h"
#include "platform/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>
#include <memory>

class HUDTheme;
class QPainter;

// Background styles of a cell; lowered draws the entry-box bezel.
enum : int64_t { kBackgroundStyleLight = 0, kBackgroundStyleLowered = 3 };

// Draws pop-up and pull-down buttons in the HUD look: a rounded bezel with a
// darker arrow column at the right, the arrows, the title and an optional
// image. Bezels of ordinary size are rendered once per look into the shared
// PopUpImage list. Coordinates are y-down, as the control view's own.
class HUDPopUpButtonCell : public HUDCell {
public:
    struct Item {
        QString title;
        bool enabled = true;
    };

    HUDPopUpButtonCell();
    ~HUDPopUpButtonCell() override;
    HUDPopUpButtonCell(const HUDPopUpButtonCell&) = delete;
    HUDPopUpButtonCell& operator=(const HUDPopUpButtonCell&) = delete;

    // Only "themeKey" is archived.
    static std::unique_ptr<HUDPopUpButtonCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    // Invalid means the theme's colours.
    QColor attributedColor() const { return attributedColor_; }
    void setAttributedColor(const QColor& color);

    // Items. A pull-down shows its first item as the title and lists the rest.
    void addItem(const QString& title);
    void addItems(const QStringList& titles);
    void removeAllItems();
    int numberOfItems() const { return int(items_.size()); }
    const Item& itemAtIndex(int index) const { return items_.at(index); }
    void setItemEnabled(int index, bool enabled);
    int indexOfSelectedItem() const { return selected_; }
    void selectItemAtIndex(int index);
    bool pullsDown() const { return pullsDown_; }
    void setPullsDown(bool pullsDown) { pullsDown_ = pullsDown; }
    QString title() const;

    // The standard cell state.
    int64_t backgroundStyle() const { return backgroundStyle_; }
    void setBackgroundStyle(int64_t style) { backgroundStyle_ = style; }
    const QImage& image() const { return image_; }
    void setImage(const QImage& image) { image_ = image; }
    const QImage& alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QImage& image) { alternateImage_ = image; }
    int imagePosition() const { return imagePosition_; }
    void setImagePosition(int position) { imagePosition_ = position; }
    int state() const { return state_; }
    void setState(int state) { state_ = state; }
    int highlightsBy() const { return highlightsBy_; }
    void setHighlightsBy(int mask) { highlightsBy_ = mask; }
    int showsStateBy() const { return showsStateBy_; }
    void setShowsStateBy(int mask) { showsStateBy_ = mask; }
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    QFont font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }
    // The natural size; its height follows the control size only.
    QSizeF cellSize() const;

    // Drawing, in the painter of the control view.
    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void drawArrowsInRect(QPainter& ctx, const QRectF& rect);
    void drawImage(QPainter& ctx, const QImage& image, const QRectF& frame, QWidget* controlView);

    // Geometry of the last drawWithFrame(): bezel and title rectangles.
    QRectF bezelRect(const QRectF& frame) const;
    QRectF lastTitleRect() const { return lastTitleRect_; }
    // The title as drawn: colour applied, shrunk to fit.
    AttributedString lastTitle() const { return lastTitle_; }

private:
    HUDTheme* hudTheme() const;
    QWidget* drawingView() const;
    bool inKeyWindow() const;
    bool viewIsTable() const;
    void drawBezel(QPainter& ctx, const QRectF& bezel);
    void drawTitle(QPainter& ctx, const QRectF& frame, const QRectF& bezel);

    QColor attributedColor_;

    QList<Item> items_;
    int selected_ = -1;
    bool pullsDown_ = false;
    int64_t backgroundStyle_ = kBackgroundStyleLight;
    QImage image_;
    QImage alternateImage_;
    int imagePosition_ = kNoImage;
    int state_ = kCellOffState;
    int highlightsBy_ = kChangeBackgroundCellMask;
    int showsStateBy_ = kNoCellMask;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    QFont font_;
    QWidget* drawingView_ = nullptr;
    QRectF lastTitleRect_;
    AttributedString lastTitle_;
};
