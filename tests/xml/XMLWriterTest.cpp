// The writer's escapes and declaration forms beyond what the README's
// examples and the end-to-end cases show, and its wrapping of attributes,
// which the program never asks for (it writes with indentation 2 and no
// wrapping).
#include "xml/XMLDocument.h"

#include <gtest/gtest.h>

namespace {

std::string written(const char* input)
{
    XMLDocument document(false);
    EXPECT_TRUE(document.parse(input));
    return document.toString(2, 0);
}

TEST(Writer, EscapesAndDeclarations)
{
    EXPECT_EQ(written("<r v=\"&quot;&amp;&lt;&gt;'&#9;&#10;&#xe9;\"/>"),
              "<r v=\"&quot;&amp;&lt;&gt;'&#x9;&#xa;&#xe9;\" />\n");
    EXPECT_EQ(written("<?xml encoding='e'?><r/>"), "<?xml  encoding=\"e\" ?>\n<r/>\n");
}

// The width of a start tag is level x indent + 1 + the tag's length, plus
// the name's length + 4 + the unescaped value's length for each attribute:
// the line's length up to the last attribute's closing quote. Attributes
// wrap when it exceeds the wrap width.
struct WrapCase {
    const char* name;
    const char* input;
    unsigned indent;
    unsigned width;
    std::string expected;
    const char* valueless = nullptr;  // an attribute of the root set without a value
};

const std::string Ten = "0123456789";

const WrapCase WrapCases[] = {
    {"TwoTenByteValuesPastTwenty",  // 8 + 15 + 15
     "<element a=\"0123456789\" b=\"0123456789\"/>", 2, 20, "<element\n  a=\"" + Ten + "\"\n  b=\"" + Ten + "\" />\n"},
    {"OneAttributeNeverWraps", "<element a=\"0123456789\"/>", 2, 1, "<element a=\"" + Ten + "\" />\n"},
    {"IndentZeroStartsLinesWithoutIndentation", "<element a=\"0123456789\" b=\"0123456789\"/>", 0, 20,
     "<element\na=\"" + Ten + "\"\nb=\"" + Ten + "\" />"},
    {"ExactlyAtTheWidthOnLevelOne",  // 2 + 2 + 6 + 6
     "<r><e a=\"x\" b=\"y\"/></r>", 2, 16, "<r>\n  <e a=\"x\" b=\"y\" />\n</r>\n"},
    {"OneOverTheWidthOnLevelOne", "<r><e a=\"x\" b=\"y\"/></r>", 2, 15,
     "<r>\n  <e\n    a=\"x\"\n    b=\"y\" />\n</r>\n"},
    {"ValuesCountUnescaped",  // 2 + 7 + 6, not 2 + 15 + 6
     "<e a=\"&amp;&lt;\" b=\"y\"/>", 2, 15, "<e a=\"&amp;&lt;\" b=\"y\" />\n"},
    {"ValuelessAttributeStaysOnTheCurrentLine",  // 2 + 15 + 5 + 15
     "<e a=\"0123456789\" c=\"0123456789\"><f/></e>", 2, 20,
     "<e\n  a=\"" + Ten + "\" b=\"\"\n  c=\"" + Ten + "\">\n  <f/>\n</e>\n", "b"},
};

class Wrapping : public ::testing::TestWithParam<WrapCase> {};

TEST_P(Wrapping, PastTheWidthOnly)
{
    XMLDocument document(false);
    ASSERT_TRUE(document.parse(GetParam().input));
    if (GetParam().valueless != nullptr)
        document.root()->setAttribute(GetParam().valueless, std::nullopt);
    EXPECT_EQ(document.toString(GetParam().indent, GetParam().width), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Writer, Wrapping, ::testing::ValuesIn(WrapCases),
                         [](const ::testing::TestParamInfo<WrapCase>& info) { return info.param.name; });

}  // namespace
