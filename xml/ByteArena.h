#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Bump allocator that owns every node and string of one document.
//
// Nothing is freed individually: the whole arena goes away with its
// document. Blocks are 1 MiB; larger requests get a block of their own,
// which is also how a whole input file is adopted as one block.
class ByteArena {
public:
    ByteArena() = default;
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;

    void* allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t));

    template <typename T, typename... Args>
    T* make(Args&&... args)
    {
        static_assert(std::is_trivially_destructible_v<T>, "arena objects are never destroyed");
        return new (allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    // A copy of the bytes, owned by the arena. The empty string keeps a
    // non-null pointer so that it stays distinct from an absent value.
    std::string_view copy(std::string_view text);

    // Takes ownership of a block allocated with new char[].
    char* adopt(std::unique_ptr<char[]> block);

    std::size_t bytesReserved() const { return reserved_; }

private:
    static constexpr std::size_t BlockSize = std::size_t(1) << 20;

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
    std::size_t reserved_ = 0;
};
