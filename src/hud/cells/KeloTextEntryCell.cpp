#include "hud/cells/KeloTextEntryCell.h"

#include "hud/cells/KeloTextFieldCell.h"
#include "hud/theme/HUDThemeKelo.h"

#include <QLineEdit>
#include <QPainter>

KlUIProtocol* KeloTextEntryCell::attributes() const {
    if (!attributes_) attributes_ = HUDThemeKelo::instance();
    return attributes_;
}

QLineEdit* KeloTextEntryCell::setUpFieldEditorAttributes(QLineEdit* editor) const {
    if (!editor) return editor;
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Highlight, attributes()->textBgColour());
    const bool standardBackground = palette.color(QPalette::Base) == QColor(Qt::white);
    if (!standardBackground) palette.setColor(QPalette::Text, attributes()->textColour());
    editor->setPalette(palette);
    return editor;
}

void KeloTextEntryCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    painter.fillRect(frame, attributes()->bgColour());
    drawInteriorWithFrame(painter, frame, view);
    if (isBezeled()) {
        painter.save();
        painter.setPen(QPen(QColor(Qt::gray), 1));
        painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.restore();
    }
}

QColor KeloTextEntryCell::highlightColorWithFrame(const QRectF&, const QWidget* view) const {
    if (isInsideDTableView(view)) return HUDThemeKelo::instance()->cellHighlightColor();
    return attributes()->textBgColour();
}
