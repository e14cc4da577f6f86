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
    {"A", "x"},
    {"E", ""},
    {"Z", "y"},
    {"Ind", "$(Z)"},
    {"Self", "$(Self)"},
    {"SelfX", "$(SelfX)x"},
};

std::string expand(const std::string& text, const MacroMap& macros = SampleMacros, bool useSystemMacros = false)
{
    static const MacroTable table;
    return expandMacros(table, macros, text, useSystemMacros);
}

TEST(MacroExpansion, ReferencesDefaultsAndMarkers)
{
    const ExpansionCase cases[] = {
        {"plain text", "plain text"},
        {"a$(A)b", "axb"},
        {"$(B)", "$(B)"},
        {"$(B:d)", "d"},
        {"$(A:d)", "x"},
        {"$(E:d)", ""},
        {"$(B:)", ""},
        {"$(B::)", ""},
        {"$(B:$(A))", "x"},
        {"$(B::$(A))", "$(A)"},
        {"$(B:$(C))", "$(C)"},
        {"$(B:$$)", "$"},
        {"$(B::$$)", "$$"},
        {"$(B:x:y)", "x:y"},
        {"$(B:f(1))", "f(1)"},
        {"$(B:f(1)))", "f(1))"},
        {"$(B:(x)", "(x)"},
        {"$(a b(c)", "$(a b(c)"},
        {"$$(A)", "$(A)"},
        {"a$$$b", "a$$b"},
        {"5$", "5$"},
        {"$x", "$x"},
        {"$()", ""},
        {"$(:d)", ""},
        {"pre$(A", "preA"},
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

TEST(MacroExpansion, SystemValuesOnlyWhenAsked)
{
    const MacroTable table;
    const MacroMap hostOsInMap = {{"HostOS", "win"}};
    EXPECT_EQ(expandMacros(table, {}, "$(HostOS)", false), "$(HostOS)");
    EXPECT_EQ(expandMacros(table, {}, "$(HostOS)$(hostos)", true), "linux$(hostos)");
    EXPECT_EQ(expandMacros(table, hostOsInMap, "$(HostOS)", true), "win");
    EXPECT_EQ(expandWithSystemMacros(table, "lib$(HostDLL)$(HostEXE)"), "lib.so_arm64");
    EXPECT_EQ(expandMacros(table, {}, "$(Date)", false), "$(Date)");
}

TEST(MacroExpansion, DateMacrosAreComputedWhenExpanded)
{
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const MacroTable table;
    const QDate today = QDate::currentDate();
    const std::string date = expandWithSystemMacros(table, "$(Date)|$(DateYear)-$(DateMonth)-$(DateDay)");
    EXPECT_EQ(date, std::to_string(today.day()) + " " + months[today.month() - 1] + " " +
                        std::to_string(today.year()) + "|" + today.toString("yyyy-MM-dd").toStdString());

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

std::string expansionError(const MacroMap& macros, const std::string& text)
{
    try {
        expand(text, macros);
    } catch (const MacroExpansionError& error) {
        return error.what();
    }
    return "no error";
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

TEST(MacroExpansion, BoundsEndRunawayExpansions)
{
    EXPECT_EQ(expansionError({{"A", "$(B)"}, {"B", "$(A)"}}, "$(A)"),
              "macro expansion nested deeper than 64 levels at $(A)");
    EXPECT_EQ(expand("$(L0)", chain(64, "$(L#)", "end")), "end");
    EXPECT_EQ(expansionError(chain(65, "$(L#)", "end"), "$(L0)"),
              "macro expansion nested deeper than 64 levels at $(L64)");
    EXPECT_EQ(expansionError({{"A", "x$(B)"}, {"B", "$(A)"}}, "$(A)"),
              "macro expansion nested deeper than 64 levels at $(A)");

    EXPECT_NE(expansionError(chain(40, "$(L#)$(L#)", std::string(1024, '.')), "$(L0)").find("result larger than 67108864 bytes"),
              std::string::npos);
    EXPECT_NE(expansionError(chain(40, "$(L#)$(L#)", "$()"), "$(L0)").find("more than 1048576 nested expansions"),
              std::string::npos);
    const MacroMap silentButLong = {{"E", ""}, {"V", "$(E:" + std::string(1 << 20, '.') + ")"}};
    std::string manyReferences;
    for (int i = 0; i < 100; ++i)
        manyReferences += "$(V)";
    EXPECT_EQ(expansionError(silentButLong, manyReferences),
              "macro expansion read more than 67108864 bytes of macro values at $(V)");
}

// Found by fuzzing: an empty view without a data pointer reached memchr.
TEST(MacroExpansion, EmptyViewsHoldNoMarker)
{
    static const MacroTable table;
    EXPECT_FALSE(hasMacroMarker(table, std::string_view()));
    EXPECT_EQ(expandMacros(table, SampleMacros, std::string_view(), false), "");
}

}  // namespace
