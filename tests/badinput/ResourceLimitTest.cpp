// Runs under limits of memory and stack: a large input and documents at
// the nesting bounds end with the output or with one line and status 1,
// never with a signal (an abort on std::bad_alloc, a stack overflow). The
// sanitizer builds reserve terabytes of address space and keep more on the
// stack: these tests are for the others.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XMLPP_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define XMLPP_TEST_SANITIZED 1
#endif
#endif

constexpr long MiB = 1L << 20;

std::string nested(int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<div>";
    for (int i = 0; i < levels; ++i)
        text += "</div>";
    return text;
}

// About 60 MB of elements with attributes.
std::string largeInput()
{
    std::string text = "<project>";
    const std::string entry = "<file path=\"src/drivers/uart.c\" type=\"source\" build=\"yes\" optimise=\"-O2\"/>";
    text.reserve(60 * MiB);
    while (text.size() < 60 * MiB)
        text += entry;
    return text + "</project>";
}

class ResourceLimits : public ScratchFolderTest {
protected:
    ResourceLimits() : ScratchFolderTest("xmlpp-limits") {}

    void SetUp() override
    {
#ifdef XMLPP_TEST_SANITIZED
        GTEST_SKIP() << "sanitizer builds cannot run under an address-space limit";
#endif
        ScratchFolderTest::SetUp();
        binary_run::writeFile(work() / "large.xml", largeInput());
        binary_run::writeFile(work() / "deep.xml", nested(20000));
        binary_run::writeFile(work() / "xdeep.xml", nested(10000));
    }

    // Success, or one line and status 1.
    static void expectCleanEnd(const binary_run::Result& run, const std::string& what)
    {
        EXPECT_TRUE(run.status == 0 || run.status == 1) << what << ": status " << run.status;
        if (run.status == 1)
            EXPECT_TRUE(std::regex_match(run.err, std::regex("[^\n]+\n"))) << what << ": " << run.err;
        else
            EXPECT_EQ(run.err, "") << what;
    }
};

const std::vector<std::vector<std::string>> Runs{
    {"large.xml", "/dev/null"},
    {"-xhtml", "large.xml", "/dev/null"},
    {"deep.xml", "/dev/null"},
    {"-xhtml", "xdeep.xml", "/dev/null"},
};

// Address space and stack, as ulimit -v and ulimit -s set them.
TEST_F(ResourceLimits, AddressSpaceAndStack)
{
    for (const auto& [space, stack] : {std::pair{256 * MiB, -1L}, std::pair{512 * MiB, -1L}, std::pair{2048 * MiB, -1L},
                                       std::pair{512 * MiB, 1 * MiB}}) {
        binary_run::Options options;
        options.addressSpaceLimit = space;
        options.stackLimit = stack;
        for (const auto& args : Runs)
            expectCleanEnd(binary_run::run(work(), args, options), args[1] + " in " + std::to_string(space >> 20));
    }
}

// Where no stack can be made for it, the run takes place on the main
// thread's own: the bound is what that stack holds, the message says so,
// and a document at that bound goes through.
TEST_F(ResourceLimits, OwnStackSetsTheBound)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;  // with the number of levels as its first group
    };
    const std::vector<Case> cases{
        {{"own-stack", "deep.xml", "out.xml"},
         "load error element nesting deeper than ([0-9]+) levels \\(the most a stack of [0-9]+ KiB holds\\) at 0\n"},
        {{"own-stack", "-xhtml", "xdeep.xml", "out.html"},
         "error: Cannot load xml file: xdeep.xml - nesting deeper than ([0-9]+) levels \\(the most a stack of [0-9]+ "
         "KiB "
         "holds\\) line: 1 column: [0-9]+\n"},
    };
    binary_run::Options options;
    options.binary = XMLPP_PAUSED_BINARY;
    options.stackLimit = 1 * MiB;
    for (const Case& c : cases) {
        std::vector<std::string> args{"paused"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const binary_run::Result run = binary_run::run(work(), args, options);
        std::smatch levels;
        ASSERT_TRUE(std::regex_match(run.err, levels, std::regex(c.message))) << run.err;
        EXPECT_EQ(run.status, 1);
        binary_run::writeFile(work() / args[args.size() - 2], nested(std::stoi(levels[1])));
        const binary_run::Result atBound = binary_run::run(work(), args, options);
        EXPECT_EQ(atBound.status, 0) << atBound.err;
    }
}

}  // namespace
