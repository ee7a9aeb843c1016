// The motions box of the content editor: the motion records of the model
// info, listed, reordered, added and deleted, and the selected one edited
// field by field.

#include "settings/KeloRemoteContentEditorWindow.h"

#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDStepper.h"
#include "hud/controls/VEditableTextDelegate.h"
#include "hud/controls/VEditableTextField.h"
#include "settings/controlValueField.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace {

const QStringList kParameters{"position", "rotation", "texposition", "opacity", "intensity"};
const QStringList kSources{"CONST", "DMX"};
const QStringList kDmxTypes{"u8", "o8", "s8", "u16", "o16", "s16", "s32"};

// A typed number as the server reads it: no grouping, "." for decimals.
QString wholeText(const QString& typed) {
    const QLocale locale;
    QString text = typed.trimmed();
    text.remove(locale.groupSeparator());
    return text.replace(locale.decimalPoint(), QStringLiteral("."));
}

QString numberText(const QString& typed) {
    return QString::number(wholeText(typed).toDouble());
}

void showItemInPopup(HUDPopUpButton* popup, const QString& title) {
    int index = -1;
    for (int i = 0; i < popup->cell()->numberOfItems(); ++i)
        if (popup->cell()->itemAtIndex(i).title == title) index = i;
    popup->setCurrentIndex(index);
}

}  // namespace

void KeloRemoteContentEditorWindow::buildMotionsBox() {
    auto* row = new QHBoxLayout(toModelMotionsBox_);
    auto* left = new QVBoxLayout;
    motionList_ = new QListWidget(toModelMotionsBox_);
    motionList_->setFixedWidth(160);
    tagged(111, motionList_);
    connect(motionList_, &QListWidget::currentRowChanged, this,
            [this] { motionAction(111, motionList_); });
    left->addWidget(motionList_, 1);
    auto* buttons = new QHBoxLayout;
    for (const auto& [title, tag] : {std::pair{"+", 113}, std::pair{"-", 114}}) {
        auto* b = new HUDButton(QString::fromLatin1(title), toModelMotionsBox_);
        b->setFixedWidth(28);
        const int t = tag;
        tagged(t, b);
        connect(b, &HUDButton::clicked, this, [this, b, t] { motionAction(t, b); });
        buttons->addWidget(b);
    }
    // Held in the middle: a step up or down is one move, however often.
    motionStepper_ = new HUDStepper(toModelMotionsBox_);
    motionStepper_->setMaxValue(2);
    motionStepper_->setValue(1);
    tagged(112, motionStepper_);
    connect(motionStepper_, &HUDStepper::valueChanged, this,
            [this] { motionAction(112, motionStepper_); });
    buttons->addWidget(motionStepper_);
    buttons->addStretch();
    left->addLayout(buttons);
    row->addLayout(left);

    currentMotionBox_ = new QWidget(toModelMotionsBox_);
    auto* grid = new QGridLayout(currentMotionBox_);
    const auto label = [this](const QString& text) {
        return new HUDLabel(text, currentMotionBox_);
    };
    const auto popUp = [this](int tag, const QStringList& titles) {
        auto* p = new HUDPopUpButton(currentMotionBox_);
        p->addItems(titles);
        tagged(tag, p);
        connect(p, &HUDPopUpButton::activated, this, [this, p, tag] { motionAction(tag, p); });
        return p;
    };
    // Creation order is the Tab order of the fields.
    const auto field = [this](int tag, QWidget* parent) {
        auto* f = new VEditableTextField(parent);
        f->setFixedWidth(64);
        f->setUsesArithmetic(true);
        VEditableTextDelegate::editableField(f, nullptr);
        tagged(tag, f);
        connect(f, &VEditableTextField::action, this, [this, f, tag] { motionAction(tag, f); });
        return f;
    };
    const auto keyed = [this](const char* key, int ident, const char* caption, const char* dflt) {
        auto* f = new controlValueField(currentMotionBox_);
        f->setFixedWidth(64);
        f->setLabel(new HUDLabel(currentMotionBox_));
        f->setLabelText(QString::fromUtf8(caption));
        f->setKey(QString::fromLatin1(key));
        f->setDflt(QString::fromLatin1(dflt));
        f->setIdent(ident);
        f->setProperty("tag", 119);
        VEditableTextDelegate::editableField(f, nullptr);
        connect(f, &VEditableTextField::action, this, [this, f] { motionAction(119, f); });
        keyedFields_.push_back(f);
        return f;
    };

    grid->addWidget(label(QStringLiteral("Parameter:")), 0, 0);
    grid->addWidget(popUp(118, kParameters), 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Source:")), 1, 0);
    grid->addWidget(popUp(115, kSources), 1, 1, 1, 3);
    controlValueField* travel = keyed("scale", 0, "Travel:", "0");
    grid->addWidget(travel->label(), 2, 0);
    grid->addWidget(travel, 2, 1);
    grid->addWidget(label(QStringLiteral("Delay:")), 2, 2);
    grid->addWidget(field(117, currentMotionBox_), 2, 3);
    int at = 3;
    for (const auto& [first, second] :
         {std::pair{std::tuple{"stride", 1, "Stride"}, std::tuple{"counts", 1, "Counts:"}},
          std::pair{std::tuple{"min", 2, "Min"}, std::tuple{"max", 3, "Max"}}}) {
        int column = 0;
        for (const auto& [key, ident, caption] : {first, second}) {
            controlValueField* f = keyed(key, ident, caption, "");
            grid->addWidget(f->label(), at, column);
            grid->addWidget(f, at, column + 1);
            column += 2;
        }
        ++at;
    }
    for (const auto& [caption, firstTag] : {std::pair{"Vector:", 120}, std::pair{"Origin:", 123}}) {
        grid->addWidget(label(QString::fromLatin1(caption)), at, 0);
        auto* xyz = new QHBoxLayout;
        for (int i = 0; i < 3; ++i) xyz->addWidget(field(firstTag + i, currentMotionBox_));
        grid->addLayout(xyz, at++, 1, 1, 3);
    }

    dmxBox_ = new QWidget(currentMotionBox_);
    auto* dmx = new QGridLayout(dmxBox_);
    dmx->setContentsMargins(0, 0, 0, 0);
    dmx->addWidget(new HUDLabel(QStringLiteral("DMX Type:"), dmxBox_), 0, 0);
    auto* type = new HUDPopUpButton(dmxBox_);
    type->addItems(kDmxTypes);
    tagged(129, type);
    connect(type, &HUDPopUpButton::activated, this, [this, type] { motionAction(129, type); });
    dmx->addWidget(type, 0, 1);
    const std::pair<const char*, int> dmxFields[] = {
        {"Ident:", 126}, {"Address:", 127}, {"Universe:", 128}};
    int dmxRow = 1;
    for (const auto& [caption, tag] : dmxFields) {
        dmx->addWidget(new HUDLabel(QString::fromLatin1(caption), dmxBox_), dmxRow, 0);
        dmx->addWidget(field(tag, dmxBox_), dmxRow++, 1);
    }
    grid->addWidget(dmxBox_, at++, 0, 1, 4);
    grid->setRowStretch(at, 1);
    row->addWidget(currentMotionBox_, 1);
}

void KeloRemoteContentEditorWindow::showMotions() {
    const QVariantList motions = editor_.motions();
    selectedMotion_ =
        motions.isEmpty() ? -1 : std::clamp(selectedMotion_, 0, int(motions.size()) - 1);
    {
        const QSignalBlocker block(motionList_);
        motionList_->clear();
        for (int i = 0; i < motions.size(); ++i)
            motionList_->addItem(KeloRemoteContentEditor::motionTitle(i, motions[i].toMap()));
        motionList_->setCurrentRow(selectedMotion_);
    }
    currentMotionBox_->setVisible(selectedMotion_ >= 0);
    const QVariantMap motion =
        selectedMotion_ >= 0 ? motions[selectedMotion_].toMap() : QVariantMap();
    const auto text = [&](const char* key) {
        return motion.value(QString::fromLatin1(key)).toString();
    };
    showItemInPopup(static_cast<HUDPopUpButton*>(controls_[118]), text("parameter"));
    showItemInPopup(static_cast<HUDPopUpButton*>(controls_[115]), text("source"));
    showItemInPopup(static_cast<HUDPopUpButton*>(controls_[129]), text("type"));
    for (controlValueField* f : keyedFields_)
        if (!f->hasFocus()) f->setStringValue(motion.value(f->key()).toString());
    const auto show = [this](int tag, const QString& value) {
        auto* f = static_cast<VEditableTextField*>(controls_[tag]);
        if (!f->hasFocus()) f->setStringValue(value);
    };
    show(117, text("delay"));
    const QStringList vector = text("vector").split(QLatin1Char(','));
    const QStringList origin = text("origin").split(QLatin1Char(','));
    for (int i = 0; i < 3; ++i) {
        show(120 + i, QString::number(vector.value(i).toDouble()));
        show(123 + i, QString::number(origin.value(i).toDouble()));
    }
    show(126, text("ident"));
    show(127, text("address"));
    show(128, text("universe"));
    dmxBox_->setVisible(text("source") == QLatin1String("DMX"));
}

void KeloRemoteContentEditorWindow::motionAction(int tag, QWidget* sender) {
    const int index = selectedMotion_;
    const auto fieldText = [sender] {
        auto* f = qobject_cast<QLineEdit*>(sender);
        return f ? f->text() : QString();
    };
    const auto title = [sender] {
        auto* p = qobject_cast<HUDPopUpButton*>(sender);
        return p ? p->currentText() : QString();
    };
    bool changed = false;
    switch (tag) {
        case 111:
            selectedMotion_ = motionList_->currentRow();
            showMotions();
            return;
        case 112: {
            const bool up = motionStepper_->value() != 0;
            {
                const QSignalBlocker block(motionStepper_);
                motionStepper_->setValue(1);
            }
            const int moved = editor_.moveMotion(index, up);
            changed = moved != index;
            selectedMotion_ = moved;
            break;
        }
        case 113: {
            const int before = int(editor_.motions().size());
            editor_.addMotion(index);
            changed = editor_.motions().size() > before;
            selectedMotion_ = index >= 0 && index < before ? index + 1 : before;
            break;
        }
        case 114:
            changed = index >= 0 && index < editor_.motions().size();
            editor_.deleteMotion(index);
            break;
        case 115:
            changed = editor_.setMotionValue(index, QStringLiteral("source"), title());
            break;
        case 118:
            changed = editor_.setMotionValue(index, QStringLiteral("parameter"), title());
            break;
        case 129:
            changed = editor_.setMotionValue(index, QStringLiteral("type"), title());
            break;
        case 117:
            changed = editor_.setMotionElement(index, QStringLiteral("delay"), 0,
                                               numberText(fieldText()), QStringLiteral("0"));
            break;
        case 119: {
            auto* f = qobject_cast<controlValueField*>(sender);
            if (!f) return;
            const QString typed = wholeText(f->text());
            const QString value = typed.isEmpty() ? f->dflt() : typed;
            changed = editor_.setMotionValue(index, f->key(),
                                             value.isEmpty() ? QVariant() : QVariant(value));
            break;
        }
        case 120:
        case 121:
        case 122:
        case 123:
        case 124:
        case 125:
            changed = editor_.setMotionElement(
                index, tag < 123 ? QStringLiteral("vector") : QStringLiteral("origin"),
                (tag - 120) % 3, numberText(fieldText()), QStringLiteral("0,0,0"));
            break;
        case 126:
            changed =
                editor_.setMotionValue(index, QStringLiteral("ident"),
                                       QString::number(int(wholeText(fieldText()).toDouble())));
            break;
        case 127:
            changed =
                editor_.setMotionValue(index, QStringLiteral("address"), wholeText(fieldText()));
            break;
        case 128:
            changed =
                editor_.setMotionValue(index, QStringLiteral("universe"), wholeText(fieldText()));
            break;
        default:
            return;
    }
    if (!changed) return;
    editor_.sendItem(false);
    rescanCurrentItem();
}
