#pragma once

#include "diag/Diagnostics.h"
#include "rules/Directives.h"

#include <string_view>
#include <vector>

// The warnings of a checking run (xmlpp-check) that both walkers raise
// alike. A walker raises a warning where it already takes the decision the
// warning is about, and only when the run has an observer
// (diag/RunObserver.h).

// One attribute of an element as its walker holds it (the name's bytes
// belong to the caller).
struct AttributeSeen {
    std::string_view name;
    bool empty;
};

// Warnings about the attributes of a directive whose attributes are a
// fixed set, in this order: its deciding attribute missing (or empty where
// that counts as missing), then each attribute it does not know, in the
// order given. An include also knows the attributes its
// inherit_attributes names (inherited: that list, split at ';').
std::vector<Diagnostic> attributeWarnings(Vocabulary mode, const DirectiveRow& directive,
                                          const std::vector<AttributeSeen>& attributes,
                                          std::string_view inherited = {});
