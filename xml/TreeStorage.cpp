#include "xml/TreeStorage.h"

#include "xml/BlockPrefetcher.h"

#include <algorithm>
#include <limits>
#include <sys/mman.h>

TreeStorage::TreeStorage() : table_(new char*[MaxBlocks]) {}

TreeStorage::~TreeStorage()
{
    prefetcher_.reset();  // its thread may be backing a block
    for (const auto& [start, size] : mappings_)
        ::munmap(start, size);
}

// `count` blocks in a row, aligned to the block size: an over-sized mapping
// with the unaligned ends given back.
char* TreeStorage::mapBlocks(std::size_t count)
{
    const std::size_t size = count * BlockBytes;
    void* mapped = ::mmap(nullptr, size + BlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    char* raw = static_cast<char*>(mapped);
    char* start = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + BlockBytes - 1) & ~(BlockBytes - 1));
    if (start > raw)
        ::munmap(raw, std::size_t(start - raw));
    if (char* tail = start + size; tail < raw + size + BlockBytes)
        ::munmap(tail, std::size_t(raw + size + BlockBytes - tail));
    mappings_.emplace_back(start, size);
    return start;
}

// The first block stays on small pages, so that the many small documents
// (include files, tests) do not each take a large page; later blocks ask
// for large pages, which keeps the page faults of big documents few.
void TreeStorage::addBlock()
{
    if (blockCount_ >= MaxBlocks)
        throw TreeStorageFull();
    char* block = prefetcher_ != nullptr ? prefetcher_->take() : nullptr;
    if (block == nullptr) {
        block = mapBlocks(1);
#if defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE)
        ::madvise(block, BlockBytes, blockCount_ == 0 ? MADV_NOHUGEPAGE : MADV_HUGEPAGE);
#endif
    }
    new (block) BlockHeader{this, table_.get(), blockCount_};
    blockHandle_ = blockCount_ << UnitBits;
    table_[blockCount_++] = block;
    block_ = block;
    cursor_ = block + HeaderBytes;
    end_ = block + BlockBytes;
}

void TreeStorage::expectInput(std::size_t inputBytes)
{
    if (prefetcher_ != nullptr || inputBytes < PrefetchFromBytes)
        return;
    const std::size_t count = std::min(inputBytes / BlockBytes + 1, MaxBlocks - blockCount_);
    char* first = nullptr;
    try {
        first = mapBlocks(count);
    } catch (const std::bad_alloc&) {
        return;  // no room to plan ahead: blocks come one at a time
    }
#ifdef MADV_HUGEPAGE
    ::madvise(first, count * BlockBytes, MADV_HUGEPAGE);
#endif
    prefetcher_ = std::make_unique<BlockPrefetcher>(first, count, BlockBytes, PrefetchedBlocks);
}

// A request larger than a block (the attribute run of an element with
// some hundred thousand attributes) gets blocks of its own; nothing there
// is a node, so those blocks need no header.
NodeHandle TreeStorage::allocateRegion(std::size_t bytes)
{
    const std::size_t count = (bytes + BlockBytes - 1) / BlockBytes;
    if (count > MaxBlocks - blockCount_)
        throw TreeStorageFull();
    char* start = mapBlocks(count);
    const NodeHandle handle = blockCount_ << UnitBits;
    for (std::size_t i = 0; i < count; ++i)
        table_[blockCount_++] = start + i * BlockBytes;
    return handle;
}

// A request that the block being filled cannot take: a new block, or
// blocks of its own for a request larger than a block.
NodeHandle TreeStorage::allocateElsewhere(std::size_t bytes)
{
    if (bytes > BlockBytes - HeaderBytes)
        return allocateRegion(bytes);
    addBlock();
    return allocate(bytes);
}

std::uint32_t TreeStorage::addSegment(const char* base)
{
    if (segments_.size() > std::numeric_limits<std::uint32_t>::max())
        throw TreeStorageFull();
    segments_.push_back(base);
    return static_cast<std::uint32_t>(segments_.size() - 1);
}
