#pragma once

#include "macros/MacroMap.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of the conditions both walkers resolve (if, ifnot, ifdef,
// ifndef, switch), written once. The default mode works on bytes (char),
// the -xhtml mode on Qt's 16-bit text (char16_t), so the rules on text are
// templates over the character type; each walker compares in its own
// encoding.

// Splits text at every occurrence of separator, dropping empty items; no
// trimming. An empty separator splits into single characters.
template <class Char>
std::vector<std::basic_string_view<Char>> splitList(std::basic_string_view<Char> text,
                                                    std::basic_string_view<Char> separator)
{
    std::vector<std::basic_string_view<Char>> items;
    if (separator.empty()) {
        for (std::size_t i = 0; i < text.size(); ++i)
            items.push_back(text.substr(i, 1));
        return items;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t stop = text.find(separator, start);
        if (stop == std::basic_string_view<Char>::npos)
            stop = text.size();
        if (stop > start)
            items.push_back(text.substr(start, stop - start));
        start = stop + separator.size();
    }
    return items;
}

// Whether value is an item of the comma-separated list: the test of if and
// ifnot, and of a switch's case. An undefined macro (no value) matches no
// item, and neither does an empty value, since empty items are dropped.
template <class Char>
bool listHolds(std::basic_string_view<Char> list, std::optional<std::basic_string_view<Char>> value)
{
    if (!value)
        return false;
    const Char comma[] = {Char(',')};
    for (const auto item : splitList(list, std::basic_string_view<Char>(comma, 1)))
        if (item == *value)
            return true;
    return false;
}

// Whether text is the ASCII word, character for character.
template <class Char>
bool isWord(std::basic_string_view<Char> text, std::string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (text[i] != Char(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

// Chooses the branch of a switch while its children are offered in order:
// the first case whose value list holds the macro's value wins and ends the
// search; otherwise the last default offered wins (a default never ends the
// search, so a matching case after it still wins). Node is the walker's
// handle of a child element.
template <class Node, class Char>
class SwitchChoice {
public:
    using View = std::basic_string_view<Char>;

    // value: the macro's value, none when it is not defined.
    explicit SwitchChoice(std::optional<View> value) : value_(value) {}

    // Offers the next child (any other tag name is passed over); false once
    // a case has been chosen.
    bool offer(Node child, View tagName, View valueList)
    {
        if (isWord(tagName, "case") && listHolds(valueList, value_)) {
            case_ = child;
            return false;
        }
        if (isWord(tagName, "default"))
            default_ = child;
        return true;
    }

    // The chosen case, else the last default; none when neither was offered.
    std::optional<Node> chosen() const { return case_ ? case_ : default_; }

private:
    std::optional<View> value_;
    std::optional<Node> case_;
    std::optional<Node> default_;
};

// The value of a macro, or null when it is not defined (an empty value is
// defined): what if, ifnot, ifdef, ifndef and switch look at.
const std::string* findMacro(const MacroMap& macros, std::string_view name);
