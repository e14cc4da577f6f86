#include "macros/MacroExpansion.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

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

// One text being expanded: the text of the call, or a value or default
// taken for a reference.
struct Level {
    std::string_view text;
    std::size_t position = 0;  // where the search for the next marker goes on
    std::size_t copyFrom = 0;  // start of the text not yet copied
};

// The state of one call of expandMacros. Nested expansions of values and
// defaults append to the same result; the open levels are kept on a stack
// of their own, so that nesting costs no recursion.
class Expander {
public:
    Expander(const MacroTable& table, const MacroMap& macros, bool useSystemMacros, std::vector<std::string>* undefined)
        : table_(table), macros_(macros), useSystemMacros_(useSystemMacros), marker_(table.marker()),
          undefined_(undefined)
    {}

    void expand(std::string_view text, std::string& result);
    std::uint64_t work() const
    {
        return bytesRead_ + bytesExamined_ + nestedExpansions_ * NestedMacroExpansionWorkBytes;
    }

private:
    bool step(std::string& result);
    bool parseReference(std::string_view text, std::size_t nameStart, MacroReference& reference) const;
    void scanDefault(std::string_view text, std::size_t start, MacroReference& reference) const;
    void appendReference(const MacroReference& reference, std::string_view written, std::string& result);
    void openLevel(std::string_view text, std::string_view written, std::string& result);
    void appendAdded(std::string_view piece, std::string& result);
    void appendCopied(std::string_view piece, std::string& result);
    const std::string* lookUp(std::string_view name);
    bool holdsMarker(std::string_view text);

    const MacroTable& table_;
    const MacroMap& macros_;
    const bool useSystemMacros_;
    const char marker_;
    std::vector<std::string>* undefined_;
    std::vector<Level> levels_;
    bool stopped_ = false;
    std::string key_;  // reused for map look-ups
    std::size_t nestedExpansions_ = 0;
    std::size_t bytesRead_ = 0;
    std::size_t bytesExamined_ = 0;  // of values looked through for a marker
    std::size_t addedBytes_ = 0;
};

void Expander::expand(std::string_view text, std::string& result)
{
    levels_.push_back(Level{text});
    while (!levels_.empty()) {
        if (!stopped_ && step(result))
            continue;
        const Level& done = levels_.back();
        appendCopied(done.text.substr(std::min(done.copyFrom, done.text.size())), result);
        levels_.pop_back();
    }
}

// Handles the next marker of the innermost level; false when the level has
// none left (its rest is then copied by expand).
bool Expander::step(std::string& result)
{
    Level& level = levels_.back();
    const std::string_view text = level.text;
    if (level.position >= text.size())
        return false;
    const void* found = std::memchr(text.data() + level.position, marker_, text.size() - level.position);
    if (!found)
        return false;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    appendCopied(text.substr(level.copyFrom, at - level.copyFrom), result);
    if (stopped_) {
        level.copyFrom = at;
        return false;
    }
    const bool hasNext = at + 1 < text.size();
    if (!hasNext || text[at + 1] != '(') {
        // "$$" and a '$' before anything else both give one '$'.
        appendCopied(std::string_view(&marker_, 1), result);
        level.position = level.copyFrom = at + (hasNext && text[at + 1] == marker_ ? 2 : 1);
        return true;
    }
    MacroReference reference;
    if (!parseReference(text, at + 2, reference)) {
        // Unterminated: the "$(" is dropped and the rest is kept as it is.
        level.position = text.size();
        level.copyFrom = at + 2;
        return false;
    }
    level.position = level.copyFrom = reference.end;
    // May open a level, which moves levels_: `level` is not used after it.
    appendReference(reference, text.substr(at, reference.end - at), result);
    return true;
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

// written is the reference as it stands in the text.
void Expander::appendReference(const MacroReference& reference, std::string_view written, std::string& result)
{
    if (reference.name.empty())
        return;
    if (const std::string* value = lookUp(reference.name)) {
        std::string now;
        if (builtinMacroValue(reference.name, now))
            appendAdded(now, result);
        else if (!holdsMarker(*value) || *value == levels_.back().text)
            appendAdded(*value, result);  // a value equal to the text itself ends direct self-reference
        else
            openLevel(*value, written, result);
    } else if (!reference.hasDefault) {
        appendAdded(written, result);  // "$(name)", as written
        if (undefined_ != nullptr)
            undefined_->emplace_back(reference.name);
    } else if (reference.defaultHoldsMarker && !reference.literalDefault) {
        openLevel(reference.defaultText, written, result);
    } else {
        appendAdded(reference.defaultText, result);
    }
}

// Starts expanding a value or default, within the bounds of the call.
void Expander::openLevel(std::string_view text, std::string_view written, std::string& result)
{
    if (levels_.size() > MaxMacroExpansionDepth) {
        appendAdded(written, result);
        return;
    }
    if (nestedExpansions_ >= MaxNestedMacroExpansions || bytesRead_ + text.size() > MaxMacroExpansionReadBytes) {
        // The reference is not expanded: the rest of this level, from the
        // reference on, is copied as written.
        stopped_ = true;
        levels_.back().copyFrom -= written.size();
        return;
    }
    ++nestedExpansions_;
    bytesRead_ += text.size();
    levels_.push_back(Level{text});
}

void Expander::appendAdded(std::string_view piece, std::string& result)
{
    result.append(piece);
    addedBytes_ += piece.size();
    if (addedBytes_ > MaxMacroExpansionAddedBytes)
        stopped_ = true;
}

// Text of the open levels; only the outermost one is the call's own text.
void Expander::appendCopied(std::string_view piece, std::string& result)
{
    if (levels_.size() > 1)
        appendAdded(piece, result);
    else
        result.append(piece);
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

// Looking through a value costs its length whether or not the value is then
// expanded: a value past the read bound is looked through for every
// reference to it, and expands to nothing.
bool Expander::holdsMarker(std::string_view text)
{
    bytesExamined_ += text.size();
    return std::memchr(text.data(), marker_, text.size()) != nullptr;
}

enum class TimePart { Date, Time, SecondsSinceEpoch };

struct BuiltinMacro {
    std::string_view name;
    TimePart part;
    const char* pattern;
};

constexpr BuiltinMacro BuiltinMacros[] = {
    {"Date", TimePart::Date, "d MMMM yyyy"},       {"DateYear", TimePart::Date, "yyyy"},
    {"DateMonth", TimePart::Date, "MM"},           {"DateDay", TimePart::Date, "dd"},
    {"Time", TimePart::Time, "hh:mm:ss"},          {"TimeHour", TimePart::Time, "hh"},
    {"TimeMinute", TimePart::Time, "mm"},          {"TimeSecond", TimePart::Time, "ss"},
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

std::string expandMacros(const MacroTable& table, const MacroMap& macros, std::string_view text, bool useSystemMacros,
                         std::uint64_t* work, std::vector<std::string>* undefined)
{
    if (!hasMacroMarker(table, text))
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    Expander expander(table, macros, useSystemMacros, undefined);
    expander.expand(text, result);
    if (work != nullptr)
        *work += expander.work();
    return result;
}

std::string expandWithSystemMacros(const MacroTable& table, std::string_view text, std::uint64_t* work)
{
    static const MacroMap noMacros;
    return expandMacros(table, noMacros, text, true, work);
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

bool hasMacroMarker(const MacroTable& table, std::u16string_view text)
{
    return text.find(char16_t(static_cast<unsigned char>(table.marker()))) != std::u16string_view::npos;
}
