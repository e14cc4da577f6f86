// A document read from a mapped file: written in place over that file it
// still prints what it read; a file cut short under it fails the save with
// its own message and leaves the target as it was. Large outputs, whose
// blocks another thread writes, are the same bytes as the string form and
// report a failed write.
#include "io/FileMapping.h"
#include "xml/QXMLDocument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// A compact document of about `bytes` bytes, leaves ten levels deep, whose
// indented form is more than twice as long: written in place, the output
// overtakes the bytes still to be read.
std::string compactDocument(std::size_t bytes)
{
    std::string text = "<r>";
    for (int n = 0; text.size() < bytes; ++n) {
        text += "<b><b><b><b><b><b><b><b><b>";
        for (int leaf = 0; leaf < 20; ++leaf)
            text += "<a x='" + std::to_string(n * 20 + leaf) + "'/>";
        text += "</b></b></b></b></b></b></b></b></b>";
    }
    return text + "</r>";
}

class MappedInput : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    const fs::path dir_ = fs::temp_directory_path() / ("xmlpp-mapped-input-" + std::to_string(::getpid()));
};

TEST_F(MappedInput, WrittenInPlaceOverItself)
{
    const std::string text = compactDocument(4 << 20);
    ASSERT_GE(text.size(), FileMapping::SmallestMappedBytes);
    ASSERT_LT(text.size(), FileMapping::LargestMappedBytes);
    std::ofstream(dir_ / "in.xml", std::ios::binary) << text;

    QXMLDocument fromString(false);
    ASSERT_TRUE(fromString.parse(text));
    const std::string expected = fromString.toString(2, 0);
    ASSERT_GT(expected.size(), 2 * text.size());

    QXMLDocument document(false);
    ASSERT_TRUE(document.load((dir_ / "in.xml").string()));
    // A descriptor that writes over the file from its first byte, as
    // "xmlpp in.xml /dev/fd/3 3<>in.xml" would.
    const int over = ::open((dir_ / "in.xml").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(over, 0);
    EXPECT_TRUE(document.save("/dev/fd/" + std::to_string(over), 2, 0)) << document.errorMessage();
    ::close(over);
    EXPECT_TRUE(read(dir_ / "in.xml") == expected);
}

TEST_F(MappedInput, CutShortDuringTheRun)
{
    const std::string text = compactDocument(1 << 20);
    std::ofstream(dir_ / "in.xml", std::ios::binary) << text;
    std::ofstream(dir_ / "out.xml") << "old";
    QXMLDocument document(false);
    ASSERT_TRUE(document.load((dir_ / "in.xml").string()));
    fs::resize_file(dir_ / "in.xml", 100);
    EXPECT_FALSE(document.save((dir_ / "out.xml").string(), 2, 0));
    EXPECT_EQ(std::string(document.errorMessage()), (dir_ / "in.xml").string() + " was truncated during the run");
    EXPECT_EQ(read(dir_ / "out.xml"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(MappedInput, LargeOutputsAreWrittenWholeOrFail)
{
    QXMLDocument document(false);
    ASSERT_TRUE(document.parse(compactDocument(3 << 20)));
    std::FILE* file = std::tmpfile();
    ASSERT_TRUE(document.write(file, 2, 0));
    std::string written(std::size_t(std::ftell(file)), '\0');
    std::rewind(file);
    ASSERT_EQ(std::fread(written.data(), 1, written.size(), file), written.size());
    std::fclose(file);
    EXPECT_TRUE(written == document.toString(2, 0));

    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(document.write(full, 2, 0));
    std::fclose(full);
}

}  // namespace
