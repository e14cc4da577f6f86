#include "rules/Warnings.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr DirectiveAttributes DefaultDirectives[] = {
    {"ifex", "expression", true, {"expression"}},
    {"ifdef", "name", false, {"name"}},
    {"ifndef", "name", false, {"name"}},
    {"switch", "name", false, {"name"}},
    {"case", "value", false, {"value"}},
    {"default", "", false, {}},
    {"include", "", false, {"filename", "inherit_attributes", "no_root", "expand_macros", "macros"}},
    {"define", "", false, {"name", "value", "expression", "hex_expression", "expand_macros"}},
    {"for", "", false, {"index", "start", "end", "incr", "add", "sub", "mul"}},
    {"xmldef", "name", false, {"name"}},
    {"xmlput", "name", false, {"name", "expand_macros", "macros"}},
};

// Missing attributes that the walk itself reports (include's filename,
// define's name and value) have no deciding attribute here.
constexpr DirectiveAttributes XhtmlDirectives[] = {
    {"ifdef", "name", false, {"name"}},
    {"ifndef", "name", false, {"name"}},
    {"switch", "name", false, {"name"}},
    {"case", "value", false, {"value"}},
    {"default", "", false, {}},
    {"define", "", false, {"name", "value"}},
    {"define_macro", "", false, {"name", "value"}},
    {"expand_definition", "name", false, {"name", "default", "lowercase", "underscore_spaces"}},
    {"include",
     "",
     false,
     {"filename", "expand_macros", "type", "no_root", "macros", "tag", "class", "id", "style", "encoding"}},
};

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::string element(std::string_view tag)
{
    return "<" + std::string(tag) + ">";
}

}  // namespace

const DirectiveAttributes* findDirective(Vocabulary mode, std::string_view tag)
{
    auto matches = [&](const DirectiveAttributes& directive) { return directive.tag == tag; };
    if (mode == Vocabulary::Default) {
        const auto* found = std::find_if(std::begin(DefaultDirectives), std::end(DefaultDirectives), matches);
        return found == std::end(DefaultDirectives) ? nullptr : found;
    }
    const auto* found = std::find_if(std::begin(XhtmlDirectives), std::end(XhtmlDirectives), matches);
    return found == std::end(XhtmlDirectives) ? nullptr : found;
}

std::vector<std::string> attributeWarnings(Vocabulary mode, const DirectiveAttributes& directive,
                                           const std::vector<AttributeSeen>& attributes)
{
    std::vector<std::string> warnings;
    if (!directive.deciding.empty()) {
        const auto deciding = std::find_if(attributes.begin(), attributes.end(),
                                           [&](const AttributeSeen& seen) { return seen.name == directive.deciding; });
        if (deciding == attributes.end())
            warnings.push_back(element(directive.tag) + " has no attribute " + quoted(directive.deciding));
        else if (deciding->empty && directive.emptyIsMissing)
            warnings.push_back(element(directive.tag) + " has an empty attribute " + quoted(directive.deciding));
    }
    for (const AttributeSeen& seen : attributes) {
        const bool known = !seen.name.empty() && std::find(directive.known.begin(), directive.known.end(), seen.name) !=
                                                     directive.known.end();
        if (!known && !(mode == Vocabulary::Xhtml && seen.name == "expand_attributes"))
            warnings.push_back(element(directive.tag) + " has an unknown attribute " + quoted(seen.name));
    }
    return warnings;
}

std::string undefinedMacroWarning(std::string_view name, std::string_view attribute, char marker)
{
    return "undefined macro " + quoted(name) + " is left as " + marker + "(" + std::string(name) + ") in attribute " +
           quoted(attribute);
}

std::string expressionWarning(std::string_view tag, std::string_view attribute, std::string_view text,
                              std::string_view message)
{
    return "expression " + quoted(text) + " in attribute " + quoted(attribute) + " of " + element(tag) +
           " does not evaluate: " + std::string(message);
}

std::string noIterationWarning(std::string_view tag, std::string_view attribute)
{
    return element(tag) + " makes no iteration: attribute " + quoted(attribute) + " is empty";
}
