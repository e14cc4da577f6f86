#include "check/MacroUse.h"

#include <cctype>

namespace {

bool isNameByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return std::isalnum(byte) || c == '_' || c == ':' || c == '-' || c == '.';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    for (const std::string_view candidate : words)
        if (word == candidate)
            return true;
    return false;
}

// The text with the five named entities of XML replaced by their
// characters ("&gt;" is no word of an expression).
std::string withoutEntities(std::string_view text)
{
    static constexpr std::pair<std::string_view, char> Named[] = {
        {"&amp;", '&'}, {"&apos;", '\''}, {"&gt;", '>'}, {"&lt;", '<'}, {"&quot;", '"'}};
    std::string plain;
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : Named) {
            if (text.compare(at, entity.size(), entity) == 0) {
                plain += character;
                at += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            plain += text[at++];
    }
    return plain;
}

// Moves past the first occurrence of end at or after at (to the end of text
// when there is none).
void skipPast(std::string_view text, std::size_t& at, std::string_view end)
{
    const std::size_t found = text.find(end, at);
    at = found == std::string_view::npos ? text.size() : found + end.size();
}

}  // namespace

void MacroReferences::scanFile(std::string_view text)
{
    std::size_t at = 0;
    while (!allWantedFound() && (at = text.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        if (rest.compare(0, 4, "<!--") == 0)
            skipPast(text, at, "-->");
        else if (rest.compare(0, 9, "<![CDATA[") == 0)
            skipPast(text, at, "]]>");
        else if (rest.compare(0, 2, "<?") == 0)
            skipPast(text, at, "?>");
        else if (rest.compare(0, 2, "<!") == 0 || rest.compare(0, 2, "</") == 0)
            skipPast(text, at, ">");
        else
            startTag(text, ++at);
    }
}

void MacroReferences::startTag(std::string_view text, std::size_t& at)
{
    const std::size_t tagStart = at;
    while (at < text.size() && isNameByte(text[at]))
        ++at;
    const std::string_view tag = text.substr(tagStart, at - tagStart);
    while (at < text.size() && text[at] != '>' && text[at] != '<') {
        if (isSpace(text[at]) || text[at] == '/') {
            ++at;
            continue;
        }
        const std::size_t nameStart = at;
        while (at < text.size() && isNameByte(text[at]))
            ++at;
        const std::string_view name = text.substr(nameStart, at - nameStart);
        if (name.empty()) {
            ++at;
            continue;
        }
        while (at < text.size() && isSpace(text[at]))
            ++at;
        if (at >= text.size() || text[at] != '=') {
            attribute(tag, name, {});
            continue;
        }
        ++at;
        while (at < text.size() && isSpace(text[at]))
            ++at;
        if (at >= text.size() || (text[at] != '"' && text[at] != '\''))
            continue;
        const char quote = text[at++];
        const std::size_t close = std::min(text.find(quote, at), text.size());
        attribute(tag, name, text.substr(at, close - at));
        at = close + 1;
    }
}

void MacroReferences::attribute(std::string_view tag, std::string_view name, std::string_view value)
{
    scanValue(value);
    if (tag == "if" || tag == "ifnot")
        found(name);
    else if (name == "name" && isOneOf(tag, {"ifdef", "ifndef", "switch", "expand_definition"}))
        found(value);
    else if ((tag == "ifex" && name == "expression") ||
             (tag == "define" && isOneOf(name, {"expression", "hex_expression"})) ||
             (tag == "for" && isOneOf(name, {"start", "end", "incr", "add", "sub", "mul"})))
        words(withoutEntities(value));
}

// Every "$(NAME" followed by ")" or ":", defaults included; "$$" is an
// escaped "$".
void MacroReferences::scanValue(std::string_view value)
{
    for (std::size_t at = 0; (at = value.find('$', at)) != std::string_view::npos;) {
        if (at + 1 < value.size() && value[at + 1] == '$') {
            at += 2;
            continue;
        }
        if (at + 1 >= value.size() || value[at + 1] != '(') {
            ++at;
            continue;
        }
        const std::size_t nameStart = at + 2;
        std::size_t nameEnd = nameStart;
        while (nameEnd < value.size() && value[nameEnd] != ')' && value[nameEnd] != ':')
            ++nameEnd;
        if (nameEnd < value.size())
            found(value.substr(nameStart, nameEnd - nameStart));
        at = nameStart;
    }
}

// The words of an expression that could name a macro: runs of letters,
// digits and underscores that do not start with a digit.
void MacroReferences::words(std::string_view expression)
{
    auto isWordByte = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t at = 0; at < expression.size();) {
        if (!isWordByte(expression[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < expression.size() && isWordByte(expression[at]))
            ++at;
        // A number with its suffix or hexadecimal digits ("10UL", "0x1F") is
        // not a name.
        if (!std::isdigit(static_cast<unsigned char>(expression[start])))
            found(expression.substr(start, at - start));
    }
}

void MacroReferences::found(std::string_view name)
{
    const auto [entry, added] = names_.emplace(name);
    if (added && wanted_.count(*entry) != 0)
        --missing_;
}
