#include "foundation/VXMLUtilCategory.h"
#include "support/TestMain.h"

#include <QDomDocument>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class XmlUtil : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(document.setContent(QStringLiteral(
            "<rect w=\"12\" h=\"3.5px\" name=\"layer\" six=\"abcdef\" uni=\"caf\u00e9\" "
            "neg=\" -7\" empty=\"\">"
            "<w>99</w><x>7</x><y> 2.25 </y><x>8</x><child/></rect>")));
        root = document.documentElement();
    }
    QDomDocument document;
    QDomElement root;
};

TEST_F(XmlUtil, Strings) {
    EXPECT_EQ(childString(root, "name"), "layer");
    EXPECT_EQ(childString(root, "missing"), "");
    EXPECT_EQ(childString(root, "x"), "") << "child elements are not attributes";

    const struct {
        const char* name;
        size_t size;
        const char* text;
    } cases[] = {
        {"six", 4, "abc"}, {"six", 7, "abcdef"}, {"six", 32, "abcdef"},
        {"six", 1, ""},    {"uni", 32, ""},      {"missing", 8, ""},
    };
    for (const auto& c : cases) {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        childString(root, c.name, buffer, c.size);
        EXPECT_STREQ(buffer, c.text) << c.name << " " << c.size;
        EXPECT_EQ(buffer[c.size - 1], '\0');
        EXPECT_EQ(buffer[c.size], 'x') << "nothing written past the buffer";
    }
    char untouched = 'x';
    childString(root, "six", &untouched, 0);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(XmlUtil, NumbersPreferAttributesThenFirstChild) {
    EXPECT_EQ(childIntValue(root, "w", -1), 12);
    EXPECT_EQ(childIntValue(root, "x", -1), 7);
    EXPECT_EQ(childIntValue(root, "h", -1), 3);
    EXPECT_EQ(childIntValue(root, "neg", 0), -7);
    EXPECT_EQ(childIntValue(root, "name", -1), 0);
    EXPECT_EQ(childIntValue(root, "empty", -1), 0);
    EXPECT_EQ(childIntValue(root, "missing", -1), -1);

    EXPECT_FLOAT_EQ(childFloatValue(root, "h", -1), 3.5f);
    EXPECT_FLOAT_EQ(childFloatValue(root, "y", -1), 2.25f);
    EXPECT_FLOAT_EQ(childFloatValue(root, "w", -1), 12.0f);
    EXPECT_FLOAT_EQ(childFloatValue(root, "missing", 0.5f), 0.5f);
}

TEST_F(XmlUtil, Existence) {
    EXPECT_TRUE(elementExists(root, "child"));
    EXPECT_FALSE(elementExists(root, "name"));
    EXPECT_TRUE(attributeExists(root, "name"));
    EXPECT_TRUE(attributeExists(root, "empty"));
    EXPECT_FALSE(attributeExists(root, "child"));
    EXPECT_EQ(elementForName(root, "x").text(), "7");
    EXPECT_TRUE(elementForName(root, "missing").isNull());
    EXPECT_TRUE(elementForName(QDomElement(), "x").isNull());
    EXPECT_EQ(childIntValue(QDomElement(), "x", 5), 5);
}

}  // namespace

KELO_TEST_MAIN()
