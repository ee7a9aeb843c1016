#include "foundation/KlLog.h"

#include "LogTestSupport.h"
#include "support/TestMain.h"

#include <string>

using namespace logtest;

class KlLogTest : public LogTest {};

TEST_F(KlLogTest, KindChoosesLetterAndLevel) {
    const struct {
        unsigned char kind;
        const char* letter;
    } cases[] = {
        {0, "d"},    {1, "i"},    {2, "e"},    {3, "i"},    {4, "i"},  {5, "i"},
        {6, "e"},    {7, "i"},    {8, "d"},    {9, "w"},    {10, "i"}, {31, "i"},
        {0x20, "d"}, {0x49, "w"}, {0x82, "e"}, {0xe8, "d"},
    };
    Capture err(STDERR_FILENO);
    for (const auto& c : cases) {
        const std::string text = "kind " + std::to_string(c.kind);
        Capture out;
        KlLog::Log(c.kind, text.c_str());
        const QByteArray line = out.text();
        EXPECT_TRUE(line.endsWith(QByteArray(" -") + c.letter + " " + text.c_str() + "\n"))
            << int(c.kind) << ": " << line.constData();
    }
}

TEST_F(KlLogTest, FloodBitAndSystemLog) {
    Capture out;
    Capture err(STDERR_FILENO);
    for (int n = 0; n < 3; ++n) KlLog::Log(0x02, "error without flood control");
    for (int n = 0; n < 3; ++n) KlLog::Log(0x82, "error with flood control");
    KlLog::Log(0x09, "a warning");
    KlLog::Log(0x01, "just information");
    const QByteArray lines = out.text();
    EXPECT_EQ(lines.count("-e error without flood control\n"), 3);
    EXPECT_EQ(lines.count("-e error with flood control\n"), 2);
    const QByteArray system = err.text();
    EXPECT_EQ(system.count("]: error without flood control\n"), 3);
    EXPECT_EQ(system.count("]: error with flood control\n"), 2);
    EXPECT_EQ(system.count("]: a warning\n"), 1);
    EXPECT_FALSE(system.contains("just information"));
}

TEST_F(KlLogTest, FormattedAndUnicodeTexts) {
    Capture out;
    KlLog::LogFmt(1, "%s %d", "formatted", 7);
    KlLog::LogFmt(1, "%s", std::string(2000, 'z').c_str());
    KlLog::Log(1, QString::fromUtf8("Grüße aus der Zentrale"));
    const QList<QByteArray> lines = out.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(" -i formatted 7"));
    EXPECT_TRUE(lines[1].endsWith(" -i " + QByteArray(1022, 'z')));
    EXPECT_TRUE(lines[2].endsWith(" -i Grüße aus der Zentrale"));
}

KELO_TEST_MAIN()
