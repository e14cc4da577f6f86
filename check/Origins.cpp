#include "check/Origins.h"

#include "xml/XMLNode.h"

#include <QFile>

#include <algorithm>
#include <vector>

namespace {

const XMLElement* firstElementChild(const XMLNode* node)
{
    const XMLNode* child = node->firstChild();
    while (child != nullptr && !child->isElement())
        child = child->nextSibling();
    return child != nullptr ? child->toElement() : nullptr;
}

const XMLElement* nextElementSibling(const XMLNode* node)
{
    const XMLNode* sibling = node->nextSibling();
    while (sibling != nullptr && !sibling->isElement())
        sibling = sibling->nextSibling();
    return sibling != nullptr ? sibling->toElement() : nullptr;
}

bool isNull(const XMLElement* element)
{
    return element == nullptr;
}

bool isNull(const QDomElement& element)
{
    return element.isNull();
}

// Visits the pairs of elements at the same place in two trees of the same
// shape (element children only), the tops first.
template <class Node, class FirstChild, class NextSibling, class Visit>
void visitPairs(Node source, Node copy, FirstChild firstChild, NextSibling nextSibling, Visit visit)
{
    std::vector<std::pair<Node, Node>> pending{{source, copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        visit(from, to);
        auto fromChild = firstChild(from);
        auto toChild = firstChild(to);
        for (; !isNull(fromChild) && !isNull(toChild);
             fromChild = nextSibling(fromChild), toChild = nextSibling(toChild))
            pending.emplace_back(fromChild, toChild);
    }
}

// The key of a DOM node: its private record, the same for every handle.
class DomNodeKey : public QDomNode {
public:
    explicit DomNodeKey(const QDomNode& node) : QDomNode(node) {}
    const void* key() const { return impl; }
};

std::string localName(const QString& fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

}  // namespace

void DirectiveOrigins::fileRead(const std::string& path, bool)
{
    report_.fileRead(path);
}

void DirectiveOrigins::warning(const std::string& file, int line, const std::string& text)
{
    report_.warning(file, line, text);
}

void DirectiveOrigins::warning(const XMLElement* element, const std::string& fileName, const std::string& text)
{
    const Origin origin = originOf(element, fileName);
    report_.warning(*origin.file, origin.line, text);
}

Origin DirectiveOrigins::originOf(const XMLElement* element, const std::string& fileName)
{
    const auto found = origins_.find(element);
    if (found != origins_.end())
        return found->second;
    return Origin{&*fileNames_.insert(fileName).first, element->line() >= 0 ? element->line() + 1 : 1};
}

void DirectiveOrigins::copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName)
{
    visitPairs(source, copy, firstElementChild, nextElementSibling,
               [&](const XMLElement* from, const XMLElement* to) { origins_[to] = originOf(from, fileName); });
}

void DirectiveOrigins::stored(const XMLElement* element, const std::string& fileName)
{
    visitPairs(element, element, firstElementChild, nextElementSibling,
               [&](const XMLElement* from, const XMLElement*) { origins_.emplace(from, originOf(from, fileName)); });
}

void XhtmlOrigins::fileRead(const std::string& path, bool)
{
    report_.fileRead(path);
}

void XhtmlOrigins::warning(const std::string& file, int line, const std::string& text)
{
    report_.warning(file, line, text);
}

void XhtmlOrigins::warning(const QDomNode& element, const QString& fileName, const QString& text)
{
    const auto found = imported_.find(DomNodeKey(element).key());
    if (element.lineNumber() < 0 && found != imported_.end())
        report_.warning(found->second.file, found->second.line, text.toStdString());
    else
        report_.warning(localName(fileName), std::max(element.lineNumber(), 1), text.toStdString());
}

void XhtmlOrigins::imported(const QDomNode& source, const QDomNode& copy, const QString& fileName)
{
    const std::string file = localName(fileName);
    visitPairs(
        source.toElement(), copy.toElement(), [](const QDomElement& node) { return node.firstChildElement(); },
        [](const QDomElement& node) { return node.nextSiblingElement(); },
        [&](const QDomElement& from, const QDomElement& to) {
            imported_[DomNodeKey(to).key()] = Imported{to, file, std::max(from.lineNumber(), 1)};
        });
}
