// define, xmldef and xmlput.
#include "expr/Evaluate.h"
#include "rules/Includes.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

#include <cstdio>

namespace {

std::string decimal(std::uint32_t value)
{
    return std::to_string(value);
}

std::string upperHex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

MacroMap XMLPP2::macrosOf(const XMLElement* element, const MacroMap& current)
{
    MacroMap macros = macrosAttributeMap(element->attributeText("macros"), current);
    spend(Work::MacroMaps, MacroScope::macroMapBytes(macros));
    return macros;
}

XMLNode* XMLPP2::define(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("name")) {
        fail(element, chain.fileName, Diagnostic(Diag::MissingAttribute, {"define", "name"}), Diag::DefineWithoutName);
    } else {
        const std::string name(element->attributeText("name"));
        if (element->hasAttribute("value")) {
            chain.macros.set(name, std::string(element->attributeText("value")));
        } else if (element->hasAttribute("expression") || element->hasAttribute("hex_expression")) {
            const bool hex = !element->hasAttribute("expression");
            const std::string_view text = element->attributeText(hex ? "hex_expression" : "expression");
            bool ok = false;
            const std::string expanded = expand(text, chain.macros.map());
            const auto value = static_cast<std::uint32_t>(evaluateInteger(expanded, ok, failureMessage()));
            if (ok)
                chain.macros.set(name, hex ? upperHex(value) : decimal(value));
            else
                expressionFailed(element, hex ? "hex_expression" : "expression", expanded, chain.fileName);
        } else {
            fail(element, chain.fileName, Diagnostic(Diag::DefineValueMissing), Diag::DefineWithoutValue);
        }
    }
    if (element->hasAttribute("expand_macros"))
        chain.expandFlag = element->attributeText("expand_macros") == "Yes";
    return drop(element);
}

// Stores the element under its name and takes it out of the tree; its
// children are walked afresh at every xmlput.
XMLNode* XMLPP2::xmldef(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("name"))
        return keep(element, chain);
    xmldefs_[std::string(element->attributeText("name"))] = element;
    if (observer_ != nullptr)
        observer_->stored(element, chain.fileName);
    return drop(element);
}

XMLNode* XMLPP2::xmlput(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("name"))
        return keep(element, chain);
    const std::string name(element->attributeText("name"));
    auto stored = xmldefs_.find(name);
    if (stored == xmldefs_.end()) {
        fail(element, chain.fileName, Diagnostic(Diag::XmlputUnknown, {name}), Diag::XmlputWithoutXmldef, {name});
        return keep(element, chain);
    }
    // The copy is counted before it is made, so that one put of a huge
    // fragment cannot overshoot the budget.
    std::uint64_t nodes = 0;
    const std::uint64_t bytes = treeBytes(stored->second, &nodes);
    spend(Work::XmlputCopies, bytes, nodes);
    auto* copy = static_cast<XMLElement*>(cloneNode(stored->second, nullptr));
    if (observer_ != nullptr)
        observer_->copied(stored->second, copy, chain.fileName, nullptr);
    if (usesMacrosAttribute(chain.expandFlag, element->hasAttribute("expand_macros"), element->hasAttribute("macros")))
        return unwrap(element, copy, chain, macrosOf(element, chain.macros.map()), true);
    return unwrap(element, copy, chain, chain.macros.map(), chain.expandFlag);
}
