#pragma once

#include "diag/Diagnostics.h"
#include "rules/Limits.h"
#include "xml/TreeStorage.h"
#include "xml/XMLNode.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

class OutputSink;
class RunObserver;

// The default mode's document: the root element, what the input's XML
// declaration and DOCTYPE said, the settings of the last write, and the
// message and line of the last failed read or write. The document owns the
// storage in which all of its nodes and strings live (see TreeStorage).
class XMLDocument {
public:
    // Deepest element nesting the reader accepts (MaxNestingDepth, or less
    // where the stack of the run holds less: defaultNestingBound(), counted
    // from the depth offset); deeper input fails with Diag::NestingTooDeep.
    static constexpr std::uint32_t MaxDepth = MaxNestingDepth;
    // Largest file readFile reads by default (a pipe may never end).
    static constexpr std::uint64_t MaxFileBytes = std::numeric_limits<std::uint32_t>::max() - 1;

    explicit XMLDocument(bool keepText);
    virtual ~XMLDocument();
    XMLDocument(const XMLDocument&) = delete;
    XMLDocument& operator=(const XMLDocument&) = delete;

    // Node factories; names and contents are copied into the document.
    XMLElement* createElement(std::string_view name);
    XMLData* createData(std::string_view text);
    XMLComment* createComment(std::string_view text);
    XMLCDATASection* createCDATASection(std::string_view text);
    // A deep copy of node (line -1 everywhere), appended to parent when given.
    XMLNode* cloneNode(const XMLNode* node, XMLNode* parent);
    // A copy of the element's tag name and attributes, without children.
    XMLElement* cloneElement(const XMLElement* source);

    // A byte that callers look for in attribute values (the macro marker).
    // The reader notes, per element, whether any value holds it, so that
    // elements without it can be passed over (XMLElement::mayHoldWatchedByte).
    // None (0) by default.
    void setWatchedByte(char byte) { storage_.setWatchedByte(byte); }
    char watchedByte() const { return storage_.watchedByte(); }

    // Copies bytes into the document's storage.
    std::string_view store(std::string_view text) { return storage_.store(text); }

    // Reads a document from text (NUL-terminated; the first NUL ends it).
    // The previous root is replaced but not destroyed.
    bool parse(std::string_view text);
    bool parse(const char* text) { return parse(std::string_view(text)); }
    // Reads a whole open file (io/FileReading.h, sized by seeking) into the
    // document's own memory, skipping a UTF-8 byte-order mark. A file of
    // more than maxBytes is not read: the read fails with "file too large".
    // A regular file whose size changes while it is read fails with
    // Diag::SizeChangedWhileRead and name.
    bool readFile(int descriptor, std::uint64_t maxBytes = MaxFileBytes, const std::string& name = {});
    // The size of the file of the last readFile (for a file read to its end
    // past maxBytes, a count above maxBytes).
    std::uint64_t fileBytes() const { return fileBytes_; }
    // Levels above the root of what the next reads build: an included file's
    // root takes the place of an include element that deep in the tree, and
    // the nesting bound counts them.
    void setDepthOffset(std::uint32_t levels) { depthOffset_ = levels; }
    std::uint32_t depthOffset() const { return depthOffset_; }

    // Prints the document; sets indentUnit and wrapWidth. False only when
    // the file refused bytes.
    bool write(std::FILE* file, unsigned indentUnit, unsigned wrapWidth);
    // Prints the document into a string, the same bytes as write().
    std::string toString(unsigned indentUnit, unsigned wrapWidth);
    // The number of bytes write() prints, found by printing them nowhere.
    std::uint64_t outputBytes(unsigned indentUnit, unsigned wrapWidth);

    XMLElement* root() const { return root_; }
    void setRoot(XMLElement* root) { root_ = root; }

    // A checking run's observer (diag/RunObserver.h), told of every text
    // read and of what the reader reads leniently; none by default.
    void setObserver(RunObserver* observer) { observer_ = observer; }
    RunObserver* observer() const { return observer_; }

    bool keepText() const { return keepText_; }
    unsigned indentUnit() const { return indentUnit_; }
    unsigned wrapWidth() const { return wrapWidth_; }

    const std::optional<std::string>& doctype() const { return doctype_; }
    const std::optional<std::string>& version() const { return version_; }
    const std::optional<std::string>& encoding() const { return encoding_; }
    void setDoctype(std::optional<std::string> doctype) { doctype_ = std::move(doctype); }
    void setVersion(std::optional<std::string> version) { version_ = std::move(version); }
    void setEncoding(std::optional<std::string> encoding) { encoding_ = std::move(encoding); }

    const char* errorMessage() const { return errorMessage_; }
    int errorLine() const { return errorLine_; }
    // Which message errorMessage() holds.
    Diag errorId() const { return errorId_; }
    // Formats the message into the 1024-byte message buffer (cut to 1023
    // bytes).
    void setError(int line, Diag id, std::initializer_list<DiagArg> args = {});

protected:
    void setFileBytes(std::uint64_t bytes) { fileBytes_ = bytes; }

private:
    bool parseInPlace(char* text, std::size_t size);
    // The header lines and the tree.
    void print(OutputSink& sink, unsigned indentUnit, unsigned wrapWidth) const;

    TreeStorage storage_;
    unsigned indentUnit_ = 0;
    unsigned wrapWidth_ = 0;
    bool keepText_;
    std::optional<std::string> doctype_;
    std::optional<std::string> version_;
    std::optional<std::string> encoding_;
    XMLElement* root_ = nullptr;
    char errorMessage_[1024] = {};
    Diag errorId_ = Diag::Count;
    int errorLine_ = 0;
    std::uint32_t depthOffset_ = 0;
    std::uint64_t fileBytes_ = 0;
    RunObserver* observer_ = nullptr;
};
