// for and foreach: copies of the loop's children, one set per iteration,
// inserted after the loop element, which is then dropped.
#include "expr/Evaluate.h"
#include "macros/MacroExpansion.h"
#include "rules/Conditions.h"
#include "rules/Warnings.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

#include <QRegExp>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace {

std::string upperHex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The character with code 65 + i as one byte; past code 255 there is no
// such byte and the value is "?".
std::string alphaOf(std::uint32_t index)
{
    const std::uint64_t code = 65 + std::uint64_t(index);
    return code <= 255 ? std::string(1, static_cast<char>(code)) : std::string("?");
}

std::string withoutLineBreaks(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }), text.end());
    return text;
}

// Wildcard patterns ("*", "?", "[...]") matched anywhere in an item; each
// byte is one character.
//
// Searching for a match at every position of the item costs time in the
// square of its length (seconds for a few thousand bytes against a pattern
// with many stars), so each pattern P is matched once against the whole
// item as "*P*". A backslash at the end of P would make the added star a
// literal one; such backslashes are written as the set "[\]", which
// matches the same character. A pattern that does not compile matches
// nothing.
class WildcardList {
public:
    void add(std::string_view pattern)
    {
        const QString text = QString::fromLatin1(pattern.data(), int(pattern.size()));
        if (QRegExp(text, Qt::CaseSensitive, QRegExp::Wildcard).isValid())
            patterns_.emplace_back(anywhere(text), Qt::CaseSensitive, QRegExp::Wildcard);
    }
    bool matches(std::string_view item) const
    {
        const QString text = QString::fromLatin1(item.data(), int(item.size()));
        return std::any_of(patterns_.begin(), patterns_.end(),
                           [&](const QRegExp& pattern) { return pattern.exactMatch(text); });
    }

private:
    static QString anywhere(const QString& pattern)
    {
        int backslashes = 0;
        while (backslashes < pattern.size() && pattern[pattern.size() - 1 - backslashes] == QLatin1Char('\\'))
            ++backslashes;
        QString result = QLatin1Char('*') + pattern.left(pattern.size() - backslashes);
        for (int i = 0; i < backslashes; ++i)
            result += QLatin1String("[\\]");
        return result + QLatin1Char('*');
    }

    std::vector<QRegExp> patterns_;
};

struct LoopList {
    std::string name;
    std::vector<std::string> items;
};

}  // namespace

XMLNode* XMLPP2::forLoop(XMLElement* element, Chain& chain)
{
    for (const char* required : {"index", "start", "end", "incr"}) {
        if (!element->hasAttribute(required)) {
            fail(element, chain.fileName, Diagnostic(Diag::ForWithoutAttribute, {required}), Diag::ForUsage);
            return drop(element);
        }
    }
    if (element->firstChild() == nullptr) {
        fail(element, chain.fileName, Diagnostic(Diag::ForWithoutChild), Diag::ForUsage);
        return drop(element);
    }
    auto expandedSigned = [&](const char* name) -> std::uint64_t {
        bool ok = false;
        const std::string text = expand(element->attributeText(name), chain.macros.map());
        const std::int64_t value = evaluateSigned(text, ok, failureMessage());
        if (!ok)
            expressionFailed(element, name, text, chain.fileName);
        return ok ? std::uint64_t(value) : 0;
    };
    // An empty bound is reported as a loop without iterations, when it is one.
    const char* emptyBound = nullptr;
    auto integer = [&](const char* name) -> std::uint32_t {
        bool ok = false;
        const std::string_view text = element->attributeText(name);
        const std::uint64_t value = evaluateInteger(text, ok, failureMessage());
        if (!ok && text.empty() && emptyBound == nullptr)
            emptyBound = name;
        else if (!ok)
            expressionFailed(element, name, text, chain.fileName);
        return ok ? std::uint32_t(value) : 0;
    };
    // All arithmetic is on unsigned 32-bit numbers and wraps.
    std::uint32_t offset = 0;
    if (element->hasAttribute("add"))
        offset = std::uint32_t(expandedSigned("add"));
    else if (element->hasAttribute("sub"))
        offset = std::uint32_t(0 - expandedSigned("sub"));
    const std::uint32_t factor = element->hasAttribute("mul") ? std::uint32_t(expandedSigned("mul")) : 1;
    const std::uint32_t start = integer("start");
    const std::uint32_t end = integer("end");
    const std::uint32_t step = integer("incr");
    if (observer_ != nullptr && emptyBound != nullptr && !(start < end))
        warn(element, chain.fileName, Diagnostic(Diag::NoIteration, {"for", emptyBound}));

    const std::string name(element->attributeText("index"));
    std::uint32_t index = start;
    std::uint32_t progression = offset + factor * start;
    XMLNode* insertionPoint = element;
    // A body that starts with a node other than an element makes no copies;
    // its iterations are only counted.
    const bool makesCopies = element->firstChild()->isElement();
    for (std::uint64_t iteration = 1; index < end; ++iteration) {
        if (step == 0 || iteration > limits_.loopIterations) {
            fail(element, chain.fileName, Diagnostic(Diag::ForBound, {name, limits_.loopIterations}),
                 Diag::ForNeverEnds, {name, limits_.loopIterations});
            break;
        }
        if (makesCopies) {
            const MacroMap loopMacros{{name, std::to_string(index)},
                                      {name + "_alpha", alphaOf(index)},
                                      {name + "_hex", upperHex(index)},
                                      {name + "_ap", std::to_string(progression)},
                                      {name + "_ap_hex", upperHex(progression)}};
            insertionPoint = insertLoopCopies(element, insertionPoint, loopMacros, chain.fileName);
        }
        index += step;
        progression += factor * step;
    }
    return drop(element);
}

XMLNode* XMLPP2::foreachLoop(XMLElement* element, Chain& chain)
{
    const std::string separator =
        element->hasAttribute("split_by") ? std::string(element->attributeText("split_by")) : std::string(",");
    const bool expandLists = element->hasAttribute("expand_macros");
    std::vector<std::string> exclusions;
    WildcardList patterns;
    std::vector<LoopList> lists;

    // Attributes in name order: exclusions apply to the lists named after them.
    for (const XMLAttribute& attr : element->attributes()) {
        const std::string_view name = attr.name();
        if (name == "split_by" || name == "expand_macros")
            continue;
        const std::string text =
            withoutLineBreaks(expandLists ? expand(attr.text(), chain.macros.map()) : std::string(attr.text()));
        const auto items = splitList<char>(text, separator);
        if (name == "exclude_entries") {
            exclusions.insert(exclusions.end(), items.begin(), items.end());
            continue;
        }
        if (name == "exclude_wildcard") {
            for (std::string_view pattern : items)
                patterns.add(pattern);
            continue;
        }
        for (const std::string& excluded : exclusions) {
            if (std::find(items.begin(), items.end(), excluded) == items.end())
                fail(element, chain.fileName, Diagnostic(Diag::ExcludedEntryMissing, {excluded, name}),
                     Diag::ExcludeEntryMissing, {excluded});
        }
        if (items.empty() && observer_ != nullptr)
            warn(element, chain.fileName, Diagnostic(Diag::NoIteration, {"foreach", name}));
        LoopList list{std::string(name), {}};
        for (std::string_view item : items) {
            const bool excluded = std::find(exclusions.begin(), exclusions.end(), item) != exclusions.end();
            if (!excluded && !patterns.matches(item))
                list.items.emplace_back(item);
        }
        lists.push_back(std::move(list));
    }

    // Every combination, the first list varying slowest.
    std::uint64_t combinations = 1;
    for (const LoopList& list : lists)
        combinations = std::min<std::uint64_t>(combinations * list.items.size(), limits_.loopIterations + 1);
    if (combinations > limits_.loopIterations) {
        fail(element, chain.fileName, Diagnostic(Diag::ForeachBound, {limits_.loopIterations}), Diag::ForeachTooMany,
             {limits_.loopIterations});
        return drop(element);
    }
    std::vector<std::size_t> position(lists.size(), 0);
    XMLNode* insertionPoint = element;
    for (std::uint64_t count = 0; count < combinations; ++count) {
        MacroMap loopMacros{{"FOREACH_COUNT", std::to_string(count)}};
        for (std::size_t l = 0; l < lists.size(); ++l)
            loopMacros[lists[l].name] = lists[l].items[position[l]];
        insertionPoint = insertLoopCopies(element, insertionPoint, loopMacros, chain.fileName);
        for (std::size_t l = lists.size(); l-- > 0;) {
            if (++position[l] < lists[l].items.size())
                break;
            position[l] = 0;
        }
    }
    return drop(element);
}

// Copies the loop's children up to the first child that is not an element.
XMLNode* XMLPP2::insertLoopCopies(XMLElement* loop, XMLNode* insertionPoint, const MacroMap& loopMacros,
                                  const std::string& fileName)
{
    for (XMLNode* child = loop->firstChild(); child != nullptr && child->isElement(); child = child->nextSibling()) {
        XMLElement* copy = copyLoopBody(child->toElement(), loopMacros, loop, fileName);
        if (observer_ != nullptr)
            observer_->copied(child->toElement(), copy, fileName, &loopMacros);
        loop->parent()->insertAfter(insertionPoint, copy);
        insertionPoint = copy;
    }
    return insertionPoint;
}

// A copy of the element and its element descendants (other children are
// left out) with the loop macros expanded in every attribute value.
XMLElement* XMLPP2::copyLoopBody(const XMLElement* source, const MacroMap& loopMacros, const XMLElement* loop,
                                 const std::string& fileName)
{
    auto copyOne = [&](const XMLElement* original) {
        if (++loopCopies_ == limits_.loopCopies + 1)
            fail(loop, fileName, Diagnostic(Diag::LoopCopiesBound, {limits_.loopCopies}), Diag::LoopCopiesTooMany,
                 {limits_.loopCopies});
        XMLElement* copy = cloneElement(original);
        spend(Work::LoopCopies, sizeof(XMLElement) + original->attributes().size() * sizeof(XMLAttribute), 1);
        for (const XMLAttribute& attr : original->attributes()) {
            if (attr.hasValue() && hasMacroMarker(*table_, attr.text()))
                copy->setAttribute(attr.name(), expand(attr.text(), loopMacros));
        }
        return copy;
    };
    XMLElement* top = copyOne(source);
    std::vector<std::pair<const XMLElement*, XMLElement*>> pending{{source, top}};
    while (!pending.empty()) {
        auto [original, copy] = pending.back();
        pending.pop_back();
        for (const XMLNode* child = original->firstChild(); child != nullptr; child = child->nextSibling()) {
            if (const XMLElement* childElement = child->toElement()) {
                XMLElement* childCopy = copyOne(childElement);
                copy->appendChild(childCopy);
                pending.emplace_back(childElement, childCopy);
            }
        }
    }
    return top;
}
