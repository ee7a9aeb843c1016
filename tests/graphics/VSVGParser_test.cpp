#include "graphics/VSVGParser.h"

#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cfloat>

// Readable failure output.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

const QString kFixtures = QStringLiteral(KELO_FIXTURES "/svg/");

// Writes every call down as a short line, numbers as %g.
class Recorder : public VSVGDrawProtocol {
public:
    QStringList calls;
    QList<VSVGAttributes> attributes;

    static QString p(const QPointF& point) {
        return QString::asprintf("%g,%g", point.x(), point.y());
    }
    void svgSetup() override { calls << "setup"; }
    void svgDrawRect(const QRectF& r, const VSVGAttributes& a) override {
        calls << "rect " + p(r.topLeft()) + " " + p(QPointF(r.width(), r.height()));
        attributes << a;
    }
    void svgDrawEllipse(const QRectF& r, const VSVGAttributes& a) override {
        calls << "ellipse " + p(r.topLeft()) + " " + p(QPointF(r.width(), r.height()));
        attributes << a;
    }
    void svgBeginPathWithAttributes(const VSVGAttributes& a) override {
        calls << "begin";
        attributes << a;
    }
    void svgMoveTo(const QPointF& pt) override { calls << "move " + p(pt); }
    void svgLineTo(const QPointF& pt) override { calls << "line " + p(pt); }
    void svgCubicCurveTo(const QPointF& pt, const QPointF& c1, const QPointF& c2) override {
        calls << "cubic " + p(pt) + " " + p(c1) + " " + p(c2);
    }
    void svgQuadraticCurveTo(const QPointF& pt, const QPointF& c) override {
        calls << "quad " + p(pt) + " " + p(c);
    }
    void svgClosePath() override { calls << "close"; }
    void svgEndPath(const VSVGAttributes&) override { calls << "end"; }
    void svgCleanup() override { calls << "cleanup"; }
};

QByteArray document(const QString& body) {
    return ("<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>").toUtf8();
}

// The calls between setup and cleanup for one element.
QStringList drawn(const QString& body, bool* ok = nullptr) {
    Recorder recorder;
    const bool result = VSVGParser::parseWithData(document(body), &recorder);
    if (ok) *ok = result;
    EXPECT_EQ(recorder.calls.value(0), "setup");
    EXPECT_EQ(recorder.calls.value(recorder.calls.size() - 1), "cleanup");
    return recorder.calls.mid(1, recorder.calls.size() - 2);
}

QStringList pathCalls(const QString& d) {
    return drawn("<path d=\"" + d + "\"/>");
}

TEST(VSVGParser, NumbersReadTheLeadingPrefixAndStayFinite) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"  12.5px", 12.5f},
        {"-3", -3},
        {"+4", 4},
        {".5", 0.5f},
        {"0.5.5", 0.5f},
        {"1e2", 100},
        {"1e", 1},
        {"2e+", 2},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"nan", 0},
        {"inf", 0},
        {"1e999", FLT_MAX},
        {"-1e999", -FLT_MAX},
        {"1e-999", 0},
        {"99999999999999999999999999999999999999999999999999", FLT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(svgFloatValue(QString::fromLatin1(c.text)), c.value) << c.text;

    const struct {
        const char* text;
        int32_t value;
    } ints[] = {{" 42.9", 42},
                {"-7x", -7},
                {"99999999999", INT32_MAX},
                {"-99999999999", INT32_MIN},
                {"x", 0}};
    for (const auto& c : ints)
        EXPECT_EQ(svgIntValue(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(VSVGParser, ElementsReachTheDelegateAsWrittenAndHiddenGroupsStayHidden) {
    Recorder recorder;
    ASSERT_TRUE(VSVGParser::parseWithPath(kFixtures + "groups.svg", &recorder));
    const QStringList expected = {
        "setup",
        "ellipse 5,6 4,4",  // a circle: centre as origin, full size; the group's transform stays
                            // behind
        "ellipse 1,2 6,8",
        "begin",
        "move 10,20",
        "line 30,40",
        "close",
        "end",
        // "3\n4" keeps its line break after splitting and is skipped; the odd 7 is dropped.
        "begin",
        "move 1,2",
        "line 5,6",
        "end",
        "cleanup",
    };
    EXPECT_EQ(recorder.calls, expected);
    ASSERT_GE(recorder.attributes.size(), 1);
    EXPECT_EQ(recorder.attributes[0].value("fill"), "red");
    EXPECT_EQ(recorder.attributes[0].value("r"), "2");
    EXPECT_FALSE(recorder.attributes[0].contains("transform"));
}

TEST(VSVGParser, ShapesAndMissingAttributes) {
    EXPECT_EQ(drawn("<rect x=\"1\" y=\"2\" width=\"3\" rx=\"9\"/>"), QStringList{"rect 1,2 3,0"});
    EXPECT_EQ(drawn("<line x1=\"1\" y1=\"2\" x2=\"3\" y2=\"4\"/>"),
              (QStringList{"begin", "move 1,2", "line 3,4", "end"}));
    // An odd count drops the last number; no numbers draw an empty path.
    EXPECT_EQ(drawn("<polyline points=\"1,2 3\"/>"), (QStringList{"begin", "move 1,2", "end"}));
    EXPECT_EQ(drawn("<polygon/>"), (QStringList{"begin", "end"}));
    EXPECT_EQ(drawn("<rect/><g display=\"none\"/><circle/>"),
              (QStringList{"rect 0,0 0,0", "ellipse 0,0 0,0"}));
}

TEST(VSVGParser, PathData) {
    const struct {
        const char* d;
        QStringList calls;
    } cases[] = {
        {"M 0 0 L 10 0 L 10 10 Z M 20 20 l 5 0 z",
         {"move 0,0", "line 10,0", "line 10,10", "close", "move 20,20", "line 25,20", "close"}},
        {"M0,0 C 10,0 20,10 20,20 S 40,40 40,20",
         {"move 0,0", "cubic 20,20 10,0 20,10", "cubic 40,20 20,30 40,40"}},
        // Tokens need no blanks: letters, digits and minus signs separate them.
        {"M10-20L30,40z", {"move 10,-20", "line 30,40", "close"}},
        {"M 1 1 h 4 v 3 H 0 V 0", {"move 1,1", "line 5,1", "line 5,4", "line 0,4", "line 0,0"}},
        // Repeated numbers repeat the command; relative ones start from the point before.
        {"M0 0 l1 1 1 1 m 1 0 2 0", {"move 0,0", "line 1,1", "line 2,2", "move 3,2", "move 5,2"}},
        {"M 0 0 q 1 2 3 4 Q 1 1 0 0", {"move 0,0", "quad 3,4 1,2", "quad 0,0 1,1"}},
        {"M 0 0 c 1 1 2 2 3 3 s 1 1 2 2", {"move 0,0", "cubic 3,3 1,1 2,2", "cubic 5,5 4,4 4,4"}},
        // A close returns to its own subpath's start, so relative moves after it work.
        {"M 10 10 h 5 z m 2 2 h 1 z",
         {"move 10,10", "line 15,10", "close", "move 12,12", "line 13,12", "close"}},
        // A number after a close closes again; runs of separators are one.
        {"M 0 0 L 1 1 z 5 L 2 2", {"move 0,0", "line 1,1", "close", "close", "line 2,2"}},
        {"  M 1 , 2 ,, L\t3\n4  ", {"move 1,2", "line 3,4"}},
        // Exponents fall apart into number, letter, number, and arguments are
        // taken as they come, so the letter reads as 0.
        {"M 0 0 L 1e-5 2", {"move 0,0", "line 1,0", "line -5,2"}},
        // Arcs are not drawn: their numbers are skipped, and drawing goes on after them.
        {"M 0 0 A 5 5 0 0 1 10 10 L 3 3", {"move 0,0", "line 3,3"}},
        // Numbers after the first pair with no command are skipped.
        {"M 0 0 7 8 L 1 1", {"move 0,0", "line 1,1"}},
        // A command short of numbers ends the path without reading past the data.
        {"M 0 0 C 1 1 2", {"move 0,0"}},
        {"M 1 2", {"move 1,2"}},
    };
    for (const auto& c : cases) {
        QStringList expected = c.calls;
        expected.prepend("begin");
        expected.append("end");
        EXPECT_EQ(pathCalls(c.d), expected) << c.d;
    }
    // Too little data for a first point draws nothing at all.
    for (const char* d : {"", "M", "M 1", "   "}) EXPECT_EQ(pathCalls(d), QStringList{}) << d;
    EXPECT_EQ(drawn("<path/>"), QStringList{});
}

TEST(VSVGParser, SizeRecord) {
    const struct {
        const char* attributes;
        float width;
        int32_t unit;
    } cases[] = {
        {"width=\"10.5mm\"", 10, kVSVGUnitMm},
        {"width=\"250\"", 250, kVSVGUnitPx},
        {"", 100, kVSVGUnitPercent},
        {"width=\"3q\"", 3, kVSVGUnitEm},
        {"width=\"50%\"", 50, kVSVGUnitPercent},
        {"width=\"2in\"", 2, kVSVGUnitIn},
    };
    for (const auto& c : cases) {
        VSVGInfo info;
        ASSERT_TRUE(VSVGParser::getSVGInfo(
            &info, QByteArray("<svg ") + c.attributes + " height=\"7pt\"><rect/></svg>"));
        EXPECT_EQ(info.width, c.width) << c.attributes;
        EXPECT_EQ(info.widthUnit, c.unit) << c.attributes;
        EXPECT_EQ(info.height, 7);
        EXPECT_EQ(info.heightUnit, kVSVGUnitPt);
    }

    VSVGInfo info;
    ASSERT_TRUE(VSVGParser::getSVGInfo(&info, kFixtures + "groups.svg"));
    EXPECT_EQ(info.viewBoxWidth, 100);  // whole numbers only
    EXPECT_EQ(info.viewBoxHeight, 50);
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.height, 250);

    // Fewer than four viewBox numbers give none; a document without svg leaves the record.
    ASSERT_TRUE(VSVGParser::getSVGInfo(&info, QByteArray("<svg viewBox=\"1 2 3\"/>")));
    EXPECT_EQ(info.viewBoxMinX, 0);
    EXPECT_EQ(info.viewBoxWidth, 0);
    info.width = 42;
    EXPECT_FALSE(VSVGParser::getSVGInfo(&info, QByteArray("<html/>")));
    EXPECT_FALSE(VSVGParser::getSVGInfo(&info, QByteArray("not xml")));
    EXPECT_EQ(info.width, 42);
    // The size is read from the root alone: a broken rest of the file does not matter.
    EXPECT_TRUE(VSVGParser::getSVGInfo(&info, QByteArray("<svg width=\"3\"><rect </svg")));
    EXPECT_EQ(info.width, 3);
}

TEST(VSVGParser, BadDocumentsEndTheParseWithCleanup) {
    Recorder recorder;
    EXPECT_FALSE(VSVGParser::parseWithPath(kFixtures + "truncated.svg", &recorder));
    EXPECT_EQ(recorder.calls, (QStringList{"setup", "rect 1,2 3,4", "cleanup"}));

    for (const QByteArray& bad : {QByteArray(), QByteArray("garbage"), QByteArray("<svg><rect"),
                                  QByteArray("<svg>&undeclared;</svg>"), QByteArray("\0\xff", 2)}) {
        Recorder r;
        EXPECT_FALSE(VSVGParser::parseWithData(bad, &r)) << bad.toHex().constData();
        EXPECT_EQ(r.calls, (QStringList{"setup", "cleanup"}));
    }

    Recorder missing;
    EXPECT_FALSE(VSVGParser::parseWithPath(kFixtures + "nope.svg", &missing));
    EXPECT_EQ(missing.calls, (QStringList{"setup", "cleanup"}));
    Recorder remote;
    EXPECT_FALSE(VSVGParser::parseWithURL(QUrl("http://127.0.0.1:9/x.svg"), &remote));
    EXPECT_TRUE(VSVGParser::parseWithURL(QUrl::fromLocalFile(kFixtures + "groups.svg"), &remote));
    EXPECT_TRUE(VSVGParser::parseWithData(document("<rect/>"), nullptr));
}

TEST(VSVGParser, HostileDocumentsAreRefusedQuickly) {
    QElapsedTimer timer;
    timer.start();

    // Nested entities would expand to gigabytes.
    Recorder laughs;
    EXPECT_FALSE(VSVGParser::parseWithPath(kFixtures + "laughs.svg", &laughs));
    EXPECT_EQ(laughs.calls.last(), "cleanup");

    // External entities are never loaded.
    Recorder external;
    EXPECT_FALSE(
        VSVGParser::parseWithData("<!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                  "<svg><rect class=\"a&x;\"/><text>&x;</text></svg>",
                                  &external));
    for (const VSVGAttributes& a : external.attributes) EXPECT_EQ(a.value("class"), "a");

    // Deep nesting ends the parse; shapes before the limit are kept.
    QByteArray deep = "<svg><rect/>";
    for (int i = 0; i < 100000; ++i) deep += "<g>";
    Recorder nested;
    EXPECT_FALSE(VSVGParser::parseWithData(deep, &nested));
    EXPECT_EQ(nested.calls, (QStringList{"setup", "rect 0,0 0,0", "cleanup"}));
    QByteArray allowed = "<svg>";
    for (int i = 0; i < kVSVGMaxDepth - 2; ++i) allowed += "<g>";
    allowed += "<rect/>";
    for (int i = 0; i < kVSVGMaxDepth - 2; ++i) allowed += "</g>";
    EXPECT_TRUE(VSVGParser::parseWithData(allowed + "</svg>", nullptr));

    // Too large a document is refused before reading.
    Recorder big;
    EXPECT_FALSE(VSVGParser::parseWithData(QByteArray(kVSVGMaxDocumentBytes + 1, ' '), &big));
    EXPECT_EQ(big.calls, (QStringList{"setup", "cleanup"}));

    // Long path data costs time in proportion to its size.
    QString d = "M 0 0";
    const QString huge(45, '9');
    for (int i = 0; i < 100000; ++i) d += " L" + huge + "-" + huge;
    const QStringList calls = pathCalls(d);
    ASSERT_EQ(calls.size(), 100003);
    EXPECT_EQ(calls[1], "move 0,0");
    EXPECT_EQ(calls[2], QString("line ") + Recorder::p(QPointF(FLT_MAX, -FLT_MAX)));

    EXPECT_LT(timer.elapsed(), 20000);
}

}  // namespace

KELO_TEST_MAIN()
