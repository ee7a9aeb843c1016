#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

class QPainter;

// One header bar of an accordion.
class KlAccordionItem {
public:
    KlAccordionItem() = default;
    KlAccordionItem(const QString& title, qint64 tag) : title_(title), tag_(tag) {}
    virtual ~KlAccordionItem() = default;

    // Called before the title is drawn; a subclass may draw an image at the
    // left and answer what is left of the rect for the title.
    virtual QRectF drawImageInRect(QPainter& painter, const QRectF& rect);

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    qint64 tag() const { return tag_; }
    void setTag(qint64 tag) { tag_ = tag; }
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame) { frame_ = frame; }
    bool hidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

private:
    QString title_;
    qint64 tag_ = 0;
    QRectF frame_;
    bool hidden_ = false;
};

// 18-point header bars stacked round one shared content view: the selected
// item's header sits right above the content, which takes the height the
// visible headers leave; later headers follow below it. A click on a header
// emits clicked(); the owner asks tagOfClickedItem() and fills the content.
class KlAccordionView : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 18;

    explicit KlAccordionView(QWidget* parent = nullptr);
    ~KlAccordionView() override;

    QWidget* contentView() const { return toContentView_; }
    void setContentView(QWidget* view);
    void addItem(std::shared_ptr<KlAccordionItem> item);
    void addItemWithTitle(const QString& title, int tag);
    QList<std::shared_ptr<KlAccordionItem>> items() const { return items_; }

    void layout();
    void selectItemWithTag(int tag);
    void setItemDirty(int index);
    // The header under the mouse, from the last mouse event the view saw (or
    // the pointer's position before any), or null.
    std::shared_ptr<KlAccordionItem> itemUnderMouse() const;
    // Selects the clicked item and answers its tag; -1 off the headers.
    int tagOfClickedItem();
    void adjustTrackingArea();

    int selectedIndex() const { return selectedIndex_; }
    int highlightedIndex() const { return highlightedIndex_; }
    QRectF contentRect() const { return contentRect_; }

    // The two disclosure triangles (open, closed), made once.
    static const QImage& selectedDisclosureImage();
    static const QImage& otherDisclosureImage();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void mouseMoved();
    QPointF mousePosition() const;

    QList<std::shared_ptr<KlAccordionItem>> items_;
    int selectedIndex_ = 0;
    int highlightedIndex_ = 0;
    QPointer<QWidget> toContentView_;
    QRectF contentRect_;
    std::optional<QPointF> lastMousePosition_;
};
