#pragma once

#include "xmlpp/MacroScope.h"
#include "xmlpp/XMLPP2.h"

#include <string>

// The state of one sibling chain: its file, its own macro map, its own
// expansion flag (a define can switch it for the rest of the chain) and
// how deeply it is nested.
struct XMLPP2::Chain {
    const std::string& fileName;
    MacroScope macros;
    bool expandFlag;
    int depth;
};
