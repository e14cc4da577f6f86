#pragma once

#include "rules/Directives.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules by which xmlpp-check takes a name for a misspelling of another,
// written so that every case is decidable. Names are compared byte for
// byte, so a change of letter case is an edit like any other.

// The number of edits (insertion, deletion, substitution, or transposition
// of two adjacent characters, each character edited once) that turn a
// into b.
std::size_t editDistance(std::string_view a, std::string_view b);

// Two macro names are close when both have at least 3 characters, they
// differ by at most max(1, L / 3) edits (L the longer length, rounded
// down), and not only in digits (the names without their digits differ).
bool areCloseMacroNames(std::string_view a, std::string_view b);

// Of names, the one closest to name (fewest edits; the first in the order
// given among equals), when one is close to it and differs from it.
std::optional<std::string> closestMacroName(std::string_view name, const std::vector<std::string_view>& names);

// Whether name is an element of HTML 4.01 (any letter case).
bool isHtml401Element(std::string_view name);

// Whether an element of this name (not a child of a switch) can be taken
// for a misspelt directive at all: the first three tests below.
bool couldMisspellDirective(Vocabulary mode, std::string_view name);

// The directive of the mode that an element not taken as a directive most
// likely misspells, when all of these hold: its name has at least 4
// characters; it is one edit from the directive's name (case and default
// only for a child of a switch); it is not an HTML 4.01 element; and it
// carries an attribute the directive knows (for if and ifnot: exactly one
// attribute). attributes are the names of the element's attributes.
const DirectiveRow* misspeltDirective(Vocabulary mode, std::string_view name,
                                      const std::vector<std::string_view>& attributes, bool childOfSwitch);
