// What the default-mode walk does at bounds a run of the program cannot
// reach in a test's time: the nesting bound exactly at its limit across an
// include, and the bounds on what documents that multiply themselves make,
// lowered. The directives themselves are checked end to end (tests/data).
#include "xmlpp/XMLPP2.h"
#include "app/LargeStack.h"
#include "macros/MacroTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

// A processor whose reportError records the message instead of ending the
// run; output is written without indentation.
class RecordingProcessor : public XMLPP2 {
public:
    RecordingProcessor() : XMLPP2(false) { setMacroTable(table); }

    std::string run(const std::string& text)
    {
        std::ofstream(path("in.xml")) << text;
        EXPECT_TRUE(processFile(path("in.xml"), "", true)) << errorMessage();
        return toString(0, 0);
    }

    static std::string path(const std::string& name)
    {
        static const std::string folder = [] {
            auto p = std::filesystem::temp_directory_path() / ("xmlpp-unit-" + std::to_string(::getpid()));
            std::filesystem::create_directories(p);
            return p.string();
        }();
        return folder + "/" + name;
    }

    std::vector<std::string> errors;

protected:
    void reportError(const std::string& message) override { errors.push_back(message); }

private:
    MacroTable table;
};

std::string repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

std::string nested(const std::string& tag, int levels, const std::string& inner = "")
{
    return repeat("<" + tag + ">", levels) + inner + repeat("</" + tag + ">", levels);
}

// An included file's root counts at the depth of its include: a file that
// takes the document to 20,000 levels is read, one level more is not.
TEST(Walk, NestingBoundCountsIncludedFiles)
{
    runOnLargeStack([] {
        RecordingProcessor processor;
        const std::string page = nested("e", 1000, "<include filename='part.xml'/>");
        std::ofstream(RecordingProcessor::path("part.xml")) << nested("f", 19000);
        EXPECT_EQ(processor.run(page), nested("e", 1000, nested("f", 18999, "<f/>")));
        EXPECT_TRUE(processor.errors.empty());
        std::ofstream(RecordingProcessor::path("part.xml")) << nested("f", 19001);
        processor.run(page);
        EXPECT_EQ(processor.errors, std::vector<std::string>{"XmlPP::processConditionals(): error \"element nesting "
                                                             "deeper than 20000 levels\" in include file " +
                                                             RecordingProcessor::path("part.xml") + " line:0"});
        return 0;
    });
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
std::string doublingDefines(int levels, int references, const std::string& tail = "")
{
    std::string text = "<r><define name='A0' value='0123456789abcdef'/>";
    for (int i = 1; i <= levels; ++i)
        text += "<define name='A" + std::to_string(i) + "' value='$(A" + std::to_string(i - 1) + ")$(A" +
                std::to_string(i - 1) + ")'/>";
    return text + repeat("<e v='$(A" + std::to_string(levels) + ")'/>", references) + tail + "</r>";
}

struct BoundCase {
    const char* name;
    std::string input;
    std::uint64_t loopCopies;
    std::string error;  // the message, or how it starts
    std::vector<std::pair<std::string, std::string>> includeFiles = {};
};

// A spent budget of 1 MiB, naming what took most of it.
std::string budgetSpent(const std::string& most)
{
    return "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB; most of it: " +
           most + " (";
}

// Each of five files includes the next ten times: 100,000 small trees, each
// counted with the cost of reading a file.
std::vector<std::pair<std::string, std::string>> fanOutFiles()
{
    std::vector<std::pair<std::string, std::string>> files{{"fan5.xml", "<leaf/>"}};
    for (int i = 0; i < 5; ++i)
        files.emplace_back("fan" + std::to_string(i) + ".xml",
                           "<g>" + repeat("<include filename='fan" + std::to_string(i + 1) + ".xml' no_root=''/>", 10) +
                               "</g>");
    return files;
}

const BoundCase BoundCases[] = {
    {"LoopCopiesOfAllLoops",
     "<r><for index='i' start='0' end='6' incr='1'><e/></for><foreach a='1,2,3,4,5,6'><e/></foreach></r>", 10,
     "XmlPP::processConditionals(): loops make more than 10 elements"},
    {"FragmentsPutFragments", fragmentLaughs(5), 1000, budgetSpent("xmlput copies made")},
    {"DoubledValuesReferred", doublingDefines(14, 10), 1000, budgetSpent("macro expansion")},
    {"DefinitionsCopiedDownAChain",
     doublingDefines(12, 0, repeat("<e><define name='q' value='1'/>", 40) + repeat("</e>", 40)), 1000,
     budgetSpent("macro maps copied")},
    {"LoopCopiesOfLongValues",
     "<r><define name='V' value='" + std::string(4096, 'v') +
         "'/><for index='i' start='0' end='1000' incr='1'><e v='$(V)$(i)'/></for></r>",
     10000, budgetSpent("macro expansion")},
    {"ManyLoopCopies", "<r><for index='i' start='0' end='100000' incr='1'><e/></for></r>", 1000000,
     budgetSpent("loop copies made")},
    {"IncludedFilesCount",
     "<r>" + repeat("<include filename='part.xml'/>", 20) + "</r>",
     1000,
     budgetSpent("includes read"),
     {{"part.xml", "<p v='" + std::string(100000, 'x') + "'/>"}}},
    {"FilesIncludedManyTimesOver", "<r><include filename='fan0.xml'/></r>", 1000, budgetSpent("includes read"),
     fanOutFiles()},
};

class Bounds : public ::testing::TestWithParam<BoundCase> {};

// Each input must stop with its message instead of growing on.
TEST_P(Bounds, StopWithTheirMessage)
{
    const BoundCase& c = GetParam();
    RecordingProcessor processor;
    for (const auto& [name, text] : c.includeFiles)
        std::ofstream(RecordingProcessor::path(name)) << text;
    XMLPP2::Limits limits;
    limits.loopCopies = c.loopCopies;
    limits.budgetBytes = 1 << 20;
    processor.setLimits(limits);
    processor.run(c.input);
    ASSERT_FALSE(processor.errors.empty());
    EXPECT_EQ(processor.errors.front().substr(0, c.error.size()), c.error);
}

INSTANTIATE_TEST_SUITE_P(XMLPP2, Bounds, ::testing::ValuesIn(BoundCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Bounds, DefaultsLeaveOrdinaryDocumentsAlone)
{
    RecordingProcessor processor;
    processor.run(fragmentLaughs(3) + doublingDefines(10, 3));
    EXPECT_TRUE(processor.errors.empty());
}

// Found while hardening: searching every position of a long item for a
// pattern with many stars took time in the square of the item's length
// (minutes for this input).
TEST(Walk, WildcardsStayFastOnLongItems)
{
    const std::string pattern = repeat("*a", 30) + "*b";
    RecordingProcessor processor;
    const auto start = std::chrono::steady_clock::now();
    const std::string out =
        processor.run("<r><foreach exclude_wildcard='" + pattern + "' l='" + std::string(20000, 'a') + "," +
                      std::string(40, 'a') + "b'><e v='$(l)'/></foreach></r>");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(out == "<r><e v=\"" + std::string(20000, 'a') + "\" /></r>") << out.size() << " bytes";
}

}  // namespace
