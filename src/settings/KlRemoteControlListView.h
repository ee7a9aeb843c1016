#pragma once

#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListDelegate.h"

#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <vector>

class HUDButton;
class HUDButtonCell;
class HUDPopUpButtonCell;
class HUDTextFieldCell;
class KlPrefEditorView;
class KlRemoteControlPanel;
class VEditableTextField;

// Geometry of the Preferences list, in points; the same for every panel.
struct KlListLayout {
    int fontSize = 0;           // label font of every cell and control of the list
    int columnWidth = 0;        // name-and-value column; list-selector view
    int listWidth = 0;          // the list view; x of the copy strip
    int singleScrollWidth = 0;  // the scroll view when not comparing
    int rightPanelX = 0;        // the right-hand list view
    int comparedWidth = 0;      // the scroll view while comparing
};
// Scales the design's widths to the font the lists use.
inline constexpr float kListWidthFactor = 13.0f / 9.0f;
inline int listScaled(int points) {
    return int(kListWidthFactor * float(points));
}
const KlListLayout& setupLayout();

inline constexpr int kListRowHeight = 25;
inline constexpr int kCopyStripWidth = 128;
// Hit rectangles in row coordinates (origin at the row's top-left).
inline const QRectF kResetRect(2, 6, 19, 18);
inline const QRectF kNameRect(26, 4, 367, 17);
inline const QRectF kEditText(301, 4, 83, 17);
inline const QRectF kCheckRect(368, 2, 16, 23);
// The pop-up of the list-selector view.
inline int listPopUpWidth() {
    return listScaled(110);
}
inline constexpr int kListPopUpHeight = 22;

// What a value cell shows: "%d items", "%0.3f", "C-K-S", a dictionary's
// summary, or the value's text.
QString prefDisplayText(const QVariantMap& entry);
// The value field's frame in row coordinates, by type and range.
QRectF prefValueFrame(const QVariantMap& entry);
// Fills a pop-up from a choice entry and selects the value's item (a value
// that is no choice shows as a disabled extra item); answers what each item
// sends when chosen.
QStringList loadPopupValues(HUDPopUpButtonCell& popup, const QVariantMap& entry);
// "_alias" less its group's "<group>: " prefix.
QString prefDisplayName(const QVariantMap& entry);
// Every key and value of an entry as one text, for the search.
QString prefDescription(const QVariantMap& entry);
// Whether a preference is one of the live video inputs "VideoInput241" to
// "VideoInput248".
bool isVideoInput(const QString& name);
// The cell of the list's small buttons (reset bullet, copy arrows): a hover
// button on a textured bezel with a clear image.
std::unique_ptr<HUDButtonCell> newListButtonCell();

// One list of the Preferences tab: the rows of one server's preferences
// drawn by hand (group headers, names, reset bullets, values), the live
// controls of the selected row, hover help and the status text over a server
// that cannot be shown. It is the window side of one KlRemoteControlList.
// Only rows meeting the visible area are drawn; the rows' "visible" marks,
// which decide what the model fetches, follow what is on screen.
// Main thread only.
class KlRemoteControlListView : public QWidget, public KlRemoteControlListDelegate {
    Q_OBJECT
public:
    struct Row {
        QString key;
        int y = 0;
        int height = kListRowHeight;
        bool header = false;
        KlRemoteControlList::EditorView editor = KlRemoteControlList::EditorView::None;
    };

    KlRemoteControlListView(KlRemoteControlList* list, KlRemoteControlPanel* panel,
                            QWidget* parent = nullptr);
    ~KlRemoteControlListView() override;

    KlRemoteControlList* list() const { return list_; }
    const std::vector<Row>& rows() const { return rows_; }
    int desiredHeight() const { return desiredHeight_; }
    // Row under a point, -1 off the rows.
    int rowAt(double y) const;
    QString prefAtLocation(const QPointF& point) const;
    QRectF rowRect(int index) const;
    int rowOfKey(const QString& key) const;

    void recalculateHeight();
    // Case-insensitive, from the row after the selection, wrapping.
    void search(const QString& text);
    void findNext();
    const QSet<int>& searchMatchRows() const { return searchMatchRows_; }
    QString searchText() const { return searchText_; }

    // Live controls of the selected row; hidden when it has none.
    HUDButton* checkBox() const { return checkBox_; }
    VEditableTextField* textField() const { return textField_; }
    KlPrefEditorView* selectedEditorView() const;
    // The menu of the reset bullet while it is open.
    QMenu* resetMenu() const { return resetMenu_; }
    QString mouseHoverKey() const { return mouseHoverKey_; }
    QString helpText() const { return helpText_; }
    // Keys whose rows the last paint found on screen.
    const QSet<QString>& visibleKeys() const { return visibleKeys_; }
    int paintedRows() const { return paintedRows_; }

    // An editor control changed (tag and what it holds).
    void editorAction(int tag, const QVariant& value);

    // KlRemoteControlListDelegate
    void showWarning(const QString& key, const QString& text) override;
    void prefSelected(const QString& key, bool allowScroll) override;
    void editValuesLoaded() override;
    void dictionaryChanged() override;
    void hideInRowEditors() override;
    void setNeedsDisplay() override;
    void commitButtonFlash(bool green) override;
    void windowTitleChanged(const QString& title) override;
    void compareMenuChanged() override;
    void comparingChanged(bool comparing) override;

signals:
    void helpTextChanged(const QString& text, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // Keys in the row's fields: any of Return, Tab, Backtab and Esc closes
    // the window's overlays; Return moves on as Tab does, committing.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool editingAllowed() const { return !list_->cannotCompareOrEdit(); }
    QVariantMap entryFor(const QString& key) const;
    void drawRow(QPainter& p, int index, const QRectF& visible);
    void drawName(QPainter& p, const Row& row, const QVariantMap& entry, const QRectF& rect);
    void drawValue(QPainter& p, const Row& row, const QVariantMap& entry);
    void drawStatus(QPainter& p, const QRectF& visible);
    HUDPopUpButtonCell* popupCellFor(const QString& key);
    bool showsResetButton(const QVariantMap& entry) const;
    void placeSelectedControls();
    void forwardClick(const QPointF& at);
    void selectAt(const QString& key);
    void setHelp(const QString& text, const QColor& color);
    KlPrefEditorView* editorView(KlRemoteControlList::EditorView kind);
    void markVisible(const QSet<QString>& now);

    KlRemoteControlList* list_;
    KlRemoteControlPanel* panel_;
    std::vector<Row> rows_;
    QHash<QString, int> rowIndex_;
    int desiredHeight_ = 0;
    QString scrollItemToVisible_;
    QPointF mouseDownPt_{-1, -1};
    QPointF currentMousePt_{-1, -1};
    QString mouseHoverKey_;
    QString resetPressKey_;
    QString helpText_;
    QSet<int> searchMatchRows_;
    QString searchText_;
    QSet<QString> visibleKeys_;
    int paintedRows_ = 0;
    QRectF drawingCellFr_;

    std::unique_ptr<HUDTextFieldCell> textCell_;
    std::unique_ptr<HUDButtonCell> checkBoxCell_;
    std::unique_ptr<HUDButtonCell> resetButtonCell_;
    QHash<QString, std::shared_ptr<HUDPopUpButtonCell>> popupButtonCells_;
    HUDButton* checkBox_;
    VEditableTextField* textField_;
    std::vector<KlPrefEditorView*> editorViews_;
    QPointer<QMenu> resetMenu_;
};
