// The -xhtml mode keeps attributes in Qt's DOM, whose order follows a hash
// seed; the program fixes the seed, so every run writes the same bytes,
// whatever seed the environment asks Qt for.
#include "support/BinaryRun.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace fs = std::filesystem;

TEST(Determinism, XhtmlOutputIsTheSameOnEveryRun)
{
    const fs::path work = fs::temp_directory_path() / ("xmlpp-determinism-" + std::to_string(getpid())) / "work";
    fs::create_directories(work);
    std::string page = "<html><body>";
    for (int i = 0; i < 20; ++i)
        page += "<p a" + std::to_string(i) + "='1' b='2' c='3' d='4' e='5' f='6' g='7' h='8'>x</p>";
    page += "</body></html>";
    binary_run::writeFile(work / "page.xml", page);

    std::string first;
    for (const char* seed : {"", "1", "12345", "987654321", "42"}) {
        if (*seed != '\0')
            setenv("QT_HASH_SEED", seed, 1);
        const binary_run::Result run = binary_run::run(work, {"-xhtml", "page.xml", "page.html"});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string output = binary_run::readFile(work / "page.html");
        if (first.empty())
            first = output;
        EXPECT_EQ(output, first) << "with QT_HASH_SEED=" << seed;
    }
    unsetenv("QT_HASH_SEED");
    fs::remove_all(work.parent_path());
}

}  // namespace
