// include: splices the root element of another file into the tree.
#include "rules/Includes.h"
#include "macros/MacroExpansion.h"
#include "rules/Conditions.h"
#include "xmlpp/WalkChain.h"

#include <algorithm>

XMLNode* XMLPP2::include(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("filename")) {
        fail(Diag::MissingFilename);
        return keep(element, chain);
    }
    // The file name always sees the system macros (VosselDir among them).
    std::uint64_t work = 0;
    const std::string expanded = expandWithSystemMacros(*table_, element->attributeText("filename"), &work);
    spend(Work::MacroExpansion, work);
    const std::string fileName = resolveIncludeName<char>(expanded, chain.fileName);
    if (includeDepth_ >= MaxIncludeDepth) {
        fail(Diag::IncludesTooDeep, {MaxIncludeDepth, fileName});
        return keep(element, chain);
    }

    XMLElement* included = readInclude(fileName, chain.depth);
    if (included == nullptr)
        return keep(element, chain);  // only when reportError returned
    element->parent()->replaceChild(element, included);
    const bool unwrapRoot = element->hasAttribute("no_root") || included->tagName() == "envelope";

    {
        const DepthStep level(includeDepth_, 1);
        if (usesMacrosAttribute(chain.expandFlag, element->hasAttribute("expand_macros"),
                                element->hasAttribute("macros"))) {
            const MacroMap macros = macrosOf(element, chain.macros.map());
            expandAttributes(included, macros);
            if (observer_ != nullptr && !unwrapRoot)
                reportUndefinedMacros(included, fileName);
            walk(included->firstChild(), fileName, macros, true, chain.depth + 1);
        } else {
            if (chain.expandFlag)
                expandAttributes(included, chain.macros.map());
            if (observer_ != nullptr && !unwrapRoot)
                reportUndefinedMacros(included, fileName);
            walk(included->firstChild(), fileName, chain.macros.map(), chain.expandFlag, chain.depth + 1);
        }
    }

    for (std::string_view name : splitList<char>(element->attributeText("inherit_attributes"), ";")) {
        std::optional<std::string_view> value;
        if (element->findAttribute(name, value))
            included->setAttribute(name, value);
    }

    XMLNode* next = included->nextSibling();
    if (unwrapRoot) {
        if (XMLNode* run = included->takeChildren())
            included->parent()->insertAfter(included, run);
        included->parent()->removeChild(included);
    }
    return next;
}

// Reads the file into the document, its root as deep as the include element
// (depth levels below the top), and returns that root with the document's
// root pointer restored; null after a reported error. The file's bytes, its
// tree and IncludeFileCostBytes are spent from the run's budget.
XMLElement* XMLPP2::readInclude(const std::string& fileName, int depth)
{
    XMLElement* mainRoot = root();
    const std::uint32_t mainOffset = depthOffset();
    setDepthOffset(std::uint32_t(depth));
    const std::uint64_t room = budget_.left();
    const bool ok = loadInclude(fileName, room);
    reportDroppedText(fileName);
    setDepthOffset(mainOffset);
    XMLElement* included = root();
    setRoot(mainRoot);
    if (fileBytes() > room) {
        spend(Work::IncludesRead, fileBytes(), 1);  // reports the budget
        return nullptr;
    }
    spend(Work::IncludesRead,
          IncludeFileCostBytes + fileBytes() + (ok && included != nullptr ? treeBytes(included) : 0), 1);
    const bool readFailed = !ok && (errorId() == Diag::NestingTooDeep || errorId() == Diag::SizeChangedWhileRead);
    if (!ok && (included != nullptr || readFailed))
        fail(Diag::IncludeReadError, {errorMessage(), fileName, errorLine()});
    else if (included == nullptr)
        fail(Diag::IncludeEmpty, {fileName});
    // A failed read may leave the main root in place as "its" root; that
    // is never spliced in.
    return ok && included != nullptr ? included : nullptr;
}
