#include "settings/KlPrefEditorView.h"

#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "hud/controls/VEditableTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "settings/KeloCameraSetupView.h"
#include "settings/KlRemoteControlListView.h"

#include <QTimer>

namespace {

using EditorView = KlRemoteControlList::EditorView;

constexpr int kItemPopUp = 1000;
constexpr int kItemText = 1001;
constexpr int kCommit = 1002;
constexpr int kAddRemove = 1003;
constexpr int kChoice = 1009;
constexpr int kSuggestions = 1100;
constexpr int kSuggestionText = 1101;
constexpr int kEffectLabel = 999;
constexpr int kCameraView = 998;
const QString kChoose = QStringLiteral("Choose...");

int heightOf(EditorView kind) {
    switch (kind) {
        case EditorView::ListSelector:
            return kListRowHeight;
        case EditorView::StringList:
            return 100;
        case EditorView::Effect:
            return 60;
        case EditorView::Alignment:
            return 100;
        case EditorView::CameraSettings:
            return 200;
        case EditorView::None:
            break;
    }
    return kListRowHeight;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, colour.isValid() ? colour : QColor(217, 217, 217));
    w->setPalette(p);
}

}  // namespace

KlPrefEditorView::KlPrefEditorView(EditorView kind, KlRemoteControlListView* listView,
                                   QWidget* parent)
    : QWidget(parent), kind_(kind), listView_(listView) {
    const int width = setupLayout().columnWidth;
    resize(width, heightOf(kind));
    const auto send = [this](int tag, const QVariant& value) {
        if (!loading_) listView_->editorAction(tag, value);
    };
    const auto popUp = [&](int tag, int x, int y, int w) {
        auto* p = new HUDPopUpButton(this);
        p->setGeometry(x, y, w, kListPopUpHeight);
        add(tag, p);
        return p;
    };
    const auto button = [&](int tag, const QString& title, int x, int y, int w, const QVariant& value) {
        auto* b = new HUDButton(title, this);
        b->setGeometry(x, y, w, 22);
        add(tag, b);
        connect(b, &HUDButton::clicked, this, [send, tag, value] { send(tag, value); });
        return b;
    };
    const auto numberField = [&](int tag, int x, int y) {
        auto* f = new VEditableTextField(this);
        f->setGeometry(x, y, 56, 20);
        f->setUsesArithmetic(true);
        add(tag, f);
        connect(f, &VEditableTextField::action, this, [send, f, tag] { send(tag, f->intValue()); });
    };

    switch (kind) {
        case EditorView::ListSelector: {
            const int w = listPopUpWidth();
            HUDPopUpButton* p = popUp(kChoice, width - w - 1, 1, w);
            connect(p, &HUDPopUpButton::activated, this,
                    [this, send](int i) { send(kChoice, choiceValues_.value(i)); });
            break;
        }
        case EditorView::StringList:
        case EditorView::Alignment: {
            HUDPopUpButton* items = popUp(kItemPopUp, width - 200, 2, 120);
            connect(items, &HUDPopUpButton::activated, this, [send](int i) { send(kItemPopUp, i); });
            connect(items, &HUDPopUpButton::aboutToPopUp, this, &KlPrefEditorView::popupWillPopUp);
            connect(items, &HUDPopUpButton::menuClosed, this, &KlPrefEditorView::menuDidClose);
            button(kAddRemove, QStringLiteral("-"), width - 76, 2, 24, 0);
            button(kAddRemove, QStringLiteral("+"), width - 50, 2, 24, 1);
            button(kCommit, QStringLiteral("Commit"), width - 80, heightOf(kind) - 26, 74, {});
            if (kind == EditorView::StringList) {
                auto* text = new HUDTextField(this);
                text->setGeometry(40, 28, width - 46, 20);
                add(kItemText, text);
                connect(text, &HUDTextField::editingFinished, this,
                        [send, text] { send(kItemText, text->text()); });
                HUDPopUpButton* s = popUp(kSuggestions, 40, 52, 150);
                connect(s, &HUDPopUpButton::activated, this,
                        [send, s](int) { send(kSuggestions, s->currentText()); });
                auto* desc = new HUDLabel(this);
                desc->setGeometry(196, 52, width - 200, 20);
                add(kSuggestionText, desc);
            } else {
                for (int i = 0; i < 5; ++i)
                    numberField(KlRemoteControlList::kFirstEditValueTag + i, 40 + i * 62, 30);
            }
            break;
        }
        case EditorView::Effect: {
            auto* label = new HUDLabel(this);
            label->setGeometry(40, 6, 60, 20);
            add(kEffectLabel, label);
            for (int i = 0; i < 5; ++i)
                numberField(KlRemoteControlList::kFirstEditValueTag + i, 40 + i * 62, 32);
            button(kCommit, QStringLiteral("Commit"), width - 80, 6, 74, {});
            break;
        }
        case EditorView::CameraSettings: {
            camera_ = new KeloCameraSetupView(this);
            camera_->setGeometry(0, 0, width, heightOf(kind));
            add(kCameraView, camera_);
            connect(camera_, &KeloCameraSetupView::action, this,
                    [send](KeloCameraSetupView* v) { send(kCameraView, v->dictionary()); });
            break;
        }
        case EditorView::None:
            break;
    }
}

void KlPrefEditorView::add(int tag, QWidget* control) {
    control->setProperty("tag", tag);
    if (!controls_.contains(tag)) controls_.insert(tag, control);
}

void KlPrefEditorView::setCommitFlash(bool green) {
    if (auto* b = qobject_cast<HUDButton*>(controlWithTag(kCommit)))
        b->cell()->setAttributedColor(green ? QColor(Qt::green) : QColor());
    if (QWidget* w = controlWithTag(kCommit)) w->update();
}

void KlPrefEditorView::reloadArrayItemSelector(const KlRemoteControlList& list,
                                               const QVariantMap& entry) {
    auto* items = qobject_cast<HUDPopUpButton*>(controlWithTag(kItemPopUp));
    if (!items) return;
    showingTexts_ = false;
    const QVariant values = list.selectedPrefValues();
    const int count = values.typeId() == QMetaType::QVariantList ? int(values.toList().size()) : 0;
    const QString format = entry.value(QStringLiteral("_format"), QStringLiteral("Item %d")).toString();
    const int first = prefIntValue(entry.value(QStringLiteral("_1_based")));
    QStringList titles;
    for (int i = 0; i < count; ++i) {
        QString title = format;
        title.replace(QLatin1String("%d"), QString::number(first + i));
        titles << title;
    }
    items->cell()->removeAllItems();
    items->cell()->addItems(titles);
    items->cell()->selectItemAtIndex(list.selectedItemIndex());
    items->update();

    auto* suggestions = qobject_cast<HUDPopUpButton*>(controlWithTag(kSuggestions));
    QWidget* description = controlWithTag(kSuggestionText);
    if (!suggestions || !description) return;
    const bool offer = list.selectedItemIndex() >= 0 && entry.contains(QStringLiteral("_s_array_list"));
    suggestions->setVisible(offer);
    description->setVisible(offer);
    if (!offer) return;
    QStringList choices{kChoose};
    for (const QVariant& s : entry.value(QStringLiteral("_s_array_list")).toList()) choices << s.toString();
    suggestions->cell()->removeAllItems();
    suggestions->cell()->addItems(choices);
    suggestions->cell()->selectItemAtIndex(0);
    static_cast<HUDLabel*>(description)->setText(entry.value(QStringLiteral("_list_desc")).toString());
}

void KlPrefEditorView::popupWillPopUp() {
    auto* items = qobject_cast<HUDPopUpButton*>(controlWithTag(kItemPopUp));
    const QVariant values = listView_->list()->selectedPrefValues();
    if (!items || showingTexts_ || values.typeId() != QMetaType::QVariantList) return;
    const QVariantList texts = values.toList();
    if (texts.isEmpty()) return;
    for (const QVariant& v : texts)
        if (v.typeId() != QMetaType::QString) return;
    const int selected = items->currentIndex();
    QStringList titles;
    for (int i = 0; i < items->cell()->numberOfItems(); ++i)
        titles << items->cell()->itemAtIndex(i).title +
                      (i < texts.size() ? QStringLiteral(" : ") + texts[i].toString() : QString());
    items->cell()->removeAllItems();
    items->cell()->addItems(titles);
    items->cell()->selectItemAtIndex(selected);
    showingTexts_ = true;
}

void KlPrefEditorView::menuDidClose() {
    if (showingTexts_) QTimer::singleShot(100, this, &KlPrefEditorView::revertMenu);
}

void KlPrefEditorView::revertMenu() {
    // Opened again meanwhile, the texts stay until that menu closes.
    auto* items = qobject_cast<HUDPopUpButton*>(controlWithTag(kItemPopUp));
    if (!showingTexts_ || (items && items->menu())) return;
    reloadArrayItemSelector(*listView_->list(), entry_);
}

void KlPrefEditorView::warnIfNotFound(const QVariantMap& entry) {
    auto* text = qobject_cast<HUDTextField*>(controlWithTag(kItemText));
    if (!text) return;
    QStringList suggestions;
    for (const QVariant& s : entry.value(QStringLiteral("_s_array_list")).toList()) suggestions << s.toString();
    const bool unknown = entry.contains(QStringLiteral("_s_array_list")) && !text->text().isEmpty() &&
                         !suggestions.contains(text->text());
    setTextColour(text, unknown ? QColor(Qt::yellow) : QColor());
}

void KlPrefEditorView::load(const KlRemoteControlList& list, const QVariantMap& entry) {
    loading_ = true;
    entry_ = entry;
    switch (kind_) {
        case EditorView::ListSelector:
            if (auto* p = qobject_cast<HUDPopUpButton*>(controlWithTag(kChoice))) {
                choiceValues_ = loadPopupValues(*p->cell(), entry);
                p->update();
            }
            break;
        case EditorView::StringList:
        case EditorView::Alignment: {
            reloadArrayItemSelector(list, entry);
            const bool readOnly = prefBoolValue(entry.value(QStringLiteral("_readonly")));
            for (QWidget* w : findChildren<QWidget*>()) {
                const int tag = w->property("tag").toInt();
                if (tag == kCommit || tag == kAddRemove) w->setVisible(!readOnly);
            }
            if (auto* text = qobject_cast<HUDTextField*>(controlWithTag(kItemText))) {
                const QVariantList items = list.selectedPrefValues().toList();
                const int i = list.selectedItemIndex();
                text->setText(i >= 0 && i < items.size() ? items[i].toString() : QString());
                warnIfNotFound(entry);
            }
            for (int i = 0; i < 5; ++i) {
                const int tag = KlRemoteControlList::kFirstEditValueTag + i;
                if (auto* f = qobject_cast<VEditableTextField*>(controlWithTag(tag)))
                    f->setText(QString::number(list.getEditValueForTag(tag)));
            }
            break;
        }
        case EditorView::Effect: {
            const QString label = entry.value(QStringLiteral("_label")).toString();
            if (auto* l = qobject_cast<HUDLabel*>(controlWithTag(kEffectLabel))) {
                l->setText(label.isEmpty() ? QStringLiteral("SEL") : label);
                QPalette p = l->palette();
                p.setColor(QPalette::WindowText, dimTextColor());
                l->setPalette(p);
            }
            for (int i = 0; i < 5; ++i) {
                const int tag = KlRemoteControlList::kFirstEditValueTag + i;
                if (auto* f = qobject_cast<VEditableTextField*>(controlWithTag(tag)))
                    f->setText(QString::number(list.getEditValueForTag(tag)));
            }
            break;
        }
        case EditorView::CameraSettings:
            camera_->setTitle(prefDisplayName(entry));
            camera_->setDictionary(list.selectedPrefValues().toMap());
            break;
        case EditorView::None:
            break;
    }
    loading_ = false;
}
