#include "io/SafeOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Names in /dev and /proc, such as /dev/stdout or /proc/self/fd/1, stand
// for a descriptor the caller already holds even when it leads to a
// regular file: replacing that file would lose what others write around
// this program's output, so such names are always written directly.
bool inSpecialFolder(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(directoryOf(path).c_str(), resolved) == nullptr)
        return false;
    const std::string folder = std::string(resolved) + "/";
    return folder.rfind("/dev/", 0) == 0 || folder.rfind("/proc/", 0) == 0;
}

// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N name descriptors
// this process already holds. Writing through a duplicate keeps the
// position and mode the caller set up (text a shell wrote before stays,
// ">>" appends), where opening the name anew would truncate a file behind
// it. -1 for any other name.
int inheritedDescriptor(const std::string& path)
{
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string digits = path.rfind(prefix, 0) == 0 ? path.substr(std::strlen(prefix)) : std::string();
        if (!digits.empty() && digits.size() < 9 && digits.find_first_not_of("0123456789") == std::string::npos)
            return std::stoi(digits);
    }
    return -1;
}

// Whether the two files hold the same bytes; false when either cannot be
// read. The target must be a regular file.
bool sameBytes(const std::string& written, const std::string& target)
{
    struct stat writtenInfo {};
    struct stat targetInfo {};
    if (::stat(written.c_str(), &writtenInfo) != 0 || ::stat(target.c_str(), &targetInfo) != 0 ||
        !S_ISREG(targetInfo.st_mode) || writtenInfo.st_size != targetInfo.st_size)
        return false;
    const int first = ::open(written.c_str(), O_RDONLY | O_CLOEXEC);
    const int second = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    bool same = first >= 0 && second >= 0;
    std::vector<char> ours(std::size_t(1) << 16);
    std::vector<char> theirs(ours.size());
    for (off_t left = writtenInfo.st_size; same && left > 0;) {
        const std::size_t block = std::size_t(std::min<off_t>(left, off_t(ours.size())));
        same = ::read(first, ours.data(), block) == ssize_t(block) &&
               ::read(second, theirs.data(), block) == ssize_t(block) &&
               std::memcmp(ours.data(), theirs.data(), block) == 0;
        left -= off_t(block);
    }
    if (first >= 0)
        ::close(first);
    if (second >= 0)
        ::close(second);
    return same;
}

mode_t newFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

SafeOutputFile::~SafeOutputFile()
{
    discard();
}

bool SafeOutputFile::open(const std::string& path)
{
    discard();
    target_ = path;
    struct stat info {};
    bool exists = ::stat(path.c_str(), &info) == 0;
    if (const int inherited = inheritedDescriptor(path); inherited >= 0) {
        const int copy = ::dup(inherited);
        file_ = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
        if (file_ == nullptr && copy >= 0)
            ::close(copy);
        if (file_ != nullptr)
            return true;
    }
    if ((exists && !S_ISREG(info.st_mode)) || inSpecialFolder(path)) {
        file_ = std::fopen(path.c_str(), "wb");  // a device, a pipe, or a directory (which fails)
        return file_ != nullptr;
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (!exists || ::realpath(path.c_str(), resolved) == nullptr) {
            file_ = std::fopen(path.c_str(), "wb");  // a dangling link: create what it names
            return file_ != nullptr;
        }
        target_ = resolved;
    }
    if (path.empty())
        return false;

    std::string pattern = directoryOf(target_) + "/." + baseNameOf(target_) + ".XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) {
        // No temporary file possible here (for example a directory we may
        // not write in): fall back to writing the target directly.
        file_ = std::fopen(path.c_str(), "wb");
        return file_ != nullptr;
    }
    ::fchmod(descriptor, exists ? (info.st_mode & 07777) : newFileMode());
    file_ = ::fdopen(descriptor, "wb");
    if (file_ == nullptr) {
        ::close(descriptor);
        ::unlink(pattern.c_str());
        return false;
    }
    temporary_ = pattern;
    return true;
}

bool SafeOutputFile::commit()
{
    if (file_ == nullptr)
        return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (temporary_.empty())
        return ok;
    if (ok && keepUnchanged_ && sameBytes(temporary_, target_)) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return true;
    }
    if (ok && replaceTarget())
        return true;
    if (ok && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
        temporary_.clear();
        return true;
    }
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
}

// Swaps the finished file with an existing target in one step and removes
// the old content. Renaming over the target would do the same, but on ext4
// that also starts writing the whole new file to disk at once (its guard
// for replace-by-rename), which made replacing a large output cost more
// than formatting it; as with any write that is not synced, the new
// content reaches the disk when the kernel flushes it. False when there is
// no target yet or the file system cannot exchange names.
bool SafeOutputFile::replaceTarget()
{
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) != 0)
        return false;
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return true;
#else
    return false;
#endif
}

void SafeOutputFile::discard()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}
