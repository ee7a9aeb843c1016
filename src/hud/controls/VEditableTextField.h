#pragma once

#include "hud/controls/HUDTextField.h"
#include "hud/views/EditingAlignmentProtocol.h"

#include <QRectF>
#include <QString>

class KlLogUI;
class VEditableTextField;

// What the owner of a number field may answer; every call is optional.
class VEditableTextFieldDelegate {
public:
    virtual ~VEditableTextFieldDelegate() = default;
    virtual void rememberKeyFocus(VEditableTextField* field) { (void)field; }
    virtual void keyFocusEnding(VEditableTextField* field) { (void)field; }
    // The log panel in which evaluated expressions are recorded, or null.
    virtual KlLogUI* klLogUI() { return nullptr; }
};

// The entry field of the panels and dialogs: a HUD text field that
// evaluates a one-operator expression ("^", "*", "/", "+", "-") before its
// action goes out, can read its text with the locale's number rules, steps
// its integer value with Control (the Command key here) and the wheel, and
// draws a rounded yellow frame while edited. The action is the `action`
// signal, sent on Return or by sendAction(). Main thread only.
class VEditableTextField : public HUDTextField, public EditingAlignmentProtocol {
    Q_OBJECT
public:
    explicit VEditableTextField(QWidget* parent = nullptr);
    ~VEditableTextField() override;

    void setDelegate(VEditableTextFieldDelegate* delegate) { delegate_ = delegate; }
    VEditableTextFieldDelegate* delegate() const { return delegate_; }

    QRectF editingAlignmentRect() const override { return editingAlignmentRect_; }
    void setEditingAlignmentRect(const QRectF& rect);
    bool hasActiveFieldEditor() const override { return isEditing_ && hasFocus(); }
    bool drawsBorder() const { return drawsBorder_; }
    void setDrawsBorder(bool on);
    bool isEditing() const { return isEditing_; }
    bool isSettingUpFieldEditor() const { return isSettingUpFieldEditor_; }
    void setIsSettingUpFieldEditor(bool on);
    // Drops the editor; the delegate hears of it unless an edit is being set up.
    void abortEditing();

    void setUsesArithmetic(bool on) { usesArithmetic_ = on; }
    bool usesArithmetic() const { return usesArithmetic_; }
    void setArithmeticPrecisionDigits(int digits) { arithmeticPrecisionDigits_ = digits; }
    int arithmeticPrecisionDigits() const { return arithmeticPrecisionDigits_; }
    void setUsesOnDemandFormatter(bool on) { usesOnDemandFormatter_ = on; }
    bool usesOnDemandFormatter() const { return usesOnDemandFormatter_; }
    bool onDemandFormatterFailed() const { return onDemandFormatterFailed_; }
    void setAllowsCustomValueScrolling(bool on);
    bool allowsCustomValueScrolling() const { return allowsCustomValueScrolling_; }

    // The text as a number: on-demand parsing when set, else the leading
    // integer of the text.
    int32_t intValue();
    int64_t integerValue();
    void setIntValue(int32_t value);
    // The text parsed with the locale's rules; 0 (and the failure flag) when
    // it is no number.
    float onDemandFloatValue();
    // At most one decimal; a fraction shows in the tooltip colour.
    void set10thsPrecisionWithFloat(double value);

    // Arithmetic and on-demand parsing, then the action. True when someone
    // listens to it.
    bool sendAction();
    void textViewArithmetic();

    // The result of a one-operator expression, or `text` itself when it is
    // not one (or has no finite result).
    static QString applyArithmetic(const QString& text);
    // Records the current locale's grouping separator; runs by itself on the
    // first evaluation and again whenever called.
    static void grokLocale();

    // Visible width of the field: its rectangle clipped by its ancestors.
    double visibleWidth() const;

signals:
    void action();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool parseOnDemand(double* value);
    void resetCursor();

    VEditableTextFieldDelegate* delegate_ = nullptr;
    bool drawsBorder_ = false;
    bool isEditing_ = false;
    QRectF editingAlignmentRect_;
    bool editingRectSet_ = false;
    bool isSettingUpFieldEditor_ = false;
    bool usesArithmetic_ = false;
    int arithmeticPrecisionDigits_ = 0;
    bool usesOnDemandFormatter_ = false;
    bool onDemandFormatterFailed_ = false;
    bool allowsCustomValueScrolling_ = false;
};
