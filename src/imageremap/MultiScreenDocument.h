#pragma once

#include "platform/PlistNode.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

// One point of a vertex screen: position on the output and texture point.
struct MultiScreenVertex {
    float x = 0, y = 0, z = 0, u = 0, v = 0;
    bool operator==(const MultiScreenVertex&) const = default;
};

// Where an item sits in a document, by 0-based positions; -1 where it does
// not apply or the item was not found.
struct MultiScreenLocation {
    int configuration = -1;
    int screen = -1;
    int control = -1;
};

// The image-remap document: configurations hold screens, screens hold
// controls, a few global values sit at the top. The document is a PlistNode
// tree shared in place by the editor, its dialogs and the engine; these
// helpers know its keys, text forms, defaults and identifiers.
class MultiScreenDocument {
public:
    // The largest texture or output size per dimension.
    static constexpr int kMaxTextureSize = 16384;

    // "configurations" [], "universes" ["0"], the three gains 1.0.
    static PlistNode::Ptr newDocument();
    // Sets "UID" of every configuration, screen and control from its
    // position; true when any changed.
    static bool assignUIDs(PlistNode& document);
    // A gain ("scale3D", "texGain", "posnGain") stored as a number or text;
    // missing or 0 reads as 1.
    static double gain(const PlistNode& document, const QString& key);

    // "{x,y}", "{x,y,z}" or "{x,y,z,u,v}"; anything else (other counts,
    // trailing text, numbers that are not finite) is no vertex.
    static std::optional<MultiScreenVertex> vertexFromString(const QString& text);
    // The shortest of the three forms that keeps the vertex.
    static QString stringFromVertex(const MultiScreenVertex& vertex);
    // Row `row` of a screen's "vertices"; none when absent or not a vertex.
    static std::optional<MultiScreenVertex> vertexAt(const PlistNode& screen, int row);

    // The platform's text forms: {w, h}, {x, y}, {{x, y}, {w, h}}. Readers
    // take the numbers in order, as the platform does: missing ones are 0,
    // and a value that is not text reads as all zeros.
    static QSizeF sizeFromNode(const PlistNode::Ptr& node);
    static QPointF pointFromNode(const PlistNode::Ptr& node);
    static QRectF rectFromNode(const PlistNode::Ptr& node);
    static QString stringFromSize(const QSizeF& size);
    static QString stringFromPoint(const QPointF& point);
    static QString stringFromRect(const QRectF& rect);

    // Finds a configuration, screen or control of the document by identity.
    static MultiScreenLocation locate(const PlistNode& document, const PlistNode* item);
    // "%d,%d" of the 1-based configuration and screen numbers (0: the container).
    static QString itemKey(int configuration, int screen);

    // The whole document as an XML property list compressed twice; none
    // (with `error`) when it cannot be serialised.
    static std::optional<QByteArray> kitchenSink(const PlistNode& document,
                                                 QString* error = nullptr);
    // The document back from that form; null with `error` when either
    // compression is damaged, claims more than `maxSize` or the property list
    // is not a dictionary.
    static PlistNode::Ptr readKitchenSink(const QByteArray& data, QString* error = nullptr,
                                          quint32 maxSize = 64u << 20);

    // Checks the types and ranges of every key the engine and the editor
    // read; false with the first fault in `error`. A document that fails is
    // not taken from a server or a file.
    static bool validate(const PlistNode& document, QString* error = nullptr);
};

// Parses a text as a property list of any form; null (with the parser's
// reason printed) on failure.
PlistNode::Ptr getPropertyListFromString(const QString& text);

QSizeF preventLargeTexSizeCrash(const QSizeF& size);
QSizeF limitSizeToValue(const QSizeF& size, int limit);
bool checkForSizeBeyondLimit(const QSizeF& size, int limit);
