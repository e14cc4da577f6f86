// Reading files into memory of the caller's: regular files whole (in two
// halves at once when large), files without a size to their end, and a
// regular file whose size changes while it is read noted as such.
#include "io/FileReading.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileReading : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    // A file of `size` bytes, byte i being 'a' + i % 26.
    fs::path make(const std::string& name, std::size_t size) const
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = char('a' + i % 26);
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }

    // Reads path; meanwhile is called once the file is sized, before a byte
    // of it is read.
    FileRead read(
        const fs::path& path, FileSizing sizing, std::string& bytes,
        const std::function<void()>& meanwhile = [] {}) const
    {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(descriptor, 0);
        const FileRead result = readBounded(descriptor, std::uint64_t(1) << 32, sizing, [&](std::size_t size) {
            meanwhile();
            bytes.resize(size);
            return bytes.data();
        });
        ::close(descriptor);
        bytes.resize(result.storedBytes);
        return result;
    }

    const fs::path dir_ = fs::temp_directory_path() / ("xmlpp-file-reading-" + std::to_string(::getpid()));
};

TEST_F(FileReading, WholeFiles)
{
    for (std::size_t size : {std::size_t(100), std::size_t(64) << 10, (std::size_t(8) << 20) + 3}) {
        const fs::path path = make("r" + std::to_string(size), size);
        std::ostringstream whole;
        whole << std::ifstream(path, std::ios::binary).rdbuf();
        for (FileSizing sizing : {FileSizing::Seek, FileSizing::ReadToEnd}) {
            std::string bytes;
            const FileRead result = read(path, sizing, bytes);
            EXPECT_TRUE(bytes == whole.str()) << size;
            EXPECT_FALSE(result.sizeChanged || result.tooLarge) << size;
        }
    }
    std::string status;
    read("/proc/self/status", FileSizing::ReadToEnd, status);
    EXPECT_NE(status.find("Name:"), std::string::npos);
}

// Another process writing the file between its sizing and the end of its
// read: a new size is noted, whatever was stored; the same size is a
// rewrite that the read takes whole.
TEST_F(FileReading, SizeChangedWhileRead)
{
    struct Case {
        const char* name;
        std::size_t size;
        std::size_t newSize;
        bool changed;
    };
    for (const Case& c : {Case{"shrunk", 200000, 100, true}, Case{"grown", 200000, 300000, true},
                          Case{"large shrunk", 9 << 20, 5 << 20, true}, Case{"same size", 200000, 200000, false}}) {
        const fs::path path = make("f", c.size);
        std::string bytes;
        const FileRead result = read(path, FileSizing::Seek, bytes,
                                     [&] { std::ofstream(path, std::ios::binary) << std::string(c.newSize, 'n'); });
        EXPECT_EQ(result.sizeChanged, c.changed) << c.name;
        if (!c.changed) {
            EXPECT_EQ(bytes, std::string(c.newSize, 'n')) << c.name;
        }
    }
}

}  // namespace
