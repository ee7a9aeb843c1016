#include "settings/KeloJoystickControl.h"

#include "foundation/OmxNumberUtil.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

KeloJoystickControl::KeloJoystickControl(QWidget* parent) : QWidget(parent) {
    incValue_ = scale_;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &KeloJoystickControl::timerProc);
}

void KeloJoystickControl::setHText(QLineEdit* field) {
    hText_ = field;
    if (!field) return;
    mode_ |= 1;
    connect(field, &QLineEdit::editingFinished, this, [this, field] { actionProc(field); });
    showValue(field, xvalue_);
}

void KeloJoystickControl::setVText(QLineEdit* field) {
    vText_ = field;
    if (!field) return;
    mode_ |= 2;
    connect(field, &QLineEdit::editingFinished, this, [this, field] { actionProc(field); });
    showValue(field, yvalue_);
}

void KeloJoystickControl::showValue(QLineEdit* field, double value) {
    if (field)
        field->setText(QString::asprintf(format_.toUtf8().constData(), double(scale_) * value));
}

int KeloJoystickControl::clamp(int v) const {
    return restrictRange_ ? std::clamp(v, minValue_, std::max(minValue_, maxValue_)) : v;
}

void KeloJoystickControl::sendAction() {
    emit action(this);
}

void KeloJoystickControl::setControlEnabled(bool on) {
    if (on != enabled_) update();
    enabled_ = on;
    if (hText_) hText_->setEnabled(on);
    if (vText_) vText_->setEnabled(on);
}

void KeloJoystickControl::setXValue(int v) {
    xValue_ = clamp(v);
    xvalue_ = xValue_;
    showValue(hText_, xvalue_);
    update();
}

void KeloJoystickControl::setYValue(int v) {
    yValue_ = clamp(v);
    yvalue_ = yValue_;
    showValue(vText_, yvalue_);
    update();
}

namespace {

// Half away from zero in single precision, kept inside int.
int roundedSteps(float value, float scale) {
    if (scale == 0) return 0;
    const float steps = std::round(value / scale);
    if (!std::isfinite(steps)) return 0;
    return int(std::clamp(steps, -2147483520.0f, 2147483520.0f));
}

}  // namespace

void KeloJoystickControl::setFloatValueX(float v) {
    setXValue(roundedSteps(v, scale_));
}

void KeloJoystickControl::setFloatValueY(float v) {
    setYValue(roundedSteps(v, scale_));
}

void KeloJoystickControl::loadThumbImage(const QString& name) {
    thumb_ = QPixmap(QStringLiteral(":/") + name);
    update();
}

void KeloJoystickControl::loadTrackImage(const QString& name) {
    track_ = QPixmap(QStringLiteral(":/") + name);
    update();
}

void KeloJoystickControl::actionProc(QLineEdit* sender) {
    if (!sender || scale_ == 0) return;
    double v = doubleValueWithUnits(sender->text()) / double(scale_);
    v = v > 0 ? v + 0.5 : v - 0.5;
    if (!std::isfinite(v)) return;
    const int n = clamp(int(std::clamp(std::trunc(v), -2147483647.0, 2147483647.0)));
    const bool x = sender == hText_;
    if (!x && sender != vText_) return;
    const int before = x ? xValue_ : yValue_;
    if (x)
        setXValue(n);
    else
        setYValue(n);
    if (n != before) {
        sendAction();
        emit floatXChanged();
    }
}

void KeloJoystickControl::press(const QPointF& at, int clickCount) {
    startPt_ = at;
    tracking_ = false;
    tickcount_ = 0;
    clickCount_ = clickCount;
    if (canClick_ && clickCount >= 2) {
        const auto zoneValue = [&](double pos, double extent) {
            const int zone = extent > 0 ? int(3 * (pos / extent)) : 1;
            return zone <= 0 ? minValue_ : zone >= 2 ? maxValue_ : defaultValue_;
        };
        if (mode_ & 1) {
            xValue_ = zoneValue(at.x(), width());
            xvalue_ = xValue_;
            showValue(hText_, xvalue_);
            emit floatXChanged();
        }
        if (mode_ & 2) {
            yValue_ = zoneValue(at.y(), height());
            yvalue_ = yValue_;
            showValue(vText_, yvalue_);
            emit floatYChanged();
        }
        update();
        sendAction();
        return;
    }
    ydis_ = 0;
    tracking_ = true;
    dragging_ = false;
    if (!timer_.isActive()) timer_.start();
    update();
}

void KeloJoystickControl::mousePressEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) return;
    press(yUp(event->position()), 1);
}

void KeloJoystickControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) return;
    press(yUp(event->position()), 2);
}

void KeloJoystickControl::mouseMoveEvent(QMouseEvent* event) {
    mouseInside_ = rect().contains(event->position().toPoint());
    if (!enabled_ || !(event->buttons() & Qt::LeftButton) || !tracking_) return;
    dragging_ = true;
    const QPointF p = yUp(event->position());
    xdis_ = (mode_ & 1) ? float(p.x() - startPt_.x()) : 0;
    ydis_ = (mode_ & 2) ? float(p.y() - startPt_.y()) : 0;
    update();
}

void KeloJoystickControl::mouseReleaseEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) return;
    if (tracking_ && !dragging_) {
        const float tw = thumb_.isNull() ? 0 : float(thumb_.width());
        const float span = float(width()) - tw;
        const float r = span != 0 ? (float(startPt_.x()) - tw / 2) / span : 0.5f;
        int x = xValue_;
        bool act = true;
        if (canClick_)
            x = int(float(minValue_) + r * float(maxValue_ - minValue_));
        else if (r > 0.6f)
            x = xValue_ + 1;
        else if (r < 0.4f)
            x = xValue_ - 1;
        else if (clickCount_ >= 2)
            x = defaultValue_;
        else
            act = false;
        if (act) {
            setXValue(x);
            emit floatXChanged();
            sendAction();
        }
    }
    tracking_ = false;
}

void KeloJoystickControl::timerProc() {
    const float oldX = xdis_, oldY = ydis_;
    if (tracking_) {
        if (tickcount_++ >= 10) dragging_ = true;
        const double range = double(maxValue_) - double(minValue_);
        const float fx = xdis_ * float(incValue_);
        const float fy = ydis_ * float(incValue_);
        xvalue_ += range * fx * fx * fx;
        yvalue_ += range * fy * fy * fy;
        if (restrictRange_) {
            xvalue_ =
                std::clamp(xvalue_, double(minValue_), double(std::max(minValue_, maxValue_)));
            yvalue_ =
                std::clamp(yvalue_, double(minValue_), double(std::max(minValue_, maxValue_)));
        }
        const auto toInt = [](double v) {
            return int(std::clamp(std::trunc(v), -2147483647.0, 2147483647.0));
        };
        const int nx = toInt(xvalue_), ny = toInt(yvalue_);
        if (nx != xValue_ || ny != yValue_) {
            xValue_ = nx;
            yValue_ = ny;
            showValue(hText_, xvalue_);
            showValue(vText_, yvalue_);
            sendAction();
            emit floatXChanged();
            update();
        }
    } else {
        xdis_ /= 2;
        ydis_ /= 2;
        if (std::fabs(xdis_) <= 0.2f) xdis_ = 0;
        if (std::fabs(ydis_) <= 0.2f) ydis_ = 0;
        if (xdis_ == 0 && ydis_ == 0) timer_.stop();
    }
    if (xdis_ != oldX / 2 || ydis_ != oldY / 2) update();
}

void KeloJoystickControl::keyPressEvent(QKeyEvent* event) {
    int dx = 0, dy = 0;
    switch (event->key()) {
        case Qt::Key_Up:
            dy = 1;
            break;
        case Qt::Key_Down:
            dy = -1;
            break;
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (!mouseInside_) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!(event->modifiers() & Qt::AltModifier)) {
        dx *= 10;
        dy *= 10;
    }
    if (dx && (mode_ & 1)) {
        setXValue(xValue_ + dx);
        emit floatXChanged();
    }
    if (dy && (mode_ & 2)) {
        setYValue(yValue_ + dy);
        emit floatYChanged();
    }
    sendAction();
    update();
}

void KeloJoystickControl::enterEvent(QEnterEvent* event) {
    mouseInside_ = true;
    QWidget::enterEvent(event);
}

void KeloJoystickControl::leaveEvent(QEvent* event) {
    mouseInside_ = false;
    QWidget::leaveEvent(event);
}

void KeloJoystickControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double w = width(), h = height();
    double knob = 16;
    if (mode_ == 2) knob = w - 3;
    if (mode_ == 1) knob = h - 3;
    if (!track_.isNull()) {
        p.drawPixmap(rect(), track_);
    } else {
        p.fillRect(rect(), QColor(64, 64, 64));
        p.setPen(Qt::black);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }
    // The stick leans a little towards the pull; y-up, so up is -y here.
    const double ox = std::clamp(0.25 * xdis_, -3.0, 3.0);
    const double oy = -std::clamp(0.25 * ydis_, -3.0, 3.0);
    if (!thumb_.isNull()) {
        const double tw = thumb_.width(), th = thumb_.height();
        double pos = 0;
        if (xvalue_ > maxValue_)
            pos = w - tw;
        else if (xvalue_ >= minValue_ && maxValue_ != minValue_)
            pos = (xvalue_ - minValue_) * (w - tw) / (double(maxValue_) - minValue_);
        p.setOpacity(enabled_ ? 1.0 : 0.3);
        p.drawPixmap(QPointF(ox + pos, (h - th) / 2), thumb_);
    } else if (enabled_) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(128, 128, 128));
        p.setPen(Qt::black);
        p.drawEllipse(QPointF(w / 2 + ox, h / 2 + oy), knob / 2, knob / 2);
    }
}
