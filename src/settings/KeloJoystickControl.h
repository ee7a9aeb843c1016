#pragma once

#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <QWidget>

class QLineEdit;

// A spring-loaded jog control: pulled sideways, its value runs at a rate that
// grows with the cube of the displacement; released, it springs back and the
// value stays. Carries up to two integer values (x, y) with one range, shown
// scaled in two optional text fields. User changes emit action() and then
// floatXChanged() (floatYChanged() for arrow steps on y); values set by the
// owner notify nobody. Works y-up like the values it shows: the widget flips
// its y at the event edge. Main thread only.
class KeloJoystickControl : public QWidget {
    Q_OBJECT
public:
    explicit KeloJoystickControl(QWidget* parent = nullptr);

    // The fields that show and accept x and y; connecting one makes its axis
    // active.
    void setHText(QLineEdit* field);
    void setVText(QLineEdit* field);
    QLineEdit* hText() const { return hText_; }
    QLineEdit* vText() const { return vText_; }

    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }
    void setFormat(const QString& format) { format_ = format; }
    QString format() const { return format_; }
    void setScale(float scale) { scale_ = scale; }
    float scale() const { return scale_; }
    void setMinValue(int v) { minValue_ = v; }
    int minValue() const { return minValue_; }
    void setMaxValue(int v) { maxValue_ = v; }
    int maxValue() const { return maxValue_; }
    void setDefaultValue(int v) { defaultValue_ = v; }
    int defaultValue() const { return defaultValue_; }
    void setMode(int mode) { mode_ = mode; }
    int mode() const { return mode_; }
    void setCanClick(bool on) { canClick_ = on; }
    bool canClick() const { return canClick_; }
    void setRestrictRange(bool on) { restrictRange_ = on; }
    bool restrictRange() const { return restrictRange_; }
    void setControlEnabled(bool on);
    bool controlEnabled() const { return enabled_; }
    void setResponseFactor(float factor) { incValue_ = factor; }

    void setXValue(int v);
    void setYValue(int v);
    int xValue() const { return xValue_; }
    int yValue() const { return yValue_; }
    void setFloatValueX(float v);
    void setFloatValueY(float v);
    float floatX() const { return float(xValue_) * scale_; }
    float floatY() const { return float(yValue_) * scale_; }
    float floatValueForAxis(int axis) const { return axis == 0 ? floatX() : floatY(); }
    double runningX() const { return xvalue_; }
    QPointF displacement() const { return {xdis_, ydis_}; }
    bool isTracking() const { return tracking_; }
    bool timerActive() const { return timer_.isActive(); }

    // Images from the application's resources; a missing one is drawn.
    void loadThumbImage(const QString& name);
    void loadTrackImage(const QString& name);

    // A field's value was entered.
    void actionProc(QLineEdit* sender);
    // The 0.05 s repeat tick.
    void timerProc();

signals:
    void action(KeloJoystickControl* sender);
    void floatXChanged();
    void floatYChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF yUp(const QPointF& p) const { return {p.x(), height() - p.y()}; }
    void press(const QPointF& at, int clickCount);
    void showValue(QLineEdit* field, double value);
    int clamp(int v) const;
    void sendAction();

    QLineEdit* vText_ = nullptr;
    QLineEdit* hText_ = nullptr;
    QPixmap thumb_;
    QPixmap track_;
    QTimer timer_;
    float xdis_ = 0;
    float ydis_ = 0;
    bool tracking_ = false;
    bool dragging_ = false;
    QPointF startPt_;
    double xvalue_ = 0;
    double yvalue_ = 0;
    double incValue_ = 0;
    int maxValue_ = 255;
    int minValue_ = 0;
    int defaultValue_ = 0;
    int xValue_ = 0;
    int yValue_ = 0;
    int mode_ = 0;
    bool canClick_ = false;
    bool restrictRange_ = false;
    bool enabled_ = true;
    qint64 tag_ = 0;
    QString format_ = QStringLiteral("%0.1f");
    float scale_ = 0.1f;
    int tickcount_ = 0;
    int clickCount_ = 0;
    bool mouseInside_ = false;
};
