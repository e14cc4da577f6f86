#include "rules/Directives.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

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

// Where a name is looked for in a mode's index: from its first and last
// bytes and its length, which tell most names apart at once.
constexpr std::size_t IndexSlots = 64;

template <typename Char>
constexpr std::size_t unitValue(Char unit)
{
    return std::size_t(static_cast<std::make_unsigned_t<Char>>(unit));
}

template <typename Char>
constexpr std::size_t slotOf(std::basic_string_view<Char> name)
{
    return (unitValue(name.front()) * 7 + unitValue(name.back()) * 3 + name.size()) % IndexSlots;
}

// Directive names are ASCII: a UTF-16 name equals one when every unit
// equals the byte at its place.
template <typename Char>
bool sameName(std::string_view directive, std::basic_string_view<Char> name)
{
    if (directive.size() != name.size() || unitValue(directive.front()) != unitValue(name.front()))
        return false;
    for (std::size_t i = 1; i < name.size(); ++i)
        if (unitValue(directive[i]) != unitValue(name[i]))
            return false;
    return true;
}

// The rows of a mode in an open-addressed table made at compile time: a
// name that is no directive is mostly turned away by one empty slot.
class DirectiveIndex {
public:
    template <std::size_t Count>
    constexpr explicit DirectiveIndex(const DirectiveRow (&rows)[Count]) : rows_(rows), count_(Count)
    {
        static_assert(Count < IndexSlots / 2, "the index stays sparse");
        for (std::uint8_t& slot : slots_)
            slot = Empty;
        for (std::size_t row = 0; row < Count; ++row) {
            std::size_t slot = slotOf(rows[row].name);
            while (slots_[slot] != Empty)
                slot = (slot + 1) % IndexSlots;
            slots_[slot] = std::uint8_t(row);
        }
    }

    DirectiveTable table() const { return {rows_, count_}; }

    template <typename Char>
    const DirectiveRow* find(std::basic_string_view<Char> name) const
    {
        if (name.empty())
            return nullptr;
        for (std::size_t slot = slotOf(name); slots_[slot] != Empty; slot = (slot + 1) % IndexSlots) {
            const DirectiveRow& row = rows_[slots_[slot]];
            if (sameName(row.name, name))
                return &row;
        }
        return nullptr;
    }

private:
    static constexpr std::uint8_t Empty = 0xFF;
    const DirectiveRow* rows_;
    std::size_t count_;
    std::array<std::uint8_t, IndexSlots> slots_{};
};

constexpr DirectiveIndex DefaultIndex(DefaultDirectives);
constexpr DirectiveIndex XhtmlIndex(XhtmlDirectives);

const DirectiveIndex& indexOf(Vocabulary mode)
{
    return mode == Vocabulary::Default ? DefaultIndex : XhtmlIndex;
}

}  // namespace

bool DirectiveRow::knows(std::string_view attribute) const
{
    return !attribute.empty() && std::find(known.begin(), known.end(), attribute) != known.end();
}

DirectiveTable directives(Vocabulary mode)
{
    return indexOf(mode).table();
}

const DirectiveRow* findDirective(Vocabulary mode, std::string_view name)
{
    return indexOf(mode).find(name);
}

const DirectiveRow* findDirective(Vocabulary mode, std::u16string_view name)
{
    return indexOf(mode).find(name);
}

bool isAttributeOfEveryElement(Vocabulary mode, std::string_view attribute)
{
    return mode == Vocabulary::Xhtml && attribute == "expand_attributes";
}
