#include "xml/XMLNode.h"

#include "xml/XMLDocument.h"

#include <algorithm>
#include <cstring>

void XMLNode::appendChild(XMLNode* child)
{
    child->parent_ = this;
    child->prev_ = last_;
    if (last_ != nullptr)
        last_->next_ = child;
    else
        first_ = child;
    last_ = child;
}

void XMLNode::prependChild(XMLNode* child)
{
    child->parent_ = this;
    child->prev_ = nullptr;
    child->next_ = first_;
    if (first_ != nullptr)
        first_->prev_ = child;
    else
        last_ = child;
    first_ = child;
}

// A removed node keeps its old links, so membership is checked through the
// neighbour's link back to it, not through the node's own parent field.
bool XMLNode::linksHere(const XMLNode* child) const
{
    if (child == nullptr || child->parent_ != this)
        return false;
    return child->prev_ != nullptr ? child->prev_->next_ == child : first_ == child;
}

void XMLNode::removeChild(XMLNode* child)
{
    if (!linksHere(child))
        return;
    XMLNode* before = child->prev_;
    XMLNode* after = child->next_;
    if (before != nullptr)
        before->next_ = after;
    else
        first_ = after;
    if (after != nullptr)
        after->prev_ = before;
    if (last_ == child)
        last_ = before;
}

void XMLNode::replaceChild(XMLNode* oldChild, XMLNode* newChild)
{
    if (!linksHere(oldChild) || newChild == nullptr)
        return;
    XMLNode* before = oldChild->prev_;
    XMLNode* after = oldChild->next_;
    newChild->parent_ = this;
    newChild->prev_ = before;
    newChild->next_ = after;
    if (before != nullptr)
        before->next_ = newChild;
    else
        first_ = newChild;
    if (after != nullptr)
        after->prev_ = newChild;
    else
        last_ = newChild;
}

void XMLNode::insertAfter(XMLNode* ref, XMLNode* run)
{
    if (run == nullptr)
        return;
    XMLNode* end = run;
    XMLNode* previous = nullptr;
    for (XMLNode* node = run; node != nullptr; node = node->next_) {
        node->parent_ = this;
        node->prev_ = previous;
        previous = node;
        end = node;
    }
    if (first_ == nullptr) {
        first_ = run;
        last_ = end;
        return;
    }
    XMLNode* after = ref->next_;
    ref->next_ = run;
    run->prev_ = ref;
    end->next_ = after;
    if (after != nullptr)
        after->prev_ = end;
    else
        last_ = end;
}

XMLNode* XMLNode::takeChildren()
{
    XMLNode* run = first_;
    first_ = last_ = nullptr;
    return run;
}

void XMLCharacterData::setContent(std::string_view text)
{
    data_ = text.data() != nullptr ? text.data() : "";
    size_ = static_cast<std::uint32_t>(text.size());
}

std::optional<std::string_view> XMLAttribute::value() const
{
    if (value_ == nullptr)
        return std::nullopt;
    return std::string_view(value_, valueSize_);
}

XMLElement::XMLElement(XMLDocument& document, std::string_view tagName)
    : XMLNode(Kind::Element), document_(&document), tag_(tagName.data() != nullptr ? tagName.data() : ""),
      tagSize_(static_cast<std::uint32_t>(tagName.size()))
{
}

void XMLElement::setTagName(std::string_view name)
{
    name = document_->store(name);
    tag_ = name.data();
    tagSize_ = static_cast<std::uint32_t>(name.size());
}

namespace {

template <typename Attr>
Attr* lowerBound(Attr* first, Attr* last, std::string_view name)
{
    return std::lower_bound(first, last, name, [](const XMLAttribute& a, std::string_view n) {
        return attributeNameLess(a.name(), n);
    });
}

}  // namespace

const XMLAttribute* XMLElement::find(std::string_view name) const
{
    const XMLAttribute* first = attrs_;
    const XMLAttribute* end = first + attrCount_;
    const XMLAttribute* at = lowerBound(first, end, name);
    return (at != end && at->name() == name) ? at : nullptr;
}

void XMLElement::setAttribute(std::string_view name, std::optional<std::string_view> value)
{
    if (value) {
        value = document_->store(*value);
        watchedByteHint_ = watchedByteHint_ || document_->holdsWatchedByte(*value);
    }
    if (auto* existing = const_cast<XMLAttribute*>(find(name))) {
        *existing = XMLAttribute(existing->name(), value);
        return;
    }
    XMLAttribute added(document_->store(name), value);
    if (attrCount_ == attrCapacity_) {
        const std::uint32_t capacity = attrCapacity_ == 0 ? 4 : attrCapacity_ * 2;
        auto* grown = static_cast<XMLAttribute*>(
            document_->arena_.allocate(sizeof(XMLAttribute) * capacity, alignof(XMLAttribute)));
        if (attrCount_ != 0)
            std::memcpy(static_cast<void*>(grown), attrs_, sizeof(XMLAttribute) * attrCount_);
        attrs_ = grown;
        attrCapacity_ = capacity;
    }
    XMLAttribute* end = attrs_ + attrCount_;
    XMLAttribute* at = lowerBound(attrs_, end, name);
    std::memmove(static_cast<void*>(at + 1), at, sizeof(XMLAttribute) * std::size_t(end - at));
    *at = added;
    ++attrCount_;
}

void XMLElement::removeAttribute(std::string_view name)
{
    auto* at = const_cast<XMLAttribute*>(find(name));
    if (at == nullptr)
        return;
    XMLAttribute* end = attrs_ + attrCount_;
    std::memmove(static_cast<void*>(at), at + 1, sizeof(XMLAttribute) * std::size_t(end - at - 1));
    --attrCount_;
}

std::optional<std::string_view> XMLElement::attribute(std::string_view name) const
{
    const XMLAttribute* at = find(name);
    return at != nullptr ? at->value() : std::nullopt;
}

std::string_view XMLElement::attributeText(std::string_view name) const
{
    const XMLAttribute* at = find(name);
    return at != nullptr ? at->text() : std::string_view();
}

bool XMLElement::findAttribute(std::string_view name, std::optional<std::string_view>& value) const
{
    const XMLAttribute* at = find(name);
    if (at == nullptr)
        return false;
    value = at->value();
    return true;
}

void XMLElement::adoptAttributes(XMLAttribute* attrs, std::uint32_t count)
{
    attrs_ = attrs;
    attrCount_ = attrCapacity_ = count;
}
