#include "rules/Warnings.h"

#include "rules/Conditions.h"

#include <algorithm>

std::vector<Diagnostic> attributeWarnings(Vocabulary mode, const DirectiveRow& directive,
                                          const std::vector<AttributeSeen>& attributes, std::string_view inherited)
{
    std::vector<Diagnostic> warnings;
    if (!directive.deciding.empty()) {
        const auto deciding = std::find_if(attributes.begin(), attributes.end(),
                                           [&](const AttributeSeen& seen) { return seen.name == directive.deciding; });
        if (deciding == attributes.end())
            warnings.emplace_back(Diag::MissingAttribute,
                                  std::initializer_list<DiagArg>{directive.name, directive.deciding});
        else if (deciding->empty && directive.emptyIsMissing)
            warnings.emplace_back(Diag::EmptyAttribute,
                                  std::initializer_list<DiagArg>{directive.name, directive.deciding});
    }
    auto isInherited = [&](std::string_view name) {
        const auto names = splitList<char>(inherited, ";");
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const AttributeSeen& seen : attributes) {
        if (!directive.knows(seen.name) && !isAttributeOfEveryElement(mode, seen.name) && !isInherited(seen.name))
            warnings.emplace_back(Diag::UnknownAttribute, std::initializer_list<DiagArg>{directive.name, seen.name});
    }
    return warnings;
}
