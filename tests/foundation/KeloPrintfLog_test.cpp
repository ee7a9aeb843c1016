#include "foundation/KeloPrintfLog.h"

#include "LogTestSupport.h"
#include "support/TestMain.h"

#include <string>

using namespace logtest;

class KeloPrintfLogTest : public LogTest {
protected:
    void TearDown() override { KeloPrintfLog::setPrefixWithTime(false); }
};

TEST_F(KeloPrintfLogTest, TimePrefixSwitch) {
    setNow(1717225503ull * 1000000 + 120000);  // 2024-06-01 09:05:03.120 in the test zone
    Capture out;
    kelo::printf("plain %d\n", 1);
    kelo::puts("plain line");
    KeloPrintfLog::setPrefixWithTime(true);
    kelo::printf("stamped %s\n", "print");
    kelo::printf("no newline added");
    kelo::puts("stamped line");
    KeloPrintfLog::setPrefixWithTime(false);
    kelo::puts("plain again");
    EXPECT_EQ(out.text(),
              "plain 1\n"
              "plain line\n"
              "09:05:03.120 stamped print\n"
              "09:05:03.120 no newline added"
              "09:05:03.120 stamped line\n"
              "plain again\n");
}

TEST_F(KeloPrintfLogTest, LongOutputIsCutAndNullWritesNothing) {
    Capture out;
    EXPECT_EQ(kelo::printf("%s", std::string(6000, 'p').c_str()), 0);
    EXPECT_EQ(kelo::puts(nullptr), 0);
    EXPECT_EQ(out.text(), QByteArray(4999, 'p'));
}

KELO_TEST_MAIN()
