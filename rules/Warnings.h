#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The warnings of a checking run (xmlpp-check), written once for both
// walkers: the texts, and the attributes each directive knows. A walker
// raises a warning where it already takes the decision the warning is
// about, and only when the run has an observer (diag/RunObserver.h).

// The directive vocabulary of each mode.
enum class Vocabulary { Default, Xhtml };

// A directive whose attributes are a fixed set: the attribute that decides
// it (none for an empty name) and every attribute it knows. The -xhtml mode
// also allows expand_attributes on every element.
struct DirectiveAttributes {
    std::string_view tag;
    std::string_view deciding;
    // The walk takes an empty deciding attribute as a missing one.
    bool emptyIsMissing;
    // Unused places are empty.
    std::array<std::string_view, 10> known;
};

// The entry of a directive of the mode; none for a plain element and for
// the directives whose attributes are not a fixed set: if and ifnot (one
// attribute of any name) and foreach (loop lists). case and default are
// found too; they are directives only as children of a switch.
const DirectiveAttributes* findDirective(Vocabulary mode, std::string_view tag);

// One attribute of an element as its walker holds it.
struct AttributeSeen {
    std::string name;
    bool empty;
};

// Warnings about a directive's attributes, in this order: its deciding
// attribute missing (or empty where that counts as missing), then each
// attribute it does not know, in the order given.
std::vector<std::string> attributeWarnings(Vocabulary mode, const DirectiveAttributes& directive,
                                           const std::vector<AttributeSeen>& attributes);

// A reference that stays in an attribute of the output, as written with the
// table's marker, because its macro is not defined and it has no default.
std::string undefinedMacroWarning(std::string_view name, std::string_view attribute, char marker);

// An expression attribute that does not evaluate; message is the
// evaluator's.
std::string expressionWarning(std::string_view tag, std::string_view attribute, std::string_view text,
                              std::string_view message);

// A loop that makes no iteration because the attribute is empty.
std::string noIterationWarning(std::string_view tag, std::string_view attribute);

// A file (the default mode's input) that yields no element.
inline constexpr std::string_view NoElementWarning = "no element in this file: the output is empty";

// Text inside an element in the default mode, which keeps no text.
inline constexpr std::string_view DroppedTextWarning =
    "text is not carried into the output (the default mode keeps elements, attributes and CDATA sections)";
