// The run's budget at its real size: documents that multiply themselves
// stop with a message that names what took the budget, within the time
// limit CTest gives these tests (tests/badinput/CMakeLists.txt), and many
// includes of a small file are not mistaken for such a document.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;
using binary_run::writeFile;

std::string repeat(const std::string& text, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

// A value of 128 MiB ending in a reference, which no expansion may read
// (its read bound is 64 MiB), referred to by every copy of a long loop.
std::string loopOverExpansionBound()
{
    std::string text = "<r><define name=\"A0\" value=\"0123456789abcdef\"/>";
    for (int i = 1; i <= 22; ++i)
        text += "<define name=\"A" + std::to_string(i) + "\" value=\"$(A" + std::to_string(i - 1) + ")$(A" +
                std::to_string(i - 1) + ")\"/>";
    return text + "<define name=\"A23\" value=\"$(A22)$(A22)$(A22)\"/>" +
           "<for index=\"i\" start=\"0\" end=\"100000\" incr=\"1\"><e v=\"$(A23)\"/></for></r>";
}

// Values doubled 40 times over, stored as written; every copy of a loop
// expands one up to the expansion's own bound (64 MiB added).
std::string loopOfRunawayExpansions()
{
    std::string text = "<r><define name=\"off\" value=\"\" expand_macros=\"no\"/>"
                       "<define name=\"A0\" value=\"0123456789abcdef\"/>";
    for (int i = 1; i <= 40; ++i)
        text += "<define name=\"A" + std::to_string(i) + "\" value=\"$(A" + std::to_string(i - 1) + ")$(A" +
                std::to_string(i - 1) + ")\"/>";
    return text + "<define name=\"on\" value=\"\" expand_macros=\"Yes\"/>" +
           "<for index=\"i\" start=\"0\" end=\"1000\" incr=\"1\"><e v=\"$(A40)\"/></for></r>";
}

struct Runaway {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string message;  // a regular expression
};

std::string spent(const std::string& prefix, const char* limit, const std::string& most)
{
    return prefix + "XmlPP::processConditionals\\(\\): the directives of this run make or read more than " + limit +
           " MiB; most of it: " + most + " \\([0-9]+ (files|MiB)\\)\n";
}

const Runaway Runaways[] = {
    {"PageIncludingItselfTwice",
     {"in.xml", "out.xml"},
     "<r n=\"$(N:0)\"><define name=\"M\" expression=\"$(N:0) + 1\"/><ifex expression=\"$(M) &lt; 60\">" +
         repeat("<include filename=\"in.xml\" macros=\"N=$(M)\"/>", 2) + "</ifex></r>",
     spent("", "2048", "includes read")},
    {"XhtmlPageIncludingItselfTwice",
     {"-xhtml", "in.xml", "out.html"},
     "<r>" + repeat("<include filename=\"in.xml\"/>", 2) + "</r>",
     spent("error: ", "1024", "includes read")},
    {"LoopOverExpansionBound", {"in.xml", "out.xml"}, loopOverExpansionBound(), spent("", "2048", "macro expansion")},
    {"LoopOfRunawayExpansions", {"in.xml", "out.xml"}, loopOfRunawayExpansions(), spent("", "2048", "macro expansion")},
};

class Budget : public ScratchFolderTest, public ::testing::WithParamInterface<Runaway> {
protected:
    Budget() : ScratchFolderTest("xmlpp-budget") {}
};

TEST_P(Budget, RunawayDocumentsStopWithWhatTookTheBudget)
{
    const Runaway& c = GetParam();
    writeFile(work() / "in.xml", c.input);
    const binary_run::Result run = binary_run::run(work(), c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::regex_match(run.err, std::regex(c.message))) << run.err;
    EXPECT_FALSE(fs::exists(work() / c.args.back()));
}

INSTANTIATE_TEST_SUITE_P(Runaways, Budget, ::testing::ValuesIn(Runaways),
                         [](const auto& info) { return std::string(info.param.name); });

// 100,000 includes of a file of five bytes read 500 KB: far from a
// runaway document, in either mode.
TEST(BudgetOfIncludes, AHundredThousandSmallIncludesPass)
{
    const fs::path work = fs::temp_directory_path() / ("xmlpp-budget-includes-" + std::to_string(::getpid()));
    fs::create_directories(work);
    writeFile(work / "a.xml", "<a/>\n");
    writeFile(work / "in.xml", "<r>" + repeat("<include filename=\"a.xml\"/>", 100000) + "</r>");
    binary_run::Result run = binary_run::run(work, {"in.xml", "out.xml"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(readFile(work / "out.xml") == "<r>\n" + repeat("  <a/>\n", 100000) + "</r>\n");
    run = binary_run::run(work, {"-xhtml", "in.xml", "out.html"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(readFile(work / "out.html").find("<r>\n" + repeat("  <a/>\n", 100000) + "</r>\n"), std::string::npos);
    fs::remove_all(work);
}

}  // namespace
