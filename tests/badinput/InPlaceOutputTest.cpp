// An output written in place (its folder takes no new file, the file
// itself may be written) never looks complete after a failure: a disk too
// full for it leaves it untouched, a write that fails later leaves it
// empty and dated 1970-01-01, and so does a dependency file. A dangling link
// on a full disk makes nothing.
//
// A folder root cannot be kept from writing in: as root, the runs take
// place as user nobody; a full disk is a small tmpfs, which only root can
// mount. Tests skip, saying why, where neither is possible.
#include "support/BinaryRun.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <linux/magic.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using binary_run::readFile;
using binary_run::writeFile;

constexpr long Nobody = 65534;
const std::string OldOutput = "output of an earlier run\n";

// Whether user nobody can run the program where it was built.
bool nobodyCanRunTheProgram()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(Nobody) == 0 && ::setuid(Nobody) == 0 && ::access(XMLPP_BINARY, X_OK) == 0 ? 0 : 1);
    int status = 1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// About 300 KB of input.
std::string largeInput()
{
    std::string text = "<r>";
    for (int i = 0; i < 10000; ++i)
        text += "<e name=\"entry\" value=\"" + std::to_string(i) + "\"/>";
    return text + "</r>";
}

class InPlaceOutput : public ScratchFolderTest {
protected:
    InPlaceOutput() : ScratchFolderTest("xmlpp-in-place") {}

    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        writeFile(work() / "in.xml", largeInput());
        if (::geteuid() == 0 && !nobodyCanRunTheProgram())
            GTEST_SKIP() << "user nobody cannot reach the program in its build folder";
    }
    void TearDown() override
    {
        if (mounted_)
            ::umount2(folder().c_str(), MNT_DETACH);
        ScratchFolderTest::TearDown();
    }

    fs::path folder() const { return work() / "locked"; }

    // A folder the run cannot make files in, holding an old output it may
    // write; on a disk of diskBytes when not 0 (false: cannot be had).
    bool makeLockedFolder(long diskBytes)
    {
        fs::create_directory(folder());
        if (diskBytes > 0) {
            if (::geteuid() != 0)
                return false;
            const std::string size = "size=" + std::to_string(diskBytes);
            mounted_ = ::mount("tmpfs", folder().c_str(), "tmpfs", 0, size.c_str()) == 0;
            if (!mounted_)
                return false;
        }
        for (const char* name : {"out.xml", "out.html", "out.d"}) {
            writeFile(folder() / name, OldOutput);
            ::chmod((folder() / name).c_str(), 0666);
            if (::geteuid() == 0 && ::chown((folder() / name).c_str(), Nobody, Nobody) != 0)
                return false;
        }
        ::chmod(folder().c_str(), 0555);
        return true;
    }

    binary_run::Result run(const std::vector<std::string>& args, long fileSizeLimit = -1) const
    {
        binary_run::Options options;
        options.fileSizeLimit = fileSizeLimit;
        if (::geteuid() == 0)
            options.userId = Nobody;
        return binary_run::run(work(), args, options);
    }

    static std::vector<std::string> args(bool xhtml)
    {
        if (xhtml)
            return {"-xhtml", "in.xml", "locked/out.html"};
        return {"in.xml", "locked/out.xml"};
    }
    static std::string failure(bool xhtml, const std::string& note)
    {
        return xhtml ? "error: cannot write locked/out.html" + note + "\n"
                     : "save error couldn't write locked/out.xml" + note + "\n";
    }

private:
    bool mounted_ = false;
};

TEST_F(InPlaceOutput, DiskTooFullLeavesItUntouched)
{
    if (!makeLockedFolder(64 << 10))
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    for (const bool xhtml : {false, true}) {
        struct stat before {};
        ::stat((work() / args(xhtml).back()).c_str(), &before);
        const binary_run::Result result = run(args(xhtml));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, failure(xhtml, ""));
        EXPECT_EQ(readFile(work() / args(xhtml).back()), OldOutput);
        struct stat after {};
        ::stat((work() / args(xhtml).back()).c_str(), &after);
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    }
}

// Written whole where it can be; a write past a limit on file sizes (after
// the reservation, which such a limit does not stop on ext4) empties it.
TEST_F(InPlaceOutput, LaterFailureLeavesItEmptyAndDatedBack)
{
    ASSERT_TRUE(makeLockedFolder(0));
    struct statfs disk {};
    if (::statfs(folder().c_str(), &disk) == 0 && disk.f_type == TMPFS_MAGIC)
        GTEST_SKIP() << "tmpfs refuses the reservation itself past a limit on file sizes";
    for (const bool xhtml : {false, true}) {
        EXPECT_EQ(run(args(xhtml)).status, 0);
        EXPECT_GT(readFile(work() / args(xhtml).back()).size(), 300000u);
        const binary_run::Result result = run(args(xhtml), 100000);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, failure(xhtml, " (written in place: now empty, dated 1970-01-01)"));
        struct stat after {};
        ASSERT_EQ(::stat((work() / args(xhtml).back()).c_str(), &after), 0);
        EXPECT_EQ(after.st_size, 0);
        EXPECT_EQ(after.st_mtim.tv_sec, 0);
    }
}

// xmlpp-check's dependency file, written in place, ends the same way, and
// its message says so as the output's does.
TEST_F(InPlaceOutput, DependencyFileLeftEmptyAndDatedBack)
{
    ASSERT_TRUE(makeLockedFolder(0));
    struct statfs disk {};
    if (::statfs(folder().c_str(), &disk) == 0 && disk.f_type == TMPFS_MAGIC)
        GTEST_SKIP() << "tmpfs refuses the reservation itself past a limit on file sizes";
    // A long input name makes the dependency file (which names it twice)
    // longer than the limit, the output and the message shorter.
    const std::string input = std::string(150, 'n') + ".xml";
    writeFile(work() / input, "<r/>");
    binary_run::Options options;
    options.binary = XMLPP_CHECK_BINARY;
    options.programName = "xmlpp-check";
    options.fileSizeLimit = 200;
    if (::geteuid() == 0)
        options.userId = Nobody;
    const binary_run::Result result =
        binary_run::run(work(), {"--depfile", "locked/out.d", "--", input, "locked/out.xml"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "xmlpp-check: couldn't write dependency file locked/out.d (written in place: now empty, dated "
              "1970-01-01)\n");
    EXPECT_EQ(readFile(folder() / "out.xml"), "<r/>\n");
    struct stat after {};
    ASSERT_EQ(::stat((folder() / "out.d").c_str(), &after), 0);
    EXPECT_EQ(after.st_size, 0);
    EXPECT_EQ(after.st_mtim.tv_sec, 0);
}

// The file a dangling link names is made beside itself and renamed into
// place; on a full disk nothing is made and nothing is left.
TEST_F(InPlaceOutput, DanglingLinkOnAFullDisk)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    fs::create_directory(folder());
    ASSERT_EQ(::mount("tmpfs", folder().c_str(), "tmpfs", 0, "size=65536"), 0);
    fs::create_symlink("locked/target.xml", work() / "out.xml");
    const binary_run::Result result = binary_run::run(work(), {"in.xml", "out.xml"});
    EXPECT_TRUE(fs::is_empty(folder()));
    ::umount2(folder().c_str(), MNT_DETACH);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "save error couldn't write out.xml\n");
}

}  // namespace
