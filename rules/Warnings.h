#pragma once

#include "rules/Directives.h"

#include <string>
#include <string_view>
#include <vector>

// The warnings of a checking run (xmlpp-check) that both walkers raise, as
// texts of the table of diagnostics (diag/Diagnostics.h). A walker raises
// a warning where it already takes the decision the warning is about, and
// only when the run has an observer (diag/RunObserver.h).

// One attribute of an element as its walker holds it.
struct AttributeSeen {
    std::string name;
    bool empty;
};

// Warnings about the attributes of a directive whose attributes are a
// fixed set, in this order: its deciding attribute missing (or empty where
// that counts as missing), then each attribute it does not know, in the
// order given.
std::vector<std::string> attributeWarnings(Vocabulary mode, const DirectiveRow& directive,
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
