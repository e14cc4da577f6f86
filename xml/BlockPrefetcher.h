#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

// Backs blocks of node space with memory before the reader gets to them, on
// a thread of its own. The first write to fresh memory has the kernel zero
// it, a large share of the reader's time on a large document, which this
// thread takes over while the reader goes on (README, Performance).
//
// The blocks, `count` in a row from `first`, each `blockBytes` long, are
// handed out in order by take(). The thread keeps at most `ahead` blocks
// backed beyond the last one taken, so that little memory is ever backed
// and not used; it stops at the first block the kernel cannot back in
// advance (the reader's own writes then fault the pages in as usual).
class BlockPrefetcher {
public:
    BlockPrefetcher(char* first, std::size_t count, std::size_t blockBytes, std::size_t ahead);
    ~BlockPrefetcher();
    BlockPrefetcher(const BlockPrefetcher&) = delete;
    BlockPrefetcher& operator=(const BlockPrefetcher&) = delete;

    // The next block, or null once all have been taken. An exception on the
    // thread is thrown again here.
    char* take();

private:
    void run();

    char* const first_;
    const std::size_t count_;
    const std::size_t blockBytes_;
    const std::size_t ahead_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t taken_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: starts when everything it uses is there
};
