#pragma once

#include "xml/XMLDocument.h"

#include <string>

// A compact, unambiguous picture of a subtree for assertions:
//   element  name[attr=value,bare]{children}   (attributes in stored order)
//   text     "..."    comment  !"..."    CDATA  C"..."
inline std::string dumpNode(const XMLNode* node)
{
    std::string out;
    switch (node->kind()) {
    case XMLNode::Kind::Data:
        return "\"" + std::string(static_cast<const XMLCharacterData*>(node)->content()) + "\"";
    case XMLNode::Kind::Comment:
        return "!\"" + std::string(static_cast<const XMLCharacterData*>(node)->content()) + "\"";
    case XMLNode::Kind::CDATASection:
        return "C\"" + std::string(static_cast<const XMLCharacterData*>(node)->content()) + "\"";
    case XMLNode::Kind::Element:
        break;
    }
    const XMLElement* element = node->toElement();
    out += element->tagName();
    if (!element->attributes().empty()) {
        out += '[';
        bool first = true;
        for (const XMLAttribute& attr : element->attributes()) {
            if (!first)
                out += ',';
            first = false;
            out += attr.name();
            if (attr.hasValue())
                out += "=" + std::string(attr.text());
        }
        out += ']';
    }
    if (element->firstChild() != nullptr) {
        out += '{';
        for (const XMLNode* child = element->firstChild(); child; child = child->nextSibling()) {
            if (child != element->firstChild())
                out += ' ';
            out += dumpNode(child);
        }
        out += '}';
    }
    return out;
}

inline std::string dumpRoot(const XMLDocument& document)
{
    return document.root() != nullptr ? dumpNode(document.root()) : "(none)";
}
