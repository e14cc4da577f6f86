#pragma once

#include "macros/MacroMap.h"

#include <cstdint>
#include <optional>
#include <string>

// The macro map of one sibling chain. Every nested walk works on its own
// copy of the map in force where it starts; the copy is made only when the
// chain defines a macro, so walking millions of plain elements copies
// nothing. When given a counter, the bytes of each copy are added to it, so
// that the walk can bound what deep chains of definitions copy.
class MacroScope {
public:
    explicit MacroScope(const MacroMap& inherited, std::uint64_t* copiedBytes = nullptr)
        : inherited_(&inherited), copiedBytes_(copiedBytes)
    {
    }
    MacroScope(const MacroScope&) = delete;
    MacroScope& operator=(const MacroScope&) = delete;

    const MacroMap& map() const { return own_ ? *own_ : *inherited_; }

    void set(const std::string& name, std::string value)
    {
        if (!own_) {
            own_ = *inherited_;
            if (copiedBytes_ != nullptr)
                *copiedBytes_ += macroMapBytes(*own_);
        }
        (*own_)[name] = std::move(value);
    }

    // The bytes of names and values, plus a fixed cost per entry.
    static std::uint64_t macroMapBytes(const MacroMap& map)
    {
        std::uint64_t bytes = 0;
        for (const auto& [name, value] : map)
            bytes += EntryBytes + name.size() + value.size();
        return bytes;
    }

private:
    static constexpr std::uint64_t EntryBytes = 96;

    const MacroMap* inherited_;
    std::uint64_t* copiedBytes_;
    std::optional<MacroMap> own_;
};
