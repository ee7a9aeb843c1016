// The Preferences list's rows: layout, drawing, the pointer, the live
// controls of the selected row, and the search.

#include "settings/KlRemoteControlListView.h"

#include "foundation/OmLog.h"
#include "graphics/ImageGeometry.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/cells/HUDTextFieldCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/VEditableTextField.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/NSWindow_Additions.h"
#include "settings/KeloCameraSetupView.h"
#include "settings/KlPrefEditorView.h"
#include "settings/KlRemoteControlPanel.h"
#include "settings/KlSettingsNotifications.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

const QString kValue = QStringLiteral("_value");
const QString kType = QStringLiteral("_type");
constexpr int kResetZoneRight = 21;
constexpr int kResetZoneLeft = 2;
// The search mark: a dark blue behind the matched text.
const QColor kSearchMarkColor(0, 0, 0x77);

QFont labelFont() {
    QFont font = QApplication::font();
    font.setPointSize(setupLayout().fontSize);
    return font;
}

QFont groupFont() {
    QFont font = QApplication::font();
    font.setPointSize(setupLayout().fontSize + 2);
    return font;
}

// The second number of a "{min, max}" range; 0 when absent.
double rangeMaximum(const QVariantMap& entry) {
    QString text = prefValueText(entry.value(QStringLiteral("_rng"))).trimmed();
    text.remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    const QStringList parts = text.split(QLatin1Char(','));
    return parts.size() == 2 ? parts[1].trimmed().toDouble() : 0.0;
}

bool isChoiceType(const QVariantMap& entry) {
    const QString type = entry.value(kType).toString();
    return (type == QLatin1String("int") && entry.contains(QStringLiteral("_list"))) ||
           type == QLatin1String("list");
}

// The type the value cell treats the entry as.
QString cellType(const QVariantMap& entry) {
    const QString type = entry.value(kType).toString();
    if (type == QLatin1String("dict") && prefIntValue(entry.value(QStringLiteral("_local"))) == 3)
        return QStringLiteral("str");
    return type;
}

bool hasLiveControl(const QVariantMap& entry) {
    const QString type = cellType(entry);
    return type == QLatin1String("bool") || type == QLatin1String("int") ||
           type == QLatin1String("float") || type == QLatin1String("str");
}

void drawDisclosure(QPainter& p, const QPointF& at, bool selected) {
    QPainterPath triangle;
    if (selected) {
        triangle.moveTo(at.x(), at.y() + 6 + 2);
        triangle.lineTo(at.x() + 8, at.y() + 6 + 2);
        triangle.lineTo(at.x() + 4, at.y() + 6 + 8);
    } else {
        triangle.moveTo(at.x() + 2, at.y() + 6);
        triangle.lineTo(at.x() + 2, at.y() + 6 + 8);
        triangle.lineTo(at.x() + 8, at.y() + 6 + 4);
    }
    triangle.closeSubpath();
    p.fillPath(triangle, veryDimTextColor());
}

}  // namespace

// --- Layout and value texts ------------------------------------------------------

const KlListLayout& setupLayout() {
    static const KlListLayout layout = [] {
        KlListLayout l;
        const double size = QApplication::font().pointSizeF();
        l.fontSize = size > 0 ? int(size) : 13;
        l.columnWidth = listScaled(250);
        l.listWidth = l.columnWidth + 26;
        l.singleScrollWidth = l.columnWidth + 44;
        l.rightPanelX = l.columnWidth + 154;
        l.comparedWidth = 2 * l.columnWidth + 198;
        return l;
    }();
    return layout;
}

QString prefDisplayName(const QVariantMap& entry) {
    QString alias = entry.value(QStringLiteral("_alias")).toString();
    const QString group = entry.value(QStringLiteral("_group")).toString();
    if (!group.isEmpty() && alias.startsWith(group + QStringLiteral(": ")))
        alias.remove(0, group.size() + 2);
    return alias;
}

QString prefDisplayText(const QVariantMap& entry) {
    const QVariant value = entry.value(kValue);
    if (!value.isValid()) return {};
    const QString type = entry.value(kType).toString();
    if (type == QLatin1String("s_array")) {
        const qsizetype count = value.typeId() == QMetaType::QVariantList ? value.toList().size() : 0;
        return QString::asprintf("%d items", int(count));
    }
    if (type == QLatin1String("float")) return QString::asprintf("%0.3f", double(prefFloatValue(value)));
    if (type == QLatin1String("dict")) {
        if (prefIntValue(entry.value(QStringLiteral("_local"))) == 3) return QStringLiteral("C-K-S");
        if (entry.contains(QStringLiteral("_direct_summary")))
            return entry.value(QStringLiteral("_direct_summary")).toString();
        const QVariantMap dict = value.toMap();
        QString text;
        for (const QVariant& k : entry.value(QStringLiteral("_summary")).toList()) {
            const QString key = k.toString();
            const QString part = prefValueText(dict.value(key));
            const QStringList parts = part.split(QLatin1Char(':'));
            if (key == QLatin1String("SourceDescription") && parts.size() == 3 &&
                parts[0].contains(QLatin1String("N/A"))) {
                QString third;
                for (const QChar c : parts[2])
                    if (c.isLetterOrNumber()) third += c;
                text += QStringLiteral("%1: %2: %3").arg(parts[0], parts[1], third.left(12));
            } else {
                text += QLatin1Char(' ') + part;
            }
        }
        return text;
    }
    return prefValueText(value);
}

QRectF prefValueFrame(const QVariantMap& entry) {
    const QString type = cellType(entry);
    double width;
    if (type == QLatin1String("int")) {
        const double max = rangeMaximum(entry);
        width = max < 1000 ? listScaled(27) : (max < 10000 ? listScaled(33) : listScaled(39));
    } else if (type == QLatin1String("float")) {
        width = listScaled(40);
    } else {
        const double factor = entry.value(QStringLiteral("_textWidth")).toDouble();
        width = factor > 0 ? double(int(float(factor) * kListWidthFactor)) : listScaled(100);
    }
    return QRectF(kEditText.right() - width, kEditText.y(), width, kEditText.height());
}

QStringList loadPopupValues(HUDPopUpButtonCell& popup, const QVariantMap& entry) {
    const QVariantList titles = entry.value(QStringLiteral("_list")).toList();
    const QVariantList tags = entry.value(QStringLiteral("_list_tags")).toList();
    const bool hasReps = entry.contains(QStringLiteral("_list_reps"));
    const QVariantList reps = entry.value(QStringLiteral("_list_reps")).toList();
    const bool isInt = entry.value(kType).toString() == QLatin1String("int");
    const QVariant value = entry.value(kValue);
    const QString valueText = prefValueText(value);

    QStringList shown, values;
    QList<bool> enabled;
    int selected = -1;
    for (int i = 0; i < titles.size(); ++i) {
        const QString title = titles[i].toString();
        shown << title;
        enabled << true;
        if (isInt) {
            int tag = i;
            if (i < tags.size())
                tag = prefIntValue(tags[i]);
            else if (const int n = title.toInt(); n != 0)
                tag = n;
            values << QString::number(tag);
            if (value.isValid() && tag == prefIntValue(value) && selected < 0) selected = i;
        } else if (hasReps) {
            const QString rep = prefValueText(reps.value(i));
            values << rep;
            if (rep == valueText && selected < 0) selected = i;
        } else {
            values << title;
            if (title == valueText && selected < 0) selected = i;
        }
    }
    if (selected < 0 && value.isValid()) {
        // A value that no choice stands for shows as itself, not choosable.
        const QString missing =
            hasReps ? entry.value(QStringLiteral("_value_name")).toString() : valueText;
        if (!missing.isEmpty() || !hasReps) {
            shown << missing;
            enabled << false;
            values << valueText;
            selected = int(shown.size()) - 1;
        }
    }
    if (!hasReps) {
        const QVariantList addresses = entry.value(QStringLiteral("_list_addr")).toList();
        for (int i = 0; i < addresses.size() && i < titles.size(); ++i) {
            if (shown[i] == QLatin1String("Local") || shown[i] == QLatin1String("None")) continue;
            shown[i] = QStringLiteral("%1: %2").arg(shown[i], addresses[i].toString());
        }
    }
    popup.removeAllItems();
    popup.addItems(shown);
    for (int i = 0; i < enabled.size(); ++i) popup.setItemEnabled(i, enabled[i]);
    popup.selectItemAtIndex(selected);
    popup.setAttributedColor(selected >= 0 && shown[selected].contains(QLatin1String("(missing)"))
                                 ? QColor(Qt::yellow)
                                 : QColor());
    return values;
}

bool isVideoInput(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^VideoInput24[1-8]$"));
    if (!pattern.isValid()) {
        OmLogNoFlood(kOmLogError, "Error creating regex: %s\n", qPrintable(pattern.errorString()));
        return false;
    }
    return pattern.match(name).hasMatch();
}

QString prefDescription(const QVariantMap& entry) {
    QString text;
    for (auto it = entry.cbegin(); it != entry.cend(); ++it)
        text += it.key() + QStringLiteral(" = ") + prefValueText(*it) + QStringLiteral(";\n");
    return text;
}

// --- The view --------------------------------------------------------------------

KlRemoteControlListView::KlRemoteControlListView(KlRemoteControlList* list,
                                                 KlRemoteControlPanel* panel, QWidget* parent)
    : QWidget(parent),
      list_(list),
      panel_(panel),
      textCell_(std::make_unique<HUDTextFieldCell>(QStringLiteral("123"))),
      checkBoxCell_(std::make_unique<HUDButtonCell>()),
      resetButtonCell_(newListButtonCell()),
      checkBox_(new HUDButton(this)),
      textField_(new VEditableTextField(this)),
      editorViews_(6, nullptr) {
    setMouseTracking(true);
    setFixedWidth(setupLayout().listWidth);
    textCell_->setFont(labelFont());
    textCell_->setAlignment(Qt::AlignRight);
    textCell_->setTextColor(HUDThemeKelo::instance()->textColor());
    textCell_->setBackgroundColor(Qt::black);
    checkBoxCell_->setButtonType(kSwitchButton);
    checkBoxCell_->setTitle(QString());
    resetButtonCell_->setControlSize(1);
    resetButtonCell_->setTitle(QString(QChar(0x2022)));

    checkBox_->setButtonType(kSwitchButton);
    checkBox_->setTitle(QString());
    checkBox_->hide();
    connect(checkBox_, &HUDButton::clicked, this, [this] {
        editorAction(0, checkBox_->state() != kCellOffState ? QStringLiteral("1")
                                                            : QStringLiteral("0"));
    });
    // A long value must come back whole, not cut to the field's default.
    textField_->setMaxLength(std::numeric_limits<int>::max());
    textField_->setFont(labelFont());
    textField_->setAlignment(Qt::AlignRight);
    textField_->hide();
    connect(textField_, &VEditableTextField::action, this,
            [this] { editorAction(1, textField_->text()); });
    textField_->installEventFilter(this);
    list_->setDelegate(this);
}

KlRemoteControlListView::~KlRemoteControlListView() {
    list_->setDelegate(nullptr);
}

std::unique_ptr<HUDButtonCell> newListButtonCell() {
    static const QImage clear = [] {
        QImage image(5, 5, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }();
    auto cell = std::make_unique<HUDButtonCell>();
    cell->setControlSize(0);
    cell->setBezelStyle(kTexturedRoundedBezelStyle);
    cell->setBordered(true);
    cell->setButtonType(kMomentaryPushInButton);
    cell->setImage(clear);
    cell->setAlternateImage(clear);
    cell->setImagePosition(kNoImage);
    cell->setAlignment(Qt::AlignHCenter);
    cell->setBGButtonType(kHUDHoverButton);
    cell->setImageScaling(kImageScaleNone);
    return cell;
}

QVariantMap KlRemoteControlListView::entryFor(const QString& key) const {
    const QVariantMap* d = list_->dictionary();
    if (!d) return {};
    const auto it = d->constFind(key);
    return it != d->constEnd() && it->typeId() == QMetaType::QVariantMap ? it->toMap()
                                                                         : QVariantMap();
}

int KlRemoteControlListView::rowAt(double y) const {
    const auto it = std::upper_bound(rows_.begin(), rows_.end(), y,
                                     [](double v, const Row& r) { return v < r.y + r.height; });
    return it == rows_.end() || y < 0 ? -1 : int(it - rows_.begin());
}

QString KlRemoteControlListView::prefAtLocation(const QPointF& point) const {
    const int i = rowAt(point.y());
    return i < 0 ? QString() : rows_[size_t(i)].key;
}

QRectF KlRemoteControlListView::rowRect(int index) const {
    if (index < 0 || index >= int(rows_.size())) return {};
    const Row& r = rows_[size_t(index)];
    return QRectF(0, r.y, width(), r.height);
}

int KlRemoteControlListView::rowOfKey(const QString& key) const {
    return rowIndex_.value(key, -1);
}

KlPrefEditorView* KlRemoteControlListView::editorView(KlRemoteControlList::EditorView kind) {
    const size_t i = size_t(kind);
    if (kind == KlRemoteControlList::EditorView::None || i >= editorViews_.size()) return nullptr;
    if (!editorViews_[i]) {
        editorViews_[i] = new KlPrefEditorView(kind, this, this);
        editorViews_[i]->hide();
        for (QLineEdit* field : editorViews_[i]->findChildren<QLineEdit*>())
            field->installEventFilter(this);
    }
    return editorViews_[i];
}

KlPrefEditorView* KlRemoteControlListView::selectedEditorView() const {
    const size_t i = size_t(list_->selectedPrefControlView());
    return i < editorViews_.size() ? editorViews_[i] : nullptr;
}

void KlRemoteControlListView::recalculateHeight() {
    rows_.clear();
    rowIndex_.clear();
    int y = 0;
    const QVariantMap* d = list_->dictionary();
    if (d) {
        const QVariantList keys = list_->sortedKeys();
        rows_.reserve(size_t(keys.size()));
        for (const QVariant& k : keys) {
            Row row;
            row.key = k.toString();
            row.y = y;
            const auto it = d->constFind(row.key);
            row.header = it == d->constEnd() || it->typeId() != QMetaType::QVariantMap;
            if (!row.header) {
                row.editor = KlRemoteControlList::editorViewForEntry(it->toMap());
                if (KlPrefEditorView* v = editorView(row.editor))
                    row.height = std::max(kListRowHeight, v->height());
            }
            rowIndex_.insert(row.key, int(rows_.size()));
            rows_.push_back(row);
            y += row.height;
        }
    }
    desiredHeight_ = y;
    panel_->resizeIfNeeded();
    const int selected = rowOfKey(list_->selectedPrefName());
    if (selected >= 0 && scrollItemToVisible_ == list_->selectedPrefName()) {
        scrollItemToVisible_.clear();
        panel_->ensureVisible(this, rowRect(selected));
    }
    placeSelectedControls();
    update();
}

// --- Drawing ---------------------------------------------------------------------

void KlRemoteControlListView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRectF dirty = event->rect();
    const QRectF visible = QRectF(visibleRegion().boundingRect()).united(dirty);
    HUDThemeKelo* theme = HUDThemeKelo::instance();
    const QVariantMap* d = list_->dictionary();

    // While a value is typed, the field's own redraws need only its backdrop.
    const int selected = rowOfKey(list_->selectedPrefName());
    if (d && selected >= 0 && textField_->isVisible()) {
        const QRectF around = QRectF(textField_->geometry()).adjusted(-3, -3, 3, 3);
        const QRectF row = rowRect(selected);
        if (around.contains(dirty) && dirty.top() >= row.top() && dirty.bottom() <= row.bottom()) {
            p.fillRect(dirty, theme->cellHighlightColor());
            return;
        }
    }

    paintedRows_ = 0;
    if (d) {
        currentMousePt_ = mapFromGlobal(QCursor::pos());
        QSet<QString> onScreen;
        for (int i = std::max(0, rowAt(visible.top())); i >= 0 && i < int(rows_.size()); ++i) {
            const Row& row = rows_[size_t(i)];
            if (row.y >= visible.bottom()) break;
            if (!row.header) onScreen.insert(row.key);
            if (row.y + row.height > dirty.top() && row.y < dirty.bottom()) {
                drawRow(p, i, visible);
                ++paintedRows_;
            }
        }
        markVisible(onScreen);
    }
    p.fillRect(QRectF(21, visible.top(), 1, visible.height()), theme->darkStrokeColor());

    if (d && !list_->cannotCompareOrEdit()) return;
    if (d) {
        QColor dim = boxFillColor();
        dim.setAlphaF(0.5);
        p.fillRect(dirty, dim);
    } else {
        p.fillRect(dirty, boxFillColor());
    }
    drawStatus(p, visible);
}

void KlRemoteControlListView::markVisible(const QSet<QString>& now) {
    for (const QString& key : visibleKeys_)
        if (!now.contains(key)) list_->setPrefVisible(key, false);
    for (const QString& key : now)
        if (!visibleKeys_.contains(key)) list_->setPrefVisible(key, true);
    visibleKeys_ = now;
}

void KlRemoteControlListView::drawStatus(QPainter& p, const QRectF& visible) {
    const QString status = list_->serverStatus();
    if (status.isEmpty()) return;
    QFont font = labelFont();
    p.setFont(font);
    const QSizeF size =
        QFontMetricsF(font).boundingRect(QRectF(0, 0, 10000, 10000), Qt::AlignCenter, status).size();
    const QRectF at = getCenteredRectNoScaling(visible, std::ceil(size.width()), std::ceil(size.height()));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 204));
    p.drawRoundedRect(at.adjusted(-20, -20, 20, 20), 8, 8);
    p.setPen(QColor(Qt::yellow));
    p.drawText(at, Qt::AlignCenter, status);
}

void KlRemoteControlListView::drawRow(QPainter& p, int index, const QRectF&) {
    HUDThemeKelo* theme = HUDThemeKelo::instance();
    const Row& row = rows_[size_t(index)];
    const QRectF rect(0, row.y, width(), row.height);
    if (row.header) {
        p.fillRect(rect, theme->alternatingRowColor(index & 1));
        p.setFont(groupFont());
        const QRectF at(26, row.y + 4, width() - 30, 19);
        if (searchMatchRows_.contains(index) && !searchText_.isEmpty()) {
            const qsizetype m = row.key.indexOf(searchText_, 0, Qt::CaseInsensitive);
            if (m >= 0) {
                const QFontMetricsF fm(p.font());
                p.fillRect(QRectF(at.x() + fm.horizontalAdvance(row.key.left(m)), at.y(),
                                  fm.horizontalAdvance(row.key.mid(m, searchText_.size())), 17),
                           kSearchMarkColor);
            }
        }
        p.setPen(dimTextColor());
        p.drawText(at, Qt::AlignLeft | Qt::AlignTop, row.key);
        return;
    }
    const QVariantMap entry = entryFor(row.key);
    const bool selected = row.key == list_->selectedPrefName();
    p.fillRect(rect, selected ? theme->cellHighlightColor() : theme->alternatingRowColor(index & 1));
    const double nameWidth = setupLayout().columnWidth - listPopUpWidth() - 4;
    p.setFont(labelFont());
    const QString name = prefDisplayName(entry);
    const double textWidth = QFontMetricsF(p.font()).horizontalAdvance(name);
    const QRectF nameRect(26, row.y + 4, std::max(textWidth, nameWidth), 17);
    drawName(p, row, entry, nameRect);
    if (row.height > kListRowHeight) drawDisclosure(p, QPointF(nameRect.right() + 4, row.y), selected);
    if (!entry.contains(kValue)) return;
    if (showsResetButton(entry)) {
        const QRectF reset = kResetRect.translated(0, row.y);
        const bool inside = reset.contains(currentMousePt_);
        resetButtonCell_->setMouseInside(inside);
        const bool pressed = inside && resetPressKey_ == row.key;
        resetButtonCell_->setHighlighted(pressed);
        resetButtonCell_->setState(pressed ? kCellOnState : kCellOffState);
        resetButtonCell_->drawWithFrame(p, reset, this);
    }
    drawValue(p, row, entry);
}

void KlRemoteControlListView::drawName(QPainter& p, const Row& row, const QVariantMap& entry,
                                       const QRectF& rect) {
    QString text = prefDisplayName(entry);
    const QFontMetricsF fm(p.font());
    const int index = rowOfKey(row.key);
    if (searchMatchRows_.contains(index) && !searchText_.isEmpty()) {
        const qsizetype m = text.indexOf(searchText_, 0, Qt::CaseInsensitive);
        qsizetype from = m, length = searchText_.size();
        if (m < 0) {
            // The row matched on something other than its name.
            from = text.size() + 1;
            text += QStringLiteral(" (match!)");
            length = text.size() - from;
        }
        const double left = rect.right() - fm.horizontalAdvance(text);
        p.fillRect(QRectF(left + fm.horizontalAdvance(text.left(from)), rect.y(),
                          fm.horizontalAdvance(text.mid(from, length)), rect.height()),
                   kSearchMarkColor);
    }
    p.setPen(HUDThemeKelo::instance()->textColor());
    p.drawText(rect, Qt::AlignRight | Qt::AlignTop, text);
}

HUDPopUpButtonCell* KlRemoteControlListView::popupCellFor(const QString& key) {
    auto& cell = popupButtonCells_[key];
    if (!cell) {
        cell = std::make_shared<HUDPopUpButtonCell>();
        cell->setFont(labelFont());
        cell->setControlSize(0);
    }
    return cell.get();
}

bool KlRemoteControlListView::showsResetButton(const QVariantMap& entry) const {
    const auto def = entry.constFind(QStringLiteral("_dflt"));
    return def != entry.constEnd() && editingAllowed() &&
           KlRemoteControlList::isValueValid(*def, entry) &&
           !KlRemoteControlList::isValueEqual(*def, entry);
}

void KlRemoteControlListView::drawValue(QPainter& p, const Row& row, const QVariantMap& entry) {
    const bool selected = row.key == list_->selectedPrefName();
    if (selected && row.editor != KlRemoteControlList::EditorView::None && editingAllowed()) return;
    if (isChoiceType(entry)) {
        HUDPopUpButtonCell* cell = popupCellFor(row.key);
        loadPopupValues(*cell, entry);
        const int w = listPopUpWidth();
        cell->drawWithFrame(p, QRectF(setupLayout().listWidth - w, row.y + 2, w, kListPopUpHeight), this);
        return;
    }
    // The selected row's live control stands where its cell would be.
    if (selected && hasLiveControl(entry) && (checkBox_->isVisible() || textField_->isVisible()))
        return;
    const QString type = cellType(entry);
    if (type == QLatin1String("bool")) {
        checkBoxCell_->setState(prefBoolValue(entry.value(kValue)) ? kCellOnState : kCellOffState);
        checkBoxCell_->drawWithFrame(p, QRectF(kCheckRect.x(), row.y + 6, kCheckRect.width(), 16), this);
        return;
    }
    const QString text = prefDisplayText(entry);
    QRectF frame = prefValueFrame(entry).translated(0, row.y);
    if (row.height > kListRowHeight && text.size() > 20) {
        const double textWidth = std::ceil(QFontMetricsF(labelFont()).horizontalAdvance(text));
        const double nameRight = 26 + setupLayout().columnWidth - listPopUpWidth() - 4;
        if (textWidth > frame.width() - 10 || frame.right() - (textWidth + 8) < nameRight + 8 + 4) {
            frame.setLeft(frame.right() - (textWidth + 8));
            frame.translate(0, kListRowHeight);
        }
    }
    const bool fills = type == QLatin1String("int") || type == QLatin1String("float") ||
                       (type == QLatin1String("str") && !entry.contains(QStringLiteral("_editor")));
    textCell_->setFillsBackground(fills);
    textCell_->setDrawsBackground(fills);
    textCell_->setStringValue(text);
    drawingCellFr_ = frame;
    textCell_->drawWithFrame(p, frame, this);
}

// --- Live controls -----------------------------------------------------------------

void KlRemoteControlListView::placeSelectedControls() {
    const QString key = list_->selectedPrefName();
    const int index = rowOfKey(key);
    const bool editing = textField_->hasFocus() && textField_->property("key").toString() == key;
    for (KlPrefEditorView* v : editorViews_)
        if (v && (index < 0 || v->kind() != rows_[size_t(index)].editor)) v->hide();
    checkBox_->hide();
    if (!editing) textField_->hide();
    if (index < 0 || !editingAllowed()) {
        textField_->hide();
        for (KlPrefEditorView* v : editorViews_)
            if (v) v->hide();
        return;
    }
    const Row& row = rows_[size_t(index)];
    const QVariantMap entry = entryFor(key);
    if (KlPrefEditorView* v = editorView(row.editor)) {
        const int top = row.y + std::min(3, std::max(0, row.height - v->height()));
        v->move(setupLayout().listWidth - v->width(), top);
        v->load(*list_, entry);
        v->show();
        return;
    }
    if (!hasLiveControl(entry) || !entry.contains(kValue)) return;
    const QString type = cellType(entry);
    if (type == QLatin1String("bool")) {
        checkBox_->setGeometry(kCheckRect.translated(0, row.y).toRect());
        checkBox_->setState(prefBoolValue(entry.value(kValue)) ? kCellOnState : kCellOffState);
        checkBox_->show();
        return;
    }
    const QRect frame = prefValueFrame(entry).translated(0, row.y).toRect();
    textField_->setGeometry(frame);
    if (!editing) textField_->setText(prefDisplayText(entry));
    textField_->setProperty("key", key);
    const bool numeric = type == QLatin1String("int") || type == QLatin1String("float");
    textField_->setUsesArithmetic(numeric);
    textField_->setUsesOnDemandFormatter(numeric);
    textField_->setEditingAlignmentRect(QRectF(2, 0, frame.width() - 4, frame.height()));
    textField_->show();
}

void KlRemoteControlListView::forwardClick(const QPointF& at) {
    const QPoint p = at.toPoint();
    if (checkBox_->isVisible() && checkBox_->geometry().contains(p)) {
        checkBox_->click();
    } else if (textField_->isVisible() && textField_->geometry().contains(p)) {
        textField_->setFocus(Qt::MouseFocusReason);
        textField_->selectAll();
    } else if (KlPrefEditorView* v = selectedEditorView();
               v && v->isVisible() && v->kind() == KlRemoteControlList::EditorView::ListSelector) {
        auto* popup = qobject_cast<HUDPopUpButton*>(v->controlWithTag(1009));
        if (popup && QRect(popup->mapTo(this, QPoint(0, 0)), popup->size()).contains(p))
            popup->showMenu();
    }
}

void KlRemoteControlListView::editorAction(int tag, const QVariant& value) {
    // A server that went away while a field was edited is sent nothing.
    if (!editingAllowed()) return;
    list_->actionProc(tag, value);
    if (tag == 998)
        if (KlPrefEditorView* v = selectedEditorView(); v && v->cameraView() &&
                                                        v->cameraView()->needsRefresh()) {
            v->cameraView()->setNeedsRefresh(false);
            list_->refreshPref(list_->selectedPrefName());
        }
    update();
}

// --- Pointer -------------------------------------------------------------------------

void KlRemoteControlListView::selectAt(const QString& key) {
    if (entryFor(key).isEmpty()) return;
    list_->selectPref(key, true);
    list_->refreshPref(key);
    recalculateHeight();
}

void KlRemoteControlListView::mousePressEvent(QMouseEvent* event) {
    scrollItemToVisible_.clear();
    list_->setResetMouseDownKey(QString());
    if (!editingAllowed() || event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    mouseDownPt_ = currentMousePt_ = at;
    const QString key = prefAtLocation(at);
    if (at.x() > kResetZoneLeft && at.x() < kResetZoneRight && !key.isEmpty()) {
        const QVariantMap entry = entryFor(key);
        const auto def = entry.constFind(QStringLiteral("_dflt"));
        if (def == entry.constEnd()) return;
        if (!KlRemoteControlList::isValueValid(*def, entry)) {
            OmLogNoFlood(kOmLogError,
                         "[Preferences] invalid property list default value '%s' for '%s'\n",
                         qPrintable(prefValueText(*def)), qPrintable(key));
            return;
        }
        if (KlRemoteControlList::isValueEqual(*def, entry)) return;
        resetPressKey_ = key;
        update();
        return;
    }
    selectAt(key);
    forwardClick(at);
}

void KlRemoteControlListView::mouseReleaseEvent(QMouseEvent* event) {
    const QString pressed = std::exchange(resetPressKey_, QString());
    if (pressed.isEmpty()) return;
    const QPointF at = event->position();
    if (prefAtLocation(at) == pressed && at.x() > kResetZoneLeft && at.x() < kResetZoneRight &&
        editingAllowed()) {
        list_->setResetMouseDownKey(pressed);
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(entryFor(pressed).value(QStringLiteral("_alias")).toString())->setEnabled(false);
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Reset to default")), &QAction::triggered, this,
                [this] { list_->resetToDefault(); });
        resetMenu_ = menu;
        menu->popup(mapToGlobal(at.toPoint()));
    }
    update();
    list_->refreshPref(pressed);
    recalculateHeight();
}

void KlRemoteControlListView::mouseMoveEvent(QMouseEvent* event) {
    currentMousePt_ = event->position();
    if (!resetPressKey_.isEmpty()) update();
    const double x = currentMousePt_.x();
    const QString hover = x >= kResetRect.left() && x <= kResetRect.right()
                              ? prefAtLocation(currentMousePt_)
                              : QString();
    if (hover == mouseHoverKey_) return;
    mouseHoverKey_ = hover;
    update();
    setHelp(QString(), QColor());
    const QVariantMap entry = entryFor(hover);
    const auto def = entry.constFind(QStringLiteral("_dflt"));
    if (def == entry.constEnd()) return;
    if (!KlRemoteControlList::isValueValid(*def, entry)) {
        OmLogNoFlood(kOmLogWarning,
                     "[Preferences] invalid property list default value\n'%s' for '%s'\n",
                     qPrintable(prefValueText(*def)), qPrintable(hover));
        return;
    }
    if (KlRemoteControlList::isValueEqual(*def, entry)) return;
    setHelp(QStringLiteral("reset preference to default value\ndefault:\t'%1'\ncurrent:\t'%2'")
                .arg(prefValueText(*def), prefValueText(entry.value(kValue))),
            toolTipColor());
}

bool KlRemoteControlListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            dismissOverlay(window());
            break;
        default:
            return QWidget::eventFilter(watched, event);
    }
    if (key->key() != Qt::Key_Return || key->modifiers() != Qt::NoModifier)
        return QWidget::eventFilter(watched, event);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(watched, &tab);
    return true;
}

void KlRemoteControlListView::leaveEvent(QEvent*) {
    if (mouseHoverKey_.isEmpty()) return;
    mouseHoverKey_.clear();
    update();
}

void KlRemoteControlListView::setHelp(const QString& text, const QColor& color) {
    helpText_ = text;
    emit helpTextChanged(text, color);
}

// --- Search --------------------------------------------------------------------------

void KlRemoteControlListView::search(const QString& text) {
    const qsizetype before = searchMatchRows_.size();
    searchMatchRows_.clear();
    searchText_ = text;
    if (text.isEmpty() || rows_.empty()) {
        update();
        return;
    }
    const QString selected = list_->selectedPrefName();
    const int n = int(rows_.size());
    const int at = rowOfKey(selected);
    const int start = selected.isEmpty() ? 1 : (at < 0 ? 0 : at + 1);
    QString first;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        const Row& row = rows_[size_t(i)];
        const bool match = row.key.contains(text, Qt::CaseInsensitive) ||
                           (!row.header && prefDescription(entryFor(row.key)).contains(text, Qt::CaseInsensitive));
        if (!match) continue;
        searchMatchRows_.insert(i);
        if (!row.header && first.isEmpty()) first = row.key;
    }
    if (!first.isEmpty()) {
        scrollItemToVisible_ = first;
        list_->selectPref(first, true);
        list_->refreshPref(first);
        recalculateHeight();
    }
    if (searchMatchRows_.size() != before) update();
}

void KlRemoteControlListView::findNext() {
    search(searchText_);
}

// --- What the model tells ------------------------------------------------------------

void KlRemoteControlListView::showWarning(const QString& key, const QString& text) {
    textField_->clearFocus();
    const int index = rowOfKey(key);
    QWidget* anchor = textField_;
    QWidget* temporary = nullptr;
    if (!(textField_->isVisible() && textField_->property("key").toString() == key)) {
        temporary = new QWidget(this);
        const QRectF rect = kEditText.translated(0, index >= 0 ? rows_[size_t(index)].y : 0);
        temporary->setGeometry(rect.toRect());
        temporary->show();
        anchor = temporary;
    }
    if (OverlayView* overlay = OverlayView::addOverlayViewWithTitle(text, anchor))
        overlay->addOkButton();
    if (temporary) temporary->deleteLater();
}

void KlRemoteControlListView::prefSelected(const QString& key, bool allowScroll) {
    if (isVideoInput(key))
        NotificationCenter::defaultCenter().post(kKlRemoteControlListToKeloEgret, this,
                                                 {{QStringLiteral("name"), key}});
    placeSelectedControls();
    const int index = rowOfKey(key);
    if (allowScroll && index >= 0 && !visibleKeys_.contains(key) && scrollItemToVisible_ != key) {
        scrollItemToVisible_ = key;
        panel_->ensureVisible(this, rowRect(index));
    }
    update();
}

void KlRemoteControlListView::editValuesLoaded() {
    if (KlPrefEditorView* v = selectedEditorView(); v && v->isVisible())
        v->load(*list_, entryFor(list_->selectedPrefName()));
}

void KlRemoteControlListView::dictionaryChanged() {
    visibleKeys_.clear();
    recalculateHeight();
}

void KlRemoteControlListView::hideInRowEditors() {
    checkBox_->hide();
    // Typing survives a refresh of the dictionary underneath.
    if (!textField_->hasFocus()) textField_->hide();
}

void KlRemoteControlListView::setNeedsDisplay() {
    if (!editingAllowed()) placeSelectedControls();
    update();
    panel_->setNeedsDisplayAll();
}

void KlRemoteControlListView::commitButtonFlash(bool green) {
    if (KlPrefEditorView* v = selectedEditorView()) v->setCommitFlash(green);
}

void KlRemoteControlListView::windowTitleChanged(const QString& title) {
    panel_->windowTitleChanged(this, title);
}

void KlRemoteControlListView::compareMenuChanged() {
    panel_->compareMenuChanged();
}

void KlRemoteControlListView::comparingChanged(bool comparing) {
    panel_->comparingChanged(comparing);
}
