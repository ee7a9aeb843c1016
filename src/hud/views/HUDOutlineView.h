#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/cells/TextFieldCell.h"

#include <QTreeView>
#include <QVariantMap>

#include <memory>

class HUDTableHeaderView;

// The dark HUD outline: the table's theme, header cells, corner view, row
// painting and cell text colours on a tree.
class HUDOutlineView : public QTreeView, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDOutlineView(QWidget* parent = nullptr);
    ~HUDOutlineView() override;

    static HUDOutlineView* initWithCoder(const QVariantMap& archive, QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;
    void awakeFromNib();

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    HUDTableHeaderView* tableHeaderView() const { return header_; }
    QWidget* cornerView();

    virtual TextFieldCell* preparedCellAtIndex(const QModelIndex& index);

    void drawBackgroundInClipRect(QPainter& painter, const QRectF& clip);
    void highlightSelectionInClipRect(QPainter& painter, const QRectF& clip);

    void setDropRow(qint64 row, quint64 operation);
    qint64 dropRow() const { return dropRow_; }
    quint64 dropOperation() const { return dropOperation_; }
    bool isOpaque() const { return true; }
    bool preservesContentDuringLiveResize() const { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString themeKey_;
    QString layerKey_;
    qint64 dropRow_ = -1;
    quint64 dropOperation_ = 0;
    QColor backgroundColor_;
    HUDTableHeaderView* header_ = nullptr;
    std::unique_ptr<TextFieldCell> cell_;
};
