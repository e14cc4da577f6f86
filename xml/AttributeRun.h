#pragma once

#include <cstddef>
#include <cstdint>

// How an element keeps its attributes: one contiguous run of 10-byte
// records in name order, behind a count.
//
// A record holds the name's number in the document's name table and the
// value as an offset and a 16-bit length into the element's segment (the
// buffer the reader decoded the element from), so a value read from a file
// costs no pointer. A value made later (by setAttribute, or copied from
// another document), and one of 64 KiB or more, is "detached": the offset
// is then the handle of a view of it in node space, which holds values of
// any length whole.
struct __attribute__((packed)) AttributeRecord {
    static constexpr std::uint32_t Absent = std::uint32_t(1) << 31;
    static constexpr std::uint32_t Detached = std::uint32_t(1) << 30;
    static constexpr std::uint32_t NameMask = Detached - 1;
    static constexpr std::size_t LargestInline = 0xFFFF;

    std::uint32_t name;    // the name's number, with the flags above
    std::uint32_t offset;  // into the segment, or the detached value's handle
    std::uint16_t size;    // of a value in the segment

    std::uint32_t number() const { return name & NameMask; }
};

struct AttributeRun {
    std::uint32_t count;

    // The records follow the count in the same allocation (computed through
    // the address, as the compiler would take `this + 1` for the end of a
    // lone header).
    AttributeRecord* records() { return reinterpret_cast<AttributeRecord*>(recordsAddress()); }
    const AttributeRecord* records() const { return reinterpret_cast<const AttributeRecord*>(recordsAddress()); }
    std::uintptr_t recordsAddress() const { return reinterpret_cast<std::uintptr_t>(this) + sizeof(AttributeRun); }

    static std::size_t bytesFor(std::uint32_t capacity)
    {
        return sizeof(AttributeRun) + std::size_t(capacity) * sizeof(AttributeRecord);
    }
};

static_assert(sizeof(AttributeRecord) == 10 && sizeof(AttributeRun) == 4, "records are packed");
