#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The old-style text form: "{ key = value; }", "( a, b )", quoted or bare
// strings and "<hex>" data, with C comments. Every scalar is a string, so
// numbers and bools are written as their text and dates are refused.
class PropertyListOpenStep {
public:
    static QVariant read(const QByteArray& text, QString* error);
    static QByteArray write(const QVariant& value, QString* error);
};
