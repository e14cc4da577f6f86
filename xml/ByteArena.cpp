#include "xml/ByteArena.h"

#include <cstring>

void* ByteArena::allocate(std::size_t size, std::size_t alignment)
{
    auto aligned = [alignment](char* p) {
        auto address = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<char*>((address + alignment - 1) & ~(std::uintptr_t(alignment) - 1));
    };
    if (cursor_ != nullptr) {
        char* start = aligned(cursor_);
        if (start <= end_ && std::size_t(end_ - start) >= size) {
            cursor_ = start + size;
            return start;
        }
    }
    const std::size_t needed = size + alignment;
    if (needed > BlockSize / 4) {
        // A large request gets its own block so the current one keeps serving small ones.
        blocks_.emplace_back(new char[needed]);
        reserved_ += needed;
        return aligned(blocks_.back().get());
    }
    blocks_.emplace_back(new char[BlockSize]);
    reserved_ += BlockSize;
    cursor_ = blocks_.back().get();
    end_ = cursor_ + BlockSize;
    char* start = aligned(cursor_);
    cursor_ = start + size;
    return start;
}

std::string_view ByteArena::copy(std::string_view text)
{
    if (text.empty())
        return std::string_view("", 0);
    auto* bytes = static_cast<char*>(allocate(text.size(), 1));
    std::memcpy(bytes, text.data(), text.size());
    return std::string_view(bytes, text.size());
}

char* ByteArena::adopt(std::unique_ptr<char[]> block)
{
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}
