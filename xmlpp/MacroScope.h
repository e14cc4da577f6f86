#pragma once

#include "macros/MacroMap.h"

#include <optional>
#include <string>

// The macro map of one sibling chain. Every nested walk works on its own
// copy of the map in force where it starts; the copy is made only when the
// chain defines a macro, so walking millions of plain elements copies
// nothing.
class MacroScope {
public:
    explicit MacroScope(const MacroMap& inherited) : inherited_(&inherited) {}
    MacroScope(const MacroScope&) = delete;
    MacroScope& operator=(const MacroScope&) = delete;

    const MacroMap& map() const { return own_ ? *own_ : *inherited_; }

    void set(const std::string& name, std::string value)
    {
        if (!own_)
            own_ = *inherited_;
        (*own_)[name] = std::move(value);
    }

private:
    const MacroMap* inherited_;
    std::optional<MacroMap> own_;
};
