// include: splices the root element of another file into the tree.
#include "rules/Includes.h"
#include "macros/MacroExpansion.h"
#include "rules/Conditions.h"
#include "xmlpp/DirectiveObserver.h"
#include "xmlpp/WalkChain.h"

#include <algorithm>
#include <cstring>

// Tells a checking run that the walk is in an included file (from the
// include element on until the file is walked), so that what it reports
// there carries the includes around it.
class XMLPP2::IncludeScope {
public:
    IncludeScope(DirectiveObserver* observer, const XMLElement* include, const std::string& fileName,
                 const std::string& includedFile)
        : observer_(observer)
    {
        if (observer_ != nullptr)
            observer_->includeEntered(include, fileName, includedFile);
    }
    ~IncludeScope() { leave(); }
    IncludeScope(const IncludeScope&) = delete;
    IncludeScope& operator=(const IncludeScope&) = delete;

    void leave()
    {
        if (observer_ != nullptr)
            observer_->includeLeft();
        observer_ = nullptr;
    }

private:
    DirectiveObserver* observer_;
};

XMLNode* XMLPP2::include(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("filename")) {
        fail(element, chain.fileName, Diagnostic(Diag::MissingAttribute, {"include", "filename"}),
             Diag::MissingFilename);
        return keep(element, chain);
    }
    // The file name always sees the system macros (VosselDir among them).
    std::uint64_t work = 0;
    const std::string expanded = expandWithSystemMacros(*table_, element->attributeText("filename"), &work);
    spend(Work::MacroExpansion, work);
    const std::string fileName = resolveIncludeName<char>(expanded, chain.fileName);
    if (includeDepth_ >= MaxIncludeDepth) {
        fail(element, chain.fileName, Diagnostic(Diag::IncludeNestingBound, {MaxIncludeDepth, fileName}),
             Diag::IncludesTooDeep, {MaxIncludeDepth, fileName});
        return keep(element, chain);
    }

    IncludeScope scope(observer_, element, chain.fileName, fileName);
    XMLElement* included = readInclude(element, fileName, chain);
    if (included == nullptr) {
        scope.leave();
        return keep(element, chain);  // only when reportError returned
    }
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
    if (observer_ != nullptr && !unwrapRoot)
        observer_->plainElement(included, fileName, DirectiveObserver::Plain::IncludedRoot);
    scope.leave();

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
// tree and IncludeFileCostBytes are spent from the run's budget. A checking
// run learns the fault at the include element, or, for a file that is not
// well-formed, from the reader, in the file.
XMLElement* XMLPP2::readInclude(const XMLElement* include, const std::string& fileName, const Chain& chain)
{
    XMLElement* mainRoot = root();
    const std::uint32_t mainOffset = depthOffset();
    setDepthOffset(std::uint32_t(chain.depth));
    const std::uint64_t room = budget_.left();
    const bool ok = loadInclude(fileName, room);
    setDepthOffset(mainOffset);
    XMLElement* included = root();
    setRoot(mainRoot);
    if (fileBytes() > room) {
        spend(Work::IncludesRead, fileBytes(), 1);  // reports the budget
        return nullptr;
    }
    spend(Work::IncludesRead,
          IncludeFileCostBytes + fileBytes() + (ok && included != nullptr ? treeBytes(included) : 0), 1);
    const Diag error = ok ? Diag::Count : errorId();
    // Faults of the reader were reported by the reader, in the file.
    const bool readerFault =
        !ok && error != Diag::CouldNotRead && error != Diag::FileTooLarge && error != Diag::SizeChangedWhileRead;
    const bool readFailed = !ok && (error == Diag::NestingTooDeep || error == Diag::SizeChangedWhileRead);
    const Diagnostic fault = error == Diag::CouldNotRead
                                 ? Diagnostic(Diag::CannotOpenInclude, {fileName, std::strerror(openError())})
                             : error == Diag::SizeChangedWhileRead ? Diagnostic(error, {fileName})
                             : !ok                                 ? Diagnostic(error)
                                   : Diagnostic(Diag::IncludedFileWithoutElement, {fileName});
    if (!ok && (included != nullptr || readFailed)) {
        if (readerFault)
            reportError(formatMessage(Diag::IncludeReadError, {errorMessage(), fileName, errorLine()}));
        else
            fail(include, chain.fileName, fault, Diag::IncludeReadError, {errorMessage(), fileName, errorLine()});
    } else if (included == nullptr) {
        if (readerFault)
            reportError(formatMessage(Diag::IncludeEmpty, {fileName}));
        else
            fail(include, chain.fileName, fault, Diag::IncludeEmpty, {fileName});
    }
    // A failed read may leave the main root in place as "its" root; that
    // is never spliced in.
    return ok && included != nullptr ? included : nullptr;
}
