#pragma once

#include "macros/MacroMap.h"
#include "macros/MacroTable.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// Expansion of macro references in text, in one left-to-right pass:
//   $(name)            the macro's value; left as written when undefined
//   $(name:default)    the default when undefined, itself expanded
//   $(name::default)   the default when undefined, used as written
//   $$                 one '$';  a '$' before anything else stays as it is
// Values holding a '$' are expanded in turn, except a value equal to the
// whole text being expanded (this stops direct self-reference).
//
// Macros that refer to each other in a cycle, or that double their size at
// every level, would expand forever; one expansion therefore stops with
// MacroExpansionError when
//   - values and defaults nest deeper than MaxMacroExpansionDepth levels,
//   - the result grows beyond MaxMacroExpansionResultBytes bytes,
//   - it expands values and defaults more than MaxNestedMacroExpansions
//     times, or reads more than MaxMacroExpansionReadBytes bytes of them
//     (this ends cycles that multiply while producing nothing).

inline constexpr int MaxMacroExpansionDepth = 64;
inline constexpr std::size_t MaxMacroExpansionResultBytes = std::size_t(64) << 20;
inline constexpr std::size_t MaxNestedMacroExpansions = std::size_t(1) << 20;
inline constexpr std::size_t MaxMacroExpansionReadBytes = std::size_t(64) << 20;

class MacroExpansionError : public std::runtime_error {
public:
    explicit MacroExpansionError(const std::string& message) : std::runtime_error(message) {}
};

// Expands text with the values of macros and, when useSystemMacros is set
// and a name is not in macros, with the table's system values.
std::string expandMacros(const MacroTable& table, const MacroMap& macros, std::string_view text, bool useSystemMacros);

// Expands text with the table's system values alone.
std::string expandWithSystemMacros(const MacroTable& table, std::string_view text);

// The current value of the date and time macros (Date, DateYear, DateMonth,
// DateDay, Time, TimeHour, TimeMinute, TimeSecond, UnixTime); false for any
// other name.
bool builtinMacroValue(std::string_view name, std::string& value);

// Whether text holds the table's marker; a text without it expands to itself.
bool hasMacroMarker(const MacroTable& table, std::string_view text);
