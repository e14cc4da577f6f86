#include "io/FileReading.h"

#include "io/TerminationSignals.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>
#include <vector>

void (*regularFileSizedForTests)() = nullptr;

namespace {

constexpr std::size_t BlockBytes = 65536;

// Opens with the given flags and refuses a directory; *regular tells
// whether the file is a regular one.
int openReadable(const std::string& path, int flags, bool* regular = nullptr)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (descriptor < 0)
        return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(descriptor);
        errno = error;  // for a message that says why
        return -1;
    }
    if (regular != nullptr)
        *regular = S_ISREG(info.st_mode);
    return descriptor;
}

// Fills buffer from the file, from its current position or, with an
// offset, from that byte of the file on; fewer bytes only when the file
// ends (or a read fails) first.
std::size_t readUpTo(int descriptor, char* buffer, std::size_t size, off_t offset = -1)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min<std::size_t>(size - done, 1 << 30);
        const ssize_t got = offset >= 0 ? ::pread(descriptor, buffer + done, chunk, offset + off_t(done))
                                        : ::read(descriptor, buffer + done, chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

// Fills buffer with the size bytes of the file from offset on, asking each
// time for one byte more: *longer tells whether the file held a byte past
// them when their last part was read. Fewer bytes only when the file ends
// (or a read fails) first.
std::size_t readEnd(int descriptor, char* buffer, std::size_t size, off_t offset, bool* longer)
{
    std::size_t done = 0;
    char probe = 0;
    *longer = false;
    for (;;) {
        const std::size_t chunk = std::min<std::size_t>(size - done, 1 << 30);
        iovec parts[2] = {{buffer + done, chunk}, {&probe, 1}};
        const ssize_t got = ::preadv(descriptor, parts, 2, offset + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (std::size_t(got) > chunk) {
            done += chunk;
            *longer = done == size;
            if (*longer)
                break;
            continue;  // the probe took the first byte of the next chunk, which is read again
        }
        done += std::size_t(got);
        if (done == size)
            break;  // the probe found the end right after the last byte
    }
    return done;
}

// Fills buffer with the first size bytes of a regular file; false when the
// file does not hold exactly that many bytes while it is read (someone is
// writing it: what was read may be any mix of old and new bytes). A large
// file is read in two halves at once, the second on a thread of its own:
// the kernel's copying, and the clearing of the fresh memory the bytes land
// in, then take half the time.
bool readFromStart(int descriptor, char* buffer, std::size_t size, std::size_t& stored)
{
    constexpr std::size_t SplitBytes = std::size_t(8) << 20;
    bool longer = false;
    if (size < SplitBytes) {
        stored = readEnd(descriptor, buffer, size, 0, &longer);
        return stored == size && !longer;
    }
    const std::size_t half = size / 2;
    std::size_t second = 0;
    std::thread helper;
    try {
        helper = startThreadWithSignalsBlocked(
            [&]() noexcept { second = readEnd(descriptor, buffer + half, size - half, off_t(half), &longer); });
    } catch (const std::exception&) {
        stored = readEnd(descriptor, buffer, size, 0, &longer);  // no thread to be had
        return stored == size && !longer;
    }
    const std::size_t first = readUpTo(descriptor, buffer, half, 0);
    helper.join();
    // A file cut short meanwhile keeps what was read without a gap.
    stored = first < half ? first : half + second;
    return stored == size && !longer;
}

std::size_t keepWithoutCarriageReturns(char* bytes, std::size_t size)
{
    return std::size_t(std::remove(bytes, bytes + size, '\r') - bytes);
}

// The size of a regular file that reports one; -1 for any other file
// (those in /proc report 0 and yet hold bytes).
long long regularSize(int descriptor)
{
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return -1;
    return static_cast<long long>(info.st_size);
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
    bool regular = false;
    const int descriptor = openReadable(path, O_NONBLOCK, &regular);
    if (descriptor < 0 || regular)
        return descriptor;  // reads of a regular file never wait: O_NONBLOCK changes nothing there
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

namespace {

// readBounded for a file whose regularSize is known.
FileRead readSized(int descriptor, long long size, std::uint64_t maxBytes, FileSizing sizing,
                   const std::function<char*(std::size_t)>& storage, bool dropCarriageReturns)
{
    FileRead read;
    const bool regular = size >= 0;
    if (!regular && sizing == FileSizing::Seek)
        size = seekableSize(descriptor);
    if (size >= 0) {
        read.fileBytes = std::uint64_t(size);
        read.tooLarge = read.fileBytes > maxBytes;
        if (read.tooLarge)
            return read;
        char* text = storage(std::size_t(size));
        if (regular && regularFileSizedForTests != nullptr)
            regularFileSizedForTests();
        if (regular)
            read.sizeChanged = !readFromStart(descriptor, text, std::size_t(size), read.storedBytes);
        else
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

}  // namespace

FileRead readBounded(int descriptor, std::uint64_t maxBytes, FileSizing sizing,
                     const std::function<char*(std::size_t)>& storage, bool dropCarriageReturns)
{
    return readSized(descriptor, regularSize(descriptor), maxBytes, sizing, storage, dropCarriageReturns);
}
