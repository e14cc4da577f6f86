#include "io/SafeOutputFile.h"

#include "diag/Diagnostics.h"
#include "io/TerminationSignals.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void (*firstOutputBlockWrittenForTests)() = nullptr;
bool unnamedTemporaryFilesForTests = true;

namespace {

constexpr std::size_t BlockBytes = std::size_t(1) << 20;

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

// The file a chain of symbolic links ends at, existing or not: the name a
// write through the link creates or replaces.
std::string linkTarget(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        char next[PATH_MAX];
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        const ssize_t length = ::readlink(path.c_str(), next, sizeof next - 1);
        if (length <= 0)
            break;
        next[length] = '\0';
        path = next[0] == '/' ? std::string(next) : directoryOf(path) + "/" + next;
    }
    return path;
}

// A hidden name beside the target, unique for this process.
std::string hiddenName(const std::string& target)
{
    static std::minstd_rand generator(std::random_device{}() ^ unsigned(::getpid()));
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = directoryOf(target) + "/." + baseNameOf(target) + ".";
    for (int i = 0; i < 6; ++i)
        name += Letters[generator() % (sizeof Letters - 1)];
    return name;
}

}  // namespace

// What the stream writes through: the descriptor, in blocks of at most
// BlockBytes, counting what reached the file.
struct SafeOutputFile::Sink {
    int descriptor;
    std::uint64_t written = 0;
    bool firstBlockNoted = false;
    bool full = false;  // takes no byte: the disk has no room for the output

    static ssize_t write(void* cookie, const char* bytes, std::size_t size)
    {
        auto* sink = static_cast<Sink*>(cookie);
        if (sink->full) {
            errno = ENOSPC;
            return 0;
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::write(sink->descriptor, bytes + done, std::min(size - done, BlockBytes));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += std::size_t(got);
            sink->written += std::uint64_t(got);
            if (!sink->firstBlockNoted && firstOutputBlockWrittenForTests != nullptr) {
                sink->firstBlockNoted = true;
                firstOutputBlockWrittenForTests();
            }
        }
        return ssize_t(done);
    }
    // The descriptor outlives the stream: commit() still names the file.
    static int close(void*) { return 0; }
};

SafeOutputFile::SafeOutputFile() = default;

SafeOutputFile::~SafeOutputFile()
{
    discard();
}

bool SafeOutputFile::startWriting(int descriptor, Route route)
{
    sink_.reset(new Sink{descriptor});
    descriptor_ = descriptor;
    route_ = route;
    const cookie_io_functions_t functions{nullptr, &Sink::write, nullptr, &Sink::close};
    file_ = ::fopencookie(sink_.get(), "w", functions);
    if (file_ == nullptr) {
        discard();
        return false;
    }
    return true;
}

bool SafeOutputFile::open(const std::string& path, const std::function<std::uint64_t()>& length)
{
    discard();
    target_ = path;
    if (const int inherited = inheritedDescriptor(path); inherited >= 0) {
        const int copy = ::fcntl(inherited, F_DUPFD_CLOEXEC, 0);
        if (copy >= 0)
            return startWriting(copy, Route::Direct);
    }
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if ((exists && !S_ISREG(info.st_mode)) || inSpecialFolder(path)) {
        // A device, a pipe, or a directory (which fails).
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return descriptor >= 0 && startWriting(descriptor, Route::Direct);
    }
    if (path.empty())
        return false;
    target_ = linkTarget(path);
    if (openTemporary(directoryOf(target_), exists ? info.st_mode & 07777 : newFileMode()))
        return true;
    return openInPlace(target_, length);
}

// A file without a name where the system can make one (and name it later
// through /proc), otherwise a hidden named file.
bool SafeOutputFile::openTemporary(const std::string& folder, mode_t mode)
{
    int descriptor = -1;
#ifdef O_TMPFILE
    if (unnamedTemporaryFilesForTests && ::access("/proc/self/fd", X_OK) == 0)
        descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        ::fchmod(descriptor, mode);
        return startWriting(descriptor, Route::Unnamed);
    }
#endif
    std::string pattern;
    {
        const TerminationSignalsBlocked blocked;
        pattern = directoryOf(target_) + "/." + baseNameOf(target_) + ".XXXXXX";
        descriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (descriptor >= 0)
            recordSlot_ = recordTemporaryName(pattern.c_str());
    }
    if (descriptor < 0)
        return false;
    temporary_ = pattern;
    ::fchmod(descriptor, mode);
    return startWriting(descriptor, Route::Named);
}

// The target itself, written from its start. Its length is reserved
// beyond its present end without changing its size, so that a disk that
// cannot hold the output refuses before a byte changes: the file then takes
// no byte, as a full disk would not.
bool SafeOutputFile::openInPlace(const std::string& path, const std::function<std::uint64_t()>& length)
{
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return false;
    bool full = false;
    if (length) {
        const std::uint64_t bytes = length();
        full = bytes > 0 && ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes)) != 0 && errno != EOPNOTSUPP &&
               errno != ENOSYS;
    }
    if (full && existed) {
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::futimens(descriptor, times);
    } else if (full) {
        ::unlink(path.c_str());
    }
    if (!startWriting(descriptor, Route::InPlace))
        return false;
    sink_->full = full;
    return true;
}

bool SafeOutputFile::commit()
{
    if (file_ == nullptr)
        return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    switch (route_) {
    case Route::Direct:
        break;
    case Route::InPlace:
        ok = ok && ::ftruncate(descriptor_, off_t(sink_->written)) == 0;
        break;
    case Route::Unnamed:
        if (!ok || !keepUnchanged_ || !sameBytes("/proc/self/fd/" + std::to_string(descriptor_), target_))
            ok = ok && nameAndReplace();
        break;
    case Route::Named: {
        const TerminationSignalsBlocked blocked;
        if (ok && keepUnchanged_ && sameBytes(temporary_, target_))
            ::unlink(temporary_.c_str());
        else
            ok = ok && replaceTarget(temporary_);
        if (!ok)
            ::unlink(temporary_.c_str());
        forgetTemporaryName(recordSlot_);
        recordSlot_ = -1;
        temporary_.clear();
        break;
    }
    }
    if (!ok && route_ == Route::InPlace)
        endInPlaceAfterFailure();
    if (::close(descriptor_) != 0)
        ok = false;
    descriptor_ = -1;
    sink_.reset();
    return ok;
}

// Gives the finished file without a name a hidden name beside the target
// and moves it into place. The name exists only while the signals are
// blocked and recorded, so that not even a signal can leave it.
bool SafeOutputFile::nameAndReplace()
{
    const std::string handle = "/proc/self/fd/" + std::to_string(descriptor_);
    const TerminationSignalsBlocked blocked;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = hiddenName(target_);
        const int slot = recordTemporaryName(name.c_str());
        if (::linkat(AT_FDCWD, handle.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            forgetTemporaryName(slot);
            if (error == EEXIST)
                continue;
            return false;
        }
        const bool replaced = replaceTarget(name);
        if (!replaced)
            ::unlink(name.c_str());
        forgetTemporaryName(slot);
        return replaced;
    }
    return false;
}

// Swaps the finished file with an existing target in one step and removes
// the old content; renames it into place when there is no target yet (or
// the file system cannot exchange names). Renaming over the target would
// do the same, but on ext4 that also starts writing the whole new file to
// disk at once (its guard for replace-by-rename), which made replacing a
// large output cost more than formatting it; as with any write that is not
// synced, the new content reaches the disk when the kernel flushes it.
bool SafeOutputFile::replaceTarget(const std::string& finished)
{
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, finished.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(finished.c_str());
        return true;
    }
#endif
    return std::rename(finished.c_str(), target_.c_str()) == 0;
}

// A file written in place that lost its old content must not look
// complete: it is emptied and dated back to 1970-01-01, which make and
// Ninja take for older than anything it is made from.
void SafeOutputFile::endInPlaceAfterFailure()
{
    if (sink_ == nullptr || sink_->written == 0 || ::ftruncate(descriptor_, 0) != 0)
        return;
    const struct timespec epoch[2] = {{0, 0}, {0, 0}};
    inPlaceEnd_ = ::futimens(descriptor_, epoch) == 0 ? InPlaceEnd::EmptiedAndDated : InPlaceEnd::Emptied;
}

std::string SafeOutputFile::inPlaceNote() const
{
    switch (inPlaceEnd_) {
    case InPlaceEnd::Untouched:
        break;
    case InPlaceEnd::Emptied:
        return formatMessage(Diag::WrittenInPlaceEmptied);
    case InPlaceEnd::EmptiedAndDated:
        return formatMessage(Diag::WrittenInPlaceEmptiedAndDated);
    }
    return std::string();
}

void SafeOutputFile::discard()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (descriptor_ >= 0) {
        if (route_ == Route::InPlace)
            endInPlaceAfterFailure();
        ::close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporary_.empty()) {
        const TerminationSignalsBlocked blocked;
        ::unlink(temporary_.c_str());
        forgetTemporaryName(recordSlot_);
        recordSlot_ = -1;
        temporary_.clear();
    }
    sink_.reset();
}
