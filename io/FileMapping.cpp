#include "io/FileMapping.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The pages of one mapping, as the SIGBUS handler sees them; begin 0 while
// the slot holds no mapping.
struct GuardedRange {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};

GuardedRange guardedRanges[FileMapping::MaxMappings];
struct sigaction previousBusAction;
std::once_flag busHandlerInstalled;
std::uintptr_t pageBytes = 4096;

// What would have happened without this handler.
void passOn(int signal, siginfo_t* info, void* context)
{
    if ((previousBusAction.sa_flags & SA_SIGINFO) != 0 && previousBusAction.sa_sigaction != nullptr) {
        previousBusAction.sa_sigaction(signal, info, context);
        return;
    }
    const auto handler = previousBusAction.sa_handler;
    if (handler == SIG_IGN && info->si_code <= 0)
        return;  // sent by a process, and ignored before
    if (handler != SIG_DFL && handler != SIG_IGN && (previousBusAction.sa_flags & SA_SIGINFO) == 0) {
        handler(signal);
        return;
    }
    // The default action, which ends the process; a fault is never ignored.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(SIGBUS, &fallback, nullptr);
    ::raise(SIGBUS);
}

// A fault on a page of a mapping that its file no longer holds: zero-filled
// memory takes the place of the mapping from that page on, and the faulting
// access is repeated there.
void onBusError(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    if (info->si_code > 0) {
        const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (GuardedRange& range : guardedRanges) {
            const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
            const std::uintptr_t end = range.end.load(std::memory_order_acquire);
            if (begin == 0 || address < begin || address >= end)
                continue;
            const std::uintptr_t page = address & ~(pageBytes - 1);
            void* filled = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ | PROT_WRITE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (filled != MAP_FAILED) {
                range.cut.store(true, std::memory_order_relaxed);
                errno = savedErrno;
                return;
            }
        }
    }
    passOn(signal, info, context);
    errno = savedErrno;
}

void installBusHandler()
{
    std::call_once(busHandlerInstalled, [] {
        pageBytes = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

std::size_t claimSlot()
{
    for (std::size_t slot = 0; slot < FileMapping::MaxMappings; ++slot) {
        bool expected = false;
        if (guardedRanges[slot].taken.compare_exchange_strong(expected, true))
            return slot;
    }
    return FileMapping::MaxMappings;
}

void releaseSlot(std::size_t slot)
{
    guardedRanges[slot].begin.store(0, std::memory_order_release);
    guardedRanges[slot].end.store(0, std::memory_order_release);
    guardedRanges[slot].taken.store(false, std::memory_order_release);
}

}  // namespace

std::unique_ptr<FileMapping> FileMapping::map(int descriptor, std::size_t size)
{
    if (size == 0)
        return nullptr;
    installBusHandler();
    const std::size_t slot = claimSlot();
    if (slot == MaxMappings)
        return nullptr;
    const int kept = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    void* mapped = kept < 0 ? MAP_FAILED : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, kept, 0);
    if (mapped == MAP_FAILED) {
        if (kept >= 0)
            ::close(kept);
        releaseSlot(slot);
        return nullptr;
    }
    const std::size_t length = (size + pageBytes - 1) & ~std::size_t(pageBytes - 1);
    GuardedRange& range = guardedRanges[slot];
    range.cut.store(false, std::memory_order_relaxed);
    range.end.store(reinterpret_cast<std::uintptr_t>(mapped) + length, std::memory_order_release);
    range.begin.store(reinterpret_cast<std::uintptr_t>(mapped), std::memory_order_release);
    return std::unique_ptr<FileMapping>(new FileMapping(static_cast<char*>(mapped), size, length, kept, slot));
}

FileMapping::FileMapping(char* data, std::size_t size, std::size_t length, int descriptor, std::size_t slot)
    : data_(data), size_(size), length_(length), descriptor_(descriptor), slot_(slot)
{}

FileMapping::~FileMapping()
{
    if (descriptor_ >= 0) {
        releaseSlot(slot_);
        ::close(descriptor_);
    }
    ::munmap(data_, length_);
}

bool FileMapping::isFileAt(const std::string& path) const
{
    struct stat mapped {};
    struct stat named {};
    return descriptor_ >= 0 && ::fstat(descriptor_, &mapped) == 0 && ::stat(path.c_str(), &named) == 0 &&
           mapped.st_dev == named.st_dev && mapped.st_ino == named.st_ino;
}

bool FileMapping::shrank() const
{
    if (descriptor_ < 0)
        return shrankBeforeDetach_;
    struct stat now {};
    const bool shorter = ::fstat(descriptor_, &now) == 0 && std::uint64_t(now.st_size) < size_;
    return shorter || guardedRanges[slot_].cut.load(std::memory_order_relaxed);
}

void FileMapping::detach()
{
    if (descriptor_ < 0)
        return;
    void* copy = ::mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED)
        throw std::bad_alloc();
    std::memcpy(copy, data_, size_);
    shrankBeforeDetach_ = shrank();
    // Moving the copy onto the mapping's address replaces the mapping in
    // one step.
    if (::mremap(copy, length_, length_, MREMAP_MAYMOVE | MREMAP_FIXED, data_) == MAP_FAILED) {
        ::munmap(copy, length_);
        throw std::bad_alloc();
    }
    releaseSlot(slot_);
    ::close(descriptor_);
    descriptor_ = -1;
}
