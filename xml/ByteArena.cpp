#include "xml/ByteArena.h"

#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

constexpr std::size_t HugePageSize = std::size_t(2) << 20;

char* alignUp(char* p, std::size_t alignment)
{
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<char*>((address + alignment - 1) & ~(std::uintptr_t(alignment) - 1));
}

}  // namespace

ByteArena::~ByteArena()
{
    for (const Block& block : blocks_) {
        if (block.mapped)
            ::munmap(block.data, block.size);
        else
            delete[] block.data;
    }
}

ByteArena::Block& ByteArena::addBlock(std::size_t size)
{
    if (size >= HugePageSize) {
        void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
            ::madvise(mapped, size, MADV_HUGEPAGE);
#endif
            blocks_.push_back({static_cast<char*>(mapped), size, true});
            return blocks_.back();
        }
    }
    blocks_.push_back({new char[size], size, false});
    return blocks_.back();
}

void* ByteArena::allocate(std::size_t size, std::size_t alignment)
{
    if (cursor_ != nullptr) {
        char* start = alignUp(cursor_, alignment);
        if (start <= end_ && std::size_t(end_ - start) >= size) {
            cursor_ = start + size;
            return start;
        }
    }
    const std::size_t needed = size + alignment;
    if (needed > nextBlockSize_ / 4) {
        // A large request gets its own block so the current one keeps serving small ones.
        return alignUp(addBlock(needed).data, alignment);
    }
    Block& block = addBlock(nextBlockSize_);
    if (nextBlockSize_ < LargestBlockSize)
        nextBlockSize_ *= 2;
    cursor_ = block.data;
    end_ = block.data + block.size;
    char* start = alignUp(cursor_, alignment);
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

char* ByteArena::allocateBlock(std::size_t size)
{
    return addBlock(size == 0 ? 1 : size).data;
}
