#pragma once

#include "xml/AttributeRun.h"
#include "xml/TreeStorage.h"
#include "xml/XMLNode.h"

#include <cstdint>
#include <limits>
#include <string_view>

// What the reader needs to build a tree in a document's storage, and no
// more: names and nodes made from a text that lives as long as the storage
// (the buffer a file was read into), with attribute values kept as offsets
// into that text where they fit.
class TreeBuilder {
public:
    // One attribute read, its name already numbered.
    struct ReadAttribute {
        std::uint32_t name;
        std::string_view value;
    };

    TreeBuilder(TreeStorage& storage, const char* text) : storage_(storage)
    {
        // Past 65,535 texts in one storage, values are kept apart.
        const std::uint32_t segment = storage_.addSegment(text);
        if (segment <= std::numeric_limits<std::uint16_t>::max()) {
            segment_ = std::uint16_t(segment);
            base_ = text;
        }
    }

    char watchedByte() const { return storage_.watchedByte(); }
    bool holdsWatchedByte(std::string_view text) const { return storage_.holdsWatchedByte(text); }

    // The number of a name whose bytes last; for a name of one to eight
    // bytes, none of them zero, also given as word (its bytes in a
    // little-endian word, the rest zero), shortName is faster.
    std::uint32_t name(std::string_view lasting) { return storage_.names().intern(lasting, keep); }
    std::uint32_t shortName(std::uint64_t word, std::string_view lasting)
    {
        return storage_.names().internShort(word, lasting, keep);
    }

    // An element with `count` attributes in name order, each name once:
    // attributeAt(i) gives the i-th as a ReadAttribute.
    template <typename AttributeAt>
    XMLElement* element(std::uint32_t tag, int line, bool mayHoldWatchedByte, std::uint32_t count,
                        AttributeAt attributeAt)
    {
        XMLElement* element = XMLElement::make(storage_, tag, count, segment_);
        element->setFlag(XMLElement::MayHoldWatchedByte, mayHoldWatchedByte);
        element->setLine(line);
        if (count == 0)
            return element;
        AttributeRun* attrs = element->run();
        AttributeRecord* records = attrs->records();
        // Locals: the stores to the records would otherwise make the
        // compiler load the builder's fields again on every attribute.
        TreeStorage& storage = storage_;
        const char* const base = base_;
        for (std::uint32_t i = 0; i < count; ++i) {
            const ReadAttribute attribute = attributeAt(i);
            records[i] = AttributeRecord::of(storage, attribute.name, base, attribute.value);
        }
        attrs->count = count;
        return element;
    }

    XMLData* data(std::string_view lasting, int line) { return placed(XMLData::make(storage_, lasting), line); }
    XMLComment* comment(std::string_view lasting, int line)
    {
        return placed(XMLComment::make(storage_, lasting), line);
    }
    XMLCDATASection* cdata(std::string_view lasting, int line)
    {
        return placed(XMLCDATASection::make(storage_, lasting), line);
    }

private:
    static std::string_view keep(std::string_view lasting) { return lasting; }
    template <typename Node>
    static Node* placed(Node* node, int line)
    {
        node->setLine(line);
        return node;
    }

    TreeStorage& storage_;
    std::uint16_t segment_ = 0;  // 0: every value kept apart
    const char* base_ = nullptr;
};
