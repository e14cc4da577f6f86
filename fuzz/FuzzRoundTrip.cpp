// Reader, then writer, then reader again: the written text must read back
// to the same tree and the same header, and writing that tree again must
// give the same bytes. The first input byte picks the indent and the wrap
// width; the rest is the document, read as the default mode reads it.
//
// Three shapes cannot survive the fixed output form and are left out of
// the comparison: an element with an empty name and neither attributes nor
// children (printed as "</>", an end tag), a declaration value holding a
// double quote (printed raw between double quotes), and a CDATA section
// whose text, followed by the closing "]]>", would be closed elsewhere.
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Where the reader's pairing rule closes "<![CDATA[" + content + "]]>":
// a "]]" followed by ">" closes, any other "]]" is stepped over whole.
bool cdataSurvives(std::string_view content)
{
    const std::string text = std::string(content) + "]]>";
    std::size_t at = 0;
    while (at + 1 < text.size()) {
        if (text[at] == ']' && text[at + 1] == ']') {
            if (at + 2 < text.size() && text[at + 2] == '>')
                return at == content.size();
            at += 2;
        } else {
            ++at;
        }
    }
    return false;
}

bool printable(const XMLNode* root)
{
    std::vector<const XMLNode*> pending;
    if (root != nullptr)
        pending.push_back(root);
    while (!pending.empty()) {
        const XMLNode* node = pending.back();
        pending.pop_back();
        if (const XMLElement* element = node->toElement()) {
            if (element->tagName().empty() && element->attributes().empty() && element->firstChild() == nullptr)
                return false;
        } else if (node->kind() == XMLNode::Kind::CDATASection &&
                   !cdataSurvives(static_cast<const XMLCharacterData*>(node)->content())) {
            return false;
        }
        for (const XMLNode* child = node->firstChild(); child != nullptr; child = child->nextSibling())
            pending.push_back(child);
    }
    return true;
}

bool quoteFree(const std::optional<std::string>& value)
{
    return !value || value->find('"') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const unsigned indents[] = {2, 0, 1, 4};
    static const unsigned wraps[] = {0, 0, 20, 1};
    const unsigned indent = indents[data[0] & 3];
    const unsigned wrap = wraps[(data[0] >> 2) & 3];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    XMLDocument first(false);
    if (!first.parse(text))
        return 0;
    if (!printable(first.root()) || !quoteFree(first.version()) || !quoteFree(first.encoding()))
        return 0;
    const std::string written = first.toString(indent, wrap);

    XMLDocument second(false);
    fuzzCheck(second.parse(written), "written output reads back");
    checkTreeLinks(second.root());
    fuzzCheck(sameTree(first.root(), second.root()), "same tree after a round trip");
    fuzzCheck(first.version() == second.version(), "same version after a round trip");
    fuzzCheck(first.encoding() == second.encoding(), "same encoding after a round trip");
    fuzzCheck(first.doctype() == second.doctype(), "same doctype after a round trip");
    fuzzCheck(second.toString(indent, wrap) == written, "writing is stable");
    return 0;
}
