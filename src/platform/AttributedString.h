#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QMetaType>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class QPainter;

enum class LineBreakMode { WordWrap, CharWrap, Clip, TruncateHead, TruncateTail, TruncateMiddle };

// Character attributes; an empty optional means "not set".
struct TextAttributes {
    std::optional<QColor> foreground{};
    std::optional<QColor> background{};
    std::optional<QFont> font{};
    // A paragraph attribute: the first character's mode applies to the whole text.
    std::optional<LineBreakMode> lineBreakMode{};
    // Logarithm of the horizontal glyph stretch (0 = none, -0.2 = 82 %).
    std::optional<double> expansion{};

    bool operator==(const TextAttributes&) const = default;
};

struct TextRange {
    int location = 0;
    int length = 0;
    bool operator==(const TextRange&) const = default;
};

// A text with attribute runs. The runs always cover the whole text without
// gaps; neighbours with equal attributes are merged. Sizes are in pixels;
// drawing is y-down.
class AttributedString {
public:
    struct Run {
        int start = 0;
        int length = 0;
        TextAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    const QString& string() const { return text_; }
    int length() const { return static_cast<int>(text_.size()); }
    bool isEmpty() const { return text_.isEmpty(); }
    const QList<Run>& runs() const { return runs_; }

    // The attributes of the character at `index` (clamped); empty for no text.
    TextAttributes attributesAt(int index) const;
    // Applies `change` to the attributes of every character in the range.
    void modifyAttributes(TextRange range, const std::function<void(TextAttributes&)>& change);
    void append(const AttributedString& other);
    AttributedString mid(int start, int length) const;

    // The size of the text on one line (hard line breaks kept).
    QSizeF size() const;
    // The bounds of the text wrapped at word boundaries to `width`.
    QRectF boundingRectWithWidth(qreal width) const;
    // Draws inside `rect`, clipped to it, honouring the line-break mode.
    void draw(QPainter& painter, const QRectF& rect) const;

    // The font used where no font attribute is set.
    static QFont defaultFont();
    // `font` with the horizontal stretch of `expansion` applied.
    static QFont expandedFont(const QFont& font, double expansion);

private:
    void normalise();

    QString text_;
    QList<Run> runs_;
};

Q_DECLARE_METATYPE(AttributedString)
