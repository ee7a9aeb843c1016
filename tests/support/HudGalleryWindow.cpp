#include "support/HudGalleryWindow.h"

#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"
#include "graphics/StretchImage.h"
#include "hud/controls/HUDButton.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 370;
constexpr QRect kControlFrame(16, 44, 220, 28);
constexpr QRect kImagesFrame(16, 90, 448, 150);
constexpr QRect kInfoBarFrame(0, 340, kWidth, 30);
constexpr int kBoxWidth = 140;
constexpr int kBoxInset = 10;

// The control background, painted once at a small size and stretched.
StretchImage& controlBackground() {
    static StretchImage* image = [] {
        auto* img = new StretchImage(10, 10, 40, kControlFrame.height());
        QPainter* p = img->lockFocusAndClear();
        const QRectF r = img->imageRect().adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(r, 6, 6);
        HUDThemeKelo::instance()->normalGradient().drawInBezierPath(*p, path, 90);
        p->setPen(QPen(HUDThemeKelo::instance()->darkStrokeColor(), 1));
        p->drawPath(path);
        img->unlockFocusAndDraw(false);
        return img;
    }();
    return *image;
}

class StretchControl : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        waitIfNeeded(this);
        QPainter p(this);
        controlBackground().drawCGImageInFrame(QRectF(rect()), p);
        p.setPen(HUDThemeKelo::instance()->textColor());
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Stretched control"));
    }
};

// A right-pointing arrow, opaque on transparent.
QImage arrowImage() {
    QImage image(48, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.moveTo(0, 10);
    path.lineTo(28, 10);
    path.lineTo(28, 0);
    path.lineTo(48, 16);
    path.lineTo(28, 32);
    path.lineTo(28, 22);
    path.lineTo(0, 22);
    path.closeSubpath();
    p.fillPath(path, Qt::black);
    return image;
}

QRect boxRect(int i) {
    return QRect(i * (kBoxWidth + 14), 0, kBoxWidth, kImagesFrame.height());
}

QRectF centredIn(int box, const QImage& image) {
    return getCenteredRectNoScaling(
        QRectF(boxRect(box).adjusted(kBoxInset, kBoxInset, -kBoxInset, -kBoxInset)), image.width(),
        image.height());
}

class ImageStrip : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        waitIfNeeded(this);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        const QImage arrow = arrowImage();
        const QImage tinted = tintedImageWithColor(arrow, HudGalleryWindow::tintColour());
        const QImage turned = rotatedImage(tintedImageWithColor(arrow, defaultTextColor()), 90);
        for (int i = 0; i < 3; ++i) {
            p.fillRect(boxRect(i), boxFillColor());
            p.setPen(darkStrokeColor());
            p.drawRect(QRectF(boxRect(i)).adjusted(0.5, 0.5, -0.5, -0.5));
        }
        p.drawImage(centredIn(0, tinted), tinted);
        p.drawImage(centredIn(1, turned), turned);
        // The picture fitted (scaled up) into the third box.
        const QRectF inner(boxRect(2).adjusted(kBoxInset, kBoxInset, -kBoxInset, -kBoxInset));
        p.drawImage(getCenteredRect(inner, arrow.width(), arrow.height()),
                    tintedImageWithColor(arrow, ospreyDimHighlight()));
    }
};

// Frame of the pop-overs: a rounded panel, split in its middle.
QImage popOverFrameImage() {
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(floatingWindowColor());
    p.setPen(QPen(HUDThemeKelo::instance()->darkStrokeColor(), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 23, 23), 6, 6);
    return image;
}

struct Swatch {
    QColor colour;
    const char* name;
};

const QList<Swatch>& swatches() {
    static const QList<Swatch> list = {
        {Qt::red, "Red"},       {Qt::green, "Green"},           {Qt::blue, "Blue"},
        {Qt::yellow, "Yellow"}, {QColor(255, 128, 0), "Amber"}, {Qt::magenta, "Magenta"},
        {Qt::cyan, "Cyan"}};
    return list;
}

void styleButton(KeloPopOverButton* button) {
    button->setBackgroundColour(boxFillColor());
    button->setTextColour(defaultTextColor());
    button->setHighlightColour(ospreyHighlight());
    button->setFontSize(11);
    button->setPopOverImage(popOverFrameImage());
}

}  // namespace

HudGalleryWindow::HudGalleryWindow(QWidget* parent) : HUDThemeKeloWindow(parent) {
    setWindowTitle(QStringLiteral("HUD gallery"));
    setFixedSize(kWidth, kHeight);
    setDelegate(this);

    auto* title = new QLabel(QStringLiteral("Themed window, pin at the top right"), this);
    title->setGeometry(16, 10, 360, 24);

    control_ = new StretchControl(this);
    control_->setGeometry(kControlFrame);

    listButton_ = new KeloPopOverButton(this);
    listButton_->setGeometry(252, 44, 100, 22);
    listButton_->setIsList(true);
    for (int i = 1; i <= 5; ++i) listButton_->addItemWithTitle(QStringLiteral("Layer %1").arg(i));
    styleButton(listButton_);
    listButton_->selectItemAtIndex(2);

    gridButton_ = new KeloPopOverButton(this);
    gridButton_->setGeometry(364, 44, 40, 22);
    gridButton_->setDataSource(this);
    gridButton_->setShowChosen(true);
    gridButton_->setPopOverCellSize(QSizeF(24, 24));
    gridButton_->setPopOverCellSpacing(QSizeF(6, 6));
    styleButton(gridButton_);
    gridButton_->selectItemAtIndex(0);

    const auto announce = [this](KeloPopOverButton* button) {
        const QString chosen = button->isList()
                                   ? button->titleOfSelectedItem()
                                   : titleForPopOver(button, button->indexOfSelectedItem());
        setToolTipInfo(QStringLiteral("Chose %1").arg(chosen), defaultTextColor());
    };
    connect(listButton_, &KeloPopOverButton::triggered, this, announce);
    connect(gridButton_, &KeloPopOverButton::triggered, this, announce);

    images_ = new ImageStrip(this);
    images_->setGeometry(kImagesFrame);

    addButtons();

    infoBar_ = new QLabel(this);
    infoBar_->setGeometry(kInfoBarFrame);
    infoBar_->setContentsMargins(12, 0, 12, 0);
    infoBar_->setAutoFillBackground(true);
    QPalette bar = infoBar_->palette();
    bar.setColor(QPalette::Window, floatingWindowColor());
    infoBar_->setPalette(bar);

    setFrameAutosaveName(QStringLiteral("HUD Gallery"));
    setPinnable(true);
    setToolTipInfo(QStringLiteral("Info bar: ready"), defaultTextColor());
}

HudGalleryWindow::~HudGalleryWindow() {
    // The pop-over buttons ask this object as their data source while they go.
    gridButton_->setDataSource(nullptr);
}

void HudGalleryWindow::addButtons() {
    const auto make = [this](const QString& title, const QRect& frame, int bezel) {
        auto* button = new HUDButton(title, this);
        button->setGeometry(frame);
        button->cell()->setBezelStyle(bezel);
        return button;
    };
    texturedButton_ =
        make(QStringLiteral("Take"), QRect(16, 250, 80, 24), kTexturedRoundedBezelStyle);
    make(QStringLiteral("Later"), QRect(104, 250, 80, 24), kTexturedRoundedBezelStyle)
        ->cell()
        ->setBGButtonType(kHUDTintDark);
    HUDButton* toggle = make(QStringLiteral("Solo"), QRect(192, 251, 80, 22), kRoundRectBezelStyle);
    toggle->setButtonType(kOnOffButton);
    toggle->setState(kCellOnState);
    make(QString(QChar(0x2192)), QRect(282, 248, 28, 28), kSmallSquareBezelStyle)
        ->cell()
        ->setBGButtonType(kHUDSymbolSquare);
    make(QString(QChar(0xFF0D)), QRect(318, 248, 28, 28), kSmallSquareBezelStyle)
        ->cell()
        ->setBGButtonType(kHUDSymbolDisc);
    make(QString(), QRect(354, 250, 50, 24), kTexturedRoundedBezelStyle)
        ->cell()
        ->setBGButtonType(kHUDHoverButton);
    HUDButton* add = make(QString(QChar(0x2295)), QRect(414, 250, 24, 24), kSmallSquareBezelStyle);
    // The glyph's own ring sits on the black disc.
    QFont large = add->cell()->font();
    large.setPixelSize(26);
    add->cell()->setFont(large);

    checkBox_ = make(QStringLiteral("Loop"), QRect(16, 296, 80, 18), kRegularSquareBezelStyle);
    checkBox_->setButtonType(kSwitchButton);
    checkBox_->setState(kCellOnState);
    HUDButton* radio =
        make(QStringLiteral("Layer A"), QRect(104, 296, 80, 18), kRegularSquareBezelStyle);
    radio->setButtonType(kRadioButton);
    radio->setState(kCellOnState);
    make(QStringLiteral("Rounded"), QRect(192, 290, 100, 32), kRoundedBezelStyle);
    make(QStringLiteral("Disabled"), QRect(300, 294, 90, 24), kTexturedRoundedBezelStyle)
        ->setEnabled(false);
}

QRect HudGalleryWindow::controlRect() const {
    return kControlFrame;
}

QRect HudGalleryWindow::tintedImageRect() const {
    const QImage arrow = arrowImage();
    return centredIn(0, arrow).toRect().translated(kImagesFrame.topLeft());
}

QRect HudGalleryWindow::infoBarRect() const {
    return kInfoBarFrame;
}

QColor HudGalleryWindow::tintColour() {
    return ospreyHighlight();
}

void HudGalleryWindow::updateInfoBar(ToolTipWindowProtocol* window) {
    QColor colour;
    const QString text = window->toolTipInfo(&colour);
    infoBar_->setText(text);
    QPalette palette = infoBar_->palette();
    palette.setColor(QPalette::WindowText, colour.isValid() ? colour : defaultTextColor());
    infoBar_->setPalette(palette);
}

int32_t HudGalleryWindow::numberOfPopOverItems(KeloPopOverButton*) {
    return int32_t(swatches().size());
}

QVariant HudGalleryWindow::objectValueForPopOverItem(KeloPopOverButton*, int32_t index) {
    if (index < 0 || index >= swatches().size()) return {};
    QImage swatch(20, 20, QImage::Format_ARGB32_Premultiplied);
    swatch.fill(swatches()[index].colour);
    return swatch;
}

QString HudGalleryWindow::titleForPopOver(KeloPopOverButton*, int32_t index) {
    if (index < 0) return QStringLiteral("Colour");
    if (index >= swatches().size()) return {};
    return QString::fromLatin1(swatches()[index].name);
}
