// The XML reader on arbitrary bytes, with keepText off (the default mode)
// and on. The tree it builds must be well linked, respect the nesting bound,
// and print without trouble.
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

int depthOf(const XMLNode* root)
{
    int deepest = 0;
    std::vector<std::pair<const XMLNode*, int>> pending;
    if (root != nullptr)
        pending.emplace_back(root, 1);
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (node->isElement() && depth > deepest)
            deepest = depth;
        for (const XMLNode* child = node->firstChild(); child != nullptr; child = child->nextSibling())
            pending.emplace_back(child, depth + 1);
    }
    return deepest;
}

void readOnce(const std::string& text, bool keepText)
{
    XMLDocument document(keepText);
    const bool ok = document.parse(text);
    if (!ok) {
        fuzzCheck(document.errorMessage()[0] != '\0', "a failed read leaves a message");
        return;
    }
    checkTreeLinks(document.root());
    fuzzCheck(depthOf(document.root()) <= int(XMLDocument::MaxDepth), "nesting bound");
    (void)document.toString(2, 0);
    (void)document.toString(0, 16);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    readOnce(text, false);
    readOnce(text, true);
    return 0;
}
