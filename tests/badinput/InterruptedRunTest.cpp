// Runs acted on while under way, through the pausing build of the program
// (tests/support/PausingDriver.cpp): an input rewritten after it was read,
// a file whose size changes while it is read, signals while the output is
// written.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;
using binary_run::writeFile;

// A run of the pausing program, paused at `point` until resume().
class PausedRun {
public:
    PausedRun(const fs::path& work, const std::string& point, std::vector<std::string> args,
              bool ignoreInterrupt = false)
        : marker_(work.parent_path() / "paused"), err_(work.parent_path() / "stderr.txt")
    {
        fs::remove(marker_);  // left by a run that ended while paused
        args.insert(args.begin(), {XMLPP_PAUSED_BINARY, marker_.string(), point});
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(work.c_str()) != 0 || !std::freopen(err_.c_str(), "wb", stderr))
                ::_exit(127);
            // Whatever the test itself inherited (a shell's "&" ignores SIGINT).
            std::signal(SIGINT, ignoreInterrupt ? SIG_IGN : SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            std::vector<char*> argv;
            for (std::string& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~PausedRun()
    {
        signal(SIGKILL);
        finish();
    }

    // Whether the run reached its pause within a minute.
    bool paused() const
    {
        for (int i = 0; i < 12000 && !fs::exists(marker_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return fs::exists(marker_);
    }
    void resume() const { fs::remove(marker_); }
    void signal(int number) const
    {
        if (pid_ > 0)
            ::kill(pid_, number);
    }
    // Waits for the end: the exit status, or 128 + the signal that ended it.
    int finish()
    {
        if (pid_ <= 0)
            return -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string err() const { return readFile(err_); }

private:
    fs::path marker_;
    fs::path err_;
    pid_t pid_ = -1;
};

std::vector<std::string> modeArgs(bool xhtml, const std::string& output)
{
    return xhtml ? std::vector<std::string>{"-xhtml", "in.xml", output} : std::vector<std::string>{"in.xml", output};
}

// About `bytes` of a document that includes part.xml.
std::string document(std::size_t bytes, char letter)
{
    std::string text = "<r><include filename=\"part.xml\"/>";
    while (text.size() < bytes)
        text += std::string("<e a=\"") + letter + "\"/>";
    return text + "</r>";
}

// The hidden files beside out.*: temporary files left behind.
std::size_t leftovers(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().rfind(".out.", 0) == 0;
    return count;
}

class InterruptedRun : public ScratchFolderTest {
protected:
    InterruptedRun() : ScratchFolderTest("xmlpp-interrupted") {}
    void put(const std::string& name, const std::string& bytes) const { writeFile(work() / name, bytes); }
};

// The input and an include, rewritten in place (as cp over them does) once
// read, leave the output as the bytes read make it. 1 MB is a size that a
// reader which maps its files rather than copying them would map.
TEST_F(InterruptedRun, InputsRewrittenAfterTheReadLeaveTheOutputAlone)
{
    for (const bool xhtml : {false, true}) {
        const std::string input = document(1 << 20, 'a');
        put("in.xml", input);
        put("part.xml", "<part>" + std::string(100000, ' ') + "</part>");
        ASSERT_EQ(binary_run::run(work(), modeArgs(xhtml, "expected")).status, 0);
        PausedRun run(work(), "before-write", modeArgs(xhtml, "out"));
        ASSERT_TRUE(run.paused());
        put("in.xml", document(1 << 20, 'b').substr(0, input.size()));
        put("part.xml", "<" + std::string(100010, 'x') + ">");
        run.resume();
        EXPECT_EQ(run.finish(), 0);
        EXPECT_TRUE(readFile(work() / "out") == readFile(work() / "expected")) << xhtml;
    }
}

// An input written by someone else between its sizing and the end of its
// read is no version of that file: the run ends with a message naming it.
TEST_F(InterruptedRun, SizeChangedWhileReadEndsTheRun)
{
    for (const bool xhtml : {false, true}) {
        put("in.xml", document(200000, 'a'));
        put("part.xml", "<part/>");
        PausedRun run(work(), "sized", modeArgs(xhtml, "out"));
        ASSERT_TRUE(run.paused());
        put("in.xml", document(300000, 'a'));
        run.resume();
        EXPECT_EQ(run.finish(), 1);
        EXPECT_EQ(run.err(), xhtml ? "error: xml file in.xml changed size while it was read\n"
                                   : "load error in.xml changed size while it was read at 0\n");
        EXPECT_FALSE(fs::exists(work() / "out"));
    }
}

// SIGINT or SIGTERM while the output is written leaves the old output and
// no temporary file, whether the file being written has a name yet (where
// the file system cannot make one without) or not; a SIGINT ignored at
// start (nohup) stays ignored.
TEST_F(InterruptedRun, SignalsWhileWritingLeaveNothingBehind)
{
    struct Case {
        const char* point;
        int signal;
        bool ignored;
    };
    put("in.xml", document(3 << 20, 'a'));
    put("part.xml", "<part/>");
    for (const bool xhtml : {false, true}) {
        for (const Case c :
             {Case{"first-block", SIGINT, false}, Case{"first-block", SIGTERM, false}, Case{"named", SIGINT, false},
              Case{"named", SIGTERM, false}, Case{"named", SIGINT, true}}) {
            const std::string old = "output of an earlier run\n";
            put("out", old);
            PausedRun run(work(), c.point, modeArgs(xhtml, "out"), c.ignored);
            ASSERT_TRUE(run.paused());
            EXPECT_EQ(leftovers(work()), std::string(c.point) == "named" ? 1u : 0u) << c.point;
            run.signal(c.signal);
            if (c.ignored)
                run.resume();
            EXPECT_EQ(run.finish(), c.ignored ? 0 : 128 + c.signal) << c.point << xhtml;
            EXPECT_EQ(readFile(work() / "out") == old, !c.ignored) << c.point << xhtml;
            EXPECT_EQ(leftovers(work()), 0u) << c.point << xhtml << c.signal;
        }
    }
}

}  // namespace
