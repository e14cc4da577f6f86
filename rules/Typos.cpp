#include "rules/Typos.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// The elements of HTML 4.01 (strict, transitional and frameset), in lower
// case.
constexpr std::string_view Html401Elements[] = {
    "a",        "abbr",       "acronym", "address",  "applet", "area",    "b",      "base",     "basefont", "bdo",
    "big",      "blockquote", "body",    "br",       "button", "caption", "center", "cite",     "code",     "col",
    "colgroup", "dd",         "del",     "dfn",      "dir",    "div",     "dl",     "dt",       "em",       "fieldset",
    "font",     "form",       "frame",   "frameset", "h1",     "h2",      "h3",     "h4",       "h5",       "h6",
    "head",     "hr",         "html",    "i",        "iframe", "img",     "input",  "ins",      "isindex",  "kbd",
    "label",    "legend",     "li",      "link",     "map",    "menu",    "meta",   "noframes", "noscript", "object",
    "ol",       "optgroup",   "option",  "p",        "param",  "pre",     "q",      "s",        "samp",     "script",
    "select",   "small",      "span",    "strike",   "strong", "style",   "sub",    "sup",      "table",    "tbody",
    "td",       "textarea",   "tfoot",   "th",       "thead",  "title",   "tr",     "tt",       "u",        "ul",
    "var",
};

std::string withoutDigits(std::string_view name)
{
    std::string letters;
    for (const char c : name)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            letters += c;
    return letters;
}

}  // namespace

// The optimal string alignment distance, row by row.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

bool areCloseMacroNames(std::string_view a, std::string_view b)
{
    if (a.size() < 3 || b.size() < 3)
        return false;
    const std::size_t longer = std::max(a.size(), b.size());
    const std::size_t allowed = std::max<std::size_t>(1, longer / 3);
    // Cheap before the distance: it is at least the difference of lengths.
    if (longer - std::min(a.size(), b.size()) > allowed || editDistance(a, b) > allowed)
        return false;
    return withoutDigits(a) != withoutDigits(b);
}

std::optional<std::string> closestMacroName(std::string_view name, const std::vector<std::string_view>& names)
{
    std::optional<std::string> best;
    std::size_t bestDistance = 0;
    for (const std::string_view candidate : names) {
        if (candidate == name || !areCloseMacroNames(name, candidate))
            continue;
        const std::size_t distance = editDistance(name, candidate);
        if (!best || distance < bestDistance) {
            best = std::string(candidate);
            bestDistance = distance;
        }
    }
    return best;
}

bool isHtml401Element(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return std::find(std::begin(Html401Elements), std::end(Html401Elements), lower) != std::end(Html401Elements);
}

bool couldMisspellDirective(Vocabulary mode, std::string_view name)
{
    if (name.size() < 4)
        return false;
    for (const DirectiveRow& directive : directives(mode))
        if (!directive.inSwitchOnly && name != directive.name && editDistance(name, directive.name) == 1)
            return !isHtml401Element(name);
    return false;
}

const DirectiveRow* misspeltDirective(Vocabulary mode, std::string_view name,
                                      const std::vector<std::string_view>& attributes, bool childOfSwitch)
{
    if (name.size() < 4)
        return nullptr;
    for (const DirectiveRow& directive : directives(mode)) {
        if (directive.inSwitchOnly && !childOfSwitch)
            continue;
        const std::size_t lengths =
            std::max(name.size(), directive.name.size()) - std::min(name.size(), directive.name.size());
        if (lengths > 1 || name == directive.name || editDistance(name, directive.name) != 1)
            continue;
        const bool attributesFit =
            directive.form == AttributeForm::OneOfAnyName
                ? attributes.size() == 1
                : std::any_of(attributes.begin(), attributes.end(),
                              [&](std::string_view attribute) { return directive.knows(attribute); });
        if (attributesFit && !isHtml401Element(name))
            return &directive;
    }
    return nullptr;
}
