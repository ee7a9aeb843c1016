#include "settings/TopoTextureControl.h"

#include "foundation/KeloPrintfLog.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "hud/views/VNSViewCategory.h"
#include "settings/KeloJoystickControl.h"

#include <QGridLayout>

#include <cmath>

namespace {

// A text of a float as a number's description gives it.
QString floatText(double v) {
    return QString::number(float(v), 'g', 7);
}

QSizeF sizeOrZero(const QString& text) {
    const QSizeF s = NSSizeFromString(text);
    return s.isValid() ? s : QSizeF(0, 0);
}

}  // namespace

TopoTextureControl::TopoTextureControl(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    const auto field = [this] {
        auto* f = new HUDTextField(this);
        f->setEditable(true);
        f->setFixedWidth(64);
        return f;
    };
    const auto jog = [this, &field](KeloJoystickControl*& j) {
        j = new KeloJoystickControl(this);
        j->setFixedSize(90, 16);
        j->setHText(field());
    };
    toSourceWidth_ = field();
    toSourceHeight_ = field();
    toTexOrient_ = new HUDPopUpButton(this);
    toOutputGridDelay_ = field();
    jog(toRectOriginX_);
    jog(toRectOriginY_);
    jog(toRectSizeW_);
    jog(toRectSizeH_);
    jog(toTopoTexRotn_);
    toTopoTexFlip_ = new HUDButton(QStringLiteral("Flip"), this);
    toTopoTexFlip_->setButtonType(kSwitchButton);

    int row = 0;
    const auto addRow = [&](const char* label, QWidget* a, QWidget* b = nullptr) {
        grid->addWidget(new HUDLabel(QString::fromUtf8(label), this), row, 0);
        grid->addWidget(a, row, 1);
        if (b) grid->addWidget(b, row, 2);
        ++row;
    };
    addRow("Source:", toSourceWidth_, toSourceHeight_);
    addRow("Orientation:", toTexOrient_, toTopoTexFlip_);
    addRow("Origin X:", toRectOriginX_, toRectOriginX_->hText());
    addRow("Origin Y:", toRectOriginY_, toRectOriginY_->hText());
    addRow("Width:", toRectSizeW_, toRectSizeW_->hText());
    addRow("Height:", toRectSizeH_, toRectSizeH_->hText());
    addRow("Rotation:", toTopoTexRotn_, toTopoTexRotn_->hText());
    addRow("Show Grid:", toOutputGridDelay_);

    setupControl(toSourceWidth_, 1);
    setupControl(toSourceHeight_, 2);
    setupControl(toTexOrient_, 3);
    setupControl(toRectOriginX_, 4);
    setupControl(toRectOriginY_, 5);
    setupControl(toRectSizeW_, 6);
    setupControl(toRectSizeH_, 7);
    setupControl(toTopoTexRotn_, 8);
    setupControl(toTopoTexFlip_, 9);
    setupControl(toOutputGridDelay_, 10);
    toTexOrient_->addItems({"Normal", "Rotate 90", "Rotate 180", "Rotate 270", "H-Flip", "Flip 90",
                            "V-Flip", "Flip 270"});
    toTexOrient_->setCurrentIndex(0);
}

KeloJoystickControl* TopoTextureControl::joystick(int tag) const {
    switch (tag) {
        case 4:
            return toRectOriginX_;
        case 5:
            return toRectOriginY_;
        case 6:
            return toRectSizeW_;
        case 7:
            return toRectSizeH_;
        case 8:
            return toTopoTexRotn_;
        default:
            return nullptr;
    }
}

void TopoTextureControl::setupControl(QWidget* control, int tag) {
    control->setProperty("tag", tag);
    if (auto* j = qobject_cast<KeloJoystickControl*>(control)) {
        j->setTag(tag);
        j->loadThumbImage(QStringLiteral("joythumb.png"));
        j->loadTrackImage(QStringLiteral("joytrack.png"));
        calibrateJoystick(j);
        connect(j, &KeloJoystickControl::action, this,
                [this, tag](KeloJoystickControl* s) { actionProc(s, tag); });
    } else if (auto* f = qobject_cast<HUDTextField*>(control)) {
        connect(f, &QLineEdit::editingFinished, this, [this, f, tag] { actionProc(f, tag); });
    } else if (auto* p = qobject_cast<HUDPopUpButton*>(control)) {
        connect(p, &HUDPopUpButton::activated, this, [this, p, tag] { actionProc(p, tag); });
    } else if (auto* b = qobject_cast<HUDButton*>(control)) {
        connect(b, &QAbstractButton::clicked, this, [this, b, tag] { actionProc(b, tag); });
    }
}

void TopoTextureControl::calibrateJoystick(KeloJoystickControl* joystick) {
    const double w = texSize_.width(), h = texSize_.height();
    double lower = 0, upper = 0, def = 0;
    switch (joystick->tag()) {
        case 4:
            lower = -w, upper = w;
            break;
        case 5:
            lower = -h, upper = h;
            break;
        case 6:
            upper = w, def = w;
            break;
        case 7:
            upper = h, def = h;
            break;
        case 8:
            lower = -180, upper = 180;
            break;
        default:
            break;
    }
    const float u = float(upper);
    const int k = u > 100 ? 10 : u > 10 ? 100 : 1000;
    joystick->setRestrictRange(true);
    joystick->setFormat(k == 10    ? QStringLiteral("%0.1f")
                        : k == 100 ? QStringLiteral("%0.01f")
                                   : QStringLiteral("%0.001f"));
    joystick->setScale(1.0f / float(k));
    joystick->setResponseFactor(0.05f / float(k));
    const auto steps = [k](double v) {
        return int(std::clamp(v * k, -2147483520.0, 2147483520.0));
    };
    joystick->setMinValue(steps(lower));
    joystick->setMaxValue(steps(upper));
    joystick->setDefaultValue(steps(def));
}

bool TopoTextureControl::setTexSize(const QSizeF& requested) {
    // A size that is not a finite, non-negative number is taken as 0.
    const auto sane = [](double v) { return std::isfinite(v) && v > 0 ? v : 0.0; };
    const QSizeF size(sane(requested.width()), sane(requested.height()));
    const bool changed = size != texSize_;
    if (changed) {
        // From or to a zero size there is no ratio: the rectangle stays.
        const auto ratio = [](double from, double to) {
            return from > 0 && to > 0 ? to / from : 1.0;
        };
        const double rx = ratio(texSize_.width(), size.width());
        const double ry = ratio(texSize_.height(), size.height());
        texRect_ = QRectF(texRect_.x() * rx, texRect_.y() * ry, texRect_.width() * rx,
                          texRect_.height() * ry);
    }
    texSize_ = size;
    for (KeloJoystickControl* j :
         {toRectSizeW_, toRectSizeH_, toRectOriginX_, toRectOriginY_, toTopoTexRotn_})
        calibrateJoystick(j);
    return changed;
}

void TopoTextureControl::loadFromDictionary(const std::optional<QVariantMap>& dictionary) {
    loaded_ = dictionary.has_value();
    if (!dictionary) {
        hide();
        return;
    }
    show();
    topo_ = *dictionary;
    const QVariantMap& d = topo_;
    setTexSize(d.contains("texsize") ? sizeOrZero(d.value("texsize").toString()) : QSizeF(1, 1));
    texRect_ = d.contains("texrect") ? NSRectFromString(d.value("texrect").toString())
                                     : QRectF(0, 0, 1, 1);
    texorient_ = d.value("texorient").toString().toInt();
    texRotn_ = d.value("texrotation").toString().toFloat();
    texFlip_ = d.value("texflipped").toString().toInt();
    toSourceWidth_->setText(QString::number(int(texSize_.width())));
    toSourceHeight_->setText(QString::number(int(texSize_.height())));
    toTexOrient_->setCurrentIndex(texorient_);
    toRectOriginX_->setFloatValueX(float(texRect_.x()));
    toRectOriginY_->setFloatValueX(float(texRect_.y()));
    toRectSizeW_->setFloatValueX(float(texRect_.width()));
    toRectSizeH_->setFloatValueX(float(texRect_.height()));
    toTopoTexRotn_->setFloatValueX(texRotn_);
    toTopoTexFlip_->setState(texFlip_ ? kCellOnState : kCellOffState);
    gridDelay_ = d.value("showgrid").toString().toInt();
    toOutputGridDelay_->setText(d.contains("showgrid") ? d.value("showgrid").toString()
                                                       : QStringLiteral("0"));
}

bool TopoTextureControl::updateDictionary(QVariantMap& d) const {
    if (!loaded_) return false;
    d.insert("texsize", QString::asprintf("%d, %d", int(texSize_.width()), int(texSize_.height())));
    d.insert("texrect", QStringLiteral("%1, %2, %3, %4")
                            .arg(floatText(texRect_.x()), floatText(texRect_.y()),
                                 floatText(texRect_.width()), floatText(texRect_.height())));
    if (texorient_ == 0)
        d.remove("texorient");
    else
        d.insert("texorient", QString::number(texorient_));
    d.insert("texrotation", QString::asprintf("%.1f", double(texRotn_)));
    d.insert("texflipped", QString::number(texFlip_));
    d.insert("showgrid", QString::number(gridDelay_));
    return true;
}

void TopoTextureControl::actionProc(QObject* sender, int tag) {
    bool changed = false;
    const auto intOf = [sender] {
        const auto* f = qobject_cast<const QLineEdit*>(sender);
        return f ? f->text().trimmed().toInt() : 0;
    };
    const auto jogValue = [sender] {
        const auto* j = qobject_cast<const KeloJoystickControl*>(sender);
        return j ? double(j->floatX()) : 0.0;
    };
    const auto store = [&changed](auto& field, auto value) {
        changed = field != value;
        field = value;
    };
    switch (tag) {
        case 1:
            changed = setTexSize(QSizeF(intOf(), texSize_.height()));
            break;
        case 2:
            changed = setTexSize(QSizeF(texSize_.width(), intOf()));
            break;
        case 3:
            store(texorient_, toTexOrient_->currentIndex());
            break;
        case 4: {
            double x = texRect_.x();
            store(x, jogValue());
            texRect_.moveLeft(x);
            break;
        }
        case 5: {
            double y = texRect_.y();
            store(y, jogValue());
            texRect_.moveTop(y);
            break;
        }
        case 6: {
            double w = texRect_.width();
            store(w, jogValue());
            texRect_.setWidth(w);
            break;
        }
        case 7: {
            double h = texRect_.height();
            store(h, jogValue());
            texRect_.setHeight(h);
            break;
        }
        case 8:
            store(texRotn_, float(jogValue()));
            break;
        case 9:
            store(texFlip_, toTopoTexFlip_->state());
            break;
        case 10:
            store(gridDelay_, intOf());
            break;
        default:
            kelo::printf("actionProc %d\n", tag);
            return;
    }
    if (changed) emit action(this);
}
