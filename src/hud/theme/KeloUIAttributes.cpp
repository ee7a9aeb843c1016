#include "hud/theme/KeloUIAttributes.h"

#include "foundation/OmxImageUtil.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/theme/VNSColorCategory.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace {
QColor contrast(double r, double g, double b) {
    return colorWithContrastRed(r, g, b, 1.0);
}
QColor contrastGrey(double w) {
    return colorWithContrastRed(w, w, w, 1.0);
}
}  // namespace

KeloUIAttributes* KeloUIAttributes::attributes() {
    static KeloUIAttributes* const shared = new KeloUIAttributes;
    return shared;
}

KeloUIAttributes::KeloUIAttributes() {
    auto pair = [](QColor& col, QColor& colour, const QColor& made) {
        colour = made;
        col = CGColorCreateWithNSColor(made);
    };
    pair(textCol_, textColour_, contrast(0.9, 0.9, 0.85));
    pair(bgCol_, bgColour_, contrastGrey(45 / 255.0));
    pair(litCol_, litColour_, contrastGrey(0.25));
    pair(drkCol_, drkColour_, contrastGrey(0.13));
    pair(angCol_, angColour_, contrastGrey(0.17));
    pair(blkCol_, blkColour_, contrastGrey(0.15));
    pair(progCol_, progColour_, contrast(0.1, 0.6, 0.3));
    pair(playheadCol_, playheadColour_, contrast(0.9, 0.9, 0));
    pair(alertCol_, alertColour_, contrast(0.9, 0.1, 0));
    pair(opacityCol_, opacityColour_, contrastGrey(0.7));
    pair(TC_Col_, TC_Colour_, contrast(0.7, 1.0, 0));
    pair(textBgCol_, textBgColour_, contrastGrey(0.4));
    pair(textFieldCol_, textFieldColour_, contrastGrey(45 / 255.0));
    pair(redStateCol_, redStateColour_, contrast(0.9, 0, 0));
    pair(yellowStateCol_, yellowStateColour_, contrast(0.9, 0.9, 0));
    pair(greenStateCol_, greenStateColour_, contrast(0, 0.7, 0));
    pair(blueStateCol_, blueStateColour_, contrast(0.2, 0.4, 1.0));
    pair(brightGreenCol_, brightGreenColour_, contrast(0, 0.9, 0));

    smallTextFont_ = {textColour_, labelFontOfSize(smallFontSize())};
    smallHighlightFont_ = {drkColour_, labelFontOfSize(smallFontSize())};
    mediumTextFont_ = {textColour_, labelFontOfSize(12)};
    tinyTextFont_ = {textColour_, labelFontOfSize(tinyFontSize())};
}

QColor CGColorCreateWithRGBA(double red, double green, double blue, double alpha) {
    return QColor::fromRgbF(red, green, blue, alpha);
}

QColor CGColorCreateWithNSColor(const QColor& color) {
    if (!color.isValid()) return {};
    const QColor rgb = color.toRgb();
    return QColor::fromRgbF(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

QWidget* convertToPopOver(QWidget* object) {
    auto* popUp = qobject_cast<QComboBox*>(object);
    if (!popUp) return object;
    const KeloUIAttributes* attributes = KeloUIAttributes::attributes();
    QWidget* superview = popUp->parentWidget();

    auto* button = new KeloPopOverButton(superview);
    button->setGeometry(popUp->geometry().adjusted(3, 3, -3, -3));
    button->setIsList(true);
    button->setPullsDown(false);
    for (int i = 0; i < popUp->count(); ++i) button->addItemWithTitle(popUp->itemText(i));
    button->setSizePolicy(popUp->sizePolicy());
    button->setObjectName(popUp->objectName());
    const QVariant tag = popUp->property("tag");
    if (tag.isValid()) button->setProperty("tag", tag);
    button->setBackgroundColour(attributes->bgColour());
    button->setFontName(QStringLiteral("Lucida Grande"));
    button->setPopOverImage(cgImageWithResourceNamed(QStringLiteral("PopOverBorder.png")));
    button->setFontSize(10);
    button->setCell(std::make_unique<KeloPopOverButtonCell>(QString()));
    button->setTextColour(attributes->textColour());
    button->setHighlightColour(attributes->textColour());

    // The pop-up's receivers stay connected to it, so it hears the choices.
    QObject::connect(button, &KeloPopOverButton::triggered, popUp, [popUp](KeloPopOverButton* b) {
        const int index = b->indexOfSelectedItem();
        if (index < 0 || index >= popUp->count()) return;
        popUp->setCurrentIndex(index);
        emit popUp->activated(index);
    });
    QObject::connect(button, &QObject::destroyed, popUp, &QObject::deleteLater);
    const bool visible = superview && popUp->isVisibleTo(superview);
    popUp->hide();
    popUp->setParent(nullptr);
    if (visible) button->show();
    return button;
}

void setTextColourforView(QWidget* view) {
    if (!view) return;
    const KeloUIAttributes* attributes = KeloUIAttributes::attributes();
    const QList<QWidget*> subviews = view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* subview : subviews) {
        // Tables and fields are built from child widgets in Qt, so they are
        // recognised before the walk descends.
        if (auto* table = qobject_cast<QAbstractItemView*>(subview)) {
            QPalette palette = table->palette();
            palette.setColor(QPalette::Base, attributes->bgColour());
            palette.setColor(QPalette::Window, attributes->bgColour());
            table->setPalette(palette);
            continue;
        }
        // Text views take the same two colours as fields; their viewport and
        // scroll bars are not walked.
        if (qobject_cast<QLineEdit*>(subview) || qobject_cast<QTextEdit*>(subview) ||
            qobject_cast<QPlainTextEdit*>(subview)) {
            QPalette palette = subview->palette();
            palette.setColor(QPalette::Text, attributes->textColour());
            palette.setColor(QPalette::WindowText, attributes->textColour());
            palette.setColor(QPalette::Base, attributes->textFieldColour());
            subview->setPalette(palette);
            continue;
        }
        if (!subview->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) {
            setTextColourforView(subview);
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(subview)) {
            // The background is only shown where the label fills it.
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, attributes->textColour());
            palette.setColor(QPalette::Window, attributes->textFieldColour());
            label->setPalette(palette);
        }
    }
}
