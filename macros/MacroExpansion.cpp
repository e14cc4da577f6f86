#include "macros/MacroExpansion.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstring>

namespace {

// One "$(name)", "$(name:default)" or "$(name::default)" found in a text.
struct MacroReference {
    std::string_view name;
    std::string_view defaultText;
    bool hasDefault = false;
    bool literalDefault = false;
    bool defaultHoldsMarker = false;
    std::size_t end = 0;  // position after the reference
};

// The state of one call of expandMacros. Nested expansions of values and
// defaults append to the same result, so nothing is copied twice and the
// bounds see the whole expansion.
class Expander {
public:
    Expander(const MacroTable& table, const MacroMap& macros, bool useSystemMacros)
        : table_(table), macros_(macros), useSystemMacros_(useSystemMacros), marker_(table.marker())
    {
    }

    void expand(std::string_view text, int depth, std::string& result);

private:
    bool parseReference(std::string_view text, std::size_t nameStart, MacroReference& reference) const;
    void scanDefault(std::string_view text, std::size_t start, MacroReference& reference) const;
    void appendReference(const MacroReference& reference, std::string_view text, int depth, std::string& result);
    void expandNested(std::string_view text, std::string_view name, int depth, std::string& result);
    const std::string* lookUp(std::string_view name);
    bool holdsMarker(std::string_view text) const;
    [[noreturn]] void fail(const std::string& bound, std::string_view name) const;

    const MacroTable& table_;
    const MacroMap& macros_;
    const bool useSystemMacros_;
    const char marker_;
    std::string key_;  // reused for map look-ups
    std::size_t nestedExpansions_ = 0;
    std::size_t nestedBytesRead_ = 0;
};

void Expander::expand(std::string_view text, int depth, std::string& result)
{
    std::size_t copyFrom = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        const void* found = std::memchr(text.data() + position, marker_, text.size() - position);
        if (!found)
            break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        result.append(text.substr(copyFrom, at - copyFrom));
        const bool hasNext = at + 1 < text.size();
        if (!hasNext || text[at + 1] != '(') {
            // "$$" and a '$' before anything else both give one '$'.
            result += marker_;
            position = copyFrom = at + (hasNext && text[at + 1] == marker_ ? 2 : 1);
            continue;
        }
        MacroReference reference;
        if (!parseReference(text, at + 2, reference)) {
            // Unterminated: the "$(" is dropped and the rest is kept as it is.
            copyFrom = at + 2;
            break;
        }
        appendReference(reference, text, depth, result);
        position = copyFrom = reference.end;
    }
    result.append(text.substr(copyFrom));
}

bool Expander::parseReference(std::string_view text, std::size_t nameStart, MacroReference& reference) const
{
    std::size_t nameEnd = nameStart;
    while (nameEnd < text.size() && text[nameEnd] != ':' && text[nameEnd] != ')')
        ++nameEnd;
    if (nameEnd == text.size())
        return false;
    reference.name = text.substr(nameStart, nameEnd - nameStart);
    if (text[nameEnd] == ')') {
        reference.end = nameEnd + 1;
        return true;
    }
    reference.hasDefault = true;
    std::size_t defaultStart = nameEnd + 1;
    if (defaultStart < text.size() && text[defaultStart] == ':') {
        reference.literalDefault = true;
        ++defaultStart;
    }
    scanDefault(text, defaultStart, reference);
    return true;
}

// The default ends at the ')' that balances the reference's '(' or at the
// end of the text.
void Expander::scanDefault(std::string_view text, std::size_t start, MacroReference& reference) const
{
    std::size_t depth = 1;
    std::size_t position = start;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0)
                break;
        } else if (c == marker_) {
            reference.defaultHoldsMarker = true;
        }
    }
    reference.defaultText = text.substr(start, position - start);
    reference.end = position < text.size() ? position + 1 : position;
}

void Expander::appendReference(const MacroReference& reference, std::string_view text, int depth,
                               std::string& result)
{
    if (reference.name.empty())
        return;
    if (const std::string* value = lookUp(reference.name)) {
        std::string now;
        if (builtinMacroValue(reference.name, now))
            result += now;
        else if (!holdsMarker(*value) || *value == text)
            result += *value;  // a value equal to the text itself ends direct self-reference
        else
            expandNested(*value, reference.name, depth, result);
    } else if (!reference.hasDefault) {
        result += marker_;
        result += '(';
        result += reference.name;
        result += ')';
    } else if (reference.defaultHoldsMarker && !reference.literalDefault) {
        expandNested(reference.defaultText, reference.name, depth, result);
    } else {
        result += reference.defaultText;
    }
    if (result.size() > MaxMacroExpansionResultBytes)
        fail("result larger than " + std::to_string(MaxMacroExpansionResultBytes) + " bytes", reference.name);
}

void Expander::expandNested(std::string_view text, std::string_view name, int depth, std::string& result)
{
    if (depth >= MaxMacroExpansionDepth)
        fail("nested deeper than " + std::to_string(MaxMacroExpansionDepth) + " levels", name);
    if (++nestedExpansions_ > MaxNestedMacroExpansions)
        fail("needed more than " + std::to_string(MaxNestedMacroExpansions) + " nested expansions", name);
    nestedBytesRead_ += text.size();
    if (nestedBytesRead_ > MaxMacroExpansionReadBytes)
        fail("read more than " + std::to_string(MaxMacroExpansionReadBytes) + " bytes of macro values", name);
    expand(text, depth + 1, result);
}

const std::string* Expander::lookUp(std::string_view name)
{
    key_.assign(name);
    auto found = macros_.find(key_);
    if (found != macros_.end())
        return &found->second;
    if (!useSystemMacros_)
        return nullptr;
    found = table_.values().find(key_);
    return found != table_.values().end() ? &found->second : nullptr;
}

bool Expander::holdsMarker(std::string_view text) const
{
    return std::memchr(text.data(), marker_, text.size()) != nullptr;
}

void Expander::fail(const std::string& bound, std::string_view name) const
{
    std::string message = "macro expansion " + bound + " at ";
    message += marker_;
    message += '(';
    message += name;
    message += ')';
    throw MacroExpansionError(message);
}

enum class TimePart { Date, Time, SecondsSinceEpoch };

struct BuiltinMacro {
    std::string_view name;
    TimePart part;
    const char* pattern;
};

constexpr BuiltinMacro BuiltinMacros[] = {
    {"Date", TimePart::Date, "d MMMM yyyy"},
    {"DateYear", TimePart::Date, "yyyy"},
    {"DateMonth", TimePart::Date, "MM"},
    {"DateDay", TimePart::Date, "dd"},
    {"Time", TimePart::Time, "hh:mm:ss"},
    {"TimeHour", TimePart::Time, "hh"},
    {"TimeMinute", TimePart::Time, "mm"},
    {"TimeSecond", TimePart::Time, "ss"},
    {"UnixTime", TimePart::SecondsSinceEpoch, ""},
};

// The C locale gives English month names whatever the process locale is.
std::string formatNow(const BuiltinMacro& macro)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString pattern = QString::fromLatin1(macro.pattern);
    switch (macro.part) {
    case TimePart::Date:
        return QLocale::c().toString(now.date(), pattern).toStdString();
    case TimePart::Time:
        return QLocale::c().toString(now.time(), pattern).toStdString();
    case TimePart::SecondsSinceEpoch:
        break;
    }
    return std::to_string(now.toSecsSinceEpoch());
}

}  // namespace

std::string expandMacros(const MacroTable& table, const MacroMap& macros, std::string_view text, bool useSystemMacros)
{
    if (!hasMacroMarker(table, text))
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    Expander(table, macros, useSystemMacros).expand(text, 0, result);
    return result;
}

std::string expandWithSystemMacros(const MacroTable& table, std::string_view text)
{
    static const MacroMap noMacros;
    return expandMacros(table, noMacros, text, true);
}

bool builtinMacroValue(std::string_view name, std::string& value)
{
    for (const BuiltinMacro& macro : BuiltinMacros) {
        if (name == macro.name) {
            value = formatNow(macro);
            return true;
        }
    }
    return false;
}

bool hasMacroMarker(const MacroTable& table, std::string_view text)
{
    // An empty view may have no data pointer at all, which memchr must not get.
    return !text.empty() && std::memchr(text.data(), table.marker(), text.size()) != nullptr;
}
