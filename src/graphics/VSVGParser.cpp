#include "graphics/VSVGParser.h"

#include "foundation/OmLog.h"
#include "graphics/VSVGInfoParser.h"

#include <QFile>

#include <algorithm>

#include <locale.h>
#include <cfloat>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <string>

namespace {

bool isAsciiSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isAsciiDigit(char16_t c) {
    return c >= '0' && c <= '9';
}
bool isAsciiLetter(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

qsizetype skipBlanks(QStringView text, qsizetype i) {
    while (i < text.size() && (isAsciiSpace(text[i].unicode()) || text[i].isSpace())) ++i;
    return i;
}

qsizetype skipDigits(QStringView text, qsizetype i) {
    while (i < text.size() && isAsciiDigit(text[i].unicode())) ++i;
    return i;
}

// strtod in the C locale whatever the process locale says.
double cLocaleStrtod(const char* text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text, nullptr, cLocale);
}

// Path data with a comma between every two tokens: blanks become commas, runs
// of separators collapse to one, and commas go between a letter and a digit
// (either way round) and before a minus that follows a letter or a digit.
// Built right to left so that each step sees its right neighbour as already
// rewritten.
QString pathDataToText(const QString& pathData) {
    const QString text = pathData.trimmed();
    if (text.size() < 2) return text;
    // Written backwards from the end of a buffer that fits the worst case of
    // a comma before every character.
    QString out(text.size() * 2, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* cursor = begin + out.size();
    *--cursor = text.back().unicode();
    for (qsizetype i = text.size() - 2; i >= 0; --i) {
        char16_t c = text[i].unicode();
        const char16_t n = *cursor;
        if (isAsciiSpace(c)) c = ',';
        const bool nSeparator = isAsciiSpace(n) || n == ',';
        if (c == ',' && nSeparator) {
            ++cursor;
        } else if ((isAsciiLetter(c) && isAsciiDigit(n)) || (isAsciiDigit(c) && isAsciiLetter(n)) ||
                   ((isAsciiLetter(c) || isAsciiDigit(c)) && n == '-')) {
            *--cursor = ',';
        }
        *--cursor = c;
    }
    return out.right(begin + out.size() - cursor);
}

// Comma-separated pieces of a text without materialising them all, so that
// enormous path data costs no more than its own size.
class Tokens {
public:
    explicit Tokens(QStringView text) : text_(text) {
        count_ = text.isEmpty() ? 0 : text.count(u',') + 1;
    }
    qsizetype count() const { return count_; }
    // Pieces are taken in order; index() is the next one's number.
    qsizetype index() const { return index_; }
    QStringView next() {
        const qsizetype comma = text_.indexOf(u',', pos_);
        const qsizetype end = comma < 0 ? text_.size() : comma;
        const QStringView piece = text_.mid(pos_, end - pos_);
        pos_ = end + 1;
        ++index_;
        return piece;
    }

private:
    QStringView text_;
    qsizetype count_ = 0;
    qsizetype pos_ = 0;
    qsizetype index_ = 0;
};

int commandArgumentCount(char16_t command) {
    switch (command) {
        case 'M':
        case 'm':
        case 'L':
        case 'l':
            return 2;
        case 'H':
        case 'h':
        case 'V':
        case 'v':
            return 1;
        case 'C':
        case 'c':
            return 6;
        case 'S':
        case 's':
        case 'Q':
        case 'q':
            return 4;
        default:
            return 0;
    }
}

}  // namespace

float svgFloatValue(QStringView text) {
    const qsizetype start = skipBlanks(text, 0);
    qsizetype i = start;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype intStart = i;
    i = skipDigits(text, i);
    qsizetype digits = i - intStart;
    if (i < text.size() && text[i] == u'.') {
        const qsizetype fracStart = i + 1;
        const qsizetype fracEnd = skipDigits(text, fracStart);
        digits += fracEnd - fracStart;
        i = fracEnd;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype e = i + 1;
        if (e < text.size() && (text[e] == u'+' || text[e] == u'-')) ++e;
        const qsizetype expEnd = skipDigits(text, e);
        if (expEnd > e) i = expEnd;
    }
    // Numbers are ASCII; a stack buffer serves all but absurdly long ones.
    const QStringView number = text.mid(start, i - start);
    char small[64];
    std::string large;
    char* buffer = small;
    if (number.size() >= qsizetype(sizeof(small))) {
        large.resize(number.size() + 1);
        buffer = large.data();
    }
    for (qsizetype k = 0; k < number.size(); ++k) buffer[k] = char(number[k].unicode());
    buffer[number.size()] = 0;
    const double value = cLocaleStrtod(buffer);
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return float(value);
}

int32_t svgIntValue(QStringView text) {
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < text.size() && isAsciiDigit(text[i].unicode()); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > int64_t(INT_MAX) + 1) value = int64_t(INT_MAX) + 1;
    }
    if (negative) return int32_t(std::max<int64_t>(-value, INT_MIN));
    return int32_t(std::min<int64_t>(value, INT_MAX));
}

bool readSVGDocument(const QString& path, QByteArray* data) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        OmLogNoFlood(kOmLogWarning, "SVG: cannot read \"%s\"", qPrintable(path));
        return false;
    }
    if (file.size() > kVSVGMaxDocumentBytes) {
        OmLogNoFlood(kOmLogWarning, "SVG: \"%s\" is %lld bytes, more than the %lld allowed",
                     qPrintable(path), qint64(file.size()), kVSVGMaxDocumentBytes);
        return false;
    }
    // Read with a bound too: a file may grow, or report no size at all.
    *data = file.read(kVSVGMaxDocumentBytes + 1);
    if (data->size() > kVSVGMaxDocumentBytes) {
        OmLogNoFlood(kOmLogWarning, "SVG: \"%s\" is larger than the %lld bytes allowed",
                     qPrintable(path), kVSVGMaxDocumentBytes);
        data->clear();
        return false;
    }
    return true;
}

bool VSVGParser::parseWithData(const QByteArray& data, VSVGDrawProtocol* drawDelegate) {
    VSVGParser parser(data, drawDelegate);
    return parser.beginParsingXML();
}

bool VSVGParser::parseWithPath(const QString& path, VSVGDrawProtocol* drawDelegate) {
    return parseWithURL(QUrl::fromLocalFile(path), drawDelegate);
}

bool VSVGParser::parseWithURL(const QUrl& url, VSVGDrawProtocol* drawDelegate) {
    VSVGParser parser(url, drawDelegate);
    return parser.beginParsingXML();
}

bool VSVGParser::getSVGInfo(VSVGInfo* info, const QByteArray& data) {
    if (!info) return false;
    VSVGInfoParser parser(data, info);
    return parser.beginParsingXML();
}

bool VSVGParser::getSVGInfo(VSVGInfo* info, const QString& path) {
    QByteArray data;
    if (!info || !readSVGDocument(path, &data)) return false;
    return getSVGInfo(info, data);
}

VSVGParser::VSVGParser(const QByteArray& data, VSVGDrawProtocol* drawDelegate)
    : drawDelegate(drawDelegate) {
    if (data.size() > kVSVGMaxDocumentBytes) {
        OmLogNoFlood(kOmLogWarning,
                     "SVG: document of %lld bytes refused, more than the %lld allowed",
                     qint64(data.size()), kVSVGMaxDocumentBytes);
        return;
    }
    setUp(data);
}

VSVGParser::VSVGParser(const QUrl& url, VSVGDrawProtocol* drawDelegate)
    : drawDelegate(drawDelegate) {
    // Nothing is fetched from the network: documents are local files.
    if (!url.isLocalFile()) {
        OmLogNoFlood(kOmLogWarning, "SVG: only local files are read, not \"%s\"",
                     qPrintable(url.toDisplayString()));
        return;
    }
    QByteArray data;
    if (readSVGDocument(url.toLocalFile(), &data)) setUp(data);
}

void VSVGParser::setUp(const QByteArray& data) {
    myParser.addData(data);
    myParser.setEntityExpansionLimit(kVSVGEntityExpansionLimit);
    elementDict = {
        {QStringLiteral("svg"), &VSVGParser::parseSVGWithAttributes},
        {QStringLiteral("rect"), &VSVGParser::parseRectWithAttributes},
        {QStringLiteral("circle"), &VSVGParser::parseCircleWithAttributes},
        {QStringLiteral("ellipse"), &VSVGParser::parseEllipseWithAttributes},
        {QStringLiteral("polygon"), &VSVGParser::parsePolygonWithAttributes},
        {QStringLiteral("line"), &VSVGParser::parseLineWithAttributes},
        {QStringLiteral("polyline"), &VSVGParser::parsePolylineWithAttributes},
        {QStringLiteral("path"), &VSVGParser::parsePathWithAttributes},
    };
    ignoreDepth = 0;
    loaded = true;
}

bool VSVGParser::beginParsingXML() {
    if (drawDelegate) drawDelegate->svgSetup();
    bool ok = loaded;
    if (ok) {
        while (!myParser.atEnd()) {
            const QXmlStreamReader::TokenType token = myParser.readNext();
            if (token == QXmlStreamReader::StartElement) {
                startElement();
            } else if (token == QXmlStreamReader::EndElement) {
                endElement();
            }
        }
        if (myParser.hasError()) {
            OmLogNoFlood(kOmLogWarning, "SVG: parse stopped at line %lld, column %lld: %s",
                         myParser.lineNumber(), myParser.columnNumber(),
                         qPrintable(myParser.errorString()));
            ok = false;
        }
    }
    if (drawDelegate) drawDelegate->svgCleanup();
    return ok;
}

void VSVGParser::startElement() {
    ++stackDepth;
    if (stackDepth > kVSVGMaxDepth) {
        myParser.raiseError(QStringLiteral("elements nested deeper than %1").arg(kVSVGMaxDepth));
        return;
    }
    const QXmlStreamAttributes attributes = myParser.attributes();
    if (ignoreDepth == 0 && attributes.value(QLatin1String("display")) == QLatin1String("none")) {
        ignoreDepth = stackDepth;
    }
    if (ignoreDepth != 0) return;
    const auto handler = elementDict.constFind(myParser.name().toString());
    if (handler == elementDict.constEnd()) return;
    VSVGAttributes dictionary;
    dictionary.reserve(attributes.size());
    for (const QXmlStreamAttribute& attribute : attributes) {
        dictionary.insert(attribute.qualifiedName().toString(), attribute.value().toString());
    }
    (this->*handler.value())(dictionary);
}

void VSVGParser::endElement() {
    if (ignoreDepth == stackDepth) ignoreDepth = 0;
    --stackDepth;
}

void VSVGParser::parseSVGWithAttributes(const VSVGAttributes&) {}

namespace {
float attributeFloat(const VSVGAttributes& attributes, const QString& name) {
    const auto it = attributes.constFind(name);
    return it == attributes.constEnd() ? 0.0f : svgFloatValue(it.value());
}
}  // namespace

void VSVGParser::parseRectWithAttributes(const VSVGAttributes& attributes) {
    if (!drawDelegate) return;
    drawDelegate->svgDrawRect(QRectF(attributeFloat(attributes, QStringLiteral("x")),
                                     attributeFloat(attributes, QStringLiteral("y")),
                                     attributeFloat(attributes, QStringLiteral("width")),
                                     attributeFloat(attributes, QStringLiteral("height"))),
                              attributes);
}

void VSVGParser::parseCircleWithAttributes(const VSVGAttributes& attributes) {
    if (!drawDelegate) return;
    const double r = attributeFloat(attributes, QStringLiteral("r"));
    drawDelegate->svgDrawEllipse(
        QRectF(attributeFloat(attributes, QStringLiteral("cx")),
               attributeFloat(attributes, QStringLiteral("cy")), 2 * r, 2 * r),
        attributes);
}

void VSVGParser::parseEllipseWithAttributes(const VSVGAttributes& attributes) {
    if (!drawDelegate) return;
    drawDelegate->svgDrawEllipse(QRectF(attributeFloat(attributes, QStringLiteral("cx")),
                                        attributeFloat(attributes, QStringLiteral("cy")),
                                        2.0 * attributeFloat(attributes, QStringLiteral("rx")),
                                        2.0 * attributeFloat(attributes, QStringLiteral("ry"))),
                                 attributes);
}

void VSVGParser::parseLineWithAttributes(const VSVGAttributes& attributes) {
    if (!drawDelegate) return;
    drawDelegate->svgBeginPathWithAttributes(attributes);
    drawDelegate->svgMoveTo(QPointF(attributeFloat(attributes, QStringLiteral("x1")),
                                    attributeFloat(attributes, QStringLiteral("y1"))));
    drawDelegate->svgLineTo(QPointF(attributeFloat(attributes, QStringLiteral("x2")),
                                    attributeFloat(attributes, QStringLiteral("y2"))));
    drawDelegate->svgEndPath(attributes);
}

void VSVGParser::parsePolygonWithAttributes(const VSVGAttributes& attributes) {
    parsePointsWithAttributes(attributes, true);
}

void VSVGParser::parsePolylineWithAttributes(const VSVGAttributes& attributes) {
    parsePointsWithAttributes(attributes, false);
}

void VSVGParser::parsePointsWithAttributes(const VSVGAttributes& attributes, bool close) {
    if (!drawDelegate) return;
    drawDelegate->svgBeginPathWithAttributes(attributes);
    const QString points = attributes.value(QStringLiteral("points")).trimmed();
    bool havePoint = false;
    bool haveX = false;
    float x = 0;
    qsizetype pos = 0;
    while (pos < points.size()) {
        qsizetype end = pos;
        while (end < points.size() && points[end] != u',' && points[end] != u' ') ++end;
        const QStringView piece = QStringView(points).mid(pos, end - pos);
        pos = end + 1;
        if (piece.isEmpty() || piece.contains(u'\t') || piece.contains(u'\n') ||
            piece.contains(u'\r')) {
            continue;
        }
        if (!haveX) {
            x = svgFloatValue(piece);
            haveX = true;
            continue;
        }
        haveX = false;
        const QPointF point(x, svgFloatValue(piece));
        if (havePoint) {
            drawDelegate->svgLineTo(point);
        } else {
            drawDelegate->svgMoveTo(point);
            havePoint = true;
        }
    }
    if (close && havePoint) drawDelegate->svgClosePath();
    drawDelegate->svgEndPath(attributes);
}

void VSVGParser::parsePathWithAttributes(const VSVGAttributes& attributes) {
    if (!drawDelegate) return;
    const QString text = pathDataToText(attributes.value(QStringLiteral("d")));
    Tokens tokens(text);
    // Without a first point there is nothing to draw.
    if (tokens.count() < 3) return;
    drawDelegate->svgBeginPathWithAttributes(attributes);
    tokens.next();
    double x = svgFloatValue(tokens.next());
    double y = svgFloatValue(tokens.next());
    double x0 = x;
    double y0 = y;
    double lx = 0;
    double ly = 0;
    drawDelegate->svgMoveTo(QPointF(x, y));
    char16_t command = 0;
    float args[6];
    while (tokens.index() < tokens.count()) {
        const QStringView token = tokens.next();
        if (token.isEmpty()) continue;
        const char16_t first = token[0].unicode();
        if (first == '\t' || first == '\n' || first == '\r' || first == ' ') continue;
        if (isAsciiLetter(first)) {
            command = first;
            if (command == 'Z' || command == 'z') {
                drawDelegate->svgClosePath();
                if (tokens.index() == tokens.count()) break;
                x = x0;
                y = y0;
            }
            continue;
        }
        if (command == 'Z' || command == 'z') {
            drawDelegate->svgClosePath();
            continue;
        }
        const int needed = commandArgumentCount(command);
        // Commands this reader does not draw skip their numbers one by one.
        if (needed == 0) continue;
        if (tokens.index() - 1 + needed > tokens.count()) break;
        args[0] = svgFloatValue(token);
        for (int i = 1; i < needed; ++i) args[i] = svgFloatValue(tokens.next());
        const bool relative = command >= 'a';
        const double dx = relative ? x : 0;
        const double dy = relative ? y : 0;
        switch (command) {
            case 'M':
            case 'm':
                x = args[0] + dx;
                y = args[1] + dy;
                // A close returns to the start of its own subpath.
                x0 = x;
                y0 = y;
                drawDelegate->svgMoveTo(QPointF(x, y));
                break;
            case 'L':
            case 'l':
                x = args[0] + dx;
                y = args[1] + dy;
                drawDelegate->svgLineTo(QPointF(x, y));
                break;
            case 'H':
            case 'h':
                x = args[0] + dx;
                drawDelegate->svgLineTo(QPointF(x, y));
                break;
            case 'V':
            case 'v':
                y = args[0] + dy;
                drawDelegate->svgLineTo(QPointF(x, y));
                break;
            case 'C':
            case 'c': {
                const QPointF p1(args[0] + dx, args[1] + dy);
                const QPointF p2(args[2] + dx, args[3] + dy);
                const QPointF p3(args[4] + dx, args[5] + dy);
                drawDelegate->svgCubicCurveTo(p3, p1, p2);
                lx = p2.x();
                ly = p2.y();
                x = p3.x();
                y = p3.y();
                break;
            }
            case 'S':
            case 's': {
                const QPointF p1(2 * x - lx, 2 * y - ly);
                const QPointF p2(args[0] + dx, args[1] + dy);
                const QPointF p3(args[2] + dx, args[3] + dy);
                drawDelegate->svgCubicCurveTo(p3, p1, p2);
                lx = p2.x();
                ly = p2.y();
                x = p3.x();
                y = p3.y();
                break;
            }
            case 'Q':
            case 'q': {
                const QPointF p1(args[0] + dx, args[1] + dy);
                const QPointF p2(args[2] + dx, args[3] + dy);
                drawDelegate->svgQuadraticCurveTo(p2, p1);
                x = p2.x();
                y = p2.y();
                break;
            }
        }
    }
    drawDelegate->svgEndPath(attributes);
}
