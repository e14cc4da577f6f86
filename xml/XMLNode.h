#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

class XMLDocument;
class XMLElement;

// Base of every node of the default mode's tree.
//
// Nodes live in their document's arena (see ByteArena): a node removed from
// the tree stays valid until its document is destroyed, and "deleting" a
// subtree is simply letting go of it. Children form a doubly linked list so
// that removal and the last-child bookkeeping take constant time even in
// sibling chains of millions of nodes; the previous-sibling link is kept
// alongside the parent, next-sibling, first-child and last-child links.
class XMLNode {
public:
    enum class Kind : std::uint8_t { Element, Data, Comment, CDATASection };

    Kind kind() const { return kind_; }
    bool isElement() const { return kind_ == Kind::Element; }
    XMLElement* toElement();
    const XMLElement* toElement() const;

    XMLNode* parent() const { return parent_; }
    XMLNode* nextSibling() const { return next_; }
    XMLNode* previousSibling() const { return prev_; }
    XMLNode* firstChild() const { return first_; }
    XMLNode* lastChild() const { return last_; }

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
    bool linksHere(const XMLNode* child) const;

    XMLNode* parent_ = nullptr;
    XMLNode* next_ = nullptr;
    XMLNode* prev_ = nullptr;
    XMLNode* first_ = nullptr;
    XMLNode* last_ = nullptr;
    int line_ = -1;
    Kind kind_;

protected:
    // For elements: whether an attribute value may hold the document's
    // watched byte (see XMLDocument::setWatchedByte). Kept here, where the
    // node has room to spare.
    bool watchedByteHint_ = false;
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
    std::uint32_t size_ = 0;
};

class XMLData : public XMLCharacterData {
public:
    explicit XMLData(std::string_view text) : XMLCharacterData(Kind::Data, text) {}
};

class XMLComment : public XMLCharacterData {
public:
    explicit XMLComment(std::string_view text) : XMLCharacterData(Kind::Comment, text) {}
};

class XMLCDATASection : public XMLCharacterData {
public:
    explicit XMLCDATASection(std::string_view text) : XMLCharacterData(Kind::CDATASection, text) {}
};

// One attribute: a name and a value that may be absent.
class XMLAttribute {
public:
    XMLAttribute(std::string_view name, std::string_view value)
        : name_(name.data() != nullptr ? name.data() : ""), value_(value.data() != nullptr ? value.data() : ""),
          nameSize_(static_cast<std::uint32_t>(name.size())), valueSize_(static_cast<std::uint32_t>(value.size()))
    {
    }
    XMLAttribute(std::string_view name, std::optional<std::string_view> value)
        : XMLAttribute(name, value.value_or(std::string_view()))
    {
        if (!value)
            value_ = nullptr;
    }

    std::string_view name() const { return {name_, nameSize_}; }
    bool hasValue() const { return value_ != nullptr; }
    std::optional<std::string_view> value() const;
    // The value, with an absent value read as the empty string.
    std::string_view text() const { return {value_ ? value_ : "", valueSize_}; }

private:
    friend class XMLElement;
    const char* name_;
    const char* value_;
    std::uint32_t nameSize_;
    std::uint32_t valueSize_;
};

// An element: tag name and attributes kept in byte order of their names
// (unsigned bytes, a name before every longer name it begins), the order in
// which the writer prints them.
class XMLElement : public XMLNode {
public:
    class Attributes {
    public:
        const XMLAttribute* begin() const { return first_; }
        const XMLAttribute* end() const { return first_ + count_; }
        std::size_t size() const { return count_; }
        bool empty() const { return count_ == 0; }

    private:
        friend class XMLElement;
        Attributes(const XMLAttribute* first, std::size_t count) : first_(first), count_(count) {}
        const XMLAttribute* first_;
        std::size_t count_;
    };

    XMLElement(XMLDocument& document, std::string_view tagName);

    XMLDocument& document() const { return *document_; }

    std::string_view tagName() const { return {tag_, tagSize_}; }
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
    Attributes attributes() const { return Attributes(attrs_, attrCount_); }
    // False only when no attribute value holds the document's watched byte;
    // lets a caller looking for that byte skip the element without
    // scanning its values.
    bool mayHoldWatchedByte() const { return watchedByteHint_; }

private:
    friend class XMLDocument;
    friend class XMLReader;

    const XMLAttribute* find(std::string_view name) const;
    // Takes attributes already owned by the document, sorted and unique.
    void adoptAttributes(XMLAttribute* attrs, std::uint32_t count);

    XMLDocument* document_;
    const char* tag_;
    std::uint32_t tagSize_;
    std::uint32_t attrCount_ = 0;
    std::uint32_t attrCapacity_ = 0;
    XMLAttribute* attrs_ = nullptr;
};

// Byte-wise order of names: unsigned bytes, shorter prefix first. Names
// mostly differ in their first byte, which is compared inline.
inline bool attributeNameLess(std::string_view a, std::string_view b)
{
    if (!a.empty() && !b.empty() && a[0] != b[0])
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    return a < b;  // std::char_traits<char>::compare compares as unsigned char
}

inline XMLElement* XMLNode::toElement()
{
    return isElement() ? static_cast<XMLElement*>(this) : nullptr;
}

inline const XMLElement* XMLNode::toElement() const
{
    return isElement() ? static_cast<const XMLElement*>(this) : nullptr;
}
