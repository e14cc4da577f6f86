#pragma once

#include "xml/TreeStorage.h"
#include "xml/XMLAttribute.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

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
    bool inSegment() const { return (name & (Absent | Detached)) == 0; }

    // A value in the segment that starts at base (none: null) where it
    // fits a record, else detached into storage.
    static AttributeRecord of(TreeStorage& storage, std::uint32_t name, const char* base, std::string_view value)
    {
        const auto offset = std::uint64_t(value.data() - base);
        if (base != nullptr && offset <= std::numeric_limits<std::uint32_t>::max() && value.size() <= LargestInline)
            return AttributeRecord{name, std::uint32_t(offset), std::uint16_t(value.size())};
        return detached(storage, name, value);
    }
    // A value kept apart; its bytes must be owned by the storage.
    static AttributeRecord detached(TreeStorage& storage, std::uint32_t name, std::string_view value)
    {
        return AttributeRecord{name | Detached, storage.addValue(value), 0};
    }
    static AttributeRecord absent(std::uint32_t name) { return AttributeRecord{name | Absent, 0, 0}; }

    XMLAttribute view(const TreeStorage& storage, const char* base) const
    {
        const std::string_view nameText = storage.names().text(number());
        if ((name & Absent) != 0)
            return XMLAttribute(nameText, std::nullopt);
        if ((name & Detached) != 0)
            return XMLAttribute(nameText, storage.value(offset));
        return XMLAttribute(nameText, std::string_view(base + offset, size));
    }
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

// The attributes of an element in name order, each read from its record on
// access.
class AttributeList {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = XMLAttribute;
        using difference_type = std::ptrdiff_t;
        using reference = XMLAttribute;
        struct pointer {
            XMLAttribute attribute;
            const XMLAttribute* operator->() const { return &attribute; }
        };

        Iterator(const AttributeRecord* record, const TreeStorage* storage, const char* base)
            : record_(record), storage_(storage), base_(base)
        {}
        XMLAttribute operator*() const { return record_->view(*storage_, base_); }
        pointer operator->() const { return {**this}; }
        Iterator& operator++()
        {
            ++record_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return record_ == other.record_; }
        bool operator!=(const Iterator& other) const { return record_ != other.record_; }

    private:
        const AttributeRecord* record_;
        const TreeStorage* storage_;
        const char* base_;
    };

    AttributeList(const AttributeRun* run, const TreeStorage& storage, const char* base)
        : first_(run != nullptr ? run->records() : nullptr), count_(run != nullptr ? run->count : 0),
          storage_(&storage), base_(base)
    {}

    Iterator begin() const { return {first_, storage_, base_}; }
    Iterator end() const { return {first_ + count_, storage_, base_}; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    const AttributeRecord* first_;
    std::uint32_t count_;
    const TreeStorage* storage_;
    const char* base_;
};
