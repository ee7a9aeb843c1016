#pragma once

#include "hud/cells/HUDTextFieldCell.h"
#include "platform/AttributedString.h"

#include <optional>

// The Content tab's header line: "sync: <master|member|--> collection: "
// with the collection badge and, when some servers are missing, their note.
class ContentCollectionCell : public HUDTextFieldCell {
public:
    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<ContentCollectionCell>(*this);
    }
    QString serverStr() const { return serverStr_; }
    void setServerStr(const QString& text) { serverStr_ = text; }
    QString collectionStr() const { return collectionStr_; }
    void setCollectionStr(const QString& text) { collectionStr_ = text; }
    const std::optional<AttributedString>& offlineStr() const { return offlineStr_; }
    void setOfflineStr(const std::optional<AttributedString>& text) { offlineStr_ = text; }

    // The text part as drawn.
    AttributedString label() const;
    void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;

private:
    QString serverStr_;
    QString collectionStr_;
    std::optional<AttributedString> offlineStr_;
};
