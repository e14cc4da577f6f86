#include "macros/MacroList.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::string>;

TEST(MacroList, SplitsAtSemicolonsWithEscapes)
{
    const struct {
        const char* text;
        bool keepEmpty;
        Items expected;
    } cases[] = {
        {"A=1;;B=x\\;y;Z", false, {"A=1", "B=x;y", "Z"}},
        {"a\\\\b;c\\d", false, {"a\\b", "cd"}},
        {"ab\\", false, {"ab\\"}},
        {"\\;", false, {";"}},
        {"", false, {}},
        {";;", false, {}},
        {";a;", true, {"", "a", ""}},
        {"", true, {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitMacroList(c.text, c.keepEmpty), c.expected) << "text: " << c.text;
}

TEST(MacroList, BuildsMapsFromItems)
{
    EXPECT_EQ(macroMapFromList(splitMacroList("A=1;;B=x\\;y;Z", false)),
              (MacroMap{{"A", "1"}, {"B", "x;y"}, {"Z", ""}}));
    EXPECT_EQ(macroMapFromList({"X=p=q"}), (MacroMap{{"X", "p=q"}}));
    EXPECT_EQ(macroMapFromList({"X=1", "X=2", "x=3"}), (MacroMap{{"X", "2"}, {"x", "3"}}));
    EXPECT_EQ(macroMapFromList({" a = b ", "=v"}), (MacroMap{{" a ", " b "}, {"", "v"}}));
}

TEST(MacroList, MergeSetsOverlayEntriesInACopy)
{
    const MacroMap base = {{"A", "1"}, {"B", "2"}};
    EXPECT_EQ(mergeMacroMaps(base, {{"B", ""}, {"C", "4"}}), (MacroMap{{"A", "1"}, {"B", ""}, {"C", "4"}}));
    EXPECT_EQ(base, (MacroMap{{"A", "1"}, {"B", "2"}}));
}

}  // namespace
