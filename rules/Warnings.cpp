#include "rules/Warnings.h"

#include "diag/Diagnostics.h"

#include <algorithm>

std::vector<std::string> attributeWarnings(Vocabulary mode, const DirectiveRow& directive,
                                           const std::vector<AttributeSeen>& attributes)
{
    std::vector<std::string> warnings;
    if (!directive.deciding.empty()) {
        const auto deciding = std::find_if(attributes.begin(), attributes.end(),
                                           [&](const AttributeSeen& seen) { return seen.name == directive.deciding; });
        if (deciding == attributes.end())
            warnings.push_back(formatMessage(Diag::MissingAttribute, {directive.name, directive.deciding}));
        else if (deciding->empty && directive.emptyIsMissing)
            warnings.push_back(formatMessage(Diag::EmptyAttribute, {directive.name, directive.deciding}));
    }
    for (const AttributeSeen& seen : attributes) {
        if (!directive.knows(seen.name) && !isAttributeOfEveryElement(mode, seen.name))
            warnings.push_back(formatMessage(Diag::UnknownAttribute, {directive.name, seen.name}));
    }
    return warnings;
}

std::string undefinedMacroWarning(std::string_view name, std::string_view attribute, char marker)
{
    return formatMessage(Diag::UndefinedMacro, {name, marker, attribute});
}

std::string expressionWarning(std::string_view tag, std::string_view attribute, std::string_view text,
                              std::string_view message)
{
    return formatMessage(Diag::ExpressionFails, {text, attribute, tag, message});
}

std::string noIterationWarning(std::string_view tag, std::string_view attribute)
{
    return formatMessage(Diag::NoIteration, {tag, attribute});
}
