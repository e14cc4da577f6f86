// The writer's escapes and declaration forms beyond what the README's
// examples and the end-to-end cases show; the program writes with
// indentation 2 and no wrapping.
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

}  // namespace
