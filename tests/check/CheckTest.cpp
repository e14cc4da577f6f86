// xmlpp-check run from outside: each warning with its file, 1-based line
// and text in both modes, --werror, --no-output, the dependency file and
// the command line. Its equality with xmlpp under --quiet is checked over
// every end-to-end case (tests/e2e).
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
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
    binary_run::Result check(const std::vector<std::string>& args)
    {
        binary_run::Options options;
        options.binary = XMLPP_CHECK_BINARY;
        options.programName = "xmlpp-check";
        return binary_run::run(work(), args, options);
    }
};

struct WarningCase {
    const char* name;
    std::vector<std::string> args;
    Files files;
    std::string warnings;  // standard error, exactly
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
};

class Warnings : public CheckRun, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(Warnings, AtTheirPlaces)
{
    write(GetParam().files);
    const binary_run::Result result = check(GetParam().args);
    EXPECT_EQ(result.status, 0);
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

}  // namespace
