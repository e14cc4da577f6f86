#pragma once

#include "xml/AttributeRun.h"
#include "xml/TreeStorage.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

class XMLDocument;
class XMLElement;

// Base of every node of the default mode's tree.
//
// Nodes live in their document's node space (see TreeStorage): a node
// removed from the tree stays valid until its document is destroyed, and
// "deleting" a subtree is simply letting go of it. Links are 32-bit handles
// within the document, so nodes link only to nodes of their own document
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

private:
    XMLNode* node(NodeHandle handle) const
    {
        return handle != 0 ? reinterpret_cast<XMLNode*>(TreeStorage::resolve(this, handle)) : nullptr;
    }
    NodeHandle handle() const { return TreeStorage::handleOf(this); }
    bool sameDocument(const XMLNode* other) const { return &TreeStorage::of(other) == &TreeStorage::of(this); }
    bool linksHere(const XMLNode* child) const;

    NodeHandle parent_ = 0;
    NodeHandle next_ = 0;
    NodeHandle prev_ = 0;  // of a first child: the last child
    NodeHandle first_ = 0;
    int line_ = -1;
    Kind kind_;

protected:
    // Element state kept here, where the node has room to spare: the flags
    // below, and the segment that attribute values point into.
    enum ElementFlag : std::uint8_t {
        // An attribute value may hold the document's watched byte (see
        // XMLDocument::setWatchedByte).
        MayHoldWatchedByte = 1,
        // The attribute run was made by adding to it and has room for the
        // power of two at or above its count (at least 4); otherwise it has
        // room for its count only.
        GrownRun = 2,
    };
    std::uint8_t elementFlags_ = 0;
    std::uint16_t elementSegment_ = 0;
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

class XMLData : public XMLCharacterData {
private:
    friend class TreeStorage;
    explicit XMLData(std::string_view text) : XMLCharacterData(Kind::Data, text) {}
};

class XMLComment : public XMLCharacterData {
private:
    friend class TreeStorage;
    explicit XMLComment(std::string_view text) : XMLCharacterData(Kind::Comment, text) {}
};

class XMLCDATASection : public XMLCharacterData {
private:
    friend class TreeStorage;
    explicit XMLCDATASection(std::string_view text) : XMLCharacterData(Kind::CDATASection, text) {}
};

// One attribute as the element hands it out: a name and a value that may
// be absent, both pointing into the document.
class XMLAttribute {
public:
    XMLAttribute(std::string_view name, std::string_view value)
        : name_(name.data() != nullptr ? name : std::string_view("", 0)),
          value_(value.data() != nullptr ? value.data() : ""), valueSize_(value.size())
    {}
    XMLAttribute(std::string_view name, std::optional<std::string_view> value)
        : XMLAttribute(name, value.value_or(std::string_view()))
    {
        if (!value)
            value_ = nullptr;
    }

    std::string_view name() const { return name_; }
    bool hasValue() const { return value_ != nullptr; }
    std::optional<std::string_view> value() const;
    // The value, with an absent value read as the empty string.
    std::string_view text() const { return {value_ ? value_ : "", valueSize_}; }

private:
    std::string_view name_;
    const char* value_;
    std::size_t valueSize_;
};

// An element: tag name and attributes kept in byte order of their names
// (unsigned bytes, a name before every longer name it begins), the order in
// which the writer prints them.
class XMLElement : public XMLNode {
public:
    // The attributes in name order, each read from its record on access.
    class Attributes {
    public:
        class Iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = XMLAttribute;
            using difference_type = std::ptrdiff_t;
            using reference = XMLAttribute;
            struct pointer {
                XMLAttribute attribute;
                const XMLAttribute* operator->() const { return &attribute; }
            };

            XMLAttribute operator*() const;
            pointer operator->() const { return {**this}; }
            Iterator& operator++()
            {
                ++record_;
                return *this;
            }
            bool operator==(const Iterator& other) const { return record_ == other.record_; }
            bool operator!=(const Iterator& other) const { return record_ != other.record_; }

        private:
            friend class Attributes;
            Iterator(const AttributeRecord* record, const TreeStorage* storage, const char* base)
                : record_(record), storage_(storage), base_(base)
            {}
            const AttributeRecord* record_;
            const TreeStorage* storage_;
            const char* base_;
        };

        Iterator begin() const { return {first_, storage_, base_}; }
        Iterator end() const { return {first_ + count_, storage_, base_}; }
        std::size_t size() const { return count_; }
        bool empty() const { return count_ == 0; }

    private:
        friend class XMLElement;
        Attributes(const AttributeRun* run, const TreeStorage& storage, const char* base)
            : first_(run != nullptr ? run->records() : nullptr), count_(run != nullptr ? run->count : 0),
              storage_(&storage), base_(base)
        {}
        const AttributeRecord* first_;
        std::uint32_t count_;
        const TreeStorage* storage_;
        const char* base_;
    };

    XMLDocument& document() const { return storage().document(); }

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
    Attributes attributes() const
    {
        const TreeStorage& place = storage();
        return Attributes(run(), place, place.segment(elementSegment_));
    }
    // False only when no attribute value holds the document's watched byte;
    // lets a caller looking for that byte skip the element without
    // scanning its values.
    bool mayHoldWatchedByte() const { return (elementFlags_ & MayHoldWatchedByte) != 0; }
    // The least offset, in the text the element was read from, of an
    // attribute value that still lies in that text; -1 when none does (no
    // attributes, or values set or copied since).
    std::int64_t firstValueOffset() const;

private:
    friend class XMLDocument;
    friend class XMLReader;

    explicit XMLElement(std::uint32_t tag) : XMLNode(Kind::Element), tag_(tag) {}
    // A new element with room for `capacity` attributes (none yet) whose
    // values lie in the given segment; the run follows the element.
    static XMLElement* make(TreeStorage& storage, std::uint32_t tag, std::uint32_t capacity, std::uint16_t segment);
    void setMayHoldWatchedByte(bool may)
    {
        elementFlags_ = std::uint8_t(may ? elementFlags_ | MayHoldWatchedByte : elementFlags_ & ~MayHoldWatchedByte);
    }

    TreeStorage& storage() const { return TreeStorage::of(this); }
    AttributeRun* run() const
    {
        return attrs_ != 0 ? reinterpret_cast<AttributeRun*>(TreeStorage::resolve(this, attrs_)) : nullptr;
    }
    AttributeRecord* find(std::string_view name) const;
    XMLAttribute view(const AttributeRecord& record) const;
    static XMLAttribute viewOf(const AttributeRecord& record, const TreeStorage& storage, const char* base);
    AttributeRun* roomForOneMore();

    std::uint32_t tag_;  // number in the document's name table
    NodeHandle attrs_ = 0;
};

static_assert(sizeof(XMLElement) == 32 && sizeof(XMLCharacterData) == 40, "node records stay small");

// Byte-wise order of names: unsigned bytes, shorter prefix first. Names
// mostly differ in their first byte, which is compared inline.
inline bool attributeNameLess(std::string_view a, std::string_view b)
{
    if (!a.empty() && !b.empty() && a[0] != b[0])
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    return a < b;  // std::char_traits<char>::compare compares as unsigned char
}

inline XMLAttribute XMLElement::viewOf(const AttributeRecord& record, const TreeStorage& storage, const char* base)
{
    const std::string_view name = storage.names().text(record.number());
    if ((record.name & AttributeRecord::Absent) != 0)
        return XMLAttribute(name, std::nullopt);
    if ((record.name & AttributeRecord::Detached) != 0)
        return XMLAttribute(name, storage.value(record.offset));
    return XMLAttribute(name, std::string_view(base + record.offset, record.size));
}

inline XMLAttribute XMLElement::Attributes::Iterator::operator*() const
{
    return XMLElement::viewOf(*record_, *storage_, base_);
}

inline XMLElement* XMLNode::toElement()
{
    return isElement() ? static_cast<XMLElement*>(this) : nullptr;
}

inline const XMLElement* XMLNode::toElement() const
{
    return isElement() ? static_cast<const XMLElement*>(this) : nullptr;
}
