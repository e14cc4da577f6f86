#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Bump allocator that owns the strings and file buffers of one document
// (its nodes live in node space, see TreeStorage).
//
// Nothing is freed individually: the whole arena goes away with its
// document. Blocks grow from 64 KiB to 32 MiB as the document grows; blocks
// of 2 MiB and more are mapped directly and advised to use huge pages,
// which keeps the page-fault cost of large documents low.
class ByteArena {
public:
    ByteArena() = default;
    ~ByteArena();
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;

    void* allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t));

    // A copy of the bytes, owned by the arena. The empty string keeps a
    // non-null pointer so that it stays distinct from an absent value.
    std::string_view copy(std::string_view text);

    // A block of its own, for example to read a whole file into.
    char* allocateBlock(std::size_t size);

private:
    static constexpr std::size_t FirstBlockSize = std::size_t(64) << 10;
    static constexpr std::size_t LargestBlockSize = std::size_t(32) << 20;

    struct Block {
        char* data;
        std::size_t size;
        bool mapped;
    };

    Block& addBlock(std::size_t size);

    std::vector<Block> blocks_;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
    std::size_t nextBlockSize_ = FirstBlockSize;
};
