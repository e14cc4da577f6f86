#include "app/LargeStack.h"
#include "macros/MacroTable.h"
#include "xmlpp/WalkChain.h"
#include "xmlpp/XMLPP2.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// A processor whose reportError returns, so the walk's behaviour after an
// error (keep the element, go on) can be observed.
class RecordingProcessor : public XMLPP2 {
public:
    RecordingProcessor() : XMLPP2(false) { setMacroTable(table); }

    std::string run(const std::string& text, const std::string& macroList = "")
    {
        const std::string path = dir() + "/in.xml";
        std::ofstream(path) << text;
        EXPECT_TRUE(processFile(path, macroList, true)) << errorMessage();
        return toString(0, 0);
    }

    static std::string dir()
    {
        static const std::string path = [] {
            auto p = std::filesystem::temp_directory_path() / ("xmlpp-unit-" + std::to_string(::getpid()));
            std::filesystem::create_directories(p);
            return p.string();
        }();
        return path;
    }

    std::vector<std::string> errors;

protected:
    void reportError(const std::string& message) override { errors.push_back(message); }

private:
    MacroTable table;
};

struct WalkCase {
    const char* name;
    const char* input;
    const char* macroList;
    const char* output;
    std::vector<std::string> errors;
};

class Walk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(Walk, ResolvesDirectives)
{
    const WalkCase& c = GetParam();
    RecordingProcessor processor;
    EXPECT_EQ(processor.run(c.input, c.macroList), c.output);
    EXPECT_EQ(processor.errors, c.errors);
}

const WalkCase WalkCases[] = {
    // The initial map comes from the command-line list alone.
    {"MacroListBuildsMap", "<r a='$(A)' b='$(B)' c='$(C)' d='$(HostOS)'/>", "A=1;;B=x\\;y;C",
     "<r a=\"1\" b=\"x;y\" c=\"\" d=\"$(HostOS)\" />", {}},
    {"LaterItemWins", "<r a='$(A)'/>", "A=1;A=p=q", "<r a=\"p=q\" />", {}},
    // After a reported error the element stays and its children are walked.
    {"IfWithoutConditionKept", "<r><if><x v='$(A)'/></if></r>", "A=1",
     "<r><if><x v=\"1\" /></if></r>", {"XmlPP::processConditionals(): one condition required for <if[not]>"}},
    {"XmlputWithoutDefinitionKept", "<r><xmlput name='n'/></r>", "",
     "<r><xmlput name=\"n\" /></r>", {"XmlPP::processConditionals(): xmlput cannot fine xmldef named n"}},
    {"IncludeFailureKeepsElement", "<r><include filename='/nonexistent/x.xml'/></r>", "",
     "<r><include filename=\"/nonexistent/x.xml\" /></r>",
     {"XmlPP::processConditionals(): error \"couldn't read /nonexistent/x.xml\" in include file "
      "/nonexistent/x.xml line:0"}},
    {"ForWithoutChildrenDropped", "<r><for index='i' start='0' end='1' incr='1'/><z/></r>", "", "<r><z/></r>",
     {"XmlPP::processConditionals(): <for index=\"i\" start=\"0\" end=\"32\" incr=\"1\">"}},
    {"ExclusionStillFilters", "<r><foreach exclude_entries='x,q' l='p,q'><e v='$(l)'/></foreach></r>", "",
     "<r><e v=\"p\" /></r>", {"XmlPP::processConditionals(): exclude_entries cannot find entry named x"}},
    {"DefineWithoutNameStillSwitchesFlag", "<r><define expand_macros='no'/><e v='$(A)'/></r>", "A=1",
     "<r><e v=\"$(A)\" /></r>", {"XmlPP::processConditionals(): missing name in <define>"}},
    {"RootResolvingToTwoTakesFirst", "<if A='1'><a/><b/></if>", "A=1", "<a/>",
     {"XmlPP::processConditionals(): the document's root element resolves to 2 elements"}},
    {"NonEndingForStops", "<r><for index='i' start='0' end='5' incr='0'><e/></for><z/></r>", "", "<r><z/></r>",
     {"XmlPP::processConditionals(): <for index=\"i\"> never ends or runs more than 10000000 iterations"}},
    // Patterns match anywhere in an item; a trailing backslash is a
    // literal one; a pattern that does not compile matches nothing.
    {"WildcardsMatchAnywhere",
     "<r><foreach exclude_wildcard='b;a?c;[xy]z;c\\;[ax' split_by=';' l='xby;xadcx;ac;1yz;zz;c\\d;cd;[ax'>"
     "<e v='$(l)'/></foreach></r>",
     "", "<r><e v=\"ac\" /><e v=\"zz\" /><e v=\"cd\" /><e v=\"[ax\" /></r>", {}},
    {"AlphaPastByteRange", "<r><for index='i' start='189' end='192' incr='1'><e a='$(i_alpha)'/></for></r>", "",
     "<r><e a=\"&#xfe;\" /><e a=\"&#xff;\" /><e a=\"?\" /></r>", {}},
};

INSTANTIATE_TEST_SUITE_P(XMLPP2, Walk, ::testing::ValuesIn(WalkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitList, DropsEmptyItemsAndKeepsSpaces)
{
    using Items = std::vector<std::string_view>;
    EXPECT_EQ(splitList(",a,,b ,", ","), (Items{"a", "b "}));
    EXPECT_EQ(splitList("a::b:c::", "::"), (Items{"a", "b:c"}));
    EXPECT_EQ(splitList("", ","), Items{});
    EXPECT_EQ(splitList("ab", ""), (Items{"a", "b"}));
}

TEST(MacroScope, CopiesOnlyOnDefinition)
{
    const MacroMap outer{{"A", "1"}};
    MacroScope scope(outer);
    EXPECT_EQ(&scope.map(), &outer);
    scope.set("B", "2");
    EXPECT_NE(&scope.map(), &outer);
    EXPECT_EQ(scope.map().at("A"), "1");
    EXPECT_EQ(outer.count("B"), 0u);
}

TEST(Walk, LongSiblingChainsStayLinear)
{
    std::string text = "<r>";
    for (int i = 0; i < 300000; ++i)
        text += "<if A='x'><e/></if><ifnot A='x'><f/></ifnot>";
    text += "</r>";
    RecordingProcessor processor;
    const std::string out = processor.run(text, "A=x");
    EXPECT_EQ(out.size(), std::string("<r></r>").size() + 300000 * std::string("<e/>").size());
}

std::string nestedText(const std::string& tag, int levels, const std::string& inner = "")
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<" + tag + ">";
    text += inner;
    for (int i = 0; i < levels; ++i)
        text += "</" + tag + ">";
    return text;
}

// An included file's root counts at the depth of its include: a file that
// takes the document to 20,000 levels is read, one level more is not.
TEST(Walk, NestingBoundCountsIncludedFiles)
{
    runOnLargeStack([] {
        RecordingProcessor processor;
        const std::string page = nestedText("e", 1000, "<include filename='part.xml'/>");
        std::ofstream(RecordingProcessor::dir() + "/part.xml") << nestedText("f", 19000);
        EXPECT_EQ(processor.run(page), nestedText("e", 1000, nestedText("f", 18999, "<f/>")));
        EXPECT_TRUE(processor.errors.empty());
        std::ofstream(RecordingProcessor::dir() + "/part.xml") << nestedText("f", 19001);
        processor.run(page);
        EXPECT_EQ(processor.errors, std::vector<std::string>{"XmlPP::processConditionals(): error \"element nesting "
                                                             "deeper than 20000 levels\" in include file " +
                                                             RecordingProcessor::dir() + "/part.xml line:0"});
        return 0;
    });
}

// The bounds that take long to reach at their real values, lowered: each
// input multiplies itself in a different way and must stop with its
// message (reported once) instead of growing on.
struct BoundCase {
    const char* name;
    std::string input;
    XMLPP2::Limits limits;
    const char* error;
    std::vector<std::pair<std::string, std::string>> includeFiles = {};
};

XMLPP2::Limits lowLimits(std::uint64_t iterations, std::uint64_t copies, std::uint64_t budgetBytes)
{
    XMLPP2::Limits limits;
    limits.loopIterations = iterations;
    limits.loopCopies = copies;
    limits.budgetBytes = budgetBytes;
    return limits;
}

std::string repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// Fragment dN puts d(N-1) ten times: 10^levels copies of the innermost one.
std::string fragmentLaughs(int levels)
{
    std::string text = "<r><xmldef name='d0'><x/></xmldef>";
    for (int i = 1; i <= levels; ++i)
        text += "<xmldef name='d" + std::to_string(i) + "'><g>" +
                repeat("<xmlput name='d" + std::to_string(i - 1) + "'/>", 10) + "</g></xmldef>";
    return text + "<xmlput name='d" + std::to_string(levels) + "'/></r>";
}

// Defines that double a value, then references to the largest one.
std::string doublingDefines(int levels, int references)
{
    std::string text = "<r><define name='A0' value='0123456789abcdef'/>";
    for (int i = 1; i <= levels; ++i)
        text += "<define name='A" + std::to_string(i) + "' value='$(A" + std::to_string(i - 1) + ")$(A" +
                std::to_string(i - 1) + ")'/>";
    return text + repeat("<e v='$(A" + std::to_string(levels) + ")'/>", references) + "</r>";
}

// Each of five files includes the next ten times: 100,000 small trees,
// each counted at least a kilobyte.
std::vector<std::pair<std::string, std::string>> fanOutFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 5; ++i)
        files.emplace_back("fan" + std::to_string(i) + ".xml",
                           "<g>" + repeat("<include filename='fan" + std::to_string(i + 1) + ".xml' no_root=''/>", 10) +
                               "</g>");
    files.emplace_back("fan5.xml", "<leaf/>");
    return files;
}

const BoundCase BoundCases[] = {
    {"ForIterations", "<r><for index='i' start='0' end='100' incr='1'><e/></for></r>", lowLimits(10, 1000, 1 << 20),
     "XmlPP::processConditionals(): <for index=\"i\"> never ends or runs more than 10 iterations"},
    {"ForeachCombinations", "<r><foreach a='1,2,3,4' b='1,2,3'><e/></foreach></r>", lowLimits(10, 1000, 1 << 20),
     "XmlPP::processConditionals(): <foreach> makes more than 10 iterations"},
    {"LoopCopiesOfAllLoops",
     "<r><for index='i' start='0' end='6' incr='1'><e/></for><foreach a='1,2,3,4,5,6'><e/></foreach></r>",
     lowLimits(100, 10, 1 << 20), "XmlPP::processConditionals(): loops make more than 10 elements"},
    {"FragmentsPutFragments", fragmentLaughs(5), lowLimits(100, 1000, 1 << 20),
     "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB"},
    {"DoubledValuesReferred", doublingDefines(14, 10), lowLimits(100, 1000, 1 << 20),
     "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB"},
    {"DefinitionsCopiedDownAChain",
     doublingDefines(12, 0).substr(0, doublingDefines(12, 0).size() - 4) +
         repeat("<e><define name='q' value='1'/>", 40) + repeat("</e>", 40) + "</r>",
     lowLimits(100, 1000, 1 << 20), "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB"},
    {"LoopCopiesWithLongValues",
     "<r><define name='V' value='" + std::string(4096, 'v') + "'/><for index='i' start='0' end='1000' incr='1'>"
     "<e v='$(V)$(i)'/></for></r>",
     lowLimits(10000, 10000, 1 << 20), "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB"},
    {"IncludedFilesCount", "<r>" + repeat("<include filename='part.xml'/>", 20) + "</r>", lowLimits(100, 1000, 1 << 20),
     "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB",
     {{"part.xml", "<p v='" + std::string(100000, 'x') + "'/>"}}},
    {"FilesIncludedManyTimesOver", "<r><include filename='fan0.xml'/></r>", lowLimits(100, 1000, 1 << 20),
     "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB", fanOutFiles()},
};

class Bounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(Bounds, StopWithTheirMessage)
{
    const BoundCase& c = GetParam();
    RecordingProcessor processor;
    for (const auto& [name, text] : c.includeFiles)
        std::ofstream(RecordingProcessor::dir() + "/" + name) << text;
    processor.setLimits(c.limits);
    processor.run(c.input);
    ASSERT_FALSE(processor.errors.empty());
    EXPECT_EQ(processor.errors.front(), c.error);
}

INSTANTIATE_TEST_SUITE_P(XMLPP2, Bounds, ::testing::ValuesIn(BoundCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Found while hardening: searching every position of a long item for a
// pattern with many stars took time in the square of the item's length
// (minutes for this input).
TEST(Walk, WildcardsStayFastOnLongItems)
{
    const std::string pattern = repeat("*a", 30) + "*b";
    RecordingProcessor processor;
    const auto start = std::chrono::steady_clock::now();
    const std::string out = processor.run("<r><foreach exclude_wildcard='" + pattern + "' l='" +
                                          std::string(20000, 'a') + "," + std::string(40, 'a') +
                                          "b'><e v='$(l)'/></foreach></r>");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(out == "<r><e v=\"" + std::string(20000, 'a') + "\" /></r>") << out.size() << " bytes";
}

TEST(Bounds, DefaultsLeaveOrdinaryDocumentsAlone)
{
    RecordingProcessor processor;
    processor.run(fragmentLaughs(3) + doublingDefines(10, 3));
    EXPECT_TRUE(processor.errors.empty());
}

}  // namespace
