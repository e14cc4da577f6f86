// The rules by which a name is taken for a misspelling of another: what must
// warn and what must not; and which names a file refers to as macros.
#include "rules/Typos.h"
#include "check/MacroUse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Typos, EditDistanceCountsOneEditPerCharacter)
{
    EXPECT_EQ(editDistance("inlcude", "include"), 1u);  // adjacent transposition
    EXPECT_EQ(editDistance("Include", "include"), 1u);  // letter case
    EXPECT_EQ(editDistance("includes", "include"), 1u);
    EXPECT_EQ(editDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(editDistance("ca", "abc"), 3u);  // no character is edited twice
    EXPECT_EQ(editDistance("", "for"), 3u);
}

TEST(Typos, CloseMacroNames)
{
    const struct {
        const char* a;
        const char* b;
        bool close;
    } cases[] = {
        {"platfrom", "platform", true},    {"varaint", "variant", true}, {"arch", "arc", true},
        {"abcdefghi", "abcxyzghi", true},                         // 3 edits for 9 characters
        {"abcdefghi", "abwxyzghi", false}, {"os", "oss", false},  // shorter than 3
        {"ARCH1", "ARCH2", false},                                // only digits differ
        {"ARCH", "ARCH64", false},         {"platform", "plat", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(areCloseMacroNames(c.a, c.b), c.close) << c.a << " " << c.b;
    EXPECT_EQ(closestMacroName("platfrom", {"os", "platforms", "platform"}), "platform");
    EXPECT_EQ(closestMacroName("zzz", {"platform"}), std::nullopt);
}

TEST(Typos, MisspeltDirectives)
{
    const struct {
        Vocabulary mode;
        const char* name;
        std::vector<std::string_view> attributes;
        bool childOfSwitch;
        const char* directive;  // null: no warning
    } cases[] = {
        {Vocabulary::Default, "inlcude", {"filename"}, false, "include"},
        {Vocabulary::Default, "swtich", {"name"}, false, "switch"},
        {Vocabulary::Default, "Include", {"filename"}, false, "include"},
        {Vocabulary::Default, "ifnto", {"os"}, false, "ifnot"},
        {Vocabulary::Default, "ifnto", {"os", "arch"}, false, nullptr},  // if and ifnot take one attribute
        {Vocabulary::Default, "caes", {"value"}, true, "case"},
        {Vocabulary::Default, "caes", {"value"}, false, nullptr},  // case only in a switch
        {Vocabulary::Default, "Include", {}, false, nullptr},      // no attribute include knows
        {Vocabulary::Default, "includes", {}, false, nullptr},
        {Vocabulary::Default, "fork", {}, false, nullptr},
        {Vocabulary::Default, "form", {"index"}, false, nullptr},  // an HTML element, though for knows index
        {Vocabulary::Xhtml, "base", {"value"}, true, nullptr},     // HTML, though case knows value
        {Vocabulary::Default, "defaults", {}, true, nullptr},
        {Vocabulary::Default, "fro", {"index"}, false, nullptr},  // shorter than 4
        {Vocabulary::Xhtml, "expand_defintion", {"name"}, false, "expand_definition"},
        {Vocabulary::Xhtml, "forr", {"index"}, false, nullptr},  // no for in this mode
    };
    for (const auto& c : cases) {
        const DirectiveRow* found = misspeltDirective(c.mode, c.name, c.attributes, c.childOfSwitch);
        EXPECT_EQ(found ? std::string(found->name) : std::string(), c.directive ? c.directive : "") << c.name;
    }
}

// Every way a file refers to a macro, in a branch taken or not; none of
// the names after "not" is referred to.
TEST(MacroUse, NamesAFileRefersTo)
{
    MacroReferences references({"never"});
    references.scanFile("<r a=\"$(A)x$(B:$(C))\" b='$(D::x)' c=\"$$(E)\" macros=\"M=$(F)\">\n"
                        "  <if G=\"1\"><ifnot H=\"2\"/></if><ifdef name=\"I\"/><switch name=\"J\"/>\n"
                        "  <ifex expression=\"K &gt; 0x1F &amp;&amp; L2\"/><for index=\"i\" start=\"M0\" end=\"10\"/>\n"
                        "  <!-- <if N=\"1\"/> --><x name=\"O\">$(P)</x><![CDATA[$(Q)]]>\n</r>\n");
    references.scanValue("$(R)");
    for (const char* name : {"A", "B", "C", "D", "F", "G", "H", "I", "J", "K", "L2", "M0", "R"})
        EXPECT_TRUE(references.refers(name)) << name;
    for (const char* name : {"E", "M", "N", "O", "P", "Q", "x1F", "gt", "i", "never"})
        EXPECT_FALSE(references.refers(name)) << name;
    EXPECT_FALSE(references.allWantedFound());
}

}  // namespace
