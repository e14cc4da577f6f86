// Runs the xmlpp binary on bad input made at test time: a 100 MB attribute
// value, directories where files belong, full disks,
// devices and FIFOs as include files, and the resource bounds at their real
// values (documents 10,000 levels deep pass, runaway documents stop within
// seconds). A failed run must print its message and leave the output as it
// was (absent, or an older file untouched), with no temporary file left
// beside it. (Crashes on arbitrary input are the fuzz targets' business.)
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

class BadInput : public ScratchFolderTest {
protected:
    BadInput() : ScratchFolderTest("xmlpp-badinput") {}

    void put(const std::string& name, const std::string& bytes) const { writeFile(work() / name, bytes); }
    std::string output(const std::string& name) const { return readFile(work() / name); }

    // A run that failed: status 1, a message matching pattern, the output
    // as it was before (OldOutput, or absent), no temporary file beside it.
    void expectFailure(const RunResult& run, const std::string& pattern, const std::string& outputName,
                       bool hadOldOutput) const
    {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(matches(pattern, run.err)) << "stderr: " << run.err;
        if (hadOldOutput)
            EXPECT_EQ(output(outputName), OldOutput);
        else
            EXPECT_FALSE(fs::exists(fs::symlink_status(work() / outputName)));
        for (const auto& entry : fs::directory_iterator(work()))
            EXPECT_NE(entry.path().filename().string().rfind("." + outputName + ".", 0), 0u)
                << "temporary file " << entry.path() << " left behind";
    }
};

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

// Directories where files belong: an input, an include file, an output. An
// include that cannot be read stays in place in the -xhtml mode.
TEST_F(BadInput, Directories)
{
    put("in.xml", "<r/>");
    put("include.xml", "<r><include filename=\"folder\"/></r>");
    fs::create_directory(work() / "folder");
    expectFailure(runXmlpp(work(), {"-xhtml", "folder", "out.html"}), "error: cannot open xml file folder\n",
                  "out.html", false);
    expectFailure(runXmlpp(work(), {"in.xml", "folder"}), "save error couldn't write folder\n", "out.xml", false);
    expectFailure(runXmlpp(work(), {"-xhtml", "in.xml", "folder"}), "error: cannot open folder\n", "out.html", false);
    EXPECT_TRUE(fs::is_empty(work() / "folder"));
    expectFailure(runXmlpp(work(), {"include.xml", "out.xml"}),
                  "XmlPP::processConditionals\\(\\): error \"couldn't read \\./folder\" in include file "
                  "\\./folder line:0\n",
                  "out.xml", false);
    EXPECT_EQ(runXmlpp(work(), {"-xhtml", "include.xml", "out.html"}).status, 0);
    EXPECT_NE(output("out.html").find("<include filename=\"folder\"/>"), std::string::npos);
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

// A document 10,000 levels deep, in both modes. Each level gives a line
// before and one after its content (the innermost element one line), and
// the deepest line is indented by two spaces per level above it.
TEST_F(BadInput, TenThousandLevelsInBothModes)
{
    put("deep.xml", nested("e", 10000));
    for (const bool xhtml : {false, true}) {
        const RunResult run = runXmlpp(work(), modeArgs(xhtml, "deep.xml", "out.txt"));
        EXPECT_EQ(run.status, 0) << (xhtml ? "-xhtml" : "");
        EXPECT_EQ(run.err, "");
        const Shape shape = shapeOf(output("out.txt"));
        EXPECT_EQ(shape.lines, 2 * 10000 - 1 + (xhtml ? 1 : 0));  // -xhtml starts with its DOCTYPE line
        EXPECT_EQ(shape.deepestIndent, 2u * (10000 - 1));
        EXPECT_EQ(shape.deepestLine, "<e/>");
    }
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
        EXPECT_NE(
            output("out.html").find(std::string("<r>\n  <include filename=\"") + device + "\"/>\n  <pre></pre>\n</r>"),
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
                  regexQuote("XmlPP::processConditionals(): <foreach> makes more than 10000000 iterations\n"),
                  "out.xml", false);
}

}  // namespace
