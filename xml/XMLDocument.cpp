#include "xml/XMLDocument.h"

#include "io/FileReading.h"
#include "xml/XMLReader.h"
#include "xml/XMLWriter.h"

#include <cstdarg>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

XMLDocument::XMLDocument(bool keepText) : keepText_(keepText) {}

XMLDocument::~XMLDocument() = default;

XMLElement* XMLDocument::createElement(std::string_view name)
{
    return arena_.make<XMLElement>(*this, store(name));
}

XMLData* XMLDocument::createData(std::string_view text)
{
    return arena_.make<XMLData>(store(text));
}

XMLComment* XMLDocument::createComment(std::string_view text)
{
    return arena_.make<XMLComment>(store(text));
}

XMLCDATASection* XMLDocument::createCDATASection(std::string_view text)
{
    return arena_.make<XMLCDATASection>(store(text));
}

XMLElement* XMLDocument::cloneElement(const XMLElement* source)
{
    // Strings of this document are never changed in place, so a copy made
    // here shares them; strings of another document are copied.
    const bool foreign = &source->document() != this;
    auto own = [&](std::string_view text) { return foreign ? store(text) : text; };
    auto* copy = arena_.make<XMLElement>(*this, own(source->tagName()));
    copy->watchedByteHint_ = source->watchedByteHint_ || (foreign && source->document().watchedByte_ != watchedByte_);
    const auto attrs = source->attributes();
    if (attrs.empty())
        return copy;
    auto* copied = static_cast<XMLAttribute*>(arena_.allocate(sizeof(XMLAttribute) * attrs.size(), alignof(XMLAttribute)));
    std::size_t i = 0;
    for (const XMLAttribute& attr : attrs) {
        std::optional<std::string_view> value = attr.value();
        if (value)
            value = own(*value);
        new (&copied[i++]) XMLAttribute(own(attr.name()), value);
    }
    copy->adoptAttributes(copied, static_cast<std::uint32_t>(attrs.size()));
    return copy;
}

XMLNode* XMLDocument::cloneNode(const XMLNode* node, XMLNode* parent)
{
    auto copyOne = [this](const XMLNode* source) -> XMLNode* {
        switch (source->kind()) {
        case XMLNode::Kind::Element:
            return cloneElement(source->toElement());
        case XMLNode::Kind::Data:
            return createData(static_cast<const XMLCharacterData*>(source)->content());
        case XMLNode::Kind::Comment:
            return createComment(static_cast<const XMLCharacterData*>(source)->content());
        case XMLNode::Kind::CDATASection:
            return createCDATASection(static_cast<const XMLCharacterData*>(source)->content());
        }
        return nullptr;
    };

    XMLNode* copy = copyOne(node);
    if (parent != nullptr)
        parent->appendChild(copy);
    std::vector<std::pair<const XMLNode*, XMLNode*>> pending{{node, copy}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        for (const XMLNode* child = source->firstChild(); child != nullptr; child = child->nextSibling()) {
            XMLNode* childCopy = copyOne(child);
            target->appendChild(childCopy);
            pending.emplace_back(child, childCopy);
        }
    }
    return copy;
}

bool XMLDocument::parse(std::string_view text)
{
    char* buffer = arena_.allocateBlock(text.size());
    if (!text.empty())  // an empty view may carry no pointer, which memcpy must not get
        std::memcpy(buffer, text.data(), text.size());
    return parseInPlace(buffer, text.size());
}

bool XMLDocument::parseInPlace(char* text, std::size_t size)
{
    if (const void* nul = std::memchr(text, '\0', size))
        size = std::size_t(static_cast<const char*>(nul) - text);
    XMLReader reader(*this, text, size);
    const XMLReader::Status status = reader.read();
    root_ = reader.result();
    switch (status) {
    case XMLReader::Ok:
        return true;
    case XMLReader::BadTagName:
        setError(static_cast<int>(reader.line()), "bad tagName");
        break;
    case XMLReader::TagNameMismatch:
        setError(static_cast<int>(reader.line()), "tagName mismatch");
        break;
    case XMLReader::TooDeep:
        setError(static_cast<int>(reader.line()), "%s", DepthErrorMessage);
        break;
    }
    return false;
}

bool XMLDocument::readFile(int descriptor, std::uint64_t maxBytes)
{
    char* text = nullptr;
    const FileRead read = readBounded(descriptor, std::min(maxBytes, MaxFileBytes), FileSizing::Seek,
                                      [&](std::size_t size) { return text = arena_.allocateBlock(size); });
    fileBytes_ = read.fileBytes;
    if (read.tooLarge) {
        setError(0, "file too large");
        return false;
    }
    const std::size_t size = read.storedBytes;
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        return parseInPlace(text + 3, size - 3);
    return parseInPlace(text, size);
}

bool XMLDocument::write(std::FILE* file, unsigned indentUnit, unsigned wrapWidth)
{
    indentUnit_ = indentUnit;
    wrapWidth_ = wrapWidth;
    OutputSink sink(file);
    XMLWriter(sink, indentUnit, wrapWidth).writeDocument(*this);
    sink.flush();
    return !sink.failed();
}

std::string XMLDocument::toString(unsigned indentUnit, unsigned wrapWidth)
{
    indentUnit_ = indentUnit;
    wrapWidth_ = wrapWidth;
    std::string text;
    {
        OutputSink sink(text);
        XMLWriter(sink, indentUnit, wrapWidth).writeDocument(*this);
    }
    return text;
}

void XMLDocument::setError(int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(errorMessage_, sizeof errorMessage_, format, args);
    va_end(args);
    errorLine_ = line;
}
