// What the safe output file does with what already stands at the target: a
// symbolic link, the mode of an existing file, a target that disappears
// before the finished file takes its place, a target that is kept.
#include "io/SafeOutputFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool write(const fs::path& path, const char* text)
{
    SafeOutputFile output;
    return output.open(path.string()) && std::fputs(text, output.file()) >= 0 && output.commit();
}

// The names in a folder: no temporary file may be left.
std::size_t entries(const fs::path& folder)
{
    return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class SafeOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "real");
    }
    void TearDown() override { fs::remove_all(dir_); }

    const fs::path dir_ = fs::temp_directory_path() / ("xmlpp-safe-output-" + std::to_string(::getpid()));
};

// Writing through a link writes the file it points to and keeps the link,
// as a shell's redirection does; a dangling link creates what it names.
TEST_F(SafeOutput, SymbolicLinksAreFollowed)
{
    std::ofstream(dir_ / "real/target.xml") << "old";
    fs::create_symlink("real/target.xml", dir_ / "out.xml");
    fs::create_symlink("real/new.xml", dir_ / "dangling.xml");
    ASSERT_TRUE(write(dir_ / "out.xml", "new"));
    ASSERT_TRUE(write(dir_ / "dangling.xml", "made"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "out.xml") && fs::is_symlink(dir_ / "dangling.xml"));
    EXPECT_EQ(read(dir_ / "real/target.xml"), "new");
    EXPECT_EQ(read(dir_ / "real/new.xml"), "made");
    EXPECT_EQ(entries(dir_), 3u);
    EXPECT_EQ(entries(dir_ / "real"), 2u);
}

// A replaced file keeps its mode; a new one gets what the umask allows.
TEST_F(SafeOutput, FileModesAreKept)
{
    std::ofstream(dir_ / "out.xml") << "old";
    fs::permissions(dir_ / "out.xml", fs::perms(0751));
    ASSERT_TRUE(write(dir_ / "out.xml", "new"));
    EXPECT_EQ(modeOf(dir_ / "out.xml"), 0751u);
    const mode_t previous = ::umask(027);
    ASSERT_TRUE(write(dir_ / "fresh.xml", "new"));
    ::umask(previous);
    EXPECT_EQ(modeOf(dir_ / "fresh.xml"), 0640u);
}

// The finished file is swapped with the target; when there is none to swap
// with (none yet, or removed while writing) it is renamed into place.
TEST_F(SafeOutput, RenamesWhenTheExchangeIsNotPossible)
{
    std::ofstream(dir_ / "out.xml") << "old";
    SafeOutputFile output;
    ASSERT_TRUE(output.open((dir_ / "out.xml").string()));
    std::fputs("new", output.file());
    fs::remove(dir_ / "out.xml");
    ASSERT_TRUE(output.commit());
    EXPECT_EQ(read(dir_ / "out.xml"), "new");
    EXPECT_EQ(entries(dir_), 2u);
}

// A kept target is the same file with the same time; a target whose bytes
// differ (the last of many, here) is replaced, a missing one made.
TEST_F(SafeOutput, UnchangedTargetsAreKeptWhenAsked)
{
    const std::string text(200000, 'a');
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {"same.xml", "other.xml"}) {
        std::ofstream(dir_ / name) << text.substr(0, text.size() - 1) << (name[0] == 's' ? "a" : "b");
        fs::last_write_time(dir_ / name, old);
    }
    struct stat before {};
    ::stat((dir_ / "same.xml").c_str(), &before);
    SafeOutputFile::keepUnchangedTargets(true);
    for (const char* name : {"same.xml", "other.xml", "fresh.xml"})
        EXPECT_TRUE(write(dir_ / name, text.c_str())) << name;
    SafeOutputFile::keepUnchangedTargets(false);
    struct stat after {};
    ::stat((dir_ / "same.xml").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(fs::last_write_time(dir_ / "same.xml"), old);
    EXPECT_NE(fs::last_write_time(dir_ / "other.xml"), old);
    EXPECT_EQ(read(dir_ / "other.xml"), text);
    EXPECT_EQ(read(dir_ / "fresh.xml"), text);
    EXPECT_EQ(entries(dir_), 4u);
    ASSERT_TRUE(write(dir_ / "same.xml", text.c_str()));
    EXPECT_NE(fs::last_write_time(dir_ / "same.xml"), old);
}

}  // namespace
