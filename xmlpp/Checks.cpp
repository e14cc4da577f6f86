// The warnings of a checking run (xmlpp-check): each is raised where the
// walk takes the decision it is about, and only when the run has an
// observer.
#include "expr/Evaluate.h"
#include "macros/MacroTable.h"
#include "rules/Conditions.h"
#include "rules/Warnings.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

void XMLPP2::warn(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic)
{
    observer_->warning(element, fileName, diagnostic);
}

// The attributes of a directive whose attributes are a fixed set, and the
// children of a switch: the attributes of its case and default branches,
// and every other child, which the switch drops.
void XMLPP2::checkAttributes(const XMLElement* element, const DirectiveRow* directive, const std::string& fileName)
{
    if (directive == nullptr || directive->form != AttributeForm::Fixed || directive->inSwitchOnly)
        return;
    auto check = [&](const XMLElement* checked, const DirectiveRow& attributes, std::string_view inherited) {
        std::vector<AttributeSeen> seen;
        for (const XMLAttribute& attr : checked->attributes())
            seen.push_back({attr.name(), !attr.hasValue() || attr.text().empty()});
        for (const Diagnostic& diagnostic : attributeWarnings(Vocabulary::Default, attributes, seen, inherited))
            warn(checked, fileName, diagnostic);
    };
    const bool isInclude = directive->id == DirectiveId::Include;
    check(element, *directive, isInclude ? element->attributeText("inherit_attributes") : std::string_view());
    if (directive->id != DirectiveId::Switch)
        return;
    for (const XMLNode* node = element->firstChild(); node != nullptr; node = node->nextSibling()) {
        const XMLElement* child = node->toElement();
        if (child == nullptr)
            continue;
        const DirectiveRow* branch = findDirective(Vocabulary::Default, child->tagName());
        if (branch != nullptr && branch->inSwitchOnly)
            check(child, *branch, {});
        else
            observer_->plainElement(child, fileName, DirectiveObserver::Plain::SwitchChild);
    }
}

std::string XMLPP2::expandNotingUndefined(const XMLElement* element, const XMLAttribute& attr, const MacroMap& macros)
{
    if (undefinedIn_ != element) {
        undefinedIn_ = element;
        undefined_.clear();
    }
    std::vector<std::string> names;
    std::string value = expand(attr.text(), macros, &names);
    for (std::string& name : names)
        undefined_.emplace_back(std::string(attr.name()), std::move(name));
    return value;
}

void XMLPP2::reportUndefinedMacros(const XMLElement* element, const std::string& fileName)
{
    if (undefinedIn_ != element)
        return;
    for (const auto& [attribute, name] : undefined_)
        warn(element, fileName, Diagnostic(Diag::UndefinedMacro, {name, table_->marker(), attribute}));
    undefinedIn_ = nullptr;
    undefined_.clear();
}

void XMLPP2::expressionFailed(const XMLElement* element, std::string_view attribute, std::string_view text,
                              const std::string& fileName)
{
    if (observer_ != nullptr)
        warn(element, fileName,
             Diagnostic(Diag::ExpressionFails, {text, attribute, element->tagName(), plainFailureWords(failure_)}));
}

void XMLPP2::noteKept(const XMLElement* element, const std::string& fileName)
{
    if (undefinedIn_ == element)
        reportUndefinedMacros(element, fileName);
    observer_->plainElement(element, fileName, DirectiveObserver::Plain::Walked);
}
