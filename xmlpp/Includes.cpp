// include: splices the root element of another file into the tree.
#include "macros/MacroExpansion.h"
#include "xmlpp/WalkChain.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr std::uint64_t IncludeBytes = 1024;

std::string directoryOf(const std::string& fileName)
{
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

// A pipe, socket or device named as an include file could block the run
// or never end; such files count as unreadable. (The main input may be one,
// as in "xmlpp /dev/stdin out.xml".)
bool isSpecialFile(const std::string& fileName)
{
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

std::string canonicalName(const std::string& fileName)
{
    char resolved[PATH_MAX];
    return ::realpath(fileName.c_str(), resolved) != nullptr ? std::string(resolved) : fileName;
}

XMLNode* XMLPP2::include(XMLElement* element, Chain& chain)
{
    if (!element->hasAttribute("filename")) {
        reportError("XmlPP::processConditionals(): missing filename in <include>");
        return keep(element, chain);
    }
    std::string fileName = expandWithSystemMacros(*table_, element->attributeText("filename"));
    if (fileName.empty() || fileName[0] != '/')
        fileName = directoryOf(chain.fileName) + "/" + fileName;

    XMLElement* included = readInclude(fileName);
    if (included == nullptr)
        return keep(element, chain);  // only when reportError returned
    element->parent()->replaceChild(element, included);
    // Reading a file costs about as much time as making a kilobyte, so
    // files included many times over count at least that much each.
    grow(std::max<std::uint64_t>(treeBytes(included), IncludeBytes));

    activeIncludes_.push_back(canonicalName(fileName));
    if ((chain.expandFlag || element->hasAttribute("expand_macros")) && element->hasAttribute("macros")) {
        const MacroMap macros = macrosAttributeMap(element, chain.macros.map());
        grow(MacroScope::macroMapBytes(macros));
        expandAttributes(included, macros);
        walk(included->firstChild(), fileName, macros, true, chain.depth + 1);
    } else {
        if (chain.expandFlag)
            expandAttributes(included, chain.macros.map());
        walk(included->firstChild(), fileName, chain.macros.map(), chain.expandFlag, chain.depth + 1);
    }
    activeIncludes_.pop_back();

    for (std::string_view name : splitList(element->attributeText("inherit_attributes"), ";")) {
        std::optional<std::string_view> value;
        if (element->findAttribute(name, value))
            included->setAttribute(name, value);
    }

    XMLNode* next = included->nextSibling();
    if (element->hasAttribute("no_root") || included->tagName() == "envelope") {
        if (XMLNode* run = included->takeChildren())
            included->parent()->insertAfter(included, run);
        included->parent()->removeChild(included);
    }
    return next;
}

// Reads the file into the document and returns its root, the document's
// root pointer restored; null after a reported error.
XMLElement* XMLPP2::readInclude(const std::string& fileName)
{
    const std::string canonical = canonicalName(fileName);
    if (std::find(activeIncludes_.begin(), activeIncludes_.end(), canonical) != activeIncludes_.end()) {
        reportError("XmlPP::processConditionals(): include file '" + fileName +
                    "' is already being included (an include cycle)");
        return nullptr;
    }
    if (activeIncludes_.size() > std::size_t(MaxIncludeDepth)) {
        reportError("XmlPP::processConditionals(): include files nested deeper than " +
                    std::to_string(MaxIncludeDepth) + " levels at '" + fileName + "'");
        return nullptr;
    }
    XMLElement* mainRoot = root();
    bool ok = false;
    if (isSpecialFile(fileName))
        setError(0, "couldn't read %s", fileName.c_str());
    else
        ok = load(fileName);
    XMLElement* included = root();
    if (!ok && included != nullptr) {
        reportError(std::string("XmlPP::processConditionals(): error \"") + errorMessage() + "\" in include file " +
                    fileName + " line:" + std::to_string(errorLine()));
    } else if (included == nullptr) {
        reportError("XmlPP::processConditionals(): error: include file '" + fileName + "' is empty");
    }
    setRoot(mainRoot);
    // A failed read may leave the main root in place as "its" root; that
    // is never spliced in.
    return ok && included != nullptr ? included : nullptr;
}
