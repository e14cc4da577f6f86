#pragma once

#include "xml/AttributeRun.h"
#include "xml/TreeStorage.h"
#include "xml/XMLAttribute.h"

#include <cstdint>
#include <optional>
#include <string_view>

class XMLElement;

// Base of every node of the default mode's tree.
//
// Nodes live in their document's node space (see TreeStorage): a node
// removed from the tree stays valid until its document is destroyed, and
// "deleting" a subtree is simply letting go of it. Links are handles within
// the document, so nodes link only to nodes of their own document
// (cloneNode copies between documents). Children form a doubly linked list,
// so that removal takes constant time even in sibling chains of millions of
// nodes; the first child's previous-sibling link leads to the last child,
// which the parent thus finds without a field of its own.
class XMLNode {
public:
    enum class Kind : std::uint8_t { Element, Data, Comment, CDATASection };

    Kind kind() const { return kind_; }
    bool isElement() const { return kind_ == Kind::Element; }
    XMLElement* toElement();
    const XMLElement* toElement() const;

    XMLNode* parent() const { return node(parent_); }
    XMLNode* nextSibling() const { return node(next_); }
    XMLNode* previousSibling() const;
    XMLNode* firstChild() const { return node(first_); }
    XMLNode* lastChild() const;

    int line() const { return line_; }
    void setLine(int line) { line_ = line; }

    // The child becomes the last child; its own next-sibling link is left
    // alone, so callers hand in a node without a next sibling.
    void appendChild(XMLNode* child);
    void prependChild(XMLNode* child);
    // Unlinks the child; its own parent and next-sibling fields keep their
    // old values. A node that is not a child leaves the list unchanged.
    void removeChild(XMLNode* child);
    // newChild takes oldChild's place and its parent and next-sibling links;
    // oldChild's own fields are not changed.
    void replaceChild(XMLNode* oldChild, XMLNode* newChild);
    // Splices the chain that starts at run (linked through next-sibling
    // fields) in after ref. On a node without children the chain becomes the
    // child list and ref is not consulted.
    void insertAfter(XMLNode* ref, XMLNode* run);
    // Detaches the whole child list and returns its first node; the chain
    // keeps its sibling links, ready for insertAfter.
    XMLNode* takeChildren();

protected:
    explicit XMLNode(Kind kind) : kind_(kind) {}
    TreeStorage& storage() const { return TreeStorage::of(this); }
    // Room for a node of `bytes` in the storage's node space.
    static void* place(TreeStorage& storage, std::size_t bytes) { return storage.at(storage.allocate(bytes)); }

private:
    XMLNode* node(NodeHandle handle) const { return TreeStorage::locate<XMLNode>(this, handle); }
    NodeHandle handle() const { return TreeStorage::handleOf(this); }
    bool sameDocument(const XMLNode* other) const { return &TreeStorage::of(other) == &storage(); }
    bool linksHere(const XMLNode* child) const;

    NodeHandle parent_ = 0;
    NodeHandle next_ = 0;
    NodeHandle prev_ = 0;  // of a first child: the last child
    NodeHandle first_ = 0;
    int line_ = -1;
    Kind kind_;
};

// Text, comment and CDATA section: a leaf with one byte string of content.
class XMLCharacterData : public XMLNode {
public:
    std::string_view content() const { return {data_, size_}; }
    // The node keeps the view; its bytes must be owned by the document.
    void setContent(std::string_view text);

protected:
    XMLCharacterData(Kind kind, std::string_view text) : XMLNode(kind) { setContent(text); }

private:
    const char* data_ = "";
    std::size_t size_ = 0;
};

// The three kinds of character data, each made in a storage with content
// whose bytes that storage owns (or that outlive it).
class XMLData : public XMLCharacterData {
public:
    static XMLData* make(TreeStorage& storage, std::string_view text)
    {
        return new (place(storage, sizeof(XMLData))) XMLData(text);
    }

private:
    explicit XMLData(std::string_view text) : XMLCharacterData(Kind::Data, text) {}
};

class XMLComment : public XMLCharacterData {
public:
    static XMLComment* make(TreeStorage& storage, std::string_view text)
    {
        return new (place(storage, sizeof(XMLComment))) XMLComment(text);
    }

private:
    explicit XMLComment(std::string_view text) : XMLCharacterData(Kind::Comment, text) {}
};

class XMLCDATASection : public XMLCharacterData {
public:
    static XMLCDATASection* make(TreeStorage& storage, std::string_view text)
    {
        return new (place(storage, sizeof(XMLCDATASection))) XMLCDATASection(text);
    }

private:
    explicit XMLCDATASection(std::string_view text) : XMLCharacterData(Kind::CDATASection, text) {}
};

// An element: tag name and attributes kept in byte order of their names
// (unsigned bytes, a name before every longer name it begins), the order in
// which the writer prints them.
class XMLElement : public XMLNode {
public:
    // A new element without attributes, its tag the name with that number
    // in the storage's name table.
    static XMLElement* make(TreeStorage& storage, std::uint32_t tag);
    // A copy of source's tag name and attributes, without children, made in
    // storage (source's own or another document's).
    static XMLElement* copyOf(TreeStorage& storage, const XMLElement& source);

    std::string_view tagName() const { return storage().names().text(tag_); }
    void setTagName(std::string_view name);

    // Copies name and value into the document. A new name goes to its place
    // in name order; an existing name keeps its slot and gets the new value.
    void setAttribute(std::string_view name, std::optional<std::string_view> value);
    void removeAttribute(std::string_view name);
    bool hasAttribute(std::string_view name) const { return find(name) != nullptr; }
    // The value, or none when the attribute is missing or has no value.
    std::optional<std::string_view> attribute(std::string_view name) const;
    // The value with both kinds of none read as the empty string.
    std::string_view attributeText(std::string_view name) const;
    // When present, stores the value (possibly none) and returns true.
    bool findAttribute(std::string_view name, std::optional<std::string_view>& value) const;
    AttributeList attributes() const;
    // False only when no attribute value holds the storage's watched byte
    // (TreeStorage::setWatchedByte); lets a caller looking for that byte
    // skip the element without scanning its values.
    bool mayHoldWatchedByte() const { return (flags_ & MayHoldWatchedByte) != 0; }
    // The least offset, in the text the element was read from, of an
    // attribute value that still lies in that text; -1 when none does (no
    // attributes, or values set or copied since).
    std::int64_t firstValueOffset() const;

private:
    // Builds elements with the attributes read (xml/TreeBuilder.h).
    friend class TreeBuilder;

    explicit XMLElement(std::uint32_t tag) : XMLNode(Kind::Element), tag_(tag) {}
    // A new element with room for `capacity` attributes (none yet) whose
    // values lie in the given segment.
    static XMLElement* make(TreeStorage& storage, std::uint32_t tag, std::uint32_t capacity, std::uint16_t segment);

    AttributeRun* run() const { return TreeStorage::locate<AttributeRun>(this, attrs_); }
    AttributeRecord* find(std::string_view name) const;
    XMLAttribute view(const AttributeRecord& record) const;
    AttributeRun* roomForOneMore();

    enum Flag : std::uint8_t {
        MayHoldWatchedByte = 1,
        // The run was made by adding to it and has room for the power of
        // two at or above its count (at least 4); otherwise it has room for
        // its count only.
        GrownRun = 2,
    };
    void setFlag(Flag flag, bool on) { flags_ = std::uint8_t(on ? flags_ | flag : flags_ & ~flag); }

    // Flags and segment first: they fill the room the node's fields leave.
    std::uint8_t flags_ = 0;
    std::uint16_t segment_ = 0;  // the buffer attribute values point into
    std::uint32_t tag_;          // number in the document's name table
    NodeHandle attrs_ = 0;
};

inline XMLElement* XMLNode::toElement()
{
    return isElement() ? static_cast<XMLElement*>(this) : nullptr;
}

inline const XMLElement* XMLNode::toElement() const
{
    return isElement() ? static_cast<const XMLElement*>(this) : nullptr;
}

inline AttributeList XMLElement::attributes() const
{
    const TreeStorage& place = storage();
    return AttributeList(run(), place, place.segment(segment_));
}
