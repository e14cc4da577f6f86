// if, ifnot, ifex, ifdef, ifndef and switch.
#include "expr/Evaluate.h"
#include "rules/Conditions.h"
#include "xmlpp/WalkChain.h"

namespace {

std::optional<std::string_view> valueOf(const MacroMap& macros, std::string_view name)
{
    const std::string* value = findMacro(macros, name);
    return value ? std::optional<std::string_view>(*value) : std::nullopt;
}

}  // namespace

// True when the macro named by the only attribute has one of the values in
// the attribute's comma-separated list.
XMLNode* XMLPP2::ifCondition(XMLElement* element, Chain& chain, bool negate)
{
    const auto attrs = element->attributes();
    if (attrs.size() != 1) {
        fail(Diag::OneConditionRequired);
        return keep(element, chain);
    }
    const XMLAttribute& condition = *attrs.begin();
    const bool holds = listHolds(condition.text(), valueOf(chain.macros.map(), condition.name()));
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
    const std::string text = expand(expression, chain.macros.map());
    const std::uint32_t value = evaluateCondition(text, ok, failureMessage());
    if (!ok)
        expressionFailed(element, "expression", text, chain.fileName);
    if (ok && value != 0)
        return unwrap(element, element, chain, chain.macros.map(), chain.expandFlag);
    return drop(element);
}

XMLNode* XMLPP2::ifDefined(XMLElement* element, Chain& chain, bool negate)
{
    const bool defined = findMacro(chain.macros.map(), element->attributeText("name")) != nullptr;
    if (defined != negate)
        return unwrap(element, element, chain, chain.macros.map(), chain.expandFlag);
    return drop(element);
}

// Case values are used as written: a switch's children are not walked
// before the choice.
XMLNode* XMLPP2::switchBranch(XMLElement* element, Chain& chain)
{
    SwitchChoice<XMLElement*, char> choice(valueOf(chain.macros.map(), element->attributeText("name")));
    for (XMLNode* node = element->firstChild(); node != nullptr; node = node->nextSibling()) {
        XMLElement* branch = node->toElement();
        if (branch != nullptr && !choice.offer(branch, branch->tagName(), branch->attributeText("value")))
            break;
    }
    const std::optional<XMLElement*> chosen = choice.chosen();
    if (!chosen)
        return drop(element);
    return unwrap(element, *chosen, chain, chain.macros.map(), chain.expandFlag);
}
