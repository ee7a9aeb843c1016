#pragma once

#include "graphics/VSVGInfo.h"

#include <QByteArray>
#include <QXmlStreamReader>

// Reads only the first svg element's viewBox, width and height and stops
// there; the rest of the document is never read.
class VSVGInfoParser {
public:
    VSVGInfoParser(const QByteArray& data, VSVGInfo* info);
    VSVGInfoParser(const VSVGInfoParser&) = delete;
    VSVGInfoParser& operator=(const VSVGInfoParser&) = delete;

    // True when an svg element was found and `info` filled.
    bool beginParsingXML();

private:
    void fill(const QXmlStreamAttributes& attributes);

    QXmlStreamReader myParser;
    VSVGInfo* info;
};
