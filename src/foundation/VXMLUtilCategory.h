#pragma once

#include <QDomElement>
#include <QString>

#include <cstddef>

// The attribute's text, or "" when there is none.
QString childString(const QDomElement& element, const QString& name);
// The attribute's text in ASCII, cut to maxBytes - 1 characters and always
// NUL-terminated; empty when missing or not ASCII. Writes nothing when
// maxBytes is 0.
void childString(const QDomElement& element, const QString& name, char* buffer, size_t maxBytes);

// The attribute's number, else the first child element's, else `fallback`.
int childIntValue(const QDomElement& element, const QString& name, int fallback);
float childFloatValue(const QDomElement& element, const QString& name, float fallback);

bool elementExists(const QDomElement& element, const QString& name);
bool attributeExists(const QDomElement& element, const QString& name);
// The first child element of that name, or a null element.
QDomElement elementForName(const QDomElement& element, const QString& name);
