#include "xml/NameTable.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t FirstSlotCount = 64;
constexpr std::uint64_t Multiplier = 0x9E3779B97F4A7C15ull;

std::uint64_t load64(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

std::uint32_t load32(const char* p)
{
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

}  // namespace

NameTable::NameTable() : slots_(FirstSlotCount, 0), mask_(FirstSlotCount - 1) {}

// Names are short: whole words of the name are mixed in, and the last
// word overlaps the one before rather than reading past the name.
std::uint32_t NameTable::hashOf(std::string_view name)
{
    const char* p = name.data();
    std::size_t left = name.size();
    std::uint64_t hash = (left + 1) * Multiplier;
    while (left > 8) {
        hash = (hash ^ load64(p)) * Multiplier;
        p += 8;
        left -= 8;
    }
    std::uint64_t tail = 0;
    if (left == 8)
        tail = load64(p);
    else if (left >= 4)
        tail = load32(p) | std::uint64_t(load32(p + left - 4)) << 32;
    else if (left > 0)
        tail = std::uint64_t(std::uint8_t(p[0])) | std::uint64_t(std::uint8_t(p[left / 2])) << 8 |
               std::uint64_t(std::uint8_t(p[left - 1])) << 16;
    hash = (hash ^ tail) * Multiplier;
    return static_cast<std::uint32_t>(hash >> 32);
}

std::uint32_t NameTable::add(std::string_view name, std::uint32_t hash, std::size_t slot)
{
    if (names_.size() >= MaxNames)
        throw TreeStorageFull();
    const auto number = static_cast<std::uint32_t>(names_.size());
    names_.push_back(name);
    slots_[slot] = std::uint64_t(hash) << 32 | (number + 1);
    if (names_.size() * 2 > slots_.size())
        grow();
    return number;
}

void NameTable::grow()
{
    std::vector<std::uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    for (const std::uint64_t entry : old) {
        if (entry == 0)
            continue;
        std::size_t slot = (entry >> 32) & mask_;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask_;
        slots_[slot] = entry;
    }
}
