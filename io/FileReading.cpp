#include "io/FileReading.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t BlockBytes = 65536;

// Opens with the given flags and refuses a directory.
int openReadable(const std::string& path, int flags)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (descriptor < 0)
        return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// Fills buffer from the file; fewer bytes only when the file ends (or a
// read fails) first.
std::size_t readUpTo(int descriptor, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(descriptor, buffer + done, std::min<std::size_t>(size - done, 1 << 30));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

std::size_t keepWithoutCarriageReturns(char* bytes, std::size_t size)
{
    return std::size_t(std::remove(bytes, bytes + size, '\r') - bytes);
}

// The size found by seeking to the end, with the position back at the
// start; -1 for a file that cannot seek.
long long seekableSize(int descriptor)
{
    const off_t end = ::lseek(descriptor, 0, SEEK_END);
    if (end < 0 || ::lseek(descriptor, 0, SEEK_SET) != 0)
        return -1;
    return static_cast<long long>(end);
}

}  // namespace

int openInputFile(const std::string& path)
{
    return openReadable(path, 0);
}

int openIncludeFile(const std::string& path)
{
    const int descriptor = openReadable(path, O_NONBLOCK);
    const int flags = descriptor >= 0 ? ::fcntl(descriptor, F_GETFL) : -1;
    if (descriptor >= 0 && (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

FileRead readBounded(int descriptor, std::uint64_t maxBytes, FileSizing sizing,
                     const std::function<char*(std::size_t)>& storage, bool dropCarriageReturns)
{
    FileRead read;
    const long long size = sizing == FileSizing::Seek ? seekableSize(descriptor) : -1;
    if (size >= 0) {
        read.fileBytes = std::uint64_t(size);
        read.tooLarge = read.fileBytes > maxBytes;
        if (read.tooLarge)
            return read;
        char* text = storage(std::size_t(size));
        read.storedBytes = readUpTo(descriptor, text, std::size_t(size));
        if (dropCarriageReturns)
            read.storedBytes = keepWithoutCarriageReturns(text, read.storedBytes);
        return read;
    }
    std::vector<char> bytes;
    char block[BlockBytes];
    while (bytes.size() <= maxBytes) {
        std::size_t got = readUpTo(descriptor, block, sizeof block);
        if (got == 0)
            break;
        if (dropCarriageReturns)
            got = keepWithoutCarriageReturns(block, got);
        bytes.insert(bytes.end(), block, block + got);
    }
    read.fileBytes = bytes.size();
    read.tooLarge = read.fileBytes > maxBytes;
    if (read.tooLarge)
        return read;
    char* text = storage(bytes.size());
    std::copy(bytes.begin(), bytes.end(), text);
    read.storedBytes = bytes.size();
    return read;
}
