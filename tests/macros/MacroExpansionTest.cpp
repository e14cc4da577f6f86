#include "macros/MacroExpansion.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <ctime>
#include <regex>

namespace {

struct ExpansionCase {
    const char* text;
    const char* expected;
};

const MacroMap SampleMacros = {
    {"A", "x"}, {"E", ""}, {"Z", "y"}, {"Ind", "$(Z)"}, {"Self", "$(Self)"}, {"SelfX", "$(SelfX)x"},
};

std::string expand(const std::string& text, const MacroMap& macros = SampleMacros, bool useSystemMacros = false)
{
    static const MacroTable table;
    return expandMacros(table, macros, text, useSystemMacros);
}

// Beyond the forms the README's examples show.
TEST(MacroExpansion, ReferencesDefaultsAndMarkers)
{
    const ExpansionCase cases[] = {
        {"$(B:)", ""},
        {"$(B::)", ""},
        {"$(B:$(C))", "$(C)"},
        {"$(B:$$)", "$"},
        {"$(B::$$)", "$$"},
        {"$(B:x:y)", "x:y"},
        {"$(B:f(1)))", "f(1))"},
        {"$(B:(x)", "(x)"},
        {"$(a b(c)", "$(a b(c)"},
        {"a$$$b", "a$$b"},
        {"$x", "$x"},
        {"$(:d)", ""},
        {"$(B:d", "d"},
        {"$(B)$(A", "$(B)A"},
        {"$(A$$", "A$$"},
        {"pre$(A$(A)", "pre$(A$(A)"},
        {"$(Ind)", "y"},
        {"$(Self)", "$(Self)"},
        {"x$(Self)", "x$(Self)"},
        {"$(SelfX)", "$(SelfX)xx"},
        {"$(a)", "$(a)"},
    };
    for (const ExpansionCase& c : cases)
        EXPECT_EQ(expand(c.text), c.expected) << "text: " << c.text;
}

TEST(MacroExpansion, DateMacrosAreComputedWhenExpanded)
{
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const MacroTable table;
    const QDate today = QDate::currentDate();
    const std::string date = expandWithSystemMacros(table, "$(Date)|$(DateYear)-$(DateMonth)-$(DateDay)");
    EXPECT_EQ(date, std::to_string(today.day()) + " " + months[today.month() - 1] + " " + std::to_string(today.year()) +
                        "|" + today.toString("yyyy-MM-dd").toStdString());

    const MacroMap storedDate = {
        {"Date", "stored"}, {"Time", "stored"}, {"TimeHour", ""}, {"TimeMinute", ""}, {"TimeSecond", ""}};
    const std::string time = expandMacros(table, storedDate, "$(Time) $(TimeHour):$(TimeMinute):$(TimeSecond)", false);
    EXPECT_TRUE(std::regex_match(time, std::regex("(\\d\\d):(\\d\\d):(\\d\\d) \\d\\d:\\d\\d:\\d\\d"))) << time;
    EXPECT_NE(expandMacros(table, storedDate, "$(Date)", false), "stored");

    const long long unixTime = std::stoll(expandWithSystemMacros(table, "$(UnixTime)"));
    EXPECT_LE(std::llabs(unixTime - static_cast<long long>(std::time(nullptr))), 2);

    std::string value;
    EXPECT_FALSE(builtinMacroValue("date", value));
    EXPECT_FALSE(builtinMacroValue("HostOS", value));
    QLocale::setDefault(QLocale::c());
}

MacroMap chain(int levels, const std::string& step, const std::string& last)
{
    MacroMap macros;
    for (int i = 0; i < levels; ++i) {
        std::string value = step;
        for (std::size_t at = value.find('#'); at != std::string::npos; at = value.find('#'))
            value.replace(at, 1, std::to_string(i + 1));
        macros["L" + std::to_string(i)] = value;
    }
    macros["L" + std::to_string(levels)] = last;
    return macros;
}

std::string repeat(const std::string& piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// A chain of values expands fully up to the depth bound; a reference whose
// value would go deeper is kept as written, which is where a cycle ends.
TEST(MacroExpansion, DepthBoundKeepsTheReferenceAsWritten)
{
    const int deepest = int(MaxMacroExpansionDepth);
    EXPECT_EQ(expand("$(L0)", chain(1000, "$(L#)", "end")), "end");
    EXPECT_EQ(expand("$(L0)", chain(deepest, "$(L#)", "end")), "end");
    EXPECT_EQ(expand("<$(L0)>", chain(deepest + 1, "$(L#)", "end")), "<$(L" + std::to_string(deepest) + ")>");
    EXPECT_EQ(expand("x$(A)y", {{"A", "$(B)"}, {"B", "$(A)"}}), "x$(A)y");
    EXPECT_EQ(expand("$(A)", {{"A", "x$(B)"}, {"B", "$(A)"}}), repeat("x", deepest / 2) + "$(A)");
    EXPECT_EQ(expand("$(U:$(A))!", {{"A", "$(U:$(A))"}}), "$(U:$(A))!");
}

// Values that multiply themselves end the expansion at a budget; what is
// not expanded by then is kept as written, and nothing is thrown.
TEST(MacroExpansion, BudgetsEndTheExpansion)
{
    // 2^40 copies of a kilobyte: stops once 64 MiB were added.
    const std::string doubled = expand("[$(L0)]", chain(40, "$(L#)$(L#)", std::string(1024, '.')));
    EXPECT_GT(doubled.size(), MaxMacroExpansionAddedBytes);
    EXPECT_LT(doubled.size(), MaxMacroExpansionAddedBytes + 4096);
    EXPECT_EQ(doubled.substr(0, 4), "[...");
    EXPECT_EQ(doubled.substr(doubled.size() - 6), "$(L1)]");

    // 2^40 nested expansions that make nothing: stops after 1,048,576 of
    // them, keeping the references not reached.
    const std::string empty = expand("[$(L0)]", chain(40, "$(L#)$(L#)", "$()"));
    EXPECT_LT(empty.size(), 1000u);
    EXPECT_EQ(empty.find('.'), std::string::npos);
    EXPECT_EQ(empty.front(), '[');
    EXPECT_EQ(empty.back(), ']');

    // Sixty-three values of a megabyte are read, the rest stay.
    const MacroMap silentButLong = {{"E", ""}, {"V", "$(E:" + std::string(1 << 20, '.') + ")"}};
    EXPECT_EQ(expand(repeat("$(V)", 100), silentButLong), repeat("$(V)", 37));
}

// Found by fuzzing: an empty view without a data pointer reached memchr.
TEST(MacroExpansion, EmptyViewsHoldNoMarker)
{
    static const MacroTable table;
    EXPECT_FALSE(hasMacroMarker(table, std::string_view()));
    EXPECT_EQ(expandMacros(table, SampleMacros, std::string_view(), false), "");
}

}  // namespace
