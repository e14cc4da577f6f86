#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class XMLDocument;
class XMLNode;
class XMLElement;

// Collects output bytes and hands them on in large blocks, either to a file
// or to a string. Remembers whether any write to the file failed.
class OutputSink {
public:
    explicit OutputSink(std::FILE* file) : file_(file) { buffer_.reserve(BlockSize); }
    explicit OutputSink(std::string& target) : target_(&target) {}
    ~OutputSink() { flush(); }
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void put(std::string_view bytes)
    {
        if (target_ != nullptr) {
            target_->append(bytes);
            return;
        }
        if (buffer_.size() + bytes.size() > BlockSize)
            flush();
        if (bytes.size() > BlockSize)
            writeOut(bytes);
        else
            buffer_.append(bytes);
    }
    void put(char c)
    {
        if (target_ != nullptr) {
            target_->push_back(c);
            return;
        }
        if (buffer_.size() >= BlockSize)
            flush();
        buffer_.push_back(c);
    }
    void spaces(std::size_t count);
    void flush();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t BlockSize = std::size_t(1) << 20;
    void writeOut(std::string_view bytes);

    std::FILE* file_ = nullptr;
    std::string* target_ = nullptr;
    std::string buffer_;
    bool failed_ = false;
};

// Prints a document in the default mode's output form: optional declaration
// and DOCTYPE lines, then the tree, indented by `indentUnit` spaces per
// level; attributes go on lines of their own past `wrapWidth` (0: never).
// Iterative, so the depth of the tree does not touch the stack.
class XMLWriter {
public:
    XMLWriter(OutputSink& out, unsigned indentUnit, unsigned wrapWidth)
        : out_(out), indentUnit_(indentUnit), wrapWidth_(wrapWidth)
    {
    }

    void writeDocument(const XMLDocument& document);
    void writeNode(const XMLNode* node, std::size_t level);
    void writeEscaped(std::string_view text);

private:
    // Prints a node up to its children; true when the children follow.
    bool openNode(const XMLNode* node, std::size_t level);
    void closeElement(const XMLElement* element, std::size_t level);
    bool wrapsAttributes(const XMLElement* element, std::size_t level) const;
    void lineFeed()
    {
        if (indentUnit_ != 0)
            out_.put('\n');
    }

    OutputSink& out_;
    unsigned indentUnit_;
    unsigned wrapWidth_;
};
