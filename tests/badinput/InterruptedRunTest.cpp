// Runs acted on while under way, through the pausing build of the program
// (tests/support/PausingDriver.cpp): an input rewritten after it was read,
// a file whose size changes while it is read, SIGINT and SIGTERM while the
// output is written.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;
using binary_run::writeFile;

const std::string OldOutput = "output of an earlier run\n";

// A run of the pausing program in a folder of its own.
class PausedRun {
public:
    PausedRun(const fs::path& work, const std::string& point, const std::vector<std::string>& args,
              bool ignoreInterrupt = false)
        : marker_(work.parent_path() / "paused"), err_(work.parent_path() / "stderr.txt")
    {
        fs::remove(marker_);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(work.c_str()) != 0 || !std::freopen(err_.c_str(), "wb", stderr))
                ::_exit(127);
            if (ignoreInterrupt)
                std::signal(SIGINT, SIG_IGN);
            std::vector<std::string> all{XMLPP_PAUSED_BINARY, marker_.string(), point};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& arg : all)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~PausedRun()
    {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            finish();
        }
    }

    // Whether the run reached its pause within a minute.
    bool paused() const
    {
        for (int i = 0; i < 12000 && !fs::exists(marker_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return fs::exists(marker_);
    }
    void resume() const { fs::remove(marker_); }
    void signal(int number) const { ::kill(pid_, number); }
    // Waits for the end: the exit status, or 128 + the signal that ended it.
    int finish()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string err() const { return readFile(err_); }

private:
    fs::path marker_;
    fs::path err_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

std::vector<std::string> modeArgs(bool xhtml, const std::string& input, const std::string& output)
{
    if (xhtml)
        return {"-xhtml", input, output};
    return {input, output};
}

// About `bytes` of a document that holds an include of part.xml.
std::string document(std::size_t bytes, char letter)
{
    std::string text = "<r><include filename=\"part.xml\"/>";
    while (text.size() < bytes)
        text += std::string("<e a=\"") + letter + "\"/>";
    return text + "</r>";
}

// The temporary files left beside out.*: hidden names that start with it.
std::vector<std::string> leftovers(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".out.", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

class InterruptedRun : public ScratchFolderTest {
protected:
    InterruptedRun() : ScratchFolderTest("xmlpp-interrupted") {}
    void put(const std::string& name, const std::string& bytes) const { writeFile(work() / name, bytes); }
};

// The input and an include are rewritten in place (as cp over them does)
// once read: the output is that of the bytes read, in both modes, for
// sizes that were once mapped rather than read.
TEST_F(InterruptedRun, InputsRewrittenAfterTheReadLeaveTheOutputAlone)
{
    for (const bool xhtml : {false, true}) {
        const std::string input = document(1 << 20, 'a');
        put("in.xml", input);
        put("part.xml", "<part>" + std::string(100000, ' ') + "</part>");
        ASSERT_EQ(binary_run::run(work(), modeArgs(xhtml, "in.xml", "expected")).status, 0);
        PausedRun run(work(), "before-write", modeArgs(xhtml, "in.xml", "out"));
        ASSERT_TRUE(run.paused());
        put("in.xml", document(1 << 20, 'b').substr(0, input.size()));
        put("part.xml", "<" + std::string(100010, 'x') + ">");
        run.resume();
        EXPECT_EQ(run.finish(), 0) << run.err();
        EXPECT_TRUE(readFile(work() / "out") == readFile(work() / "expected")) << xhtml;
    }
}

// A file that someone else writes between its sizing and the end of its
// read is no version of that file: the run ends with a message naming it.
TEST_F(InterruptedRun, SizeChangedWhileReadEndsTheRun)
{
    struct Case {
        std::vector<std::string> args;
        std::string changed;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"in.xml", "out.xml"}, "in.xml", "load error in.xml changed size while it was read at 0\n"},
        {{"-xhtml", "in.xml", "out.html"}, "in.xml", "error: xml file in.xml changed size while it was read\n"},
    };
    for (const Case& c : cases) {
        put("in.xml", document(200000, 'a'));
        put("part.xml", "<part/>");
        PausedRun run(work(), "sized", c.args);
        ASSERT_TRUE(run.paused());
        put(c.changed, document(300000, 'a'));
        run.resume();
        EXPECT_EQ(run.finish(), 1);
        EXPECT_EQ(run.err(), c.message);
        EXPECT_FALSE(fs::exists(work() / c.args.back()));
    }
}

// SIGINT or SIGTERM while the output is written: the old output stays and
// no temporary file is left, whether the file being written has a name
// yet (where the file system cannot make one without) or not.
TEST_F(InterruptedRun, SignalsWhileWritingLeaveNothingBehind)
{
    put("in.xml", document(3 << 20, 'a'));
    put("part.xml", "<part/>");
    for (const bool xhtml : {false, true}) {
        for (const char* point : {"first-block", "named"}) {
            for (const int number : {SIGINT, SIGTERM}) {
                const std::string output = xhtml ? "out.html" : "out.xml";
                put(output, OldOutput);
                PausedRun run(work(), point, modeArgs(xhtml, "in.xml", output));
                ASSERT_TRUE(run.paused());
                // The named file exists while it is written; the other has no name.
                EXPECT_EQ(leftovers(work()).size(), std::string(point) == "named" ? 1u : 0u) << point;
                run.signal(number);
                EXPECT_EQ(run.finish(), 128 + number) << point << xhtml;
                EXPECT_EQ(readFile(work() / output), OldOutput);
                EXPECT_TRUE(leftovers(work()).empty()) << point << xhtml << number;
            }
        }
    }
}

// A run started with SIGINT ignored (nohup, "cmd &") goes on through it.
TEST_F(InterruptedRun, IgnoredInterruptStaysIgnored)
{
    put("in.xml", document(3 << 20, 'a'));
    put("part.xml", "<part/>");
    PausedRun run(work(), "named", {"in.xml", "out.xml"}, true);
    ASSERT_TRUE(run.paused());
    run.signal(SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    run.resume();
    EXPECT_EQ(run.finish(), 0);
    EXPECT_TRUE(leftovers(work()).empty());
    EXPECT_EQ(readFile(work() / "out.xml").substr(0, 5), "<r>\n ");
}

}  // namespace
