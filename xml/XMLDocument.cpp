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
    return XMLElement::make(storage_, storage_.internCopy(name));
}

XMLData* XMLDocument::createData(std::string_view text)
{
    return XMLData::make(storage_, store(text));
}

XMLComment* XMLDocument::createComment(std::string_view text)
{
    return XMLComment::make(storage_, store(text));
}

XMLCDATASection* XMLDocument::createCDATASection(std::string_view text)
{
    return XMLCDATASection::make(storage_, store(text));
}

XMLElement* XMLDocument::cloneElement(const XMLElement* source)
{
    return XMLElement::copyOf(storage_, *source);
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
    TreeBuilder builder(storage_, text);
    XMLReader reader(builder, text, size, XMLReader::Settings{keepText_, depthOffset_, observer_});
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
    const XMLReader::Declaration& declared = reader.declared();
    if (declared.version)
        version_ = declared.version;
    if (declared.encoding)
        encoding_ = declared.encoding;
    if (declared.doctype)
        doctype_ = declared.doctype;
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

void XMLDocument::print(OutputSink& sink, unsigned indentUnit, unsigned wrapWidth) const
{
    XMLWriter writer(sink, indentUnit, wrapWidth);
    writer.writeHeader(version_, encoding_, doctype_);
    if (root_ != nullptr)
        writer.writeNode(root_, 0);
}

bool XMLDocument::write(std::FILE* file, unsigned indentUnit, unsigned wrapWidth)
{
    indentUnit_ = indentUnit;
    wrapWidth_ = wrapWidth;
    OutputSink sink(file);
    print(sink, indentUnit, wrapWidth);
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
        print(sink, indentUnit, wrapWidth);
    }
    return text;
}

std::uint64_t XMLDocument::outputBytes(unsigned indentUnit, unsigned wrapWidth)
{
    std::uint64_t bytes = 0;
    {
        OutputSink sink(bytes);
        print(sink, indentUnit, wrapWidth);
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
