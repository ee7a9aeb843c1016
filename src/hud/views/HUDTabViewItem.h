#pragma once

#include "platform/AttributedString.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

class HUDTabViewItem;
class QPainter;

// What a tab's identifier may provide: its own label and an image.
class TabViewItemColorProtocol {
public:
    virtual ~TabViewItemColorProtocol() = default;
    virtual AttributedString attributedLabel(const HUDTabViewItem& item) = 0;
    virtual QImage tabImage(const HUDTabViewItem& item) {
        (void)item;
        return {};
    }
};

// One tab of a HUDTabView: its label, an optional colour (opaque black fills
// the tab solid, another colour outlines the last tab) and identifier, and
// the rectangle its label was last drawn in, for overlays that point at it.
// Main thread only.
class HUDTabViewItem {
public:
    explicit HUDTabViewItem(const QString& label = {}) : label_(label) {}

    QString label() const { return label_; }
    void setLabel(const QString& label) { label_ = label; }
    // Invalid means the item has no colour of its own.
    QColor color() const { return color_; }
    void setColor(const QColor& color) { color_ = color; }
    // Not owned; null when the identifier provides nothing.
    TabViewItemColorProtocol* identifier() const { return identifier_; }
    void setIdentifier(TabViewItemColorProtocol* identifier) { identifier_ = identifier; }
    QString themeKey() const { return themeKey_; }
    void setThemeKey(const QString& key) { themeKey_ = key; }

    // Empty before the first draw.
    QRectF lastKnownLabelRect() const { return lastKnownLabelRect_; }
    // `font` is the tab view's for small controls, else null.
    void drawLabel(QPainter& painter, const QRectF& rect, const QFont* font);

private:
    QString label_;
    QColor color_;
    TabViewItemColorProtocol* identifier_ = nullptr;
    QString themeKey_;
    QRectF lastKnownLabelRect_;
};
