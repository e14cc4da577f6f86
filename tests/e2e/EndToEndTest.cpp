// Runs the built xmlpp binary on every case folder under tests/data (and on
// every example under examples/) and compares exit status, standard error,
// standard output and output files.
//
// A case folder under tests/data holds:
//   cmd        arguments, one per line (without the program name); "@WORK@"
//              stands for the absolute path of the working folder
//   files/     copied into a fresh working folder, the run's current folder
//   expected/  files that must exist afterwards with exactly these bytes; a
//              name ending in ".re" holds a regular expression (ECMAScript,
//              whole match) for the file without that ending
//   exit       expected exit status (default 0)
//   stderr     exact expected standard error (default: empty); or
//   stderr.re  a regular expression for it
//   stdout     exact expected standard output (default: not checked)
//   absent     names (one per line) that must not exist after the run
// An example folder under examples/ holds "cmd" and "expected/" the same
// way; its working folder is a copy of the example folder itself.
//
// Every case runs twice: with xmlpp, and with "xmlpp-check --quiet --" and
// the same arguments, which must give the same bytes, messages and status.
#include "support/BinaryRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;

std::vector<std::string> readLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

bool fullMatch(const std::string& pattern, const std::string& text)
{
    return std::regex_match(text, std::regex(pattern, std::regex::ECMAScript));
}

// Case names are paths relative to the repository root.
std::vector<std::string> findCases(const fs::path& top)
{
    std::vector<std::string> cases;
    if (!fs::exists(top))
        return cases;
    for (const auto& entry : fs::recursive_directory_iterator(top))
        if (entry.is_regular_file() && entry.path().filename() == "cmd")
            cases.push_back(fs::relative(entry.path().parent_path(), XMLPP_SOURCE_DIR).string());
    std::sort(cases.begin(), cases.end());
    return cases;
}

std::vector<std::string> allCases()
{
    std::vector<std::string> cases = findCases(fs::path(XMLPP_SOURCE_DIR) / "tests" / "data");
    for (const auto& example : findCases(fs::path(XMLPP_SOURCE_DIR) / "examples"))
        cases.push_back(example);
    return cases;
}

// A case name, or "check:" and a case name for the run through xmlpp-check.
const std::string ViaCheck = "check:";

class EndToEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, Case)
{
    const bool viaCheck = GetParam().rfind(ViaCheck, 0) == 0;
    const std::string name = viaCheck ? GetParam().substr(ViaCheck.size()) : GetParam();
    const fs::path caseDir = fs::path(XMLPP_SOURCE_DIR) / name;
    const bool isExample = name.rfind("examples/", 0) == 0;
    const fs::path root =
        fs::temp_directory_path() / ("xmlpp-e2e-" + std::to_string(getpid()) + "-" + replaceAll(GetParam(), "/", "_"));
    fs::remove_all(root);
    const fs::path work = root / "work";
    fs::create_directories(work);
    const fs::path files = isExample ? caseDir : caseDir / "files";
    if (fs::exists(files))
        fs::copy(files, work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);

    std::vector<std::string> args;
    if (viaCheck)
        args = {"--quiet", "--"};
    for (const auto& line : readLines(caseDir / "cmd"))
        args.push_back(replaceAll(line, "@WORK@", work.string()));
    binary_run::Options options;
    if (viaCheck)
        options.binary = XMLPP_CHECK_BINARY;
    const binary_run::Result run = binary_run::run(work, args, options);

    const int wantExit = fs::exists(caseDir / "exit") ? std::stoi(readFile(caseDir / "exit")) : 0;
    EXPECT_EQ(run.status, wantExit);
    if (fs::exists(caseDir / "stderr.re")) {
        EXPECT_TRUE(fullMatch(readFile(caseDir / "stderr.re"), run.err)) << "stderr: " << run.err;
    } else {
        EXPECT_EQ(run.err, fs::exists(caseDir / "stderr") ? readFile(caseDir / "stderr") : "");
    }
    if (fs::exists(caseDir / "stdout")) {
        EXPECT_EQ(run.out, readFile(caseDir / "stdout"));
    }
    if (fs::exists(caseDir / "absent")) {
        for (const auto& name : readLines(caseDir / "absent"))
            EXPECT_FALSE(fs::exists(fs::symlink_status(work / name))) << name << " should not exist";
    }
    if (isExample) {
        EXPECT_TRUE(fs::exists(caseDir / "expected")) << "an example needs its expected output";
    }
    if (fs::exists(caseDir / "expected")) {
        for (const auto& entry : fs::recursive_directory_iterator(caseDir / "expected")) {
            if (!entry.is_regular_file())
                continue;
            std::string rel = fs::relative(entry.path(), caseDir / "expected").string();
            const bool isPattern = rel.size() > 3 && rel.compare(rel.size() - 3, 3, ".re") == 0;
            if (isPattern)
                rel.resize(rel.size() - 3);
            ASSERT_TRUE(fs::exists(work / rel)) << rel << " missing";
            const std::string got = readFile(work / rel);
            const std::string want = readFile(entry.path());
            if (isPattern)
                EXPECT_TRUE(fullMatch(want, got)) << rel << ":\n" << got;
            else
                EXPECT_EQ(got, want) << "in " << rel;
        }
    }
    if (!::testing::Test::HasFailure())
        fs::remove_all(root);
}

std::string caseName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

std::vector<std::string> casesViaCheck()
{
    std::vector<std::string> cases = allCases();
    for (std::string& name : cases)
        name = ViaCheck + name;
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Data, EndToEnd, ::testing::ValuesIn(allCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Check, EndToEnd, ::testing::ValuesIn(casesViaCheck()), caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EndToEnd);

}  // namespace
