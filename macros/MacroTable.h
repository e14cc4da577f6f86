#pragma once

#include "macros/MacroMap.h"
#include "macros/MacroPropertyClass.h"
#include "macros/PathValue.h"

#include <memory>
#include <string>
#include <vector>

// The system macro table: the date and time, host and target macros (and
// whatever its owner adds, such as the installation directory), one
// description record per macro added with a description, and the macro
// reference marker '$'. The date and time macros are stored with empty
// values; expansion computes them when they are referred to.
class MacroTable {
public:
    MacroTable();
    ~MacroTable();
    MacroTable(const MacroTable&) = delete;
    MacroTable& operator=(const MacroTable&) = delete;

    // Sets name to value (replacing an existing value) and, when the
    // description is not empty, adds a description record for it.
    void addMacro(const std::string& name, const std::string& value, const std::string& description);
    void addPathMacro(const std::string& name, const PathValue& path, const std::string& description);

    char marker() const { return marker_; }
    const MacroMap& values() const { return values_; }
    const std::vector<std::unique_ptr<MacroPropertyClass>>& descriptions() const { return descriptions_; }

private:
    std::vector<std::unique_ptr<MacroPropertyClass>> descriptions_;
    MacroMap values_;
    char marker_ = '$';
};
