#pragma once

#include "graphics/VSVGDrawProtocol.h"
#include "graphics/VSVGInfo.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QXmlStreamReader>

#include <cstdint>

// SVG files come from operators: anything larger is refused before parsing,
// and elements nested deeper than this end the parse.
inline constexpr qint64 kVSVGMaxDocumentBytes = 16 * 1024 * 1024;
inline constexpr int32_t kVSVGMaxDepth = 512;
// The most characters one entity reference may expand to, nested ones included.
inline constexpr int kVSVGEntityExpansionLimit = 4096;

// The leading number of the text as a float: blanks skipped, optional sign,
// digits, fraction and exponent; 0 when there is none. Values beyond the
// float range are held at the largest finite float so that nothing infinite
// reaches a painter; "inf" and "nan" are not numbers here.
float svgFloatValue(QStringView text);
// The leading whole number (blanks and sign allowed), held at the int range.
int32_t svgIntValue(QStringView text);

// Reads the whole file for a parse; false (with a log line) when it is
// missing, unreadable or larger than kVSVGMaxDocumentBytes.
bool readSVGDocument(const QString& path, QByteArray* data);

// Turns the drawable elements of a small SVG subset (rect, circle, ellipse,
// line, polyline, polygon, path) into calls on a VSVGDrawProtocol. Attributes
// are handed through untouched; coordinates arrive exactly as written. Other
// elements are skipped but their children are read, and a display of "none"
// hides an element with everything inside it.
class VSVGParser {
public:
    // Each builds a parser, runs it and answers whether the XML was read to
    // its end without error.
    static bool parseWithData(const QByteArray& data, VSVGDrawProtocol* drawDelegate);
    static bool parseWithPath(const QString& path, VSVGDrawProtocol* drawDelegate);
    // Only local file URLs are loaded; anything else fails with a log line.
    static bool parseWithURL(const QUrl& url, VSVGDrawProtocol* drawDelegate);
    // Fill `info` from the first svg element (true when there was one); the
    // record is left alone otherwise.
    static bool getSVGInfo(VSVGInfo* info, const QByteArray& data);
    static bool getSVGInfo(VSVGInfo* info, const QString& path);

    VSVGParser(const QByteArray& data, VSVGDrawProtocol* drawDelegate);
    VSVGParser(const QUrl& url, VSVGDrawProtocol* drawDelegate);
    VSVGParser(const VSVGParser&) = delete;
    VSVGParser& operator=(const VSVGParser&) = delete;

    // svgSetup, the whole document, svgCleanup; false on any XML error (the
    // delegate has then had the calls for everything before it).
    bool beginParsingXML();

private:
    using Handler = void (VSVGParser::*)(const VSVGAttributes&);

    void setUp(const QByteArray& data);
    void startElement();
    void endElement();

    void parseSVGWithAttributes(const VSVGAttributes& attributes);
    void parseRectWithAttributes(const VSVGAttributes& attributes);
    void parseCircleWithAttributes(const VSVGAttributes& attributes);
    void parseEllipseWithAttributes(const VSVGAttributes& attributes);
    void parsePolygonWithAttributes(const VSVGAttributes& attributes);
    void parseLineWithAttributes(const VSVGAttributes& attributes);
    void parsePolylineWithAttributes(const VSVGAttributes& attributes);
    void parsePathWithAttributes(const VSVGAttributes& attributes);
    void parsePointsWithAttributes(const VSVGAttributes& attributes, bool close);

    VSVGDrawProtocol* drawDelegate = nullptr;
    QXmlStreamReader myParser;
    QHash<QString, Handler> elementDict;
    int32_t stackDepth = 0;
    int32_t ignoreDepth = 0;
    bool loaded = false;
};
