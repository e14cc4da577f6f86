// A document is a snapshot of its file: written in place over that file it
// still prints what it read. Large outputs, written a block at a time, are
// the same bytes as the string form and report a failed write.
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

class DocumentFiles : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    const fs::path dir_ = fs::temp_directory_path() / ("xmlpp-document-files-" + std::to_string(::getpid()));
};

TEST_F(DocumentFiles, WrittenInPlaceOverItself)
{
    const std::string text = compactDocument(4 << 20);
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

TEST_F(DocumentFiles, LargeOutputsAreWrittenWholeOrFail)
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
