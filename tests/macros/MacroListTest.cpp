// The macro list format beyond what the README's examples show: escapes of
// any character, a trailing backslash, names and values taken untrimmed.
#include "macros/MacroList.h"

#include <gtest/gtest.h>

namespace {

TEST(MacroList, EscapesAndUntrimmedItems)
{
    using Items = std::vector<std::string>;
    EXPECT_EQ(splitMacroList("a\\\\b;c\\d;\\;", false), (Items{"a\\b", "cd", ";"}));
    EXPECT_EQ(splitMacroList("ab\\", false), Items{"ab\\"});
    EXPECT_EQ(splitMacroList(";;", false), Items{});
    EXPECT_EQ(macroMapFromList({" a = b ", "=v"}), (MacroMap{{" a ", " b "}, {"", "v"}}));
}

}  // namespace
