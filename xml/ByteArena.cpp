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

// A mapping of size bytes that starts on a large-page boundary, so that
// large pages can back all of it but its last, partial one: mapped with a
// large page to spare, the unaligned ends given back. Null when no memory
// could be mapped.
char* mapAligned(std::size_t size)
{
    void* mapped = ::mmap(nullptr, size + HugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    char* raw = static_cast<char*>(mapped);
    char* start = alignUp(raw, HugePageSize);
    if (start > raw)
        ::munmap(raw, std::size_t(start - raw));
    if (char* tail = start + size; tail < raw + size + HugePageSize)
        ::munmap(tail, std::size_t(raw + size + HugePageSize - tail));
    return start;
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
        if (char* mapped = mapAligned(size)) {
#ifdef MADV_HUGEPAGE
            ::madvise(mapped, size, MADV_HUGEPAGE);
#endif
            blocks_.push_back({mapped, size, true});
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
