#pragma once

#include "xml/ByteArena.h"
#include "xml/NameTable.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

class BlockPrefetcher;

// A node's place in its document's node space; 0 stands for no node.
using NodeHandle = std::uint32_t;

// Where the tree of one document lives: nodes and attribute runs, names,
// attribute values, and (in the arena) the other strings and the buffers
// that files are read into. Node classes place themselves here (allocate,
// at) and reach each other through handles (locate); nothing outside the
// storage and the node classes sees how.
//
// Nodes and attribute runs lie in "node space": blocks of 2 MiB, each
// aligned to its size and starting with a header that leads back to this
// storage. A 32-bit handle (block number and 8-byte unit within the block)
// thus finds any node of the document from any other, and a node finds its
// storage from its own address: links cost 4 bytes instead of 8, and no
// node carries a pointer to its document. Node space holds 2^32 units
// (32 GiB); nothing in it moves or is freed before the document goes.
class TreeStorage {
public:
    TreeStorage();
    ~TreeStorage();
    TreeStorage(const TreeStorage&) = delete;
    TreeStorage& operator=(const TreeStorage&) = delete;

    // Room for `bytes` in node space, 8-byte aligned. Throws TreeStorageFull
    // when node space is exhausted, std::bad_alloc when memory is.
    NodeHandle allocate(std::size_t bytes)
    {
        bytes = (bytes + 7) & ~std::size_t(7);
        if (bytes > std::size_t(end_ - cursor_))
            return allocateElsewhere(bytes);
        char* place = cursor_;
        cursor_ += bytes;
        return blockHandle_ | NodeHandle(std::size_t(place - block_) >> UnitShift);
    }
    char* at(NodeHandle handle) const { return table_[handle >> UnitBits] + unitOffset(handle); }

    // For anything placed in node space by allocate() in a block of its
    // own size or less (every node is): its storage, the object of type T
    // that handle leads to (none for handle 0), and its own handle.
    static TreeStorage& of(const void* place) { return *headerOf(place)->storage; }
    template <typename T>
    static T* locate(const void* from, NodeHandle handle)
    {
        if (handle == 0)
            return nullptr;
        return reinterpret_cast<T*>(headerOf(from)->table[handle >> UnitBits] + unitOffset(handle));
    }
    static NodeHandle handleOf(const void* place)
    {
        const BlockHeader* header = headerOf(place);
        const auto offset = std::size_t(static_cast<const char*>(place) - reinterpret_cast<const char*>(header));
        return header->index << UnitBits | NodeHandle(offset >> UnitShift);
    }

    // The reader is about to read `inputBytes` of text. From
    // PrefetchFromBytes on, the next blocks of node space (about as many
    // bytes as the text) are backed with memory ahead of their use by a
    // thread of their own (xml/BlockPrefetcher.h).
    void expectInput(std::size_t inputBytes);
    static constexpr std::size_t PrefetchFromBytes = std::size_t(16) << 20;

    // A byte that callers look for in attribute values (the macro marker);
    // elements note whether any value of theirs holds it. None (0) by
    // default.
    void setWatchedByte(char byte) { watchedByte_ = byte; }
    char watchedByte() const { return watchedByte_; }
    bool holdsWatchedByte(std::string_view text) const
    {
        return watchedByte_ != '\0' && !text.empty() && text.find(watchedByte_) != std::string_view::npos;
    }

    ByteArena& arena() { return arena_; }
    std::string_view store(std::string_view text) { return arena_.copy(text); }

    NameTable& names() { return names_; }
    const NameTable& names() const { return names_; }
    // The number of a name, copying the bytes of a name not yet known.
    std::uint32_t internCopy(std::string_view name)
    {
        return names_.intern(name, [this](std::string_view fresh) { return store(fresh); });
    }

    // Buffers whose bytes attribute records point into by offset; segment
    // 0 is none.
    std::uint32_t addSegment(const char* base);
    const char* segment(std::uint32_t index) const { return segments_[index]; }

    // Detached attribute values (see AttributeRun.h), each a view kept in
    // node space, which never moves; the bytes must be owned by the
    // document.
    NodeHandle addValue(std::string_view value)
    {
        const NodeHandle handle = allocate(sizeof(std::string_view));
        new (at(handle)) std::string_view(value);
        return handle;
    }
    std::string_view value(NodeHandle handle) const { return *reinterpret_cast<const std::string_view*>(at(handle)); }

private:
    static constexpr unsigned BlockBits = 21;  // 2 MiB blocks
    static constexpr unsigned UnitShift = 3;   // 8-byte units
    static constexpr unsigned UnitBits = BlockBits - UnitShift;
    static constexpr std::size_t BlockBytes = std::size_t(1) << BlockBits;
    static constexpr std::size_t MaxBlocks = (std::size_t(1) << 32) >> UnitBits;
    // Blocks the prefetching thread keeps backed beyond the one being filled.
    static constexpr std::size_t PrefetchedBlocks = 4;

    struct BlockHeader {
        TreeStorage* storage;
        char* const* table;  // the storage's block table, for links
        std::uint32_t index;
    };
    static constexpr std::size_t HeaderBytes = (sizeof(BlockHeader) + 7) & ~std::size_t(7);

    static const BlockHeader* headerOf(const void* place)
    {
        return reinterpret_cast<const BlockHeader*>(reinterpret_cast<std::uintptr_t>(place) & ~(BlockBytes - 1));
    }
    static std::size_t unitOffset(NodeHandle handle)
    {
        return std::size_t(handle & ((NodeHandle(1) << UnitBits) - 1)) << UnitShift;
    }

    NodeHandle allocateElsewhere(std::size_t bytes);
    void addBlock();
    NodeHandle allocateRegion(std::size_t bytes);
    char* mapBlocks(std::size_t count);

    ByteArena arena_;
    NameTable names_;
    std::vector<const char*> segments_{nullptr};
    char watchedByte_ = '\0';

    std::unique_ptr<char*[]> table_;  // MaxBlocks entries, filled as blocks are added
    std::uint32_t blockCount_ = 0;
    std::vector<std::pair<char*, std::size_t>> mappings_;
    std::unique_ptr<BlockPrefetcher> prefetcher_;  // blocks mapped ahead, if any
    char* block_ = nullptr;                        // the block being filled
    NodeHandle blockHandle_ = 0;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
};
