#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The directives of each mode, one table per mode: a directive's name, the
// attributes it knows and how it takes them. Names are compared exactly
// (case-sensitive). Each walker finds a directive by one lookup
// (findDirective) and keeps its handler in an array indexed by the row's
// id (XMLPP2::handlerOf, XmlPP::handlerOf); the checks of xmlpp-check
// (unknown attributes, misspelt directives) read the same rows.
//
// Adding a directive to a mode: an id below if it is new, one row in that
// mode's table (rules/Directives.cpp), and its handler in the walker.

// The directive vocabulary of each mode.
enum class Vocabulary { Default, Xhtml };

enum class DirectiveId : std::uint8_t {
    If,
    Ifnot,
    Ifex,
    Ifdef,
    Ifndef,
    Switch,
    Case,
    Default,
    Include,
    Define,
    DefineMacro,
    ExpandDefinition,
    For,
    Xmldef,
    Xmlput,
    Foreach,
    Count
};

// How a directive takes its attributes.
enum class AttributeForm : std::uint8_t {
    Fixed,         // the known attributes and no others
    OneOfAnyName,  // exactly one attribute, of any name (if, ifnot)
    LoopLists,     // the known ones, and any other attribute is a loop list (foreach)
};

struct DirectiveRow {
    DirectiveId id;
    std::string_view name;
    AttributeForm form;
    // The attribute without which the directive does nothing useful (it
    // stays as a plain element, or decides on an empty name); empty: none
    // or one that xmlpp itself requires.
    std::string_view deciding;
    // The walk takes an empty deciding attribute as a missing one.
    bool emptyIsMissing;
    // A directive only as a child of a switch (case, default).
    bool inSwitchOnly;
    // Every attribute the directive knows; unused places are empty.
    std::array<std::string_view, 10> known;

    bool knows(std::string_view attribute) const;
};

// The row of a directive of the mode, or null for any other name; names
// as bytes (default mode) or as UTF-16 text (the -xhtml mode's DOM).
const DirectiveRow* findDirective(Vocabulary mode, std::string_view name);
const DirectiveRow* findDirective(Vocabulary mode, std::u16string_view name);

// All rows of the mode, in table order.
struct DirectiveTable {
    const DirectiveRow* first;
    std::size_t count;
    const DirectiveRow* begin() const { return first; }
    const DirectiveRow* end() const { return first + count; }
};
DirectiveTable directives(Vocabulary mode);

// An attribute that every element of the mode may carry besides those of
// its directive (the -xhtml mode's expand_attributes).
bool isAttributeOfEveryElement(Vocabulary mode, std::string_view attribute);
