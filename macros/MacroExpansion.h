#pragma once

#include "macros/MacroMap.h"
#include "macros/MacroTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Expansion of macro references in text, in one left-to-right pass:
//   $(name)            the macro's value; left as written when undefined
//   $(name:default)    the default when undefined, itself expanded
//   $(name::default)   the default when undefined, used as written
//   $$                 one '$';  a '$' before anything else stays as it is
// Values holding a '$' are expanded in turn, except a value equal to the
// whole text being expanded (this stops direct self-reference).
//
// Expansion never fails. Macros that refer to each other in a cycle, or that
// double their size at every level, would expand without end; each call
// therefore keeps to these bounds (values and defaults taken for their
// references count as nested expansions):
//   - a value or default that would be expanded deeper than
//     MaxMacroExpansionDepth levels is not expanded: its reference is kept
//     as written, and the expansion goes on after it (so a cycle such as
//     A=$(B), B=$(A) ends in "$(A)" or "$(B)");
//   - after MaxNestedMacroExpansions nested expansions, or once the values
//     and defaults that were expanded add up to MaxMacroExpansionReadBytes,
//     or once the result holds MaxMacroExpansionAddedBytes bytes that did
//     not come from the text itself, the expansion stops: everything not
//     yet expanded, at every level then open, is kept as written.
// Text of the call itself is never counted, so a large text with a few
// references expands exactly. The expansion keeps its own stack of open
// levels and does not recurse.

inline constexpr std::size_t MaxMacroExpansionDepth = 10000;
inline constexpr std::size_t MaxNestedMacroExpansions = std::size_t(1) << 20;
inline constexpr std::size_t MaxMacroExpansionReadBytes = std::size_t(64) << 20;
inline constexpr std::size_t MaxMacroExpansionAddedBytes = std::size_t(64) << 20;

// What a nested expansion is taken to cost in the work an expansion
// reports, besides the bytes of the value or default it reads.
inline constexpr std::uint64_t NestedMacroExpansionWorkBytes = 256;

// Expands text with the values of macros and, when useSystemMacros is set
// and a name is not in macros, with the table's system values. When work is
// given, the work of the nested expansions is added to it, in bytes: the
// values looked through for references, the values and defaults read, and
// NestedMacroExpansionWorkBytes for each (callers bound the work of a whole
// run with it; the result's own size is not included). When undefined is given, the name of every reference that
// stays as written because its macro is not defined and it has no default
// is appended to it.
std::string expandMacros(const MacroTable& table, const MacroMap& macros, std::string_view text, bool useSystemMacros,
                         std::uint64_t* work = nullptr, std::vector<std::string>* undefined = nullptr);

// Expands text with the table's system values alone.
std::string expandWithSystemMacros(const MacroTable& table, std::string_view text, std::uint64_t* work = nullptr);

// The current value of the date and time macros (Date, DateYear, DateMonth,
// DateDay, Time, TimeHour, TimeMinute, TimeSecond, UnixTime); false for any
// other name.
bool builtinMacroValue(std::string_view name, std::string& value);

// Whether text holds the table's marker; a text without it expands to itself.
// The 16-bit form serves the -xhtml mode, which looks before it converts.
bool hasMacroMarker(const MacroTable& table, std::string_view text);
bool hasMacroMarker(const MacroTable& table, std::u16string_view text);
