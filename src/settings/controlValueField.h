#pragma once

#include "hud/controls/HUDLabel.h"
#include "hud/controls/VEditableTextField.h"

#include <QPointer>
#include <QString>

// A keyed field of the motions box: the motion key it edits, the value it
// stores when emptied, and the caption beside it, shown and hidden with it.
// Main thread only.
class controlValueField : public VEditableTextField {
    Q_OBJECT
public:
    explicit controlValueField(QWidget* parent = nullptr) : VEditableTextField(parent) {}

    QString key() const { return key_; }
    void setKey(const QString& key) { key_ = key; }
    QString domain() const { return domain_; }
    void setDomain(const QString& domain) { domain_ = domain; }
    QString dflt() const { return dflt_; }
    void setDflt(const QString& dflt) { dflt_ = dflt; }
    int ident() const { return ident_; }
    void setIdent(int ident) { ident_ = ident; }
    HUDLabel* label() const { return label_; }
    void setLabel(HUDLabel* label) { label_ = label; }
    void setLabelText(const QString& text);
    void setVisible(bool visible) override;

private:
    QString key_;
    QString domain_;
    QString dflt_;
    int ident_ = 0;
    QPointer<HUDLabel> label_;
};
