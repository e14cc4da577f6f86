#pragma once

#include "macros/MacroMap.h"

#include <string>
#include <string_view>
#include <vector>

// Splits a macro list into items at ';'. A '\' adds the character after it
// to the item ("\;" gives ';', "\\" gives '\'); a '\' ending the text adds
// itself. Empty items are dropped unless keepEmpty is set.
std::vector<std::string> splitMacroList(std::string_view text, bool keepEmpty);

// Builds a map from "name=value" items, in order: the name ends at the
// first '=', an item without '=' names a macro with the empty value, and a
// later item replaces the value of an earlier one of the same name.
MacroMap macroMapFromList(const std::vector<std::string>& items);

// A copy of base with every entry of overlay set in it.
MacroMap mergeMacroMaps(const MacroMap& base, const MacroMap& overlay);
