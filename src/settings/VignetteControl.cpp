#include "settings/VignetteControl.h"

#include "foundation/KeloPrintfLog.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "hud/views/VNSViewCategory.h"
#include "settings/KeloJoystickControl.h"

#include <QGridLayout>
#include <QRegularExpression>

#include <cmath>

namespace {

const char* const kEdgeKeys[] = {"left", "right", "top", "bottom"};
const char* const kEdgeTitles[] = {"Left", "Right", "Top", "Bottom"};

// The number a text starts with, as a string's floatValue reads it: 0 when
// there is none.
float leadingFloat(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const auto m = number.match(text);
    if (!m.hasMatch()) return 0;
    const float v = m.captured(0).trimmed().toFloat();
    return std::isfinite(v) ? v : 0;
}

QString floatText(float v) {
    return QString::number(v, 'g', 7);
}

}  // namespace

VignetteControl::VignetteControl(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    const auto field = [this] {
        auto* f = new HUDTextField(this);
        f->setEditable(true);
        f->setFixedWidth(64);
        return f;
    };
    toSourceWidth_ = field();
    toSourceHeight_ = field();
    grid->addWidget(new HUDLabel(QStringLiteral("Source:"), this), 0, 0);
    grid->addWidget(toSourceWidth_, 0, 1);
    grid->addWidget(toSourceHeight_, 0, 2);
    setupControl(toSourceWidth_, 1, false);
    setupControl(toSourceHeight_, 2, false);
    for (int i = 0; i < 4; ++i) {
        Edge& e = edges_[size_t(i)];
        e.toEnable = new HUDButton(QString::fromUtf8(kEdgeTitles[i]), this);
        e.toEnable->setButtonType(kSwitchButton);
        e.toCurve = new HUDPopUpButton(this);
        e.toCurve->addItems({"Linear", "Raised Cosine", "Sine"});
        e.toAmount = new KeloJoystickControl(this);
        e.toPower = new KeloJoystickControl(this);
        for (KeloJoystickControl* j : {e.toAmount, e.toPower}) {
            j->setFixedSize(90, 16);
            j->setHText(field());
        }
        const int row = 1 + 2 * i;
        grid->addWidget(e.toEnable, row, 0);
        grid->addWidget(e.toCurve, row, 1, 1, 2);
        grid->addWidget(e.toAmount, row + 1, 0);
        grid->addWidget(e.toAmount->hText(), row + 1, 1);
        grid->addWidget(e.toPower, row + 1, 2);
        grid->addWidget(e.toPower->hText(), row + 1, 3);
        const int tag = 4 + 4 * i;
        setupControl(e.toEnable, tag, false);
        setupControl(e.toCurve, tag + 1, false);
        setupControl(e.toAmount, tag + 2, false);
        setupControl(e.toPower, tag + 3, true);
    }
}

void VignetteControl::setupControl(QWidget* control, int tag, bool power) {
    control->setProperty("tag", tag);
    if (auto* j = qobject_cast<KeloJoystickControl*>(control)) {
        j->setTag(tag);
        j->loadThumbImage(QStringLiteral("joythumb.png"));
        j->loadTrackImage(QStringLiteral("joytrack.png"));
        j->setRestrictRange(true);
        j->setFormat(QStringLiteral("%0.3f"));
        j->setScale(0.001f);
        j->setResponseFactor(0.005f);
        j->setMinValue(0);
        j->setMaxValue(power ? 3000 : 1000);
        j->setDefaultValue(power ? 1000 : 0);
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

QVariantMap VignetteControl::defaultDictionary() {
    return {{"scale", "1, 1"}, {"type", "rect"}};
}

std::optional<float> VignetteControl::amountFromString(const QString& text) {
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0) return leadingFloat(text);
    const float divisor = leadingFloat(text.mid(slash + 1));
    if (divisor == 0) return std::nullopt;
    const float v = leadingFloat(text.left(slash)) / divisor;
    return std::isfinite(v) ? std::optional<float>(v) : std::nullopt;
}

int VignetteControl::intValueNoComma(const QString& text) {
    return int(leadingFloat(QString(text).remove(QLatin1Char(','))));
}

void VignetteControl::scaleAxis(int first, double oldValue, double newValue) {
    const int n = int(newValue);
    const int k = n > 100 ? 10 : n > 10 ? 100 : 1000;
    const QString format = k == 10    ? QStringLiteral("%0.1f")
                           : k == 100 ? QStringLiteral("%0.2f")
                                      : QStringLiteral("%0.3f");
    // A zero size has no ratio: amounts keep their values then.
    const double ratio = oldValue > 0 && newValue > 0 ? newValue / oldValue : 1.0;
    for (int i = first; i < first + 2; ++i) {
        Edge& e = edges_[size_t(i)];
        e.amount = float(e.amount * ratio);
        e.toAmount->setMaxValue(int(std::min<qint64>(qint64(n) * k, 2147483520)));
        e.toAmount->setFormat(format);
        e.toAmount->setScale(1.0f / float(k));
        e.toAmount->setFloatValueX(e.amount);
    }
}

bool VignetteControl::setTexSize(const QSizeF& requested) {
    const auto sane = [](double v) { return std::isfinite(v) && v > 0 ? std::min(v, 1e8) : 0.0; };
    const QSizeF size(sane(requested.width()), sane(requested.height()));
    bool changed = false;
    if (size.width() != texSize_.width()) {
        const double old = texSize_.width();
        texSize_.setWidth(size.width());
        scaleAxis(kLeft, old, size.width());
        changed = true;
    }
    if (size.height() != texSize_.height()) {
        const double old = texSize_.height();
        texSize_.setHeight(size.height());
        scaleAxis(kTop, old, size.height());
        changed = true;
    }
    return changed;
}

void VignetteControl::loadEdge(Edge& e, bool enabled, const std::optional<QString>& text) {
    e.enable = enabled;
    float amount = 0.1f;
    int curve = 0;
    float power = 1.0f;
    if (text) {
        const QStringList parts = text->split(QLatin1Char(','));
        // A quotient by zero keeps the amount the edge had.
        amount = amountFromString(parts[0]).value_or(e.amount);
        if (parts.size() >= 2) curve = int(leadingFloat(parts[1]));
        if (parts.size() >= 3) power = leadingFloat(parts[2]);
    }
    e.amount = amount;
    e.curve = curve;
    e.power = power;
    e.toCurve->setCurrentIndex(curve);
    e.toAmount->setFloatValueX(amount);
    e.toPower->setFloatValueX(power);
    e.toEnable->setState(enabled ? kCellOnState : kCellOffState);
    e.toCurve->setEnabled(enabled);
    e.toAmount->setControlEnabled(enabled);
    e.toPower->setControlEnabled(enabled);
}

std::optional<QString> VignetteControl::stringForEdge(const Edge& e) {
    if (!e.enable) return std::nullopt;
    return QStringLiteral("%1, %2, %3")
        .arg(floatText(e.amount))
        .arg(e.curve)
        .arg(floatText(e.power));
}

void VignetteControl::loadFromDictionary(const std::optional<QVariantMap>& dictionary) {
    loaded_ = dictionary.has_value();
    if (!dictionary) {
        hide();
        return;
    }
    show();
    const QVariantMap& d = *dictionary;
    QSizeF size(1, 1);
    if (d.contains("scale")) {
        size = NSSizeFromString(d.value("scale").toString());
        if (!size.isValid()) size = QSizeF(0, 0);
    }
    setTexSize(size);
    toSourceWidth_->setText(QString::number(int(texSize_.width())));
    toSourceHeight_->setText(QString::number(int(texSize_.height())));
    for (int i = 0; i < 4; ++i) {
        const QString key = QString::fromUtf8(kEdgeKeys[i]);
        const bool on = d.contains(key);
        const QString bk = key + QStringLiteral("_bk");
        std::optional<QString> text;
        if (on)
            text = d.value(key).toString();
        else if (d.contains(bk))
            text = d.value(bk).toString();
        loadEdge(edges_[size_t(i)], on, text);
    }
}

bool VignetteControl::updateDictionary(QVariantMap& d) const {
    if (!loaded_) return false;
    d.insert("scale", QString::asprintf("%d, %d", int(texSize_.width()), int(texSize_.height())));
    for (int i = 0; i < 4; ++i) {
        const QString key = QString::fromUtf8(kEdgeKeys[i]);
        const QString bk = key + QStringLiteral("_bk");
        const Edge& e = edges_[size_t(i)];
        if (e.enable) {
            d.insert(key, *stringForEdge(e));
            d.remove(bk);
        } else {
            if (d.value(key).typeId() == QMetaType::QString) d.insert(bk, d.value(key));
            d.remove(key);
        }
    }
    return true;
}

void VignetteControl::actionProc(QObject* sender, int tag) {
    bool changed = false;
    const auto fieldInt = [sender] {
        const auto* f = qobject_cast<const QLineEdit*>(sender);
        return f ? intValueNoComma(f->text()) : 0;
    };
    if (tag == 1) {
        changed = setTexSize(QSizeF(fieldInt(), texSize_.height()));
    } else if (tag == 2) {
        changed = setTexSize(QSizeF(texSize_.width(), fieldInt()));
    } else if (tag >= 4 && tag <= 19) {
        Edge& e = edges_[size_t((tag - 4) / 4)];
        switch ((tag - 4) % 4) {
            case 0: {
                const bool on = e.toEnable->state() != kCellOffState;
                changed = on != e.enable;
                e.enable = on;
                break;
            }
            case 1: {
                const int curve = e.toCurve->currentIndex();
                changed = curve != e.curve;
                e.curve = curve;
                break;
            }
            case 2: {
                const float v = e.toAmount->floatX();
                changed = v != e.amount;
                e.amount = v;
                break;
            }
            default: {
                const float v = e.toPower->floatX();
                changed = v != e.power;
                e.power = v;
                break;
            }
        }
    } else {
        kelo::printf("actionProc %d\n", tag);
        return;
    }
    if (changed) emit action(this);
}
