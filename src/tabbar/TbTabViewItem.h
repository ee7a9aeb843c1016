#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

class TbTabView;

// One page of a TbTabView: an identifier, a label and the page's view.
// The identifier is any value; when it holds a QObject* whose class has the
// properties "icon" (QImage), "largeImage" (QImage), "countColor" (QColor)
// or "isEdited" (bool), a tab bar shows and follows them.
// Items are shared: a tab view and a tab bar hold them by shared_ptr, so an
// item may move between tab views. Main thread only.
class TbTabViewItem : public QObject {
    Q_OBJECT
public:
    explicit TbTabViewItem(const QVariant& identifier = {}, const QString& label = {});
    // A page no tab view holds any more goes with its item.
    ~TbTabViewItem() override;

    QVariant identifier() const { return identifier_; }
    void setIdentifier(const QVariant& identifier);
    // The identifier's object, or null when it holds none.
    QObject* identifierObject() const;

    QString label() const { return label_; }
    void setLabel(const QString& label);

    // The page; the tab view shows it while the item is selected and owns it
    // (as a Qt child of its content switcher) while the item belongs to it.
    // In a tab view, the page a new one replaces is deleted.
    QWidget* view() const { return view_; }
    void setView(QWidget* view);

    TbTabView* tabView() const { return tabView_; }

    // 0 selected, 1 background (the platform's tab states).
    int tabState() const;

signals:
    void labelChanged(const QString& label);
    void identifierChanged(const QVariant& oldIdentifier);

private:
    friend class TbTabView;
    QVariant identifier_;
    QString label_;
    QPointer<QWidget> view_;
    TbTabView* tabView_ = nullptr;
};
