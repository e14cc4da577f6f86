#include "macros/MacroTable.h"
#include "xmlpp/WalkChain.h"
#include "xmlpp/XMLPP2.h"

#include <gtest/gtest.h>

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

}  // namespace
