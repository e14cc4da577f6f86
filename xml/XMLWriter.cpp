#include "xml/XMLWriter.h"

#include "xml/ByteScan.h"
#include "xml/XMLNode.h"

#include <vector>

void OutputSink::spaces(std::size_t count)
{
    static const std::string Blanks(256, ' ');
    while (count > 0) {
        const std::size_t step = std::min(count, Blanks.size());
        put(std::string_view(Blanks.data(), step));
        count -= step;
    }
}

OutputSink::OutputSink(std::FILE* file) : file_(file) {}

OutputSink::OutputSink(std::string& target) : target_(&target) {}

OutputSink::OutputSink(std::uint64_t& count) : count_(&count) {}

OutputSink::~OutputSink()
{
    try {
        flush();
    } catch (...) {
        // Left while an exception goes up: the output is given up anyway.
    }
}

void OutputSink::passFullBlock()
{
    flush();
}

void OutputSink::flush()
{
    deliver(std::string_view(block_.get(), used_));
    used_ = 0;
}

void OutputSink::putLarge(std::string_view bytes)
{
    flush();
    if (bytes.size() >= BlockSize) {
        deliver(bytes);
        return;
    }
    std::memcpy(block_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
}

void OutputSink::deliver(std::string_view bytes)
{
    if (bytes.empty())
        return;
    if (target_ != nullptr)
        target_->append(bytes);
    else if (count_ != nullptr)
        *count_ += bytes.size();
    else if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        failed_ = true;
}

void XMLWriter::writeHeader(const std::optional<std::string>& version, const std::optional<std::string>& encoding,
                            const std::optional<std::string>& doctype)
{
    if (version || encoding) {
        out_.put("<?xml ");
        if (version) {
            out_.put(" version=\"");
            out_.put(*version);
            out_.put('"');
        }
        if (encoding) {
            out_.put(" encoding=\"");
            out_.put(*encoding);
            out_.put('"');
        }
        out_.put(" ?>\n");
    }
    if (doctype) {
        out_.put("<!DOCTYPE ");
        out_.put(*doctype);
        out_.put(">\n");
    }
}

void XMLWriter::writeNode(const XMLNode* node, std::size_t level)
{
    struct Frame {
        const XMLElement* element;
        const XMLNode* nextChild;
        std::size_t level;
    };
    std::vector<Frame> open;
    if (openNode(node, level))
        open.push_back({node->toElement(), node->firstChild(), level});
    while (!open.empty()) {
        Frame& top = open.back();
        if (top.nextChild == nullptr) {
            closeElement(top.element, top.level);
            open.pop_back();
            continue;
        }
        const XMLNode* child = top.nextChild;
        top.nextChild = child->nextSibling();
        const std::size_t childLevel = top.level + 1;
        if (openNode(child, childLevel))
            open.push_back({child->toElement(), child->firstChild(), childLevel});
    }
}

// Most values print as they are: such an attribute goes into the output
// block in one piece.
inline void XMLWriter::writeAttribute(const XMLAttribute& attr, bool wrap, std::size_t level)
{
    const std::string_view name = attr.name();
    if (!attr.hasValue()) {
        out_.put(' ');
        out_.put(name);
        out_.put("=\"\"");
        return;
    }
    const std::string_view value = attr.text();
    if (!wrap && bytescan::isPlain(value.data(), value.size())) {
        if (char* at = out_.room(name.size() + value.size() + 4 + 16)) {
            *at++ = ' ';
            at = OutputSink::copyWithSlack(at, name);
            *at++ = '=';
            *at++ = '"';
            at = OutputSink::copyWithSlack(at, value);
            *at++ = '"';
            out_.commit(at);
            return;
        }
    }
    if (wrap) {
        out_.put('\n');
        out_.spaces((level + 1) * indentUnit_);
    } else {
        out_.put(' ');
    }
    out_.put(name);
    out_.put("=\"");
    writeEscaped(value);
    out_.put('"');
}

bool XMLWriter::openNode(const XMLNode* node, std::size_t level)
{
    out_.spaces(level * indentUnit_);
    switch (node->kind()) {
    case XMLNode::Kind::Data:
        writeEscaped(static_cast<const XMLCharacterData*>(node)->content());
        return false;
    case XMLNode::Kind::Comment:
        out_.put("<!--");
        out_.put(static_cast<const XMLCharacterData*>(node)->content());
        out_.put("-->");
        return false;
    case XMLNode::Kind::CDATASection:
        out_.put("<![CDATA[");
        out_.put(static_cast<const XMLCharacterData*>(node)->content());
        out_.put("]]>");
        return false;
    case XMLNode::Kind::Element:
        break;
    }

    const auto* element = node->toElement();
    out_.put('<');
    out_.put(element->tagName());
    const bool wrap = wrapsAttributes(element, level);
    for (const XMLAttribute& attr : element->attributes())
        writeAttribute(attr, wrap, level);
    const XMLNode* first = element->firstChild();
    if (first == nullptr) {
        if (!element->attributes().empty())
            out_.put(' ');
        out_.put("/>");
        lineFeed();
        return false;
    }
    out_.put('>');
    if (first->kind() == XMLNode::Kind::Data) {
        // An element whose first child is text is taken to hold that text
        // alone; later children are not printed.
        writeEscaped(static_cast<const XMLCharacterData*>(first)->content());
        out_.put("</");
        out_.put(element->tagName());
        out_.put('>');
        lineFeed();
        return false;
    }
    lineFeed();
    return true;
}

void XMLWriter::closeElement(const XMLElement* element, std::size_t level)
{
    out_.spaces(level * indentUnit_);
    out_.put("</");
    out_.put(element->tagName());
    out_.put('>');
    lineFeed();
}

bool XMLWriter::wrapsAttributes(const XMLElement* element, std::size_t level) const
{
    if (wrapWidth_ == 0 || element->attributes().size() < 2)
        return false;
    std::size_t width = level * indentUnit_ + 1 + element->tagName().size();
    for (const XMLAttribute& attr : element->attributes()) {
        width += attr.name().size() + 4 + attr.text().size();
        if (width > wrapWidth_)
            return true;
    }
    return false;
}

void XMLWriter::writeEscaped(std::string_view text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::size_t from = 0;
    while (true) {
        const std::size_t stop = bytescan::plainRun(text.data(), text.size(), from);
        out_.put(text.substr(from, stop - from));
        if (stop == text.size())
            return;
        const auto byte = static_cast<unsigned char>(text[stop]);
        switch (byte) {
        case '"':
            out_.put("&quot;");
            break;
        case '&':
            out_.put("&amp;");
            break;
        case '<':
            out_.put("&lt;");
            break;
        case '>':
            out_.put("&gt;");
            break;
        default: {
            // Lower-case hexadecimal without leading zeros, one per byte.
            char reference[6] = {'&', '#', 'x', 0, 0, 0};
            std::size_t length = 3;
            if (byte >= 16)
                reference[length++] = Hex[byte >> 4];
            reference[length++] = Hex[byte & 15];
            reference[length++] = ';';
            out_.put(std::string_view(reference, length));
        }
        }
        from = stop + 1;
    }
}
