#pragma once

#include "macros/MacroMap.h"
#include "rules/RunBudget.h"

#include <cstdint>
#include <optional>
#include <string>

// The macro map of one sibling chain. Every nested walk works on its own
// copy of the map in force where it starts; the copy is made only when the
// chain defines a macro, so walking millions of plain elements copies
// nothing. When given a budget, the bytes of each copy are spent from it
// (the walk reports a spent budget), so that deep chains of definitions
// cannot copy without bound.
class MacroScope {
public:
    explicit MacroScope(const MacroMap& inherited, RunBudget* budget = nullptr)
        : inherited_(&inherited), budget_(budget)
    {}
    MacroScope(const MacroScope&) = delete;
    MacroScope& operator=(const MacroScope&) = delete;

    const MacroMap& map() const { return own_ ? *own_ : *inherited_; }

    void set(const std::string& name, std::string value)
    {
        if (!own_) {
            own_ = *inherited_;
            if (budget_ != nullptr)
                budget_->spend(Work::MacroMaps, macroMapBytes(*own_));
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
    RunBudget* budget_;
    std::optional<MacroMap> own_;
};
