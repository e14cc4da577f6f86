#include "check/Origins.h"

#include "xml/XMLNode.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
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
// shape (element children only), the tops first; pending is room for the
// walk, reused from call to call.
template <class Node, class FirstChild, class NextSibling, class Visit>
void visitPairs(Node source, Node copy, FirstChild firstChild, NextSibling nextSibling, Visit visit,
                std::vector<std::pair<Node, Node>>& pending)
{
    pending.assign(1, {source, copy});
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

// A multiplicative hash of the address; the table's size is a power of two.
std::size_t OriginMap::slotOf(const void* key) const
{
    const auto bits = std::uint64_t(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B97F4A7C15ull;
    return std::size_t(bits >> 32) & (slots_.size() - 1);
}

const Origin* OriginMap::find(const void* key) const
{
    if (slots_.empty())
        return nullptr;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & (slots_.size() - 1)) {
        if (slots_[slot].key == key)
            return &slots_[slot].origin;
        if (slots_[slot].key == nullptr)
            return nullptr;
    }
}

void OriginMap::set(const void* key, const Origin& origin)
{
    if ((count_ + 1) * 2 > slots_.size())
        grow();
    std::size_t slot = slotOf(key);
    while (slots_[slot].key != nullptr && slots_[slot].key != key)
        slot = (slot + 1) & (slots_.size() - 1);
    if (slots_[slot].key == nullptr)
        ++count_;
    slots_[slot] = Slot{key, origin};
}

void OriginMap::grow()
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(old.size() * 2, 1024), Slot{});
    count_ = 0;
    for (const Slot& entry : old)
        if (entry.key != nullptr)
            set(entry.key, entry.origin);
}

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

// A copy has no line of its own; an element that an xmldef stored has the
// file of the xmldef; any other element belongs to the chain's file.
Origin DirectiveOrigins::originOf(const XMLElement* element, const std::string& fileName)
{
    const OriginMap& known = element->line() < 0 ? copies_ : stored_;
    if (!known.empty()) {
        if (const Origin* found = known.find(element))
            return *found;
    }
    // Loops copy many elements of one file in a row.
    if (lastFileName_ == nullptr || *lastFileName_ != fileName)
        lastFileName_ = &*fileNames_.insert(fileName).first;
    return Origin{lastFileName_, std::max(element->line() + 1, 1)};
}

void DirectiveOrigins::copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName)
{
    visitPairs(
        source, copy, firstElementChild, nextElementSibling,
        [&](const XMLElement* from, const XMLElement* to) { copies_.set(to, originOf(from, fileName)); }, pending_);
}

void DirectiveOrigins::stored(const XMLElement* element, const std::string& fileName)
{
    visitPairs(
        element, element, firstElementChild, nextElementSibling,
        [&](const XMLElement* from, const XMLElement*) {
            if (from->line() >= 0)
                stored_.set(from, originOf(from, fileName));
        },
        pending_);
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
    std::vector<std::pair<QDomElement, QDomElement>> pending;
    visitPairs(
        source.toElement(), copy.toElement(), [](const QDomElement& node) { return node.firstChildElement(); },
        [](const QDomElement& node) { return node.nextSiblingElement(); },
        [&](const QDomElement& from, const QDomElement& to) {
            imported_[DomNodeKey(to).key()] = Imported{to, file, std::max(from.lineNumber(), 1)};
        },
        pending);
}
