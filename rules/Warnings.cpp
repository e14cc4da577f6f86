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
    const auto inheritedNames = splitList<char>(inherited, ";");
    for (const AttributeSeen& seen : attributes) {
        const bool isInherited =
            std::find(inheritedNames.begin(), inheritedNames.end(), seen.name) != inheritedNames.end();
        if (!directive.knows(seen.name) && !isAttributeOfEveryElement(mode, seen.name) && !isInherited)
            warnings.emplace_back(Diag::UnknownAttribute, std::initializer_list<DiagArg>{directive.name, seen.name});
    }
    return warnings;
}
