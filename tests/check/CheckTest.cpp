// xmlpp-check run from outside: each diagnostic with its file, 1-based line
// and column, text, name and include notes in both modes, the faults that
// stop xmlpp, the -W controls, --werror, --no-output, the dependency file,
// the command line, and no warning at all on the realistic inputs of
// tests/data/corpus and on the examples. Its equality with xmlpp under
// --quiet is checked over every end-to-end case (tests/e2e).
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;

struct Files {
    std::vector<std::pair<std::string, std::string>> entries;
};

class CheckRun : public ScratchFolderTest {
protected:
    CheckRun() : ScratchFolderTest("xmlpp-check") {}
    void write(const Files& files)
    {
        for (const auto& [name, content] : files.entries) {
            fs::create_directories((work() / name).parent_path());
            binary_run::writeFile(work() / name, content);
        }
    }
    binary_run::Result check(const std::vector<std::string>& args, long fileSizeLimit = -1)
    {
        binary_run::Options options;
        options.binary = XMLPP_CHECK_BINARY;
        options.fileSizeLimit = fileSizeLimit;
        options.programName = "xmlpp-check";
        return binary_run::run(work(), args, options);
    }
};

struct WarningCase {
    const char* name;
    std::vector<std::string> args;
    Files files;
    std::string warnings;  // standard error, exactly
    int status = 0;
};

const std::string Macro = "undefined macro ";
const std::string Dropped =
    "text is not carried into the output (the default mode keeps elements, attributes and CDATA sections)";

const WarningCase WarningCases[] = {
    {"UndefinedMacrosAtTheirOriginals",
     {"in.xml", "out.xml", "A=1"},
     {{{"in.xml", "<r a=\"$(A)\">\n"
                  "  <x b=\"$(B)\" c=\"$(C:default)\" d=\"$$(D)\"/>\n"
                  "  <for index=\"i\" start=\"0\" end=\"2\" incr=\"1\">\n"
                  "    <y v=\"$(i)$(U)\"/>\n"
                  "  </for>\n"
                  "  <xmldef name=\"f\">\n"
                  "    <z w=\"$(W)\"/>\n"
                  "  </xmldef>\n"
                  "  <xmlput name=\"f\"/>\n"
                  "  <include filename=\"sub/part.xml\"/>\n"
                  "  <include filename=\"sub/gone.xml\" no_root=\"\"/>\n"
                  "</r>\n"},
       {"sub/part.xml", "<part p=\"$(P)\">\n  <q/>\n</part>\n"},
       {"sub/gone.xml", "<gone g=\"$(G)\"><q/></gone>\n"}}},
     "in.xml:2:3: warning: " + Macro + "'B' is left as $(B) in attribute 'b' [-Wundefined-macro]\n" +
         "in.xml:4:5: warning: " + Macro + "'U' is left as $(U) in attribute 'v' [-Wundefined-macro]\n" +
         "in.xml:7:5: warning: " + Macro + "'W' is left as $(W) in attribute 'w' [-Wundefined-macro]\n" +
         "./sub/part.xml:1:1: warning: " + Macro + "'P' is left as $(P) in attribute 'p' [-Wundefined-macro]\n" +
         "in.xml:10: note: included from here\n"},
    {"ExpressionsThatFail",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n"
                  "  <ifex expression=\"1 +\"><a/></ifex>\n"
                  "  <define name=\"N\" hex_expression=\"2 * (3\"/>\n"
                  "  <for index=\"i\" start=\"0\" end=\"x\" incr=\"1\" mul=\"\"><b/></for>\n"
                  "  <ifex expression=\"1\"><c/></ifex>\n"
                  "</r>\n"}}},
     "in.xml:2:3: warning: expression '1 +' in attribute 'expression' of <ifex> does not evaluate: the expression "
     "ends too early [-Wexpression]\n"
     "in.xml:3:3: warning: expression '2 * (3' in attribute 'hex_expression' of <define> does not evaluate: "
     "')' expected [-Wexpression]\n"
     "in.xml:4:3: warning: expression '' in attribute 'mul' of <for> does not evaluate: empty expression "
     "[-Wexpression]\n"
     "in.xml:4:3: warning: expression 'x' in attribute 'end' of <for> does not evaluate: x symbol not found "
     "[-Wexpression]\n"
     "in.xml:5:3: warning: expression '1' in attribute 'expression' of <ifex> does not evaluate: the value is not "
     "a Boolean [-Wexpression]\n"},
    {"LoopsWithoutIterations",
     {"in.xml", "out.xml", "none="},
     {{{"in.xml", "<r>\n"
                  "  <for index=\"i\" start=\"0\" end=\"\" incr=\"1\"><a/></for>\n"
                  "  <for index=\"i\" start=\"\" end=\"2\" incr=\"1\"><b/></for>\n"
                  "  <foreach a=\"x\" core=\"$(none)\"><c/></foreach>\n"
                  "</r>\n"}}},
     "in.xml:2:3: warning: <for> makes no iteration: attribute 'end' is empty [-Wempty-loop]\n"
     "in.xml:4:3: warning: <foreach> makes no iteration: attribute 'core' is empty [-Wempty-loop]\n"},
    {"DirectiveAttributes",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n"
                  "  <include filename=\"p.xml\" filenme=\"q.xml\"/>\n"
                  "  <ifex><a/></ifex>\n"
                  "  <ifex expression=\"\"/>\n"
                  "  <ifdef nam=\"X\"/>\n"
                  "  <switch name=\"s\">\n"
                  "    <case vaule=\"x\"/>\n"
                  "    <default value=\"y\"/>\n"
                  "  </switch>\n"
                  "  <xmlput/>\n"
                  "  <if anything=\"x\"/>\n"
                  "</r>\n"},
       {"p.xml", "<p/>"}}},
     "in.xml:2:3: warning: <include> has an unknown attribute 'filenme' [-Wunknown-attribute]\n"
     "in.xml:3:3: warning: <ifex> has no attribute 'expression' [-Wmissing-attribute]\n"
     "in.xml:4:3: warning: <ifex> has an empty attribute 'expression' [-Wmissing-attribute]\n"
     "in.xml:5:3: warning: <ifdef> has no attribute 'name' [-Wmissing-attribute]\n"
     "in.xml:5:3: warning: <ifdef> has an unknown attribute 'nam' [-Wunknown-attribute]\n"
     "in.xml:7:5: warning: <case> has no attribute 'value' [-Wmissing-attribute]\n"
     "in.xml:7:5: warning: <case> has an unknown attribute 'vaule' [-Wunknown-attribute]\n"
     "in.xml:8:5: warning: <default> has an unknown attribute 'value' [-Wunknown-attribute]\n"
     "in.xml:10:3: warning: <xmlput> has no attribute 'name' [-Wmissing-attribute]\n"},
    {"InputsWithoutElementsOrWithText",
     {"in.xml", "out.xml", "A=1", "B=2"},
     {{{"in.xml", "<r>\n  \n  <include filename=\"t.xml\"/> <a/>\n  lost\n  text\n</r>\n"},
       {"t.xml", "<t>\n\n   <u>x</u>y</t>\n"}}},
     "xmlpp-check: warning: argument 4 'B=2' is not part of the macro list, which is argument 3 alone, its items "
     "separated by ';' [-Wargument]\n"
     "in.xml:4:3: warning: " +
         Dropped + " [-Wtext-dropped]\n./t.xml:3:7: warning: " + Dropped +
         " [-Wtext-dropped]\n"
         "in.xml:3: note: included from here\n"},
    {"NoElement",
     {"notxml.txt", "out.xml"},
     {{{"notxml.txt", "  plain text\n"}}},
     "notxml.txt:1:3: warning: text before the first element ('plain text'): the reader stops there and the output "
     "is empty [-Wmalformed]\n"},
    {"XhtmlTraceLogAndAttributes",
     {"-xhtml", "page.xml", "page.html"},
     {{{"page.xml", "<html>\n"
                    "  <body title=\"$(ide) $(T)\" expand_attributes=\"title\">\n"
                    "    <if a=\"1\" b=\"2\"/>\n"
                    "    <define name=\"X\"/>\n"
                    "    <include/>\n"
                    "    <include filename=\"$(F)missing.xml\" expand_attributes=\"filename\"/>\n"
                    "    <include filename=\"bad.xml\" clas=\"x\"/>\n"
                    "    <expand_definition nme=\"X\"/>\n"
                    "    <include filename=\"sub/frag.xml\"/>\n"
                    "  </body>\n"
                    "</html>\n"},
       {"bad.xml", "<bad><a></bad>\n"},
       {"sub/frag.xml",
        "<frag>\n  <x y=\"$(Y)\" expand_attributes=\"y\"/>\n  <ifdef name=\"B\" extra=\"1\"/>\n</frag>\n"}}},
     "page.xml:2:3: warning: " + Macro + "'T' is left as $(T) in attribute 'title' [-Wundefined-macro]\n" +
         "page.xml:3:5: warning: XmlPP::processConditionals(): one condition required for <if[not]> [-Wdirective]\n"
         "page.xml:4:5: warning: XmlPP::processConditionals(): missing name and/or value in <define_macro> "
         "[-Wdirective]\n"
         "page.xml:5:5: warning: XmlPP::processConditionals(): missing filename in <include> [-Winclude]\n"
         "page.xml:6:5: warning: XmlPP::processConditionals could not open include file ./$(F)missing.xml "
         "[-Winclude]\n"
         "page.xml:7:5: warning: <include> has an unknown attribute 'clas' [-Wunknown-attribute]\n"
         "./bad.xml:1:14: warning: not well-formed XML: tag mismatch; the <include> of this file is not carried out "
         "[-Wmalformed]\n"
         "page.xml:7: note: included from here\n"
         "page.xml:8:5: warning: <expand_definition> has no attribute 'name' [-Wmissing-attribute]\n"
         "page.xml:8:5: warning: <expand_definition> has an unknown attribute 'nme' [-Wunknown-attribute]\n"
         "./sub/frag.xml:2:3: warning: " +
         Macro +
         "'Y' is left as $(Y) in attribute 'y' [-Wundefined-macro]\n"
         "page.xml:9: note: included from here\n"
         "./sub/frag.xml:3:3: warning: <ifdef> has an unknown attribute 'extra' [-Wunknown-attribute]\n"
         "page.xml:9: note: included from here\n"},
    {"MalformedInput",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r a=\"1\" a=\"2\" e=\"&nbsp;\" big=\"&#x263a;\" z=\"x&#0;y\" bare>\n"
                  "  <item></it>\n</r> trailing\n<r2/>\n"}}},
     "in.xml:1:19: warning: unknown entity '&nbsp;' is kept as the text '&nbsp;' [-Wmalformed]\n"
     "in.xml:1:32: warning: character reference '&#x263a;' does not fit in a byte: only its low byte 0x3a (':') is "
     "kept [-Wmalformed]\n"
     "in.xml:1:46: warning: character reference '&#0;' is the byte 0, which ends the value: the rest of the value "
     "is dropped [-Wmalformed]\n"
     "in.xml:1:53: warning: attribute 'bare' has no quoted value and is dropped [-Wmalformed]\n"
     "in.xml:1:1: warning: attribute 'a' is given twice in <r>: the last value '2' is kept [-Wmalformed]\n"
     "in.xml:2:9: warning: end tag </it> closes <item>: a leading part of the name is taken [-Wmalformed]\n"
     "in.xml:3:6: warning: text after the root element <r> is dropped [-Wmalformed]\n"
     "in.xml:4:1: warning: element <r2> after the root element <r> takes its place: only the last outermost element "
     "is kept [-Wmalformed]\n"},
    {"CutShortByANulByte",
     {"in.xml", "out.xml"},
     {{{"in.xml", std::string("<r>\n  <a>\n    <b/>\0<c/>\n", 24)}}},
     "in.xml:2:3: warning: the file ends before the end tag of <a>: the elements still open are dropped "
     "[-Wmalformed]\n"
     "in.xml:3:9: warning: a NUL byte ends the document here: the rest of the file (5 bytes) is not read "
     "[-Wmalformed]\n"},
    {"EmptyFile",
     {"in.xml", "out.xml"},
     {{{"in.xml", ""}}},
     "in.xml:1: warning: no element in this file: the output "
     "is empty [-Wmalformed]\n"},
    {"MisspeltDirectivesAndMacros",
     {"in.xml", "out.xml", "arc=x;platform=linux;variant=debug"},
     {{{"in.xml", "<project>\n"
                  "  <inlcude filename=\"p.xml\"/>\n"
                  "  <swtich name=\"variant\"/>\n"
                  "  <Include filename=\"p.xml\"/>\n"
                  "  <includes><fork/></includes>\n"
                  "  <form action=\"send\"/>\n"
                  "  <base href=\"x\"/>\n"
                  "  <defaults/>\n"
                  "  <if platfrom=\"linux\"/>\n"
                  "  <switch name=\"varaint\"/>\n"
                  "  <if arch=\"x\"/>\n"
                  "  <foreach arch=\"a,b\"><if arch=\"a\"/></foreach>\n"
                  "</project>\n"}}},
     "in.xml:2:3: warning: unknown element <inlcude>; did you mean <include>? [-Wdirective-typo]\n"
     "in.xml:3:3: warning: unknown element <swtich>; did you mean <switch>? [-Wdirective-typo]\n"
     "in.xml:4:3: warning: unknown element <Include>; did you mean <include>? [-Wdirective-typo]\n"
     "in.xml:9:3: warning: <if> tests macro 'platfrom', which is not defined; did you mean 'platform'? "
     "[-Wmacro-typo]\n"
     "in.xml:10:3: warning: <switch> tests macro 'varaint', which is not defined; did you mean 'variant'? "
     "[-Wmacro-typo]\n"
     "in.xml:11:3: warning: <if> tests macro 'arch', which is not defined; did you mean 'arc'? [-Wmacro-typo]\n"
     "xmlpp-check: warning: macro 'arc' given on the command line is never used; did you mean 'arch'? "
     "[-Wmacro-typo]\n"
     "xmlpp-check: warning: macro 'platform' given on the command line is never used; did you mean 'platfrom'? "
     "[-Wmacro-typo]\n"
     "xmlpp-check: warning: macro 'variant' given on the command line is never used; did you mean 'varaint'? "
     "[-Wmacro-typo]\n"},
    {"CommandLineMacrosNeverUsed",
     {"-Wall", "in.xml", "out.xml", "platfrom=linux;extra=1;ARCH2=x"},
     {{{"in.xml", "<r>\n  <if platform=\"linux\"><a/></if>\n  <ifdef name=\"ARCH1\"/>\n</r>\n"}}},
     "in.xml:2:3: warning: <if> tests macro 'platform', which is not defined; did you mean 'platfrom'? "
     "[-Wmacro-typo]\n"
     "xmlpp-check: warning: macro 'ARCH2' given on the command line is never used [-Wunused-macro]\n"
     "xmlpp-check: warning: macro 'extra' given on the command line is never used [-Wunused-macro]\n"
     "xmlpp-check: warning: macro 'platfrom' given on the command line is never used; did you mean 'platform'? "
     "[-Wmacro-typo]\n"},
    {"ByteEscapeOncePerFileWithNotesUpTheChain",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r a=\"caf\xc3\xa9\">\n  <b t=\"na\xc3\xafve\"/>\n  <include filename=\"a/one.xml\"/>\n</r>\n"},
       {"a/one.xml", "<one>\n  <include filename=\"two.xml\"/>\n</one>\n"},
       {"a/two.xml", "<two s=\"\xc3\xbc\"/>\n"}}},
     "in.xml:1:1: warning: '\xc3\xa9' in attribute 'a' is written as one character reference per byte "
     "(&#xc3;&#xa9;), so XML readers will not see '\xc3\xa9' [-Wbyte-escape]\n"
     "./a/two.xml:1:1: warning: '\xc3\xbc' in attribute 's' is written as one character reference per byte "
     "(&#xc3;&#xbc;), so XML readers will not see '\xc3\xbc' [-Wbyte-escape]\n"
     "./a/one.xml:2: note: included from here\n"
     "in.xml:3: note: included from here\n"},
    {"XhtmlTyposHintsAndMalformedInclude",
     {"--", "-xhtml", "page.xml", "page.html"},
     {{{"page.xml", "<html>\n  <body>\n    <Include filename=\"sub/frag.xml\"/>\n    <if platfrom=\"ARM\"><p/></if>\n"
                    "    <include filename=\"sub/frag.xml\"/>\n  </body>\n</html>\n"},
       {"sub/frag.xml", "<div>\n  <include filename=\"bad.xml\"/>\n</div>\n"},
       {"sub/bad.xml", "<p>\n <b></p>\n"}}},
     "page.xml:3:5: warning: unknown element <Include>; did you mean <include>? [-Wdirective-typo]\n"
     "page.xml:4:5: warning: <if> tests macro 'platfrom', which is not defined; did you mean 'platform'? "
     "[-Wmacro-typo]\n"
     "./sub/bad.xml:2:8: warning: not well-formed XML: tag mismatch; the <include> of this file is not carried out "
     "[-Wmalformed]\n"
     "./sub/frag.xml:2: note: included from here\n"
     "page.xml:5: note: included from here\n"},
    // The fault that stops xmlpp, at its place, before xmlpp's own message.
    {"MismatchInAnIncludedFile",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n  <include filename=\"sub/part.xml\"/>\n</r>\n"},
       {"sub/part.xml", "<part>\n  <a>\n  </b>\n</part>\n"}}},
     "./sub/part.xml:3:3: error: end tag </b> does not match <a>, which is open since line 2\n"
     "in.xml:2: note: included from here\n"
     "XmlPP::processConditionals(): error: include file './sub/part.xml' is empty\n",
     1},
    {"DirectiveError",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n  <xmlput name=\"frag\"/>\n</r>\n"}}},
     "in.xml:2:3: error: <xmlput> names 'frag', which no <xmldef> walked before it stores\n"
     "XmlPP::processConditionals(): xmlput cannot fine xmldef named frag\n",
     1},
    {"BoundReached",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n  <for index=\"i\" start=\"0\" end=\"2\" incr=\"0\"><a/></for>\n</r>\n"}}},
     "in.xml:2:3: error: <for index=\"i\"> never ends or runs more than 10000000 iterations\n"
     "XmlPP::processConditionals(): <for index=\"i\"> never ends or runs more than 10000000 iterations\n",
     1},
    {"XhtmlPageNotWellFormed",
     {"--", "-xhtml", "page.xml", "page.html"},
     {{{"page.xml", "<html>\n  <body>\n</html>\n"}}},
     "page.xml:3:7: error: not well-formed XML: tag mismatch\n"
     "error: Cannot load xml file: page.xml - tag mismatch line: 3 column: 7\n",
     1},
    {"XhtmlCommandLineAndDateMacrosAreDefined",
     {"-xhtml", "page.xml", "page.html", "lang=de;noequals"},
     {{{"page.xml", "<p title=\"$(lang) $(Year) $(noequals) $(ide)\" expand_attributes=\"title\"/>\n"}}},
     "page.xml:1:1: warning: " + Macro +
         "'noequals' is left as $(noequals) in attribute 'title' [-Wundefined-macro]\n"},
};

class Warnings : public CheckRun, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(Warnings, AtTheirPlaces)
{
    write(GetParam().files);
    const binary_run::Result result = check(GetParam().args);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.err, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(BothModes, Warnings, ::testing::ValuesIn(WarningCases),
                         [](const ::testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

// A run with one warning (an unknown attribute) and an include.
const Files WarnedRun{{{"in.xml", "<r>\n  <include filename=\"b c.xml\" x=\"1\"/>\n</r>\n"}, {"b c.xml", "<b/>"}}};
const std::string Warned = "in.xml:2:3: warning: <include> has an unknown attribute 'x' [-Wunknown-attribute]\n";

TEST_F(CheckRun, WerrorFailsWithoutWritingAnything)
{
    write(WarnedRun);
    const binary_run::Result result = check({"--werror", "--depfile", "out.d", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "in.xml:2:3: error: <include> has an unknown attribute 'x' [-Werror=unknown-attribute]\n"
                          "xmlpp-check: 1 warning treated as error: nothing written\n");
    EXPECT_FALSE(fs::exists(work() / "out.xml"));
    EXPECT_FALSE(fs::exists(work() / "out.d"));
}

// The -W options over a run with a warning of three kinds, one of them off
// by default.
TEST_F(CheckRun, WarningControls)
{
    write({{{"in.xml", "<r a=\"$(U)\">\n  <include filename=\"p.xml\" x=\"1\"/>\n  <if undefined=\"1\"/>\n</r>\n"},
            {"p.xml", "<p/>"}}});
    const std::string macro = "in.xml:1:1: warning: undefined macro 'U' is left as $(U) in attribute 'a' "
                              "[-Wundefined-macro]\n";
    const std::string attribute = " <include> has an unknown attribute 'x' [-W";
    const std::string undef = "in.xml:3:3: warning: <if> tests macro 'undefined', which is not defined [-Wundef]\n";
    const std::string oneError = "xmlpp-check: 1 warning treated as error: nothing written\n";
    const struct {
        std::vector<std::string> options;
        int status;
        std::string err;
    } cases[] = {
        {{}, 0, macro + "in.xml:2:3: warning:" + attribute + "unknown-attribute]\n"},
        {{"-Wno-undefined-macro"}, 0, "in.xml:2:3: warning:" + attribute + "unknown-attribute]\n"},
        {{"-Werror=unknown-attribute"},
         2,
         macro + "in.xml:2:3: error:" + attribute + "error=unknown-attribute]\n" + oneError},
        {{"--werror", "-Wno-error=undefined-macro"},
         2,
         macro + "in.xml:2:3: error:" + attribute + "error=unknown-attribute]\n" + oneError},
        {{"-Wundef", "-Wno-unknown-attribute"}, 0, macro + undef},
        {{"-Wall", "-Wno-undef"}, 0, macro + "in.xml:2:3: warning:" + attribute + "unknown-attribute]\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"in.xml", "out.xml"});
        const binary_run::Result result = check(args);
        EXPECT_EQ(result.status, c.status) << args.front();
        EXPECT_EQ(result.err, c.err) << args.front();
    }
    binary_run::Result result = check({"-Wbogus", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')),
              "xmlpp-check: unknown warning option '-Wbogus'; --list-warnings lists the names");
    // The list shows the state the options before it give.
    result = check({"--list-warnings"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.substr(0, result.out.find('\n') + 1),
              "malformed          on   input that is not well-formed XML, and what the reader made of it\n");
    EXPECT_NE(result.out.find("\nundef              off  "), std::string::npos);
    EXPECT_NE(check({"-Wall", "--list-warnings"}).out.find("\nundef              on   "), std::string::npos);
    // The bash completion offers every name.
    const std::string completion = readFile(fs::path(XMLPP_SOURCE_DIR) / "packaging/completions/xmlpp-check");
    std::istringstream names(result.out);
    for (std::string line; std::getline(names, line);) {
        const std::string name = " " + line.substr(0, line.find(' '));
        std::size_t at = completion.find(name);
        while (at != std::string::npos && std::string(" ;\\").find(completion[at + name.size()]) == std::string::npos)
            at = completion.find(name, at + 1);
        EXPECT_NE(at, std::string::npos) << line;
    }
}

TEST_F(CheckRun, QuietAndNoOutput)
{
    write(WarnedRun);
    binary_run::Result result = check({"--quiet", "--werror", "-MF", "out.d", "--", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::exists(work() / "out.d"));
    result = check({"--no-output", "--depfile=new.d", "in.xml", "new.xml"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, Warned);
    EXPECT_FALSE(fs::exists(work() / "new.xml") || fs::exists(work() / "new.d"));
}

// Every file read once, in the order first read, with the -xhtml includes
// that could not be opened; Make's escapes; an empty rule for each.
TEST_F(CheckRun, DependencyFileListsEveryFileReadOnce)
{
    write(
        {{{"in.xml", "<r><include filename=\"p.xml\"/><include filename=\"p.xml\"/></r>"},
          {"p.xml", "<p><include filename=\"sub/q#1.xml\"/></p>"},
          {"sub/q#1.xml", "<q/>"},
          {"page.xml", "<html><include filename=\"a$b.txt\" type=\"text\"/><include filename=\"x:y.xml\"/></html>"}}});
    EXPECT_EQ(check({"--depfile", "out.d", "in.xml", "out dir.xml"}).status, 0);
    EXPECT_EQ(readFile(work() / "out.d"),
              "out\\ dir.xml: in.xml \\\n p.xml \\\n sub/q\\#1.xml\n\nin.xml:\n\np.xml:\n\nsub/q\\#1.xml:\n");
    EXPECT_EQ(check({"--depfile", "page.d", "--", "-xhtml", "page.xml", "page.html"}).status, 0);
    EXPECT_EQ(readFile(work() / "page.d"),
              "page.html: page.xml \\\n a$$b.txt \\\n x\\:y.xml\n\npage.xml:\n\na$$b.txt:\n\nx\\:y.xml:\n");
}

TEST_F(CheckRun, FailureIsXmlppsAndWritesNoDependencyFile)
{
    write({{{"in.xml", "<r><include filename=\"none.xml\"/></r>"}}});
    const binary_run::Result result = check({"--depfile", "out.d", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "in.xml:1:4: error: cannot open included file './none.xml': No such file or directory\n"
                          "XmlPP::processConditionals(): error \"couldn't read ./none.xml\" in include file "
                          "./none.xml line:0\n");
    EXPECT_FALSE(fs::exists(work() / "out.d"));
}

// A dependency file that cannot be written whole fails the run with status
// 1 and the message; an old one keeps its bytes, none is made where there
// was none, and nothing is left beside it.
class UnwritableDependencyFile : public CheckRun {
protected:
    void TearDown() override
    {
        unmount();
        CheckRun::TearDown();
    }

    // A 64 KiB tmpfs at work()/disk, holding the old dependency file when
    // there is one, filled up (false: only root can mount one).
    bool mountFullDisk(const std::optional<std::string>& old)
    {
        fs::create_directory(work() / "disk");
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", (work() / "disk").c_str(), "tmpfs", 0, "size=65536") == 0;
        if (mounted_) {
            if (old)
                binary_run::writeFile(work() / "disk/out.d", *old);
            binary_run::writeFile(work() / "disk/filler", std::string(65536, 'x'));
        }
        return mounted_;
    }
    void unmount()
    {
        if (mounted_)
            ::umount2((work() / "disk").c_str(), MNT_DETACH);
        mounted_ = false;
    }

    void expectFailure(const std::string& depfile, long fileSizeLimit = -1)
    {
        const binary_run::Result result = check({"--depfile", depfile, "in.xml", "out.xml"}, fileSizeLimit);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "xmlpp-check: couldn't write dependency file " + depfile + "\n");
    }
    // The failure, after which the folder of depfile holds what it held.
    void expectFailureLeavingTheFolder(const std::string& depfile, const std::optional<std::string>& old,
                                       long fileSizeLimit = -1)
    {
        const fs::path folder = (work() / depfile).parent_path();
        const std::set<fs::path> before(fs::directory_iterator(folder), fs::directory_iterator{});
        expectFailure(depfile, fileSizeLimit);
        if (old)
            EXPECT_EQ(readFile(work() / depfile), *old);
        else
            EXPECT_FALSE(fs::exists(work() / depfile));
        EXPECT_EQ(std::set<fs::path>(fs::directory_iterator(folder), fs::directory_iterator{}), before);
    }

private:
    bool mounted_ = false;
};

const std::optional<std::string> OldOrNone[] = {"old.xml: in.xml\n", std::nullopt};

TEST_F(UnwritableDependencyFile, DeviceWithoutRoom)
{
    write({{{"in.xml", "<r/>"}}});
    expectFailure("/dev/full");
    for (const auto& entry : fs::directory_iterator("/dev"))
        EXPECT_NE(entry.path().filename().string().rfind(".full", 0), 0u) << entry.path();
}

TEST_F(UnwritableDependencyFile, FullDisk)
{
    write({{{"in.xml", "<r/>"}}});
    for (const std::optional<std::string>& old : OldOrNone) {
        if (!mountFullDisk(old))
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        struct statvfs disk {};
        ASSERT_EQ(::statvfs((work() / "disk").c_str(), &disk), 0);
        ASSERT_EQ(disk.f_bavail, 0u);
        expectFailureLeavingTheFolder("disk/out.d", old);
        unmount();
    }
}

// 300 included files with names of over 200 bytes make a dependency file
// of about 125 KB, many times the stream's buffer; a limit of 32 KiB on
// the size of files lets its first 32 KiB reach the file, then fails.
TEST_F(UnwritableDependencyFile, WriteFailsAfterTheFirstBuffer)
{
    std::string input = "<r>";
    for (int i = 0; i < 300; ++i) {
        const std::string name = std::to_string(i) + std::string(200, 'n') + ".xml";
        binary_run::writeFile(work() / name, "<p/>");
        input += "<include filename=\"" + name + "\"/>";
    }
    write({{{"in.xml", input + "</r>"}}});
    ASSERT_EQ(check({"--depfile", "whole.d", "in.xml", "out.xml"}).status, 0);
    ASSERT_GT(fs::file_size(work() / "whole.d"), 100000u);
    for (const std::optional<std::string>& old : OldOrNone) {
        fs::remove(work() / "out.d");
        if (old)
            binary_run::writeFile(work() / "out.d", *old);
        expectFailureLeavingTheFolder("out.d", old, 32768);
    }
}

// --macros-file and --doctype-file give what xmlpp gives with the file's
// bytes, less one line feed at the end, as the argument.
struct ArgumentFileCase {
    const char* name;
    Files files;
    std::vector<std::string> check;   // after --quiet; OUT is the output
    std::vector<std::string> direct;  // xmlpp's arguments
};

const Files Page{{{"in.xml", "<r a=\"$(A)\" b=\"$(B)\" v=\"$(V)\"/>"},
                  {"page.xml", "<p title=\"$(lang) $(A)\" expand_attributes=\"title\"/>"}}};

Files withPage(std::vector<std::pair<std::string, std::string>> files)
{
    files.insert(files.end(), Page.entries.begin(), Page.entries.end());
    return {files};
}

const ArgumentFileCase ArgumentFileCases[] = {
    {"List",
     withPage({{"l", "A=1;B=x\\;y;V=$(A)/bin\n"}}),
     {"--macros-file", "l", "in.xml", "OUT"},
     {"in.xml", "OUT", "A=1;B=x\\;y;V=$(A)/bin"}},
    {"OneLineFeedDropped",
     withPage({{"l", "V=two\n\n"}}),
     {"--macros-file=l", "in.xml", "OUT"},
     {"in.xml", "OUT", "V=two\n"}},
    {"DoctypeAlone",
     withPage({{"d", "html\n"}}),
     {"--doctype-file", "d", "in.xml", "OUT"},
     {"in.xml", "OUT", "", "html"}},
    {"ListAndDoctype",
     withPage({{"l", "A=1"}, {"d", "x y"}}),
     {"--doctype-file", "d", "--macros-file", "l", "--", "in.xml", "OUT"},
     {"in.xml", "OUT", "A=1", "x y"}},
    {"XhtmlList",
     withPage({{"l", "lang=de;A;A=1\n"}}),
     {"--macros-file", "l", "-xhtml", "page.xml", "OUT"},
     {"-xhtml", "page.xml", "OUT", "lang=de;A;A=1"}},
};

class ArgumentFiles : public CheckRun, public ::testing::WithParamInterface<ArgumentFileCase> {};

std::vector<std::string> withOutput(std::vector<std::string> args, const std::string& output)
{
    for (std::string& arg : args)
        if (arg == "OUT")
            arg = output;
    return args;
}

TEST_P(ArgumentFiles, GiveWhatXmlppGivesWithTheArgument)
{
    write(GetParam().files);
    std::vector<std::string> args{"--quiet"};
    for (const std::string& arg : withOutput(GetParam().check, "check.out"))
        args.push_back(arg);
    const binary_run::Result viaFile = check(args);
    const binary_run::Result direct = binary_run::run(work(), withOutput(GetParam().direct, "direct.out"));
    EXPECT_EQ(viaFile.status, 0);
    EXPECT_EQ(direct.status, 0);
    EXPECT_EQ(viaFile.err, direct.err);
    EXPECT_TRUE(fs::exists(work() / "check.out"));
    EXPECT_EQ(readFile(work() / "check.out"), readFile(work() / "direct.out"));
}

INSTANTIATE_TEST_SUITE_P(BothModes, ArgumentFiles, ::testing::ValuesIn(ArgumentFileCases),
                         [](const ::testing::TestParamInfo<ArgumentFileCase>& info) { return info.param.name; });

TEST_F(CheckRun, ArgumentFilesThatDoNotFit)
{
    write({{{"l", "A=1"}, {"zero", std::string("A=1\0", 4)}}});
    const std::pair<std::vector<std::string>, std::string> misfits[] = {
        {{"--macros-file", "l", "in.xml", "out.xml", "B=2"},
         "option '--macros-file' and a macro list argument both given"},
        {{"--doctype-file", "l", "in.xml", "out.xml", "", "html"},
         "option '--doctype-file' and a DOCTYPE argument both given"},
        {{"--doctype-file", "l", "-xhtml", "in.xml", "out.html"},
         "option '--doctype-file' is for the default mode, not -xhtml"},
        {{"--macros-file", "l", "-xhtml", "in.xml"}, "option '--macros-file' needs <infile> and <outfile>"},
    };
    for (const auto& [args, problem] : misfits) {
        const binary_run::Result result = check(args);
        EXPECT_EQ(result.status, 2) << problem;
        EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "xmlpp-check: " + problem);
    }
    binary_run::Result result = check({"--macros-file", "none", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "xmlpp-check: couldn't read macro list file none\n");
    result = check({"--macros-file", "zero", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "xmlpp-check: macro list file zero holds a zero byte\n");
}

// The output and the dependency file are each rewritten only when their
// bytes change; an unchanged one keeps its time.
TEST_F(CheckRun, KeepUnchangedLeavesEqualFilesAlone)
{
    write({{{"in.xml", "<r><if a=\"1\"><include filename=\"p.xml\"/></if></r>"}, {"p.xml", "<p/>"}}});
    const std::vector<std::string> args{"--keep-unchanged", "--depfile", "out.d", "in.xml", "out.xml"};
    ASSERT_EQ(check(args).status, 0);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {"out.xml", "out.d", "in.xml"})
        fs::last_write_time(work() / name, old);
    ASSERT_EQ(check(args).status, 0);
    EXPECT_EQ(fs::last_write_time(work() / "out.xml"), old);
    EXPECT_EQ(fs::last_write_time(work() / "out.d"), old);
    std::vector<std::string> withList = args;
    withList.push_back("a=1");
    ASSERT_EQ(check(withList).status, 0);
    EXPECT_NE(fs::last_write_time(work() / "out.xml"), old);
    EXPECT_EQ(readFile(work() / "out.xml"), "<r>\n  <p/>\n</r>\n");
    EXPECT_NE(readFile(work() / "out.d").find("p.xml"), std::string::npos);
    fs::last_write_time(work() / "out.xml", old);
    fs::remove(work() / "out.d");
    ASSERT_EQ(check(withList).status, 0);
    EXPECT_EQ(fs::last_write_time(work() / "out.xml"), old);
    EXPECT_TRUE(fs::exists(work() / "out.d"));
}

TEST_F(CheckRun, CommandLine)
{
    write({{{"-odd.xml", "<r/>"}}});
    binary_run::Result result = check({"--bogus", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "xmlpp-check: unrecognized option '--bogus'");
    EXPECT_NE(result.err.find("Try 'xmlpp-check --help' for more information.\n"), std::string::npos);
    result = check({"--quiet", "-MF"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "xmlpp-check: option '-MF' requires an argument");
    result = check({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Usage: xmlpp-check [OPTIONS] [--] <infile> <outfile>", 0), 0u);
    EXPECT_EQ(check({"--version"}).out, "xmlpp-check 1.0.0\n");
    // After "--" a name may start with "-"; xmlpp's own usage message names
    // the companion.
    EXPECT_EQ(check({"--", "-odd.xml", "out.xml"}).status, 0);
    EXPECT_EQ(check({"--werror"}).err, "xmlpp-check: <infile> <outfile> [macro1=value;macro2=value;..]\n");
}

// Realistic inputs, each with the macros it is meant for, and the examples:
// not one warning (text is dropped by design in all of them).
class NoFalseAlarm : public CheckRun, public ::testing::WithParamInterface<std::string> {};

TEST_P(NoFalseAlarm, OnRealisticInput)
{
    const fs::path folder = fs::path(XMLPP_SOURCE_DIR) / GetParam();
    const fs::path files = fs::exists(folder / "files") ? folder / "files" : folder;
    fs::copy(files, work(), fs::copy_options::recursive);
    std::vector<std::string> args{"--werror", "-Wno-text-dropped", "--no-output", "--"};
    std::istringstream lines(readFile(folder / "cmd"));
    for (std::string line; std::getline(lines, line);)
        args.push_back(line);
    const binary_run::Result result = check(args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

std::vector<std::string> realisticInputs()
{
    std::vector<std::string> folders;
    for (const char* top : {"tests/data/corpus", "examples"})
        for (const auto& entry : fs::directory_iterator(fs::path(XMLPP_SOURCE_DIR) / top))
            if (fs::exists(entry.path() / "cmd"))
                folders.push_back(fs::relative(entry.path(), XMLPP_SOURCE_DIR).string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

INSTANTIATE_TEST_SUITE_P(CorpusAndExamples, NoFalseAlarm, ::testing::ValuesIn(realisticInputs()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

}  // namespace
