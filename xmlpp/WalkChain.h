#pragma once

#include "xmlpp/MacroScope.h"
#include "xmlpp/XMLPP2.h"

#include <string>
#include <string_view>
#include <vector>

// The state of one sibling chain: its file, its own macro map, its own
// expansion flag (a define can switch it for the rest of the chain) and
// how deeply it is nested.
struct XMLPP2::Chain {
    const std::string& fileName;
    MacroScope macros;
    bool expandFlag;
    int depth;
};

// Splits at every occurrence of separator, dropping empty items; no
// trimming. An empty separator splits into single bytes.
std::vector<std::string_view> splitList(std::string_view text, std::string_view separator);

// The value of a macro, or the empty string when it is not defined.
std::string_view macroValue(const MacroMap& macros, std::string_view name);
