#include "platform/PropertyList.h"

#include "platform/PropertyListBinary.h"
#include "platform/PropertyListOpenStep.h"
#include "platform/PropertyListXml.h"

namespace {

bool set(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

bool looksLikeXml(const QByteArray& data) {
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    const QByteArray head = data.mid(i, 9);
    return head.startsWith("<?xml") || head.startsWith("<!DOCTYPE") || head.startsWith("<plist") ||
           head.startsWith("<!--");
}

}  // namespace

QVariant PropertyList::read(const QByteArray& data, QString* error, Format* detected) {
    if (data.startsWith("bplist")) {
        if (detected) *detected = Format::Binary;
        return PropertyListBinary::read(data, error);
    }
    if (looksLikeXml(data)) {
        if (detected) *detected = Format::Xml;
        return PropertyListXml::read(data, error);
    }
    if (detected) *detected = Format::OpenStep;
    return PropertyListOpenStep::read(data, error);
}

QVariant PropertyList::readOpenStep(const QByteArray& text, QString* error) {
    return PropertyListOpenStep::read(text, error);
}

QByteArray PropertyList::write(const QVariant& value, Format format, QString* error) {
    switch (format) {
        case Format::Xml:
            return PropertyListXml::write(value, error);
        case Format::Binary:
            return PropertyListBinary::write(value, error);
        case Format::OpenStep:
            return PropertyListOpenStep::write(value, error);
    }
    set(error, QStringLiteral("unknown property-list format"));
    return {};
}
