// if, ifnot, ifex, ifdef, ifndef and switch.
#include "expr/Evaluate.h"
#include "xmlpp/WalkChain.h"

#include <algorithm>

namespace {

bool listHolds(std::string_view list, std::string_view value)
{
    const auto items = splitList(list, ",");
    return std::find(items.begin(), items.end(), value) != items.end();
}

}  // namespace

// True when the macro named by the only attribute has one of the values in
// the attribute's comma-separated list (an undefined macro reads as empty,
// which no item equals).
XMLNode* XMLPP2::ifCondition(XMLElement* element, Chain& chain, bool negate)
{
    const auto attrs = element->attributes();
    if (attrs.size() != 1) {
        reportError("XmlPP::processConditionals(): one condition required for <if[not]>");
        return keep(element, chain);
    }
    const XMLAttribute& condition = *attrs.begin();
    const bool holds = listHolds(condition.text(), macroValue(chain.macros.map(), condition.name()));
    if (holds != negate)
        return unwrap(element, element, chain, chain.macros.map(), chain.expandFlag);
    return drop(element);
}

// The expression is expanded here even when the walk has expanded the
// attribute already; only a Boolean true keeps the body.
XMLNode* XMLPP2::ifExpression(XMLElement* element, Chain& chain)
{
    const std::string_view expression = element->attributeText("expression");
    if (expression.empty())
        return keep(element, chain);
    bool ok = false;
    const std::uint32_t value = evaluateCondition(expand(expression, chain.macros.map()), ok);
    if (ok && value != 0)
        return unwrap(element, element, chain, chain.macros.map(), chain.expandFlag);
    return drop(element);
}

XMLNode* XMLPP2::ifDefined(XMLElement* element, Chain& chain, bool negate)
{
    const std::string name(element->attributeText("name"));
    const bool defined = chain.macros.map().count(name) != 0;
    if (defined != negate)
        return unwrap(element, element, chain, chain.macros.map(), chain.expandFlag);
    return drop(element);
}

// The first case whose value list holds the macro's value wins; otherwise
// the last default. Case values are used as written.
XMLNode* XMLPP2::switchBranch(XMLElement* element, Chain& chain)
{
    const std::string_view value = macroValue(chain.macros.map(), element->attributeText("name"));
    XMLElement* chosen = nullptr;
    XMLElement* fallback = nullptr;
    for (XMLNode* node = element->firstChild(); node != nullptr && chosen == nullptr; node = node->nextSibling()) {
        XMLElement* branch = node->toElement();
        if (branch == nullptr)
            continue;
        if (branch->tagName() == "case" && listHolds(branch->attributeText("value"), value))
            chosen = branch;
        else if (branch->tagName() == "default")
            fallback = branch;
    }
    if (chosen == nullptr)
        chosen = fallback;
    if (chosen == nullptr)
        return drop(element);
    return unwrap(element, chosen, chain, chain.macros.map(), chain.expandFlag);
}
