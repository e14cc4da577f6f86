#include "rules/Directives.h"

#include <algorithm>
#include <iterator>

namespace {

using Form = AttributeForm;
using Id = DirectiveId;

// clang-format off
constexpr DirectiveRow DefaultDirectives[] = {
    {Id::If, "if", Form::OneOfAnyName, "", false, false, {}},
    {Id::Ifnot, "ifnot", Form::OneOfAnyName, "", false, false, {}},
    {Id::Ifex, "ifex", Form::Fixed, "expression", true, false, {"expression"}},
    {Id::Ifdef, "ifdef", Form::Fixed, "name", false, false, {"name"}},
    {Id::Ifndef, "ifndef", Form::Fixed, "name", false, false, {"name"}},
    {Id::Switch, "switch", Form::Fixed, "name", false, false, {"name"}},
    {Id::Case, "case", Form::Fixed, "value", false, true, {"value"}},
    {Id::Default, "default", Form::Fixed, "", false, true, {}},
    {Id::Include, "include", Form::Fixed, "", false, false,
     {"filename", "inherit_attributes", "no_root", "expand_macros", "macros"}},
    {Id::Define, "define", Form::Fixed, "", false, false,
     {"name", "value", "expression", "hex_expression", "expand_macros"}},
    {Id::For, "for", Form::Fixed, "", false, false, {"index", "start", "end", "incr", "add", "sub", "mul"}},
    {Id::Xmldef, "xmldef", Form::Fixed, "name", false, false, {"name"}},
    {Id::Xmlput, "xmlput", Form::Fixed, "name", false, false, {"name", "expand_macros", "macros"}},
    {Id::Foreach, "foreach", Form::LoopLists, "", false, false,
     {"split_by", "expand_macros", "exclude_entries", "exclude_wildcard"}},
};

// Missing attributes that the walk itself reports (include's filename,
// define's name and value) have no deciding attribute here.
constexpr DirectiveRow XhtmlDirectives[] = {
    {Id::If, "if", Form::OneOfAnyName, "", false, false, {}},
    {Id::Ifnot, "ifnot", Form::OneOfAnyName, "", false, false, {}},
    {Id::Ifdef, "ifdef", Form::Fixed, "name", false, false, {"name"}},
    {Id::Ifndef, "ifndef", Form::Fixed, "name", false, false, {"name"}},
    {Id::Switch, "switch", Form::Fixed, "name", false, false, {"name"}},
    {Id::Case, "case", Form::Fixed, "value", false, true, {"value"}},
    {Id::Default, "default", Form::Fixed, "", false, true, {}},
    {Id::Define, "define", Form::Fixed, "", false, false, {"name", "value"}},
    {Id::DefineMacro, "define_macro", Form::Fixed, "", false, false, {"name", "value"}},
    {Id::ExpandDefinition, "expand_definition", Form::Fixed, "name", false, false,
     {"name", "default", "lowercase", "underscore_spaces"}},
    {Id::Include, "include", Form::Fixed, "", false, false,
     {"filename", "expand_macros", "type", "no_root", "macros", "tag", "class", "id", "style", "encoding"}},
};
// clang-format on

}  // namespace

bool DirectiveRow::knows(std::string_view attribute) const
{
    return !attribute.empty() && std::find(known.begin(), known.end(), attribute) != known.end();
}

DirectiveTable directives(Vocabulary mode)
{
    if (mode == Vocabulary::Default)
        return {std::begin(DefaultDirectives), std::size(DefaultDirectives)};
    return {std::begin(XhtmlDirectives), std::size(XhtmlDirectives)};
}

const DirectiveRow* findDirective(Vocabulary mode, std::string_view name)
{
    for (const DirectiveRow& row : directives(mode))
        if (row.name == name)
            return &row;
    return nullptr;
}

bool isAttributeOfEveryElement(Vocabulary mode, std::string_view attribute)
{
    return mode == Vocabulary::Xhtml && attribute == "expand_attributes";
}
