#include "xml/BlockPrefetcher.h"

#include "io/TerminationSignals.h"

#include <sys/mman.h>

BlockPrefetcher::BlockPrefetcher(char* first, std::size_t count, std::size_t blockBytes, std::size_t ahead)
    : first_(first), count_(count), blockBytes_(blockBytes), ahead_(ahead)
{
#ifdef MADV_POPULATE_WRITE
    try {
        thread_ = startThreadWithSignalsBlocked([this] {
            try {
                run();
            } catch (...) {
                const std::lock_guard<std::mutex> lock(mutex_);
                failure_ = std::current_exception();
            }
        });
    } catch (const std::exception&) {
        // No thread to be had: the blocks are handed out all the same.
    }
#endif
}

BlockPrefetcher::~BlockPrefetcher()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

char* BlockPrefetcher::take()
{
    std::size_t index = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (failure_)
            std::rethrow_exception(failure_);
        if (taken_ == count_)
            return nullptr;
        index = taken_++;
    }
    changed_.notify_all();
    return first_ + index * blockBytes_;
}

// The kernel backs each block as a write would, without writing: the
// reader may already be filling it.
void BlockPrefetcher::run()
{
#ifdef MADV_POPULATE_WRITE
    std::unique_lock<std::mutex> lock(mutex_);
    for (std::size_t next = 0; next < count_; ++next) {
        changed_.wait(lock, [&] { return stopping_ || next < taken_ + ahead_; });
        if (stopping_)
            return;
        lock.unlock();
        const bool backed = ::madvise(first_ + next * blockBytes_, blockBytes_, MADV_POPULATE_WRITE) == 0;
        lock.lock();
        if (!backed)
            return;
    }
#endif
}
