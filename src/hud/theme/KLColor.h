#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>

// A colour that precomputes its components, is shared by value and lives for
// the process: greys come from a table indexed by their 8-bit white and
// alpha, colours made from a 2-D colour from a table of 255 slots. Each
// colour has children that report the same components under another colour
// space name. Objects are never freed; callers never delete them.
class KLColor {
public:
    static const QString kCalibratedRGB;
    static const QString kDeviceRGB;
    static const QString kCalibratedWhite;
    static const QString kCalibratedBlack;
    static const QString kGenericRGB;
    static const QString kGenericGray;
    static const QString kGenericGrayGamma22;
    static const QString kCustom;

    static KLColor* colorWithCalibratedWhite(double white, double alpha);
    // The same KLColor for equal 2-D colours; nullptr for an invalid colour
    // or once all 255 slots hold other colours.
    static KLColor* colorWithCGColor(const QColor& cgColor);

    KLColor(const KLColor&) = delete;
    KLColor& operator=(const KLColor&) = delete;

    QString colorSpaceName() const { return spaceName_; }
    // The calibrated colour this one stands for.
    QColor color() const { return v_.sharedColor; }
    operator QColor() const { return v_.sharedColor; }
    // The 2-D colour to draw with: the device one for device RGB.
    QColor cgColor() const { return isDevice_ ? v_.deviceCGColor : v_.cgColor; }

    void getRed(double* red, double* green, double* blue, double* alpha) const;
    double redComponent() const;
    double greenComponent() const;
    double blueComponent() const;
    double whiteComponent() const;
    double brightnessComponent() const { return whiteComponent(); }
    double alphaComponent() const { return v_.alpha; }
    void getWhite(double* white, double* alpha) const;
    void hsv(float out[3]) const;
    double hueComponent() const;
    double saturationComponent() const;

    bool isEqual(const KLColor* other) const;
    bool isEqual(const QColor& other) const;
    quint32 uniqueID() const;
    int numberOfComponents() const;
    // As many doubles as numberOfComponents says.
    void getComponents(double* out) const;

    QColor colorUsingType() const;
    // This colour or its child under that space name; the receiver for
    // names it does not know (after a log line), as every colour here is RGB.
    const KLColor* colorUsingColorSpaceName(const QString& name) const;

    int type() const { return 0; }
    QString description() const { return v_.descr; }
    QColor blendedColorWithFraction(double fraction, const QColor& other) const;
    QColor colorWithAlphaComponent(double alpha) const;

private:
    struct Vars {
        QColor cgColor;
        QColor sharedColor;
        QColor sharedDeviceColor;
        QColor deviceCGColor;
        bool isGray = false;
        double white = 0;
        int whiteInt = 0;
        double r = 0, g = 0, b = 0;
        int rInt = 0, gInt = 0, bInt = 0;
        double deviceWhite = 0, deviceRed = 0, deviceGreen = 0, deviceBlue = 0;
        int deviceWhiteInt = 0, deviceRedInt = 0, deviceGreenInt = 0, deviceBlueInt = 0;
        double alpha = 0;
        int alphaInt = 0;
        QString descr;
    };

    KLColor() = default;
    static KLColor* initWithWhite(double white, double alpha);
    static KLColor* initWithCGColor(const QColor& cgColor);
    KLColor* initChild(const QString& spaceName, const KLColor* parent);
    void sharedDeviceColor();
    void makeChildren();
    void makeDescription();

    const KLColor* parent_ = nullptr;
    QString spaceName_;
    bool isDevice_ = false;
    Vars v_;
    std::array<std::unique_ptr<KLColor>, 6> childColors_;
};
