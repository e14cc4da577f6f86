// Runs the xmlpp binary on bad input made at test time: truncations of a
// sample at every byte offset, binary garbage, invalid UTF-8, NUL bytes, a
// 100 MB attribute value, unreadable files, directories where files belong,
// missing folders, full disks, devices and FIFOs as include files, and the
// resource bounds at their real values (documents 10,000 levels deep pass,
// runaway documents stop within seconds). Every run must end with status 0
// or 1 (never a signal); a failed run must print its message and leave the
// output as it was (absent, or an older file untouched), with no temporary
// file left beside it.
#include "support/BinaryRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string OldOutput = "output of an earlier run\n";

using binary_run::readFile;
using binary_run::writeFile;
using RunOptions = binary_run::Options;
using RunResult = binary_run::Result;

RunResult runXmlpp(const fs::path& work, const std::vector<std::string>& args, const RunOptions& options = {})
{
    return binary_run::run(work, args, options);
}

bool matches(const std::string& pattern, const std::string& text)
{
    return std::regex_match(text, std::regex(pattern));
}

std::string regexQuote(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("xmlpp-badinput-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        fs::remove_all(root_);
        fs::create_directories(work());
        // Open to the unprivileged user of RunOptions.
        fs::permissions(root_, fs::perms::all);
        fs::permissions(work(), fs::perms::all);
    }
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(root_);
    }

    fs::path work() const { return root_ / "work"; }
    void put(const std::string& name, const std::string& bytes) const { writeFile(work() / name, bytes); }
    std::string output(const std::string& name) const { return readFile(work() / name); }

    // A run that failed: status 1, a message matching pattern, the output
    // as it was before (OldOutput, or absent), no temporary file beside it.
    void expectFailure(const RunResult& run, const std::string& pattern, const std::string& outputName,
                       bool hadOldOutput, const std::string& context = "") const
    {
        EXPECT_EQ(run.status, 1) << context;
        EXPECT_TRUE(matches(pattern, run.err)) << context << "\nstderr: " << run.err;
        if (hadOldOutput)
            EXPECT_EQ(output(outputName), OldOutput) << context;
        else
            EXPECT_FALSE(fs::exists(fs::symlink_status(work() / outputName))) << context;
        expectNoTemporaries(outputName, context);
    }

    void expectNoTemporaries(const std::string& outputName, const std::string& context = "") const
    {
        for (const auto& entry : fs::directory_iterator(work()))
            EXPECT_NE(entry.path().filename().string().rfind("." + outputName + ".", 0), 0u)
                << context << ": temporary file " << entry.path() << " left behind";
    }

    // Runs every input in one mode and accepts either a success (status 0,
    // nothing on stderr, the output replaced) or a failure with a message
    // matching failurePattern and the old output untouched.
    void expectCleanOutcomes(const std::vector<std::string>& inputs, bool xhtml, const std::string& failurePattern)
    {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            put("in.xml", inputs[i]);
            put("out.txt", OldOutput);
            std::vector<std::string> args{"in.xml", "out.txt"};
            if (xhtml)
                args.insert(args.begin(), "-xhtml");
            else
                args.push_back("A=x");
            const RunResult run = runXmlpp(work(), args);
            const std::string context = "input " + std::to_string(i) + " (" + std::to_string(inputs[i].size()) +
                                        " bytes)";
            if (run.status == 0) {
                EXPECT_EQ(run.err, "") << context;
                EXPECT_NE(output("out.txt"), OldOutput) << context;
                expectNoTemporaries("out.txt", context);
            } else {
                expectFailure(run, failurePattern, "out.txt", true, context);
            }
            if (HasFailure())
                return;  // one input shown is enough
        }
    }

private:
    fs::path root_;
};

const std::string DefaultFailure = R"((load error (bad tagName|tagName mismatch) at \d+|XmlPP::processConditionals\(\): [^\n]*)\n)";
const std::string XhtmlFailure = R"(error: Cannot load xml file: in\.xml - [^\n]* line: \d+ column: \d+\n)";

const std::string DefaultSample =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE project>\n<!-- note -->\n"
    "<project name=\"caf&#233;\" a='x &amp; y'>\n"
    "  <define name=\"N\" expression=\"2 * $(A:3)\"/>\n"
    "  <if A=\"x,y\"><file path=\"a.c\"/></if>\n"
    "  <ifex expression=\"$(N) &gt; 4\"><big/></ifex>\n"
    "  <for index=\"i\" start=\"0\" end=\"2\" incr=\"1\"><reg n=\"R$(i)\"/></for>\n"
    "  <foreach core=\"m0,m4\"><config name=\"$(core)\"/></foreach>\n"
    "  <xmldef name=\"d\"><part v=\"$(p:none)\"/></xmldef><xmlput name=\"d\" macros=\"p=1\"/>\n"
    "  <switch name=\"A\"><case value=\"x\"><chosen/></case><default><other/></default></switch>\n"
    "  <data><![CDATA[raw <text> & more]]></data> text &lt; here\n"
    "</project>\n";

const std::string XhtmlSample =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE html>\n<html>\n"
    "  <head><title>T</title></head>\n  <body>\n"
    "    <define name=\"X\" value=\"1\"/>\n"
    "    <if platform=\"ARM\"><p class=\"a\">caf&#233; &amp; &lt;</p></if>\n"
    "    <ifdef name=\"X\"><p>defined</p></ifdef>\n"
    "    <switch name=\"platform\"><case value=\"ARM\"><b/></case><default><i/></default></switch>\n"
    "    <p title=\"$(release)\" expand_attributes=\"title\"><expand_definition name=\"release\"/></p>\n"
    "    <!-- note --><![CDATA[x]]>\n"
    "  </body>\n</html>\n";

std::vector<std::string> truncations(const std::string& sample)
{
    std::vector<std::string> inputs;
    for (std::size_t length = 0; length < sample.size(); ++length)
        inputs.push_back(sample.substr(0, length));
    return inputs;
}

// Random bytes, and random runs of the bytes that matter to the readers.
std::vector<std::string> garbage()
{
    std::mt19937 random(20261206);
    const std::string markup = "<>/=\"' ab&#x;![CDATA-?\n\r\t\0\xff\xc3";
    std::vector<std::string> inputs;
    for (int i = 0; i < 40; ++i) {
        std::string bytes(256 + random() % 4096, '\0');
        for (char& c : bytes)
            c = i % 2 == 0 ? char(random() % 256) : markup[random() % markup.size()];
        if (i % 4 == 1)
            bytes[0] = '<';
        inputs.push_back(bytes);
    }
    return inputs;
}

TEST_F(BadInput, TruncatedDefaultDocuments)
{
    expectCleanOutcomes(truncations(DefaultSample), false, DefaultFailure);
}

TEST_F(BadInput, TruncatedXhtmlDocuments)
{
    expectCleanOutcomes(truncations(XhtmlSample), true, XhtmlFailure);
}

TEST_F(BadInput, BinaryGarbage)
{
    expectCleanOutcomes(garbage(), false, DefaultFailure);
    expectCleanOutcomes(garbage(), true, XhtmlFailure);
}

// The default mode keeps bytes as they are and writes every byte outside
// printable ASCII as a reference; a NUL byte ends the document.
TEST_F(BadInput, InvalidUtf8AndNulBytesInDefaultMode)
{
    const struct {
        std::string input;
        std::string output;
    } cases[] = {
        {"<a v=\"\xff\xc3(\" w='\xe2\x82'/>", "<a v=\"&#xff;&#xc3;(\" w=\"&#xe2;&#x82;\" />\n"},
        {std::string("<a x=\"1\"><b/></a>\0<c/>", 22), "<a x=\"1\">\n  <b/>\n</a>\n"},
        {std::string("<a>\0</a>", 8), ""},
        {"<a v=\"&#0;tail\"/>", "<a v=\"\" />\n"},
    };
    for (const auto& c : cases) {
        put("in.xml", c.input);
        const RunResult run = runXmlpp(work(), {"in.xml", "out.xml"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(output("out.xml"), c.output);
    }
}

// The -xhtml mode decodes UTF-8: invalid sequences become U+FFFD, written
// as a decimal reference; a NUL character is ASCII and passes unchanged.
TEST_F(BadInput, InvalidUtf8AndNulBytesInXhtmlMode)
{
    put("in.xml", "<html><p t=\"\xff\xc3(\">caf\xc3\xa9 \xfe</p></html>");
    RunResult run = runXmlpp(work(), {"-xhtml", "in.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(output("out.html").find("<p t=\"&#65533;&#65533;(\">caf&#233; &#65533;</p>"), std::string::npos)
        << output("out.html");

    put("in.xml", std::string("<html><p>a\0b</p></html>", 23));
    run = runXmlpp(work(), {"-xhtml", "in.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(output("out.html").find(std::string("<p>a\0b</p>", 10)), std::string::npos);
}

// The value also holds a macro reference: the budgets of an expansion
// never alter the text being expanded, only what macros add to it. The
// -xhtml mode expands attributes only when asked.
TEST_F(BadInput, HundredMegabyteAttributeValue)
{
    const std::string value(100 << 20, 'v');
    put("in.xml", "<html><p a=\"" + value + "$(A)\" b=\"&amp;\"/></html>");
    RunResult run = runXmlpp(work(), {"in.xml", "out.xml", "A=x"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(output("out.xml") == "<html>\n  <p a=\"" + value + "x\" b=\"&amp;\" />\n</html>\n");

    run = runXmlpp(work(), {"-xhtml", "in.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const std::string html = output("out.html");
    EXPECT_NE(html.find(" a=\"" + value + "$(A)\""), std::string::npos) << html.size() << " bytes";
    EXPECT_NE(html.find(" b=\"&amp;\""), std::string::npos);
}

// Unreadable include files: no permission, a directory; and an unreadable
// input.
TEST_F(BadInput, UnreadableFiles)
{
    if (const std::string problem = binary_run::unprivilegedRunProblem(work()); !problem.empty())
        GTEST_SKIP() << problem;
    put("in.xml", "<r><include filename=\"locked.xml\"/></r>");
    put("locked.xml", "<part/>");
    put("locked-in.xml", "<r/>");
    fs::permissions(work() / "locked.xml", fs::perms::none);
    fs::permissions(work() / "locked-in.xml", fs::perms::none);
    fs::create_directory(work() / "folder.xml");
    put("folder-in.xml", "<r><include filename=\"folder.xml\"/></r>");
    RunOptions user;
    user.unprivileged = true;

    expectFailure(runXmlpp(work(), {"in.xml", "out.xml"}, user),
                  "XmlPP::processConditionals\\(\\): error \"couldn't read \\./locked\\.xml\" in include file "
                  "\\./locked\\.xml line:0\n",
                  "out.xml", false);
    expectFailure(runXmlpp(work(), {"folder-in.xml", "out.xml"}, user),
                  "XmlPP::processConditionals\\(\\): error \"couldn't read \\./folder\\.xml\" in include file "
                  "\\./folder\\.xml line:0\n",
                  "out.xml", false);
    expectFailure(runXmlpp(work(), {"locked-in.xml", "out.xml"}, user), "load error couldn't read locked-in\\.xml at 0\n",
                  "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "locked-in.xml", "out.html"}, user),
                  "error: cannot open xml file locked-in\\.xml\n", "out.html", false);

    // In the -xhtml mode an include that cannot be read stays in place.
    for (const char* input : {"in.xml", "folder-in.xml"}) {
        const RunResult run = runXmlpp(work(), {"-xhtml", input, "out.html"}, user);
        EXPECT_EQ(run.status, 0) << input;
        EXPECT_EQ(run.err, "") << input;
        EXPECT_NE(output("out.html").find("<include "), std::string::npos) << input;
    }
}

TEST_F(BadInput, DirectoriesAndMissingFolders)
{
    put("in.xml", "<r/>");
    fs::create_directory(work() / "folder");
    expectFailure(runXmlpp(work(), {"folder", "out.xml"}), "load error couldn't read folder at 0\n", "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "folder", "out.html"}), "error: cannot open xml file folder\n",
                  "out.html", false);
    expectFailure(runXmlpp(work(), {"in.xml", "folder"}), "save error couldn't write folder\n", "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "in.xml", "folder"}), "error: cannot open folder\n", "out.html", false);
    EXPECT_TRUE(fs::is_empty(work() / "folder"));
    expectFailure(runXmlpp(work(), {"in.xml", "missing/out.xml"}), "save error couldn't write missing/out\\.xml\n",
                  "missing", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "in.xml", "missing/out.html"}), "error: cannot open missing/out\\.html\n",
                  "missing", false);
    // A folder the user may not write in, with no output there yet.
    if (const std::string problem = binary_run::unprivilegedRunProblem(work()); !problem.empty())
        GTEST_SKIP() << problem;
    fs::permissions(work() / "folder", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
    RunOptions user;
    user.unprivileged = true;
    expectFailure(runXmlpp(work(), {"in.xml", "folder/out.xml"}, user),
                  "save error couldn't write folder/out\\.xml\n", "folder/out.xml", false);
}

// A full disk: a device is written directly and its write error reported;
// a regular file is written beside the target and renamed, so a write that
// fails half-way leaves the older file as it was.
TEST_F(BadInput, FullDisk)
{
    std::string big = "<r>";
    for (int i = 0; i < 2000; ++i)
        big += "<entry name=\"item\" value=\"" + std::to_string(i) + "\"/>";
    put("in.xml", big + "</r>");
    put("out.xml", OldOutput);
    put("out.html", OldOutput);
    RunOptions smallDisk;
    smallDisk.fileSizeLimit = 16384;

    expectFailure(runXmlpp(work(), {"in.xml", "/dev/full"}), "save error couldn't write /dev/full\n", "out.xml", true);
    expectFailure(runXmlpp(work(), {"-xhtml", "in.xml", "/dev/full"}), "error: cannot write /dev/full\n", "out.html",
                  true);
    expectFailure(runXmlpp(work(), {"in.xml", "out.xml"}, smallDisk), "save error couldn't write out\\.xml\n",
                  "out.xml", true);
    expectFailure(runXmlpp(work(), {"-xhtml", "in.xml", "out.html"}, smallDisk), "error: cannot write out\\.html\n",
                  "out.html", true);

    // Without the limit both succeed and replace the files.
    EXPECT_EQ(runXmlpp(work(), {"in.xml", "out.xml"}).status, 0);
    EXPECT_EQ(output("out.xml").rfind("<r>\n  <entry name=\"item\" value=\"0\" />\n", 0), 0u);
    EXPECT_EQ(runXmlpp(work(), {"-xhtml", "in.xml", "out.html"}).status, 0);
    EXPECT_NE(output("out.html").find("<entry name=\"item\" value=\"1999\"/>"), std::string::npos);
}

// /dev/stdout is written through the descriptor the shell set up: what
// the shell wrote before stays, and ">>" appends.
TEST_F(BadInput, StandardOutputKeepsWhatTheShellWrote)
{
    put("in.xml", "<html><p/></html>");
    put("log.txt", "header\n");
    RunOptions appending;
    appending.appendStdoutTo = (work() / "log.txt").string();
    EXPECT_EQ(runXmlpp(work(), {"in.xml", "/dev/stdout"}, appending).status, 0);
    EXPECT_EQ(runXmlpp(work(), {"-xhtml", "in.xml", "/dev/stdout"}, appending).status, 0);
    EXPECT_EQ(output("log.txt"), "header\n<html>\n  <p/>\n</html>\n"
                                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
                                 "\"http://www.w3.org/TR/html4/strict.dtd\">\n<html>\n  <p/>\n</html>\n");
}

// A device that never ends is not read without end.
TEST_F(BadInput, EndlessInputDevice)
{
    expectFailure(runXmlpp(work(), {"-xhtml", "/dev/zero", "out.html"}),
                  "error: xml file /dev/zero is larger than 1024 MiB\n", "out.html", false);
}

std::string nested(const std::string& tag, int levels, const std::string& inner = "")
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<" + tag + ">";
    text += inner;
    for (int i = 0; i < levels; ++i)
        text += "</" + tag + ">";
    return text;
}

// The line count of an output, and its most indented line.
struct Shape {
    std::size_t lines = 0;
    std::size_t deepestIndent = 0;
    std::string deepestLine;
};

Shape shapeOf(const std::string& text)
{
    Shape shape;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++shape.lines;
        const std::size_t indent = text.find_first_not_of(' ', start) - start;
        if (indent > shape.deepestIndent || shape.lines == 1) {
            shape.deepestIndent = indent;
            shape.deepestLine = text.substr(start + indent, end - start - indent);
        }
        start = end + 1;
    }
    return shape;
}

std::vector<std::string> modeArgs(bool xhtml, const std::string& input, const std::string& output)
{
    if (xhtml)
        return {"-xhtml", input, output};
    return {input, output};
}

// A document 10,000 levels deep, as the main input and as a file 5,000
// levels deep included 5,000 levels down, in both modes. Each level gives a
// line before and one after its content (the innermost element one line),
// and the deepest line is indented by two spaces per level above it.
TEST_F(BadInput, TenThousandLevelsInBothModes)
{
    put("deep.xml", nested("e", 10000));
    put("outer.xml", nested("e", 5000, "<include filename=\"half.xml\"/>"));
    put("half.xml", nested("f", 5000));
    const struct {
        const char* input;
        const char* innermost;
    } inputs[] = {{"deep.xml", "<e/>"}, {"outer.xml", "<f/>"}};
    for (const auto& input : inputs) {
        for (const bool xhtml : {false, true}) {
            const RunResult run = runXmlpp(work(), modeArgs(xhtml, input.input, "out.txt"));
            EXPECT_EQ(run.status, 0) << input.input << (xhtml ? " -xhtml" : "");
            EXPECT_EQ(run.err, "");
            const Shape shape = shapeOf(output("out.txt"));
            EXPECT_EQ(shape.lines, 2 * 10000 - 1 + (xhtml ? 1 : 0));  // -xhtml starts with its DOCTYPE line
            EXPECT_EQ(shape.deepestIndent, 2u * (10000 - 1));
            EXPECT_EQ(shape.deepestLine, input.innermost);
        }
    }
}

// Past 20,000 levels the main input fails to load in both modes. An
// included file that would take the document deeper fails the default mode;
// the -xhtml mode reports it as not well-formed and keeps the include.
TEST_F(BadInput, NestingBoundAcrossFiles)
{
    put("too-deep.xml", nested("e", 20001));
    expectFailure(runXmlpp(work(), {"too-deep.xml", "out.xml"}),
                  "load error element nesting deeper than 20000 levels at 0\n", "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "too-deep.xml", "out.html"}),
                  "error: Cannot load xml file: too-deep\\.xml - nesting deeper than 20000 levels line: 1 column: "
                  "60003\n",
                  "out.html", false);

    put("in.xml", nested("e", 1000, "<include filename=\"part.xml\"/>"));
    put("part.xml", nested("f", 19001));
    expectFailure(runXmlpp(work(), {"in.xml", "out.xml"}),
                  "XmlPP::processConditionals\\(\\): error \"element nesting deeper than 20000 levels\" in include "
                  "file \\./part\\.xml line:0\n",
                  "out.xml", false);
    const RunResult run = runXmlpp(work(), {"-xhtml", "in.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const Shape shape = shapeOf(output("out.html"));
    EXPECT_EQ(shape.deepestLine, "<include filename=\"part.xml\"/>");
    EXPECT_EQ(shape.deepestIndent, 2u * 1000);
}

// 2,000 includes inside each other work. A file may include itself: in
// the default mode a counter ends the recursion, one include deeper fails;
// in the -xhtml mode the include past the bound is reported and stays.
TEST_F(BadInput, IncludeDepthBound)
{
    auto counting = [](int last) {
        return "<r><define name=\"M\" expression=\"$(N:0) + 1\"/><ifex expression=\"$(M) &lt;= " +
               std::to_string(last) + "\"><include filename=\"self.xml\" macros=\"N=$(M)\"/></ifex></r>";
    };
    put("self.xml", counting(2000));
    RunResult run = runXmlpp(work(), {"self.xml", "out.xml"});
    EXPECT_EQ(run.status, 0) << run.err;
    Shape shape = shapeOf(output("out.xml"));
    EXPECT_EQ(shape.lines, 2u * 2001 - 1);
    EXPECT_EQ(shape.deepestLine, "<r/>");
    fs::remove(work() / "out.xml");
    put("self.xml", counting(2001));
    expectFailure(runXmlpp(work(), {"self.xml", "out.xml"}),
                  "XmlPP::processConditionals\\(\\): include files nested deeper than 2000 levels at "
                  "'\\./self\\.xml'\n",
                  "out.xml", false);

    put("self.xml", "<r><include filename=\"self.xml\"/></r>");
    run = runXmlpp(work(), {"-xhtml", "self.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    shape = shapeOf(output("out.html"));
    EXPECT_EQ(shape.lines, 1 + 2 * 2001 + 1u);
    EXPECT_EQ(shape.deepestLine, "<include filename=\"self.xml\"/>");
    EXPECT_EQ(shape.deepestIndent, 2u * 2001);
}

// Pages that include themselves twice at every level stop at the run's
// budget within seconds, in both modes.
TEST_F(BadInput, SelfIncludingTwiceStopsWithinSeconds)
{
    put("twice.xml", "<r n=\"$(N:0)\"><define name=\"M\" expression=\"$(N:0) + 1\"/>"
                     "<ifex expression=\"$(M) &lt; 60\"><include filename=\"twice.xml\" macros=\"N=$(M)\"/>"
                     "<include filename=\"twice.xml\" macros=\"N=$(M)\"/></ifex></r>");
    put("page.xml", "<r><include filename=\"page.xml\"/><include filename=\"page.xml\"/></r>");
    const auto start = std::chrono::steady_clock::now();
    expectFailure(runXmlpp(work(), {"twice.xml", "out.xml"}),
                  regexQuote("XmlPP::processConditionals(): the directives of this run make or read more than "
                             "2048 MiB\n"),
                  "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "page.xml", "out.html"}),
                  regexQuote("error: XmlPP::processConditionals(): the directives of this run make or read more "
                             "than 1024 MiB\n"),
                  "out.html", false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// Include files are opened whatever they are. /dev/null and /dev/zero read
// as empty files (a device is sized by seeking to its end): an empty file
// has no root in the default mode, is not well-formed XML in the -xhtml
// mode (the include stays) and is an empty text there. A FIFO without a
// writer reads as empty at once; one whose writer sends a document is read
// in full, however long the writer takes.
TEST_F(BadInput, DevicesAndFifosAsIncludeFiles)
{
    for (const char* device : {"/dev/null", "/dev/zero"}) {
        put("in.xml", std::string("<r><include filename=\"") + device + "\"/></r>");
        expectFailure(runXmlpp(work(), {"in.xml", "out.xml"}),
                      "XmlPP::processConditionals\\(\\): error: include file '" + regexQuote(device) + "' is empty\n",
                      "out.xml", false);
        put("in.xml", std::string("<r><include filename=\"") + device + "\"/><include type=\"text\" filename=\"" +
                          device + "\"/></r>");
        const RunResult run = runXmlpp(work(), {"-xhtml", "in.xml", "out.html"});
        EXPECT_EQ(run.status, 0) << device;
        EXPECT_NE(output("out.html").find(std::string("<r>\n  <include filename=\"") + device +
                                          "\"/>\n  <pre></pre>\n</r>"),
                  std::string::npos)
            << output("out.html");
    }

    const fs::path fifo = work() / "fifo.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    put("in.xml", "<r><include filename=\"fifo.xml\"/></r>");
    put("both.xml", "<r><include filename=\"fifo.xml\"/><include type=\"text\" filename=\"fifo.xml\"/></r>");
    const auto start = std::chrono::steady_clock::now();
    expectFailure(runXmlpp(work(), {"in.xml", "out.xml"}),
                  "XmlPP::processConditionals\\(\\): error: include file '\\./fifo\\.xml' is empty\n", "out.xml",
                  false);
    RunResult run = runXmlpp(work(), {"-xhtml", "both.xml", "out.html"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(output("out.html").find("<r>\n  <include filename=\"fifo.xml\"/>\n  <pre></pre>\n</r>"),
              std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    // The writer sends half a document, then the rest a little later. A
    // reader that never reads keeps the FIFO open, so nothing written is
    // lost before xmlpp opens it; both ends are closed on exec.
    for (const bool xhtml : {false, true}) {
        const int keeper = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(keeper, 0);
        ASSERT_GE(writer, 0);
        const std::string first = "<part n=\"1\"><a/>";
        ASSERT_EQ(::write(writer, first.data(), first.size()), ssize_t(first.size()));
        std::thread rest([writer] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const std::string second = "<b/></part>";
            EXPECT_EQ(::write(writer, second.data(), second.size()), ssize_t(second.size()));
            ::close(writer);
        });
        run = runXmlpp(work(), modeArgs(xhtml, "in.xml", "out.txt"));
        rest.join();
        ::close(keeper);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(output("out.txt").find("<r>\n  <part n=\"1\">\n    <a/>\n    <b/>\n  </part>\n</r>\n"),
                  std::string::npos)
            << output("out.txt");
    }
}

// The loop bounds at their real values: a for whose body makes no copies
// reaches the iteration bound quickly, and a foreach's combinations are
// counted before any copy is made.
TEST_F(BadInput, LoopBounds)
{
    put("for.xml", "<r><for index=\"i\" start=\"0\" end=\"20000000\" incr=\"1\"><![CDATA[x]]><a/></for></r>");
    expectFailure(runXmlpp(work(), {"for.xml", "out.xml"}),
                  regexQuote("XmlPP::processConditionals(): <for index=\"i\"> never ends or runs more than 10000000 "
                             "iterations\n"),
                  "out.xml", false);
    std::string lists;
    for (char name = 'a'; name <= 'h'; ++name)
        lists += std::string(" ") + name + "=\"0,1,2,3,4,5,6,7,8,9\"";
    put("foreach.xml", "<r><foreach" + lists + "><a/></foreach></r>");
    expectFailure(runXmlpp(work(), {"foreach.xml", "out.xml"}),
                  regexQuote("XmlPP::processConditionals(): <foreach> makes more than 10000000 iterations\n"), "out.xml",
                  false);
}

}  // namespace
