#pragma once

#include <cstdint>
#include <new>
#include <string_view>
#include <vector>

// Thrown when a document's tree outgrows what its records can address
// (32 GiB of node space, 2^30 names); the reader reports it as a file too
// large.
struct TreeStorageFull : std::bad_alloc {
    const char* what() const noexcept override { return "document tree too large"; }
};

// The distinct tag and attribute names of one document, each with a number.
//
// A document of a million elements typically uses a few dozen names: the
// tree keeps a 32-bit number per name instead of a pointer and a length,
// and each name's bytes are kept once. The table does not copy bytes: the
// caller hands in bytes that live as long as the table (the document's
// buffers or its arena).
class NameTable {
public:
    // Names are numbered from 0; the two top bits of a number are free for
    // the attribute records' flags.
    static constexpr std::uint32_t MaxNames = std::uint32_t(1) << 30;

    NameTable();

    std::string_view text(std::uint32_t number) const { return names_[number]; }

    // The number of a name; a name not yet known is added with the bytes
    // that keep() returns for it (a lasting copy, or the name itself when
    // its bytes already last). Throws TreeStorageFull past MaxNames.
    template <typename Keep>
    __attribute__((noinline)) std::uint32_t intern(std::string_view name, Keep keep)
    {
        const std::uint32_t hash = hashOf(name);
        std::size_t slot = hash & mask_;
        while (const std::uint64_t entry = slots_[slot]) {
            const auto number = static_cast<std::uint32_t>(entry) - 1;
            if (static_cast<std::uint32_t>(entry >> 32) == hash && names_[number] == name)
                return number;
            slot = (slot + 1) & mask_;
        }
        return add(keep(name), hash, slot);
    }

    // The same for a name of one to eight bytes, none of them zero, given
    // also as `word`: its bytes in a little-endian word, the rest zero,
    // which identifies the name. Most names are short and recur: a small
    // cache of words spares them the hashing and comparing.
    template <typename Keep>
    std::uint32_t internShort(std::uint64_t word, std::string_view name, Keep keep)
    {
        // Two places per word: two names that share a place (as "type"
        // and "define" would) do not push each other out.
        const std::size_t place = (word * 0x9E3779B97F4A7C15ull) >> (64 - ShortCacheBits);
        if (shortCache_[place].word == word)
            return shortCache_[place].number;
        if (shortCache_[place ^ 1].word == word)
            return shortCache_[place ^ 1].number;
        return cacheShort(place, word, name, keep);
    }

private:
    struct ShortName {
        std::uint64_t word;  // 0: none
        std::uint32_t number;
    };
    static constexpr unsigned ShortCacheBits = 8;

    // The new name takes the first place, and the name there the second.
    template <typename Keep>
    __attribute__((noinline)) std::uint32_t cacheShort(std::size_t place, std::uint64_t word, std::string_view name,
                                                       Keep keep)
    {
        shortCache_[place ^ 1] = shortCache_[place];
        shortCache_[place] = ShortName{word, intern(name, keep)};
        return shortCache_[place].number;
    }

    static std::uint32_t hashOf(std::string_view name);
    std::uint32_t add(std::string_view name, std::uint32_t hash, std::size_t slot);
    void grow();

    std::vector<std::string_view> names_;
    // Open addressing: the name's hash in the high half, its number plus
    // one in the low half; 0 marks a free slot.
    std::vector<std::uint64_t> slots_;
    std::size_t mask_;
    ShortName shortCache_[std::size_t(1) << ShortCacheBits] = {};
};
