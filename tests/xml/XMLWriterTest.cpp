#include "xml/XMLDocument.h"

#include <gtest/gtest.h>

namespace {

struct WriteCase {
    const char* name;
    const char* input;
    unsigned indent;
    unsigned wrap;
    const char* output;
};

class WriterWrites : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriterWrites, PrintsExactBytes)
{
    const WriteCase& c = GetParam();
    XMLDocument document(false);
    ASSERT_TRUE(document.parse(c.input));
    EXPECT_EQ(document.toString(c.indent, c.wrap), c.output);
}

const WriteCase WriteCases[] = {
    {"WorkedExample",
     "<?xml version='1.0' encoding='UTF-8'?><!DOCTYPE p><project version='1' name='x'><file path='a.c'/>"
     "<folder><file/></folder></project>",
     2, 0,
     "<?xml  version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE p>\n<project name=\"x\" version=\"1\">\n"
     "  <file path=\"a.c\" />\n  <folder>\n    <file/>\n  </folder>\n</project>\n"},
    {"CompactWithoutIndent", "<p a='1'><f/><g><h/></g></p>", 0, 0, "<p a=\"1\"><f/><g><h/></g></p>"},
    {"EncodingOnlyDeclaration", "<?xml encoding='e'?><r/>", 2, 0, "<?xml  encoding=\"e\" ?>\n<r/>\n"},
    {"NoRootPrintsHeaderOnly", "<?xml version='1'?>", 2, 0, "<?xml  version=\"1\" ?>\n"},
    {"Escapes", "<r v=\"&quot;&amp;&lt;&gt;'&#9;&#10;&#xe9;\"/>", 2, 0,
     "<r v=\"&quot;&amp;&lt;&gt;'&#x9;&#xa;&#xe9;\" />\n"},
    {"CdataRawAfterIndent", "<r><b/><![CDATA[<&>]]></r>", 2, 0, "<r>\n  <b/>\n  <![CDATA[<&>]]></r>\n"},
    {"WrapPastWidth", "<element a='0123456789' b='0123456789'/>", 2, 20,
     "<element\n  a=\"0123456789\"\n  b=\"0123456789\" />\n"},
    {"SingleAttributeNeverWraps", "<element a='01234567890123456789'/>", 2, 5,
     "<element a=\"01234567890123456789\" />\n"},
    // width 1 + 1 + (1 + 4 + 1) * 2 = 14: wraps only past 14
    {"WrapWidthNotExceeded", "<e a='1' b='2'/>", 2, 14, "<e a=\"1\" b=\"2\" />\n"},
    {"WrapWidthJustExceeded", "<e a='1' b='2'/>", 2, 13, "<e\n  a=\"1\"\n  b=\"2\" />\n"},
    {"WrapWithoutIndent", "<r><e a='1' b='2'/></r>", 0, 3, "<r><e\na=\"1\"\nb=\"2\" /></r>"},
};

INSTANTIATE_TEST_SUITE_P(Writer, WriterWrites, ::testing::ValuesIn(WriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Text and comment children, built by hand (the reader would add empty runs).
TEST(Writer, CharacterDataChildren)
{
    XMLDocument document(true);
    XMLElement* root = document.createElement("r");
    document.setRoot(root);
    root->appendChild(document.createElement("b"));
    root->appendChild(document.createData("t&"));
    root->appendChild(document.createComment("a&b"));
    EXPECT_EQ(document.toString(2, 0), "<r>\n  <b/>\n  t&amp;  <!--a&b--></r>\n");

    root->prependChild(document.createData("first"));
    EXPECT_EQ(document.toString(2, 0), "<r>first</r>\n");
}

TEST(Writer, AttributeWithoutValueStaysOnLine)
{
    XMLDocument document(false);
    XMLElement* root = document.createElement("e");
    root->setAttribute("a", std::nullopt);
    root->setAttribute("b", "0123456789");
    root->setAttribute("c", "0123456789");
    document.setRoot(root);
    EXPECT_EQ(document.toString(2, 10), "<e a=\"\"\n  b=\"0123456789\"\n  c=\"0123456789\" />\n");
}

TEST(Writer, OutputReadsBackToTheSameBytes)
{
    const char* input =
        "<?xml version='1.0'?><!DOCTYPE d><r z='&#1;&#127;&#200;\n' a='\"&lt;'><x><![CDATA[]]]]>"
        "</x><y k=''/></r>";
    XMLDocument first(false);
    ASSERT_TRUE(first.parse(input));
    const std::string once = first.toString(2, 0);
    XMLDocument second(false);
    ASSERT_TRUE(second.parse(once));
    EXPECT_EQ(second.toString(2, 0), once);
}

TEST(Writer, DeepTreeDoesNotRecurse)
{
    XMLDocument document(false);
    XMLElement* root = document.createElement("d");
    XMLElement* at = root;
    for (int i = 0; i < 200000; ++i) {
        XMLElement* child = document.createElement("d");
        at->appendChild(child);
        at = child;
    }
    document.setRoot(root);
    const std::string text = document.toString(0, 0);
    EXPECT_EQ(text.size(), 200000 * 7 + 4);
}

}  // namespace
