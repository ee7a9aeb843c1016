#include "hud/cells/KeloTextFieldCell.h"

#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include <QFileInfo>
#include <QPainter>

namespace {

bool sLogSlowest = false;

// The drawing resources of status rows, made on the first one.
struct StatusResources {
    QColor queued = colorWithContrastWhite(32.0 / 255, 0.7);
    QColor complete = colorWithContrastWhite(17.0 / 255, 0.7);
    QFont smallFont = labelFontOfSize(HUDThemeKelo::instance()->smallFontSize());
};

const StatusResources& resources() {
    static const StatusResources made;
    return made;
}

void drawLine(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
              const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

}  // namespace

bool isInsideDTableView(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget()) {
        if (w->inherits("DTableView")) return true;
    }
    return false;
}

void KeloTextFieldCell::setLogSlowest(bool on) {
    sLogSlowest = on;
}

bool KeloTextFieldCell::logSlowest() {
    return sLogSlowest;
}

void KeloTextFieldCell::setObjectValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantMap) {
        valueDict_ = value.toMap();
        return;
    }
    valueDict_.reset();
    setStringValue(value.toString());
}

QString KeloTextFieldCell::statusDetail(const QVariantMap& row) {
    const int32_t status = int32_t(row.value("status").toLongLong());
    if (status != keloFourCC("sent") && status != keloFourCC("prog")) return {};
    QStringList parts;
    const double mbps = row.value("sMbps").toDouble();
    if (mbps != 0) parts << QString::asprintf("%0.1f MBytes/sec", mbps * 0.125);
    if (sLogSlowest && row.contains("resetCount")) parts << row.value("resetCount").toString();
    return parts.isEmpty() ? QString() : QStringLiteral(", ") + parts.join(QStringLiteral(", "));
}

void KeloTextFieldCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    HUDThemeKelo* t = HUDThemeKelo::instance();
    QColor background = t->textFieldColour();
    if (isHighlighted()) {
        background = isInsideDTableView(view) ? t->cellHighlightColor() : t->textBgColour();
    }
    painter.save();
    if (valueDict_) {
        drawStatus(painter, frame);
    } else {
        drawPlain(painter, frame, background);
    }
    painter.restore();
}

void KeloTextFieldCell::drawPlain(QPainter& painter, const QRectF& frame,
                                  const QColor& background) {
    HUDThemeKelo* t = HUDThemeKelo::instance();
    painter.fillRect(frame, background);
    if (headerCell_) {
        painter.setPen(QPen(t->textBgColour(), 1));
        painter.drawRect(frame.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    QString text = stringValue();
    QFont font = t->smallTextFont().font;
    QColor colour = t->smallTextFont().foreground;
    if (text.startsWith(u'?')) {
        text.remove(0, 1);
        colour = t->redStateColour();
        font = labelFontOfSize(t->smallFontSize());
    } else if (text.startsWith(u'!')) {
        text.remove(0, 1);
        colour = t->textColour();
        font = labelFontOfSize(t->smallFontSize());
        font.setBold(true);
    }
    double y = frame.y();
    if (fontSize_ != 0) {
        font = labelFontOfSize(fontSize_);
    } else {
        y += int((frame.height() - t->smallFontSize()) / 2);
    }
    // The text runs on past the cell, as wide status texts did.
    drawLine(painter, QRectF(frame.x() + 5, y, 2048, frame.height()), text, font, colour);
}

void KeloTextFieldCell::drawStatus(QPainter& painter, const QRectF& frame) {
    HUDThemeKelo* t = HUDThemeKelo::instance();
    const StatusResources& r = resources();
    const QVariantMap& row = *valueDict_;
    const int32_t status = int32_t(row.value("status").toLongLong());
    const QRectF square(frame.x() + 2, frame.y(), 17, 17);

    QColor squareColour;
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    if (status == keloFourCC("pend")) {
        squareColour = t->blueStateColour();
        painter.fillRect(frame, r.queued);
    } else if (status == keloFourCC("prog") || status == keloFourCC("strt")) {
        squareColour = t->textColour();
        painter.fillRect(frame, r.queued);
        const double progress = std::clamp(row.value("progress").toDouble(), 0.0, 1.0);
        painter.fillRect(QRectF(frame.x(), frame.y(), frame.width() * progress, frame.height()),
                         r.complete);
    } else if (status == keloFourCC("sent") || status == keloFourCC("move") ||
               status == keloFourCC("cflt")) {
        squareColour = t->greenStateColour();
    } else if (status == keloFourCC("same")) {
        squareColour = t->redStateColour();
    } else if (status == keloFourCC("rjct")) {
        squareColour =
            row.value("reportFlags").toInt() != 0 ? t->greenStateColour() : t->redStateColour();
    } else if (status != keloFourCC("abrt")) {
        squareColour = row.value("color").value<QColor>();
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (squareColour.isValid()) painter.fillRect(square.adjusted(4, 4, -4, -4), squareColour);

    const QString name = row.value("name").toString();
    const QString text = name.isEmpty() ? row.value("log").toString() : QFileInfo(name).fileName();
    const QRectF textRect(frame.x() + 20, frame.y() + (17 - t->smallFontSize()) / 2.0, 2048,
                          frame.height());
    const QString detail = statusDetail(row);
    if (detail.isEmpty()) {
        drawLine(painter, textRect, text, t->smallTextFont().font, t->smallTextFont().foreground);
        return;
    }
    drawLine(painter, textRect, text, r.smallFont, defaultTextColor());
    const double nameWidth = QFontMetricsF(r.smallFont).horizontalAdvance(text);
    drawLine(painter, textRect.translated(nameWidth, 0), detail, r.smallFont, dimTextColor());
}
