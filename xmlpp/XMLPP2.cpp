#include "xmlpp/XMLPP2.h"

#include "macros/MacroExpansion.h"
#include "macros/MacroList.h"
#include "macros/MacroTable.h"
#include "rules/Warnings.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

#include <array>

XMLPP2::XMLPP2(bool keepText) : QXMLDocument(keepText) {}

bool XMLPP2::processFile(const std::string& fileName, const std::string& macroList, bool expandFlag)
{
    if (!load(fileName))
        return false;
    processDocument(fileName, macroList, expandFlag);
    return true;
}

void XMLPP2::processDocument(const std::string& fileName, const std::string& macroList, bool expandFlag)
{
    MacroMap macros = macroMapFromList(splitMacroList(macroList, false));
    if (root() == nullptr) {
        if (observer_ != nullptr)
            observer_->warning(nullptr, fileName, Diagnostic(Diag::NoElement));
        return;
    }
    // The outermost element is walked like any other, so it gets a parent
    // for the time of the walk: directives there can then be dropped,
    // unwrapped or replaced like anywhere else.
    XMLElement* holder = createElement("");
    holder->appendChild(root());
    processConditionals(holder->firstChild(), fileName, macros, expandFlag);
    settleRoot(holder, fileName);
}

void XMLPP2::processConditionals(XMLNode* first, const std::string& fileName, MacroMap& macros, bool expandFlag)
{
    try {
        walk(first, fileName, macros, expandFlag, 0);
    } catch (const BudgetReached&) {
        // Spent outside every element (not the case in a walk of this
        // class's own making).
        const std::uint64_t limit = budget_.limit() >> 20;
        fail(nullptr, fileName, Diagnostic(Diag::BudgetBound, {limit}), Diag::BudgetSpent, {limit});
    }
}

// What the walk left in place of the outermost element becomes the root:
// nothing leaves an empty document, one element is the new root, and more
// than one cannot be written as a document.
void XMLPP2::settleRoot(XMLElement* holder, const std::string& fileName)
{
    std::vector<XMLElement*> elements;
    for (XMLNode* node = holder->firstChild(); node != nullptr; node = node->nextSibling())
        if (XMLElement* element = node->toElement())
            elements.push_back(element);
    if (elements.size() > 1)
        fail(elements[1], fileName, Diagnostic(Diag::RootIsMany, {elements.size()}), Diag::RootResolvesToMany,
             {elements.size()});
    setRoot(elements.empty() ? nullptr : elements.front());
}

void XMLPP2::walk(XMLNode* first, const std::string& fileName, const MacroMap& macros, bool expandFlag, int depth)
{
    if (first == nullptr)
        return;
    // The elements of a chain at depth d are d + 1 levels deep.
    if (depth >= int(defaultNestingBound())) {
        const std::uint32_t bound = defaultNestingBound();
        const std::string note = stackNote(bound, MaxNestingDepth);
        fail(first->toElement(), fileName, Diagnostic(Diag::WalkNestingBound, {bound}), Diag::WalkTooDeep,
             {bound, fileName, note});
        return;
    }
    Chain chain{fileName, MacroScope(macros, &budget_), expandFlag, depth};
    XMLNode* node = first;
    while (node != nullptr) {
        XMLElement* element = node->toElement();
        if (element == nullptr) {
            node = node->nextSibling();
            continue;
        }
        try {
            checkBudget();
            if (chain.expandFlag)
                expandAttributes(element, chain.macros.map());
            node = dispatch(element, chain);
        } catch (const BudgetReached&) {
            // The element the innermost walk was at when the budget ran out.
            const std::uint64_t limit = budget_.limit() >> 20;
            fail(element, fileName, Diagnostic(Diag::BudgetBound, {limit}), Diag::BudgetSpent, {limit});
            return;
        }
    }
}

XMLNode* XMLPP2::dispatch(XMLElement* element, Chain& chain)
{
    const DirectiveRow* directive = findDirective(Vocabulary::Default, element->tagName());
    if (observer_ != nullptr)
        checkAttributes(element, directive, chain.fileName);
    const Handler handler = directive != nullptr ? handlerOf(directive->id) : nullptr;
    return handler != nullptr ? (this->*handler)(element, chain) : keep(element, chain);
}

// case and default mean something only inside a switch, which reads them
// itself: elsewhere they are plain elements, like every name without a row.
XMLPP2::Handler XMLPP2::handlerOf(DirectiveId id)
{
    static constexpr auto Handlers = [] {
        std::array<Handler, std::size_t(DirectiveId::Count)> handlers{};
        auto set = [&](DirectiveId directive, Handler handler) { handlers[std::size_t(directive)] = handler; };
        set(DirectiveId::If, &XMLPP2::ifDirective);
        set(DirectiveId::Ifnot, &XMLPP2::ifnotDirective);
        set(DirectiveId::Ifex, &XMLPP2::ifExpression);
        set(DirectiveId::Ifdef, &XMLPP2::ifdefDirective);
        set(DirectiveId::Ifndef, &XMLPP2::ifndefDirective);
        set(DirectiveId::Switch, &XMLPP2::switchBranch);
        set(DirectiveId::Include, &XMLPP2::include);
        set(DirectiveId::Define, &XMLPP2::define);
        set(DirectiveId::For, &XMLPP2::forLoop);
        set(DirectiveId::Xmldef, &XMLPP2::xmldef);
        set(DirectiveId::Xmlput, &XMLPP2::xmlput);
        set(DirectiveId::Foreach, &XMLPP2::foreachLoop);
        return handlers;
    }();
    return Handlers[std::size_t(id)];
}

XMLNode* XMLPP2::keep(XMLElement* element, Chain& chain)
{
    if (observer_ != nullptr)
        noteKept(element, chain.fileName);
    walk(element->firstChild(), chain.fileName, chain.macros.map(), chain.expandFlag, chain.depth + 1);
    return element->nextSibling();
}

XMLNode* XMLPP2::drop(XMLElement* element)
{
    XMLNode* next = element->nextSibling();
    element->parent()->removeChild(element);
    return next;
}

// The body's children, walked first, take the directive's place.
XMLNode* XMLPP2::unwrap(XMLElement* directive, XMLElement* body, Chain& chain, const MacroMap& macros, bool expandFlag)
{
    walk(body->firstChild(), chain.fileName, macros, expandFlag, chain.depth + 1);
    XMLNode* next = directive->nextSibling();
    XMLNode* parent = directive->parent();
    if (XMLNode* run = body->takeChildren())
        parent->insertAfter(directive, run);
    parent->removeChild(directive);
    return next;
}

void XMLPP2::setMacroTable(const MacroTable& table)
{
    table_ = &table;
    setWatchedByte(table.marker());
}

void XMLPP2::setObserver(DirectiveObserver* observer)
{
    observer_ = observer;
    XMLDocument::setObserver(observer);
}

void XMLPP2::expandAttributes(XMLElement* element, const MacroMap& macros)
{
    if (!element->mayHoldWatchedByte())
        return;
    // Replacing the value of an existing attribute keeps the attribute
    // array in place, so iterating it meanwhile is safe.
    for (const XMLAttribute& attr : element->attributes()) {
        if (attr.hasValue() && hasMacroMarker(*table_, attr.text()))
            element->setAttribute(attr.name(), observer_ != nullptr ? expandNotingUndefined(element, attr, macros)
                                                                    : expand(attr.text(), macros));
    }
}

std::string XMLPP2::expand(std::string_view text, const MacroMap& macros, std::vector<std::string>* undefined)
{
    if (!hasMacroMarker(*table_, text))
        return std::string(text);
    std::uint64_t work = 0;
    std::string value = expandMacros(*table_, macros, text, false, &work, undefined);
    spend(Work::MacroExpansion, value.size() + work);
    return value;
}

void XMLPP2::spend(Work kind, std::uint64_t bytes, std::uint64_t items)
{
    budget_.spend(kind, bytes, items);
    checkBudget();
}

void XMLPP2::checkBudget()
{
    if (budget_.spent() && !budgetReported_)
        budgetSpent();
}

void XMLPP2::budgetSpent()
{
    budgetReported_ = true;
    // A checking run learns where: the walk that reached the element catches
    // this and reports.
    if (observer_ != nullptr)
        throw BudgetReached{};
    reportError(
        formatMessage(Diag::BudgetSpent, {budget_.limit() >> 20, budget_.mostWork(), budget_.mostWorkAmount()}));
}

void XMLPP2::fail(const XMLElement* at, const std::string& fileName, const Diagnostic& fault, Diag id,
                  std::initializer_list<DiagArg> args)
{
    if (observer_ != nullptr)
        observer_->fatal(at, fileName, fault);
    reportError(formatMessage(id, args));
}

std::uint64_t treeBytes(const XMLNode* node, std::uint64_t* nodes)
{
    std::uint64_t bytes = 0;
    std::vector<const XMLNode*> pending{node};
    while (!pending.empty()) {
        const XMLNode* current = pending.back();
        pending.pop_back();
        if (nodes != nullptr)
            ++*nodes;
        if (const XMLElement* element = current->toElement()) {
            bytes += sizeof(XMLElement) + element->tagName().size();
            for (const XMLAttribute& attr : element->attributes())
                bytes += sizeof(XMLAttribute) + attr.name().size() + attr.text().size();
        } else {
            bytes += sizeof(XMLCDATASection) + static_cast<const XMLCharacterData*>(current)->content().size();
        }
        for (const XMLNode* child = current->firstChild(); child != nullptr; child = child->nextSibling())
            pending.push_back(child);
    }
    return bytes;
}
