#pragma once

#include <map>
#include <string>

// An ordered map from macro name to value. Names are case-sensitive;
// setting an existing name replaces its value.
using MacroMap = std::map<std::string, std::string>;
