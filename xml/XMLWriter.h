#pragma once

#include "xml/ByteScan.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class XMLNode;
class XMLElement;
class XMLAttribute;

// Collects output bytes in a fixed block and hands them on a block at a
// time, to a file, to a string, or to a count of them. Remembers whether
// any write to the file failed.
class OutputSink {
public:
    explicit OutputSink(std::FILE* file);
    explicit OutputSink(std::string& target);
    explicit OutputSink(std::uint64_t& count);
    ~OutputSink();
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void put(std::string_view bytes)
    {
        if (bytes.size() > BlockSize - used_) {
            putLarge(bytes);
            return;
        }
        copyBytes(block_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    void put(char c)
    {
        if (used_ == BlockSize)
            passFullBlock();
        block_[used_++] = c;
    }
    void spaces(std::size_t count);
    // Hands on all bytes collected so far and waits until they are written.
    void flush();
    bool failed() const { return failed_; }

    // Room for `size` bytes in the block (flushing it first when full), to
    // be filled directly and handed back with commit(); none for a size
    // larger than a block.
    char* room(std::size_t size)
    {
        if (size > BlockSize - used_) {
            if (size > BlockSize)
                return nullptr;
            passFullBlock();
        }
        return block_.get() + used_;
    }
    void commit(char* end) { used_ = std::size_t(end - block_.get()); }

    // Copies the text to `to`, which has room for 16 bytes past it, and
    // returns its end: a text of up to 16 bytes that can be loaded whole
    // moves in one piece, the bytes stored past its end being overwritten
    // later.
    static char* copyWithSlack(char* to, std::string_view text)
    {
#ifdef __SSE2__
        if (text.size() <= 16 && bytescan::sixteenInPage(text.data())) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytescan::loadWithinPage(text.data()));
            return to + text.size();
        }
#endif
        copyBytes(to, text.data(), text.size());
        return to + text.size();
    }

    // Most pieces are names and short values: copy up to 32 bytes with two
    // overlapping fixed-size moves instead of a library call.
    static void copyBytes(char* to, const char* from, std::size_t size)
    {
        if (size > 16 && size <= 32) {
            char head[16];
            char tail[16];
            std::memcpy(head, from, 16);
            std::memcpy(tail, from + size - 16, 16);
            std::memcpy(to, head, 16);
            std::memcpy(to + size - 16, tail, 16);
        } else if (size >= 8 && size <= 16) {
            std::uint64_t head;
            std::uint64_t tail;
            std::memcpy(&head, from, 8);
            std::memcpy(&tail, from + size - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + size - 8, &tail, 8);
        } else if (size >= 4 && size < 8) {
            std::uint32_t head;
            std::uint32_t tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + size - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + size - 4, &tail, 4);
        } else if (size < 4) {
            for (std::size_t i = 0; i < size; ++i)
                to[i] = from[i];
        } else {
            std::memcpy(to, from, size);
        }
    }

private:
    static constexpr std::size_t BlockSize = std::size_t(1) << 20;

    void passFullBlock();
    void putLarge(std::string_view bytes);
    void deliver(std::string_view bytes);

    std::FILE* file_ = nullptr;
    std::string* target_ = nullptr;
    std::uint64_t* count_ = nullptr;
    std::unique_ptr<char[]> block_{new char[BlockSize]};
    std::size_t used_ = 0;
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
    {}

    // The declaration line (with a version or an encoding) and the DOCTYPE
    // line (with a doctype) that start a document.
    void writeHeader(const std::optional<std::string>& version, const std::optional<std::string>& encoding,
                     const std::optional<std::string>& doctype);
    void writeNode(const XMLNode* node, std::size_t level);
    void writeEscaped(std::string_view text);

private:
    // Prints a node up to its children; true when the children follow.
    bool openNode(const XMLNode* node, std::size_t level);
    __attribute__((always_inline)) void writeAttribute(const XMLAttribute& attr, bool wrap, std::size_t level);
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
