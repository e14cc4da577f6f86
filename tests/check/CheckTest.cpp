// xmlpp-check run from outside: each warning with its file, 1-based line
// and text in both modes, --werror, --no-output, the dependency file and
// the command line. Its equality with xmlpp under --quiet is checked over
// every end-to-end case (tests/e2e).
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
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
     "in.xml:2: warning: " + Macro +
         "'B' is left as $(B) in attribute 'b'\n"
         "in.xml:4: warning: " +
         Macro +
         "'U' is left as $(U) in attribute 'v'\n"
         "in.xml:7: warning: " +
         Macro +
         "'W' is left as $(W) in attribute 'w'\n"
         "./sub/part.xml:1: warning: " +
         Macro + "'P' is left as $(P) in attribute 'p'\n"},
    {"ExpressionsThatFail",
     {"in.xml", "out.xml"},
     {{{"in.xml", "<r>\n"
                  "  <ifex expression=\"1 +\"><a/></ifex>\n"
                  "  <define name=\"N\" hex_expression=\"2 * (3\"/>\n"
                  "  <for index=\"i\" start=\"0\" end=\"x\" incr=\"1\" mul=\"\"><b/></for>\n"
                  "  <ifex expression=\"1\"><c/></ifex>\n"
                  "</r>\n"}}},
     "in.xml:2: warning: expression '1 +' in attribute 'expression' of <ifex> does not evaluate: unexpected "
     "token TOKEN_EOL\n"
     "in.xml:3: warning: expression '2 * (3' in attribute 'hex_expression' of <define> does not evaluate: "
     "')' expected\n"
     "in.xml:4: warning: expression '' in attribute 'mul' of <for> does not evaluate: empty expression\n"
     "in.xml:4: warning: expression 'x' in attribute 'end' of <for> does not evaluate: x symbol not found\n"
     "in.xml:5: warning: expression '1' in attribute 'expression' of <ifex> does not evaluate: the value is not "
     "a Boolean\n"},
    {"LoopsWithoutIterations",
     {"in.xml", "out.xml", "none="},
     {{{"in.xml", "<r>\n"
                  "  <for index=\"i\" start=\"0\" end=\"\" incr=\"1\"><a/></for>\n"
                  "  <for index=\"i\" start=\"\" end=\"2\" incr=\"1\"><b/></for>\n"
                  "  <foreach a=\"x\" core=\"$(none)\"><c/></foreach>\n"
                  "</r>\n"}}},
     "in.xml:2: warning: <for> makes no iteration: attribute 'end' is empty\n"
     "in.xml:4: warning: <foreach> makes no iteration: attribute 'core' is empty\n"},
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
     "in.xml:2: warning: <include> has an unknown attribute 'filenme'\n"
     "in.xml:3: warning: <ifex> has no attribute 'expression'\n"
     "in.xml:4: warning: <ifex> has an empty attribute 'expression'\n"
     "in.xml:5: warning: <ifdef> has no attribute 'name'\n"
     "in.xml:5: warning: <ifdef> has an unknown attribute 'nam'\n"
     "in.xml:7: warning: <case> has no attribute 'value'\n"
     "in.xml:7: warning: <case> has an unknown attribute 'vaule'\n"
     "in.xml:8: warning: <default> has an unknown attribute 'value'\n"
     "in.xml:10: warning: <xmlput> has no attribute 'name'\n"},
    {"InputsWithoutElementsOrWithText",
     {"in.xml", "out.xml", "A=1", "B=2"},
     {{{"in.xml", "<r>\n  \n  <include filename=\"t.xml\"/> <a/>\n  lost\n  text\n</r>\n"},
       {"t.xml", "<t>\n\n   <u>x</u>y</t>\n"}}},
     "xmlpp-check: warning: argument 4 'B=2' is not part of the macro list, which is argument 3 alone, its items "
     "separated by ';'\n"
     "in.xml:4: warning: text is not carried into the output (the default mode keeps elements, attributes and "
     "CDATA sections)\n"
     "./t.xml:3: warning: text is not carried into the output (the default mode keeps elements, attributes and "
     "CDATA sections)\n"},
    {"NoElement",
     {"notxml.txt", "out.xml"},
     {{{"notxml.txt", "plain text\n"}}},
     "notxml.txt:1: warning: no element in this file: the output is empty\n"},
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
     "page.xml:2: warning: " + Macro +
         "'T' is left as $(T) in attribute 'title'\n"
         "page.xml:3: warning: XmlPP::processConditionals(): one condition required for <if[not]>\n"
         "page.xml:4: warning: XmlPP::processConditionals(): missing name and/or value in <define_macro>\n"
         "page.xml:5: warning: XmlPP::processConditionals(): missing filename in <include>\n"
         "page.xml:6: warning: XmlPP::processConditionals could not open include file ./$(F)missing.xml\n"
         "page.xml:7: warning: <include> has an unknown attribute 'clas'\n"
         "page.xml:7: warning: XmlPP: error reading XML - tag mismatch on line 1 column 14 of include file ./bad.xml\n"
         "page.xml:8: warning: <expand_definition> has no attribute 'name'\n"
         "page.xml:8: warning: <expand_definition> has an unknown attribute 'nme'\n"
         "./sub/frag.xml:2: warning: " +
         Macro +
         "'Y' is left as $(Y) in attribute 'y'\n"
         "./sub/frag.xml:3: warning: <ifdef> has an unknown attribute 'extra'\n"},
    {"XhtmlCommandLineAndDateMacrosAreDefined",
     {"-xhtml", "page.xml", "page.html", "lang=de;noequals"},
     {{{"page.xml", "<p title=\"$(lang) $(Year) $(noequals) $(ide)\" expand_attributes=\"title\"/>\n"}}},
     "page.xml:1: warning: " + Macro + "'noequals' is left as $(noequals) in attribute 'title'\n"},
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
const std::string Warned = "in.xml:2: warning: <include> has an unknown attribute 'x'\n";

TEST_F(CheckRun, WerrorFailsWithoutWritingAnything)
{
    write(WarnedRun);
    const binary_run::Result result = check({"--werror", "--depfile", "out.d", "in.xml", "out.xml"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, Warned + "xmlpp-check: 1 warning treated as errors (--werror): nothing written\n");
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
    EXPECT_EQ(result.err, "XmlPP::processConditionals(): error \"couldn't read ./none.xml\" in include file "
                          "./none.xml line:0\n");
    EXPECT_FALSE(fs::exists(work() / "out.d"));
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

}  // namespace
