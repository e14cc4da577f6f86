// Mapped input files: their bytes are the file's and stay private; a file
// cut short under a mapping reads as zeros instead of raising SIGBUS, and
// says so; a detached mapping no longer depends on the file. Also the two
// reading paths of io/FileReading for regular files.
#include "io/FileMapping.h"
#include "io/FileReading.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class MappedFile : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override
    {
        for (int descriptor : open_)
            ::close(descriptor);
        fs::remove_all(dir_);
    }

    // A file of `size` bytes, byte i being 'a' + i % 26.
    fs::path make(const std::string& name, std::size_t size)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = char('a' + i % 26);
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    int openRead(const fs::path& path)
    {
        open_.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        return open_.back();
    }

    const fs::path dir_ = fs::temp_directory_path() / ("xmlpp-mapping-" + std::to_string(::getpid()));
    std::vector<int> open_;
};

constexpr std::size_t Page = 4096;

TEST_F(MappedFile, BytesAreTheFilesAndChangesStayPrivate)
{
    const fs::path path = make("a.xml", 5 * Page + 7);
    auto mapping = FileMapping::map(openRead(path), 5 * Page + 7);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(std::string(mapping->data(), 3), "abc");
    EXPECT_EQ(mapping->data()[5 * Page + 6], char('a' + (5 * Page + 6) % 26));
    mapping->data()[0] = 'X';
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(file.get(), 'a');
    EXPECT_FALSE(mapping->shrank());
}

// A page past the new end raises SIGBUS when touched; the bytes past the
// end of the last page the file still holds read as zeros without it.
TEST_F(MappedFile, FileCutShortReadsAsZerosAndIsNoted)
{
    const fs::path path = make("cut.xml", 4 * Page);
    auto mapping = FileMapping::map(openRead(path), 4 * Page);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->data()[2 * Page], char('a' + (2 * Page) % 26));  // in memory before the cut
    fs::resize_file(path, Page + 10);
    EXPECT_EQ(mapping->data()[0], 'a');
    EXPECT_EQ(mapping->data()[Page + 9], char('a' + (Page + 9) % 26));
    EXPECT_EQ(mapping->data()[Page + 10], '\0');
    for (std::size_t page = 2; page < 4; ++page)
        EXPECT_EQ(mapping->data()[page * Page + 1], '\0') << page;
    mapping->data()[3 * Page] = 'w';  // the memory in place of the lost pages is writable
    EXPECT_TRUE(mapping->shrank());
}

TEST_F(MappedFile, DetachedBytesOutliveTheFile)
{
    const fs::path path = make("d.xml", 3 * Page);
    fs::create_hard_link(path, dir_ / "link.xml");
    auto mapping = FileMapping::map(openRead(path), 3 * Page);
    ASSERT_NE(mapping, nullptr);
    EXPECT_TRUE(mapping->isFileAt(path.string()));
    EXPECT_TRUE(mapping->isFileAt((dir_ / "link.xml").string()));
    EXPECT_FALSE(mapping->isFileAt(make("other.xml", 10).string()));
    EXPECT_FALSE(mapping->isFileAt((dir_ / "missing.xml").string()));

    mapping->data()[1] = 'Y';
    char* before = mapping->data();
    mapping->detach();
    EXPECT_EQ(mapping->data(), before);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "zz";
    EXPECT_EQ(std::string(mapping->data(), 3), "aYc");
    EXPECT_EQ(mapping->data()[3 * Page - 1], char('a' + (3 * Page - 1) % 26));
    EXPECT_FALSE(mapping->shrank());
    EXPECT_FALSE(mapping->isFileAt(path.string()));
}

TEST_F(MappedFile, MappingsAreBoundedAndReleased)
{
    const fs::path path = make("many.xml", Page);
    std::vector<std::unique_ptr<FileMapping>> mappings;
    for (std::size_t i = 0; i < FileMapping::MaxMappings; ++i) {
        mappings.push_back(FileMapping::map(openRead(path), Page));
        ASSERT_NE(mappings.back(), nullptr) << i;
    }
    EXPECT_EQ(FileMapping::map(openRead(path), Page), nullptr);
    mappings.pop_back();
    EXPECT_NE(FileMapping::map(openRead(path), Page), nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
#define XMLPP_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XMLPP_TEST_UNDER_ASAN 1
#endif
#endif

// How a SIGBUS that is not ours ends the process: by the signal, or, where
// the address sanitizer's handler was installed before, by its report.
bool endedAsBefore(int status)
{
#ifdef XMLPP_TEST_UNDER_ASAN
    return (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS;
#endif
}

#ifdef XMLPP_TEST_UNDER_ASAN
constexpr const char* PreviousReport = "AddressSanitizer: BUS";
#else
constexpr const char* PreviousReport = "";
#endif

// The handler keeps only faults on mapped inputs: any other SIGBUS goes to
// the action that was there before.
TEST_F(MappedFile, OtherBusErrorsGoWhereTheyWentBefore)
{
    const fs::path path = make("other.xml", 2 * Page);
    ASSERT_NE(FileMapping::map(openRead(path), 2 * Page), nullptr);
    const int descriptor = openRead(path);
    EXPECT_EXIT(
        {
            auto* raw = static_cast<volatile char*>(::mmap(nullptr, 2 * Page, PROT_READ, MAP_PRIVATE, descriptor, 0));
            if (::truncate(path.c_str(), 0) != 0)
                std::_Exit(3);
            (void)raw[Page];
        },
        endedAsBefore, PreviousReport);
    EXPECT_EXIT(::raise(SIGBUS), endedAsBefore, PreviousReport);
}

// Regular files are sized by their status and read from their start, in
// two halves at once when large; mapOrReadBounded maps only the sizes worth
// it. A file that reports size 0 and yet holds bytes is read to its end.
TEST_F(MappedFile, RegularFilesReadWhole)
{
    auto readAll = [&](const fs::path& path, FileSizing sizing, bool mayMap) {
        std::string bytes;
        const int descriptor = openRead(path);
        auto storage = [&](std::size_t size) {
            bytes.resize(size);
            return bytes.data();
        };
        FileRead read = mayMap ? mapOrReadBounded(descriptor, std::uint64_t(1) << 32, storage)
                               : readBounded(descriptor, std::uint64_t(1) << 32, sizing, storage);
        if (read.mapping)
            bytes.assign(read.mapping->data(), read.mapping->size());
        EXPECT_EQ(read.mapping != nullptr, mayMap && read.fileBytes >= FileMapping::SmallestMappedBytes &&
                                               read.fileBytes < FileMapping::LargestMappedBytes);
        return bytes;
    };
    for (std::size_t size : {std::size_t(100), FileMapping::SmallestMappedBytes, FileMapping::LargestMappedBytes + 3}) {
        const fs::path path = make("r" + std::to_string(size), size);
        std::ostringstream whole;
        whole << std::ifstream(path, std::ios::binary).rdbuf();
        for (bool mayMap : {false, true})
            EXPECT_EQ(readAll(path, FileSizing::Seek, mayMap), whole.str()) << size << mayMap;
        EXPECT_EQ(readAll(path, FileSizing::ReadToEnd, false), whole.str()) << size;
    }
    EXPECT_NE(readAll("/proc/self/status", FileSizing::ReadToEnd, true).find("Name:"), std::string::npos);
}

}  // namespace
