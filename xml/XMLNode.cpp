#include "xml/XMLNode.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <type_traits>

// The first child's previous link leads to the last child, whose next link
// is none; any other child's predecessor links on to it.
XMLNode* XMLNode::previousSibling() const
{
    XMLNode* before = node(prev_);
    return before != nullptr && before->next_ != 0 ? before : nullptr;
}

XMLNode* XMLNode::lastChild() const
{
    const XMLNode* first = firstChild();
    return first != nullptr ? node(first->prev_) : nullptr;
}

void XMLNode::appendChild(XMLNode* child)
{
    assert(sameDocument(child));
    const NodeHandle added = child->handle();
    child->parent_ = handle();
    if (XMLNode* first = firstChild()) {
        node(first->prev_)->next_ = added;
        child->prev_ = first->prev_;
        first->prev_ = added;
    } else {
        first_ = added;
        child->prev_ = added;
    }
}

void XMLNode::prependChild(XMLNode* child)
{
    assert(sameDocument(child));
    const NodeHandle added = child->handle();
    child->parent_ = handle();
    child->next_ = first_;
    if (XMLNode* first = firstChild()) {
        child->prev_ = first->prev_;
        first->prev_ = added;
    } else {
        child->prev_ = added;
    }
    first_ = added;
}

// A removed node keeps its old links, so membership is checked through the
// neighbour's link back to it, not through the node's own parent field.
bool XMLNode::linksHere(const XMLNode* child) const
{
    if (child == nullptr || child->parent_ != handle())
        return false;
    const NodeHandle checked = child->handle();
    if (first_ == checked)
        return true;
    const XMLNode* before = node(child->prev_);
    return before != nullptr && before->next_ == checked;
}

void XMLNode::removeChild(XMLNode* child)
{
    if (!linksHere(child))
        return;
    XMLNode* first = firstChild();
    if (child == first) {
        first_ = child->next_;
        if (XMLNode* second = firstChild())
            second->prev_ = child->prev_;  // the last child
        return;
    }
    node(child->prev_)->next_ = child->next_;
    if (XMLNode* after = node(child->next_))
        after->prev_ = child->prev_;
    else
        first->prev_ = child->prev_;  // its predecessor is the new last child
}

void XMLNode::replaceChild(XMLNode* oldChild, XMLNode* newChild)
{
    if (!linksHere(oldChild) || newChild == nullptr)
        return;
    assert(sameDocument(newChild));
    const NodeHandle added = newChild->handle();
    const bool wasFirst = first_ == oldChild->handle();
    const bool wasLast = oldChild->next_ == 0;
    newChild->parent_ = handle();
    newChild->next_ = oldChild->next_;
    newChild->prev_ = wasFirst && wasLast ? added : oldChild->prev_;
    if (wasFirst)
        first_ = added;
    else
        node(oldChild->prev_)->next_ = added;
    if (!wasLast)
        node(oldChild->next_)->prev_ = added;
    else if (!wasFirst)
        firstChild()->prev_ = added;
}

void XMLNode::insertAfter(XMLNode* ref, XMLNode* run)
{
    if (run == nullptr)
        return;
    assert(sameDocument(run));
    const NodeHandle parent = handle();
    XMLNode* end = run;
    for (XMLNode* current = run; current != nullptr; current = node(current->next_)) {
        current->parent_ = parent;
        if (current != run)
            current->prev_ = end->handle();
        end = current;
    }
    if (first_ == 0) {
        first_ = run->handle();
        run->prev_ = end->handle();
        return;
    }
    const NodeHandle after = ref->next_;
    ref->next_ = run->handle();
    run->prev_ = ref->handle();
    end->next_ = after;
    if (after != 0)
        node(after)->prev_ = end->handle();
    else
        firstChild()->prev_ = end->handle();
}

XMLNode* XMLNode::takeChildren()
{
    XMLNode* run = firstChild();
    first_ = 0;
    return run;
}

void XMLCharacterData::setContent(std::string_view text)
{
    data_ = text.data() != nullptr ? text.data() : "";
    size_ = text.size();
}

static_assert(sizeof(XMLElement) == 32 && sizeof(XMLCharacterData) == 40, "node records stay small");
static_assert(std::is_trivially_destructible_v<XMLElement> && std::is_trivially_destructible_v<XMLCharacterData>,
              "nodes are never destroyed, only let go of with their storage");

XMLElement* XMLElement::make(TreeStorage& storage, std::uint32_t tag)
{
    return make(storage, tag, 0, 0);
}

XMLElement* XMLElement::make(TreeStorage& storage, std::uint32_t tag, std::uint32_t capacity, std::uint16_t segment)
{
    // Element and run share one allocation unless the run would need
    // blocks of its own: nodes always lie in an ordinary block.
    constexpr std::size_t LargestShared = std::size_t(64) << 10;
    const std::size_t runBytes = capacity != 0 ? AttributeRun::bytesFor(capacity) : 0;
    const bool shared = runBytes <= LargestShared;
    const NodeHandle handle = storage.allocate(sizeof(XMLElement) + (shared ? runBytes : 0));
    auto* element = new (storage.at(handle)) XMLElement(tag);
    element->segment_ = segment;
    if (capacity == 0)
        return element;
    element->attrs_ = shared ? handle + sizeof(XMLElement) / 8 : storage.allocate(runBytes);
    element->run()->count = 0;
    return element;
}

// Within one storage names and values are never changed in place, so the
// copy shares them: its records are the source's records. From another
// storage, strings are copied; the attributes keep their order, which is
// the same byte order in every storage.
XMLElement* XMLElement::copyOf(TreeStorage& storage, const XMLElement& source)
{
    const TreeStorage& from = source.storage();
    const AttributeRun* attrs = source.run();
    const std::uint32_t count = attrs != nullptr ? attrs->count : 0;
    if (&from == &storage) {
        XMLElement* copy = make(storage, source.tag_, count, count != 0 ? source.segment_ : 0);
        copy->flags_ = source.flags_ & MayHoldWatchedByte;
        if (count != 0) {
            std::copy_n(attrs->records(), count, copy->run()->records());
            copy->run()->count = count;
        }
        return copy;
    }
    XMLElement* copy = make(storage, storage.internCopy(source.tagName()), count, 0);
    copy->setFlag(MayHoldWatchedByte, source.mayHoldWatchedByte() || from.watchedByte() != storage.watchedByte());
    AttributeRecord* record = count != 0 ? copy->run()->records() : nullptr;
    for (const XMLAttribute& attr : source.attributes()) {
        const std::uint32_t name = storage.internCopy(attr.name());
        *record++ = attr.hasValue() ? AttributeRecord::detached(storage, name, storage.store(attr.text()))
                                    : AttributeRecord::absent(name);
    }
    if (count != 0)
        copy->run()->count = count;
    return copy;
}

void XMLElement::setTagName(std::string_view name)
{
    tag_ = storage().internCopy(name);
}

// Most elements hold a handful of attributes, and callers mostly ask with
// a name taken from the element itself: a short run is scanned, comparing
// the names' addresses and lengths before their bytes.
AttributeRecord* XMLElement::find(std::string_view name) const
{
    AttributeRun* attrs = run();
    if (attrs == nullptr)
        return nullptr;
    const NameTable& names = storage().names();
    AttributeRecord* first = attrs->records();
    AttributeRecord* end = first + attrs->count;
    if (attrs->count <= 8) {
        for (AttributeRecord* at = first; at != end; ++at) {
            const std::string_view text = names.text(at->number());
            if (text.size() == name.size() && (text.data() == name.data() || text == name))
                return at;
        }
        return nullptr;
    }
    AttributeRecord* at = std::lower_bound(first, end, name, [&](const AttributeRecord& record, std::string_view n) {
        return attributeNameLess(names.text(record.number()), n);
    });
    return at != end && names.text(at->number()) == name ? at : nullptr;
}

// Room for one more record: a full run moves to a new place with room for
// the next power of two. The old run stays where it was, so that a caller
// iterating it is not disturbed.
AttributeRun* XMLElement::roomForOneMore()
{
    AttributeRun* attrs = run();
    const std::uint32_t count = attrs != nullptr ? attrs->count : 0;
    std::uint64_t capacity = count;
    if ((flags_ & GrownRun) != 0) {
        capacity = 4;
        while (capacity < count)
            capacity *= 2;
    }
    if (attrs != nullptr && count < capacity)
        return attrs;
    std::uint64_t grownCapacity = 4;
    while (grownCapacity < std::uint64_t(count) + 1)
        grownCapacity *= 2;
    if (grownCapacity > std::numeric_limits<std::uint32_t>::max())
        throw TreeStorageFull();
    TreeStorage& place = storage();
    const NodeHandle handle = place.allocate(AttributeRun::bytesFor(std::uint32_t(grownCapacity)));
    auto* grown = reinterpret_cast<AttributeRun*>(place.at(handle));
    grown->count = count;
    if (count != 0)
        std::copy_n(attrs->records(), count, grown->records());
    attrs_ = handle;
    flags_ |= GrownRun;
    return grown;
}

void XMLElement::setAttribute(std::string_view name, std::optional<std::string_view> value)
{
    TreeStorage& place = storage();
    AttributeRecord record = AttributeRecord::absent(0);
    if (value) {
        const std::string_view stored = place.store(*value);
        if (place.holdsWatchedByte(stored))
            flags_ |= MayHoldWatchedByte;
        record = AttributeRecord::detached(place, 0, stored);
    }
    if (AttributeRecord* existing = find(name)) {
        record.name |= existing->number();
        *existing = record;
        return;
    }
    record.name |= place.internCopy(name);
    AttributeRun* attrs = roomForOneMore();
    const NameTable& names = place.names();
    AttributeRecord* first = attrs->records();
    AttributeRecord* end = first + attrs->count;
    AttributeRecord* at = std::lower_bound(first, end, name, [&](const AttributeRecord& r, std::string_view n) {
        return attributeNameLess(names.text(r.number()), n);
    });
    std::copy_backward(at, end, end + 1);
    *at = record;
    ++attrs->count;
}

void XMLElement::removeAttribute(std::string_view name)
{
    AttributeRecord* at = find(name);
    if (at == nullptr)
        return;
    AttributeRun* attrs = run();
    AttributeRecord* end = attrs->records() + attrs->count;
    std::copy(at + 1, end, at);
    --attrs->count;
}

XMLAttribute XMLElement::view(const AttributeRecord& record) const
{
    const TreeStorage& place = storage();
    return record.view(place, place.segment(segment_));
}

std::optional<std::string_view> XMLElement::attribute(std::string_view name) const
{
    const AttributeRecord* at = find(name);
    return at != nullptr ? view(*at).value() : std::nullopt;
}

std::string_view XMLElement::attributeText(std::string_view name) const
{
    const AttributeRecord* at = find(name);
    return at != nullptr ? view(*at).text() : std::string_view();
}

bool XMLElement::findAttribute(std::string_view name, std::optional<std::string_view>& value) const
{
    const AttributeRecord* at = find(name);
    if (at == nullptr)
        return false;
    value = view(*at).value();
    return true;
}

std::int64_t XMLElement::firstValueOffset() const
{
    const AttributeRun* attrs = run();
    std::int64_t first = -1;
    if (attrs == nullptr || segment_ == 0)
        return first;
    for (std::uint32_t i = 0; i < attrs->count; ++i) {
        const AttributeRecord& record = attrs->records()[i];
        if (record.inSegment() && (first < 0 || record.offset < first))
            first = record.offset;
    }
    return first;
}
