#include "graphics/VSVGInfoParser.h"

#include "foundation/OmLog.h"
#include "graphics/VSVGParser.h"

#include <QHash>

#include <algorithm>

namespace {

int32_t unitLookUp(QStringView unit) {
    static const QHash<QString, int32_t> table = {
        {QStringLiteral("em"), kVSVGUnitEm},     {QStringLiteral("ex"), kVSVGUnitEx},
        {QStringLiteral("px"), kVSVGUnitPx},     {QStringLiteral("pt"), kVSVGUnitPt},
        {QStringLiteral("pc"), kVSVGUnitPc},     {QStringLiteral("cm"), kVSVGUnitCm},
        {QStringLiteral("mm"), kVSVGUnitMm},     {QStringLiteral("in"), kVSVGUnitIn},
        {QStringLiteral("%"), kVSVGUnitPercent},
    };
    return table.value(unit.toString(), kVSVGUnitEm);
}

void readLength(const QXmlStreamAttributes& attributes, QLatin1String name, float* value,
                int32_t* unit) {
    if (!attributes.hasAttribute(name)) {
        *value = 100;
        *unit = kVSVGUnitPercent;
        return;
    }
    const QStringView text = attributes.value(name);
    qsizetype i = 0;
    while (i < text.size() && !text[i].isLetter() && text[i] != u'%') ++i;
    *value = float(svgIntValue(text.left(i)));
    *unit = i < text.size() ? unitLookUp(text.mid(i)) : kVSVGUnitPx;
}

}  // namespace

VSVGInfoParser::VSVGInfoParser(const QByteArray& data, VSVGInfo* info) : info(info) {
    if (data.size() > kVSVGMaxDocumentBytes) {
        OmLogNoFlood(kOmLogWarning,
                     "SVG: document of %lld bytes refused, more than the %lld allowed",
                     qint64(data.size()), kVSVGMaxDocumentBytes);
        this->info = nullptr;
        return;
    }
    myParser.addData(data);
    myParser.setEntityExpansionLimit(kVSVGEntityExpansionLimit);
}

bool VSVGInfoParser::beginParsingXML() {
    if (!info) return false;
    int32_t depth = 0;
    while (!myParser.atEnd()) {
        const QXmlStreamReader::TokenType token = myParser.readNext();
        if (token == QXmlStreamReader::EndElement) --depth;
        if (token != QXmlStreamReader::StartElement) continue;
        if (++depth > kVSVGMaxDepth) {
            OmLogNoFlood(kOmLogWarning, "SVG: elements nested deeper than %d", kVSVGMaxDepth);
            return false;
        }
        if (myParser.name() == QLatin1String("svg")) {
            fill(myParser.attributes());
            return true;
        }
    }
    if (myParser.hasError()) {
        OmLogNoFlood(kOmLogWarning, "SVG: no size read, line %lld: %s", myParser.lineNumber(),
                     qPrintable(myParser.errorString()));
    }
    return false;
}

void VSVGInfoParser::fill(const QXmlStreamAttributes& attributes) {
    float box[4] = {0, 0, 0, 0};
    if (attributes.hasAttribute(QLatin1String("viewBox"))) {
        const QStringView viewBox = attributes.value(QLatin1String("viewBox"));
        qsizetype pos = 0;
        int pieces = 0;
        while (pieces < 4 && pos <= viewBox.size()) {
            qsizetype end = pos;
            while (end < viewBox.size() && viewBox[end] != u' ' && viewBox[end] != u'\t') ++end;
            box[pieces++] = float(svgIntValue(viewBox.mid(pos, end - pos)));
            pos = end + 1;
        }
        // A short viewBox gives nothing rather than a half-read one.
        if (pieces < 4) std::fill(box, box + 4, 0.0f);
    }
    info->viewBoxMinX = box[0];
    info->viewBoxMinY = box[1];
    info->viewBoxWidth = box[2];
    info->viewBoxHeight = box[3];
    readLength(attributes, QLatin1String("width"), &info->width, &info->widthUnit);
    readLength(attributes, QLatin1String("height"), &info->height, &info->heightUnit);
}
