#include "hud/cells/HUDTextFieldCell.h"

#include "foundation/VNSStringUtilCategory.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/views/EditingAlignmentProtocol.h"
#include "hud/windows/HUDThemeKeloWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <cmath>

namespace {
// Natural heights from this size on are taller than a bezeled field's text area.
constexpr double kTallTextHeight = 22.0;
}  // namespace

bool isInsideTable(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(w)) return true;
        if (w->isWindow()) break;
    }
    return false;
}

HUDTextFieldCell::HUDTextFieldCell(const QString& text) : TextFieldCell(text) {
    doInit();
}

std::unique_ptr<HUDTextFieldCell> HUDTextFieldCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDTextFieldCell>(archive.value("stringValue").toString());
    cell->setDrawsBackground(archive.value("drawsBackground").toBool());
    cell->setEditable(archive.value("editable").toBool());
    cell->setThemeKey(archive.contains("themeKey") ? archive.value("themeKey").toString()
                                                   : QString(kHUDGradientThemeKey));
    cell->doInit();
    return cell;
}

QVariantMap HUDTextFieldCell::encodeWithCoder() const {
    return {{"stringValue", stringValue()},
            {"drawsBackground", drawsBackground() || fillsBackground_},
            {"editable", isEditable()},
            {"themeKey", themeKey_}};
}

HUDTheme* HUDTextFieldCell::cellTheme() const {
    return theme(this);
}

void HUDTextFieldCell::doInit() {
    defaultTextColor_ = cellTheme()->textColor();
    setTextColor(defaultTextColor_);
    fillsBackground_ = drawsBackground();
    setDrawsBackground(false);
}

void HUDTextFieldCell::setAttributedColor(const QColor& color) {
    AttributedString text = attrStringWithColor(stringValue(), color);
    const QFont cellFont = font();
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) {
        a.font = cellFont;
        if (!color.isValid()) a.foreground.reset();
    });
    setAttributedStringValue(text);
    if (color.isValid()) {
        setTextColor(color);
    } else {
        setTextColor(isEditable() ? ::defaultTextColor() : dimTextColor());
    }
}

QWidget* HUDTextFieldCell::setUpFieldEditorAttributes(QWidget* editor, const QWidget* view) const {
    HUDTheme::setupFieldEditorColors(cellTheme(), editor, view ? view->window() : nullptr, this);
    return editor;
}

QColor HUDTextFieldCell::highlightColorWithFrame(const QRectF&, const QWidget* view) const {
    if (isInsideTable(view)) return {};
    return QApplication::palette().color(QPalette::Highlight);
}

QRectF HUDTextFieldCell::focusRingFrameForFrame(const QRectF& frame, const QRectF&,
                                                const QWidget* view) const {
    if (view && dynamic_cast<const EditingAlignmentProtocol*>(view)) return QRectF(view->rect());
    return frame;
}

QRectF HUDTextFieldCell::drawingRectForBounds(const QRectF& bounds, const QWidget* view) const {
    if (const auto* aligned = dynamic_cast<const EditingAlignmentProtocol*>(view)) {
        return aligned->editingAlignmentRect();
    }
    QRectF r = TextFieldCell::drawingRectForBounds(bounds, view);
    if (!mIsEditingOrSelecting) {
        const double hc = cellSizeForBounds(bounds).height();
        if (hc >= kTallTextHeight && hc > r.height()) {
            // Measured from the bounds' origin so that cells drawn inside a
            // table row land in that row.
            r.moveTop(bounds.y() + r.height() - hc + 6);
            r.setHeight(2 * hc - r.height());
        }
    }
    return r;
}

QRectF HUDTextFieldCell::adjustFrameToVerticallyCenterText(const QRectF& frame) const {
    const QFontMetricsF metrics(font());
    const double d = std::floor((frame.height() - (metrics.ascent() + metrics.descent())) / 2);
    return frame.adjusted(0, d, 0, -d);
}

QPainterPath HUDTextFieldCell::capsulePath(const QRectF& f) {
    QPainterPath path;
    const double radius = f.height() / 2;
    const double cy = f.y() + radius;
    // Left half circle from the top round to the bottom, then the right one back.
    path.arcMoveTo(QRectF(f.x(), f.y(), f.height(), f.height()), 90);
    path.arcTo(QRectF(f.x(), cy - radius, 2 * radius, 2 * radius), 90, 180);
    path.arcTo(QRectF(f.x() + f.width() - 2 * radius, cy - radius, 2 * radius, 2 * radius), 270,
               180);
    path.closeSubpath();
    return path;
}

QRectF HUDTextFieldCell::controlSizeShift(const QRectF& frame, int bezelStyle,
                                          HUDControlSize size) {
    if (bezelStyle != kRoundedTextFieldBezel) return frame;
    if (size == HUDMiniControlSize) return frame.translated(1, 0);
    return frame.translated(0, 1);
}

bool HUDTextFieldCell::showsFocusRing(const TextFieldCell& cell, const QWidget* view) {
    return cell.showsFirstResponder() && view && view->window()->isActiveWindow() &&
           (cell.focusRingType() == kFocusRingTypeDefault ||
            cell.focusRingType() == kFocusRingTypeExterior);
}

void HUDTextFieldCell::drawWithFrame(QPainter& painter, const QRectF& frameIn, QWidget* view) {
    waitIfNeeded(view);
    QRectF frame = isVerticallyCentered_ ? adjustFrameToVerticallyCenterText(frameIn) : frameIn;
    HUDTheme* t = cellTheme();

    // A field being edited shows its editor, which draws the text itself.
    if (auto* editor = qobject_cast<QLineEdit*>(view);
        editor && editor->hasFocus() && !editor->isReadOnly()) {
        setUpFieldEditorAttributes(editor, view);
        return;
    }

    const QPainterPath path =
        bezelStyle() == kRoundedTextFieldBezel ? capsulePath(frame) : QPainterPath();
    if (fillsBackground_) {
        painter.fillRect(frame, t->textFillColor());
    } else if (isEditable()) {
        painter.fillPath(path, t->textFillColor());
    }

    if (isBezeled() || isBordered()) {
        if (showsFocusRing(*this, view)) {
            const HUDShadow ring = t->focusRing();
            if (!ring.isNull()) {
                ring.paint(painter, frame.adjusted(-8, -8, 8, 8),
                           [&](QPainter& p) { p.strokePath(path, QPen(Qt::black, 1)); });
            }
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(path,
                           QPen(isEnabled() ? t->darkStrokeColor() : t->disabledStrokeColor(), 1));
        painter.restore();
    }

    if (!placeholderString().isEmpty() && !placeholderAttributedString()) {
        TextAttributes attributes;
        attributes.foreground = t->placeholderTextColor();
        setPlaceholderAttributedString(AttributedString(placeholderString(), attributes));
    }
    drawInteriorWithFrame(
        painter, controlSizeShift(frame, bezelStyle(), HUDControlSize(controlSize())), view);
}

void HUDTextFieldCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame,
                                             QWidget* view) {
    if (const auto* aligned = dynamic_cast<const EditingAlignmentProtocol*>(view)) {
        if (aligned->hasActiveFieldEditor()) return;
        drawText(painter, attributedStringValue(),
                 titleRectForBounds(aligned->editingAlignmentRect()));
        return;
    }
    TextFieldCell::drawInteriorWithFrame(painter, frame, view);
}

void HUDTextFieldCell::drawWithExpansionFrame(QPainter& painter, const QRectF& frame,
                                              QWidget* view) {
    painter.fillRect(
        frame,
        HUDThemeManager::keyedManager()->themeForKey(kHUDGradientThemeKey)->darkStrokeColor());
    drawInteriorWithFrame(painter, frame, view);
}

QRectF HUDTextFieldCell::placeEditor(QRectF frame, QWidget* view, QLineEdit* editor,
                                     bool flagFirst) {
    if (isVerticallyCentered_) frame = adjustFrameToVerticallyCenterText(frame);
    QRectF rect;
    if (!flagFirst) rect = drawingRectForBounds(frame, view);
    mIsEditingOrSelecting = true;
    if (flagFirst) rect = drawingRectForBounds(frame, view);
    if (editor) {
        if (view && editor->parentWidget() != view) editor->setParent(view);
        editor->setGeometry(rect.toAlignedRect());
        editor->setFont(font());
        editor->setAlignment(alignment() | Qt::AlignVCenter);
        editor->setText(stringValue());
        setUpFieldEditorAttributes(editor, view);
        editor->show();
        editor->setFocus(Qt::OtherFocusReason);
    }
    return rect;
}

QRectF HUDTextFieldCell::editWithFrame(const QRectF& frame, QWidget* view, QLineEdit* editor) {
    const QRectF rect = placeEditor(frame, view, editor, true);
    mIsEditingOrSelecting = false;
    return rect;
}

QRectF HUDTextFieldCell::selectWithFrame(const QRectF& frame, QWidget* view, QLineEdit* editor,
                                         int start, int length) {
    const QRectF rect = placeEditor(frame, view, editor, false);
    if (editor) editor->setSelection(start, length);
    mIsEditingOrSelecting = false;
    return rect;
}
