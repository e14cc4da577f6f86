#include "xml/XMLDocument.h"

#include "diag/RunObserver.h"
#include "io/FileReading.h"
#include "xml/XMLReader.h"
#include "xml/XMLWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

XMLDocument::XMLDocument(bool keepText) : keepText_(keepText) {}

XMLDocument::~XMLDocument() = default;

XMLElement* XMLDocument::createElement(std::string_view name)
{
    return XMLElement::make(storage_, storage_.internCopy(name), 0, 0);
}

XMLData* XMLDocument::createData(std::string_view text)
{
    return storage_.make<XMLData>(store(text));
}

XMLComment* XMLDocument::createComment(std::string_view text)
{
    return storage_.make<XMLComment>(store(text));
}

XMLCDATASection* XMLDocument::createCDATASection(std::string_view text)
{
    return storage_.make<XMLCDATASection>(store(text));
}

XMLElement* XMLDocument::cloneElement(const XMLElement* source)
{
    if (&source->document() != this)
        return cloneForeignElement(source);
    // Names and values of this document are never changed in place, so the
    // copy shares them: its records are the source's records.
    const AttributeRun* attrs = source->run();
    if (attrs == nullptr || attrs->count == 0) {
        XMLElement* copy = XMLElement::make(storage_, source->tag_, 0, 0);
        copy->setMayHoldWatchedByte(source->mayHoldWatchedByte());
        return copy;
    }
    XMLElement* copy = XMLElement::make(storage_, source->tag_, attrs->count, source->elementSegment_);
    copy->setMayHoldWatchedByte(source->mayHoldWatchedByte());
    AttributeRun* copied = copy->run();
    std::copy_n(attrs->records(), attrs->count, copied->records());
    copied->count = attrs->count;
    return copy;
}

// Strings of another document are copied; the attributes keep their order,
// which is the same byte order in every document.
XMLElement* XMLDocument::cloneForeignElement(const XMLElement* source)
{
    const auto attrs = source->attributes();
    XMLElement* copy =
        XMLElement::make(storage_, storage_.internCopy(source->tagName()), static_cast<std::uint32_t>(attrs.size()), 0);
    copy->setMayHoldWatchedByte(source->mayHoldWatchedByte() || source->document().watchedByte_ != watchedByte_);
    if (attrs.empty())
        return copy;
    AttributeRun* copied = copy->run();
    AttributeRecord* record = copied->records();
    for (const XMLAttribute& attr : attrs) {
        const std::uint32_t name = storage_.internCopy(attr.name());
        if (attr.hasValue())
            *record++ = AttributeRecord{name | AttributeRecord::Detached, storage_.addValue(store(attr.text())), 0};
        else
            *record++ = AttributeRecord{name | AttributeRecord::Absent, 0, 0};
    }
    copied->count = static_cast<std::uint32_t>(attrs.size());
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
    char* buffer = storage_.arena().allocateBlock(text.size());
    if (!text.empty())  // an empty view may carry no pointer, which memcpy must not get
        std::memcpy(buffer, text.data(), text.size());
    return parseInPlace(buffer, text.size());
}

bool XMLDocument::parseInPlace(char* text, std::size_t size)
{
    const std::size_t fullSize = size;
    if (const void* nul = std::memchr(text, '\0', size))
        size = std::size_t(static_cast<const char*>(nul) - text);
    if (observer_ != nullptr)
        observer_->textRead(std::string_view(text, size));
    storage_.expectInput(size);
    XMLReader reader(*this, text, size);
    XMLReader::Status status;
    try {
        status = reader.read();
    } catch (const TreeStorageFull&) {
        // Only a file of some gigabytes whose elements are a few bytes each
        // comes here: its tree would outgrow 32 GiB.
        root_ = reader.result();
        setError(0, Diag::FileTooLarge);
        return false;
    }
    root_ = reader.result();
    if (observer_ != nullptr && size < fullSize)
        observer_->readProblem(ReadPlace{-1, std::int64_t(size), {}}, Diagnostic(Diag::NulByte, {fullSize - size - 1}),
                               false);
    switch (status) {
    case XMLReader::Ok:
        return true;
    case XMLReader::BadTagName:
        setError(static_cast<int>(reader.line()), Diag::BadTagName);
        break;
    case XMLReader::TagNameMismatch:
        setError(static_cast<int>(reader.line()), Diag::TagNameMismatch);
        break;
    case XMLReader::TooDeep:
        setError(static_cast<int>(reader.line()), Diag::NestingTooDeep,
                 {defaultNestingBound(), stackNote(defaultNestingBound(), MaxNestingDepth)});
        break;
    }
    return false;
}

bool XMLDocument::readFile(int descriptor, std::uint64_t maxBytes, const std::string& name)
{
    char* text = nullptr;
    const FileRead read = readBounded(descriptor, std::min(maxBytes, MaxFileBytes), FileSizing::Seek,
                                      [&](std::size_t size) { return text = storage_.arena().allocateBlock(size); });
    fileBytes_ = read.fileBytes;
    if (read.tooLarge) {
        setError(0, Diag::FileTooLarge);
        return false;
    }
    if (read.sizeChanged) {
        setError(0, Diag::SizeChangedWhileRead, {name});
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

std::uint64_t XMLDocument::outputBytes(unsigned indentUnit, unsigned wrapWidth)
{
    std::uint64_t bytes = 0;
    {
        OutputSink sink(bytes);
        XMLWriter(sink, indentUnit, wrapWidth).writeDocument(*this);
    }
    return bytes;
}

void XMLDocument::setError(int line, Diag id, std::initializer_list<DiagArg> args)
{
    const std::string message = formatMessage(id, args);
    const std::size_t size = std::min(message.size(), sizeof errorMessage_ - 1);
    std::memcpy(errorMessage_, message.data(), size);
    errorMessage_[size] = '\0';
    errorLine_ = line;
    errorId_ = id;
}
