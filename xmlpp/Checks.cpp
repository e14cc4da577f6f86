// The warnings of a checking run (xmlpp-check): each is raised where the
// walk takes the decision it is about, and only when the run has an
// observer.
#include "macros/MacroTable.h"
#include "rules/Warnings.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

void XMLPP2::warn(const XMLElement* element, const std::string& fileName, const std::string& text)
{
    observer_->warning(element, fileName, text);
}

// The attributes of a directive whose attributes are a fixed set, and of
// the case and default branches of a switch.
void XMLPP2::checkAttributes(const XMLElement* element, const std::string& fileName)
{
    const DirectiveRow* directive = findDirective(Vocabulary::Default, element->tagName());
    if (directive == nullptr || directive->form != AttributeForm::Fixed || directive->inSwitchOnly)
        return;
    auto check = [&](const XMLElement* checked, const DirectiveRow& attributes) {
        std::vector<AttributeSeen> seen;
        for (const XMLAttribute& attr : checked->attributes())
            seen.push_back({std::string(attr.name()), !attr.hasValue() || attr.text().empty()});
        for (const std::string& text : attributeWarnings(Vocabulary::Default, attributes, seen))
            warn(checked, fileName, text);
    };
    check(element, *directive);
    if (directive->id != DirectiveId::Switch)
        return;
    for (const XMLNode* node = element->firstChild(); node != nullptr; node = node->nextSibling()) {
        const XMLElement* child = node->toElement();
        const DirectiveRow* branch = child != nullptr ? findDirective(Vocabulary::Default, child->tagName()) : nullptr;
        if (branch != nullptr && branch->inSwitchOnly)
            check(child, *branch);
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
        warn(element, fileName, undefinedMacroWarning(name, attribute, table_->marker()));
    undefinedIn_ = nullptr;
    undefined_.clear();
}

void XMLPP2::reportDroppedText(const std::string& fileName)
{
    if (observer_ != nullptr && droppedTextLine() >= 0)
        observer_->warning(fileName, droppedTextLine() + 1, formatMessage(Diag::TextDropped));
}

void XMLPP2::expressionFailed(const XMLElement* element, std::string_view attribute, std::string_view text,
                              const std::string& fileName)
{
    if (observer_ != nullptr)
        warn(element, fileName, expressionWarning(element->tagName(), attribute, text, failure_));
}
