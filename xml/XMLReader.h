#pragma once

#include "xml/TreeBuilder.h"
#include "xml/XMLNode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

class RunObserver;
struct Diagnostic;
struct ReadPlace;
enum class Diag : std::uint16_t;

// One forward pass over the bytes of a document, building the node tree
// through a TreeBuilder.
//
// The text is decoded in place (references shrink, dropped carriage returns
// shrink), so names and values of the tree point into the buffer, which the
// document owns and the builder was made with.
// Lenient by design: only a bad attribute-name start, an end tag that does
// not match, and nesting beyond defaultNestingBound() (rules/Limits.h;
// counted from the document's depth offset) are errors. With an observer
// (a checking run), the reader also tells it what it read leniently
// (diag/RunObserver.h): those reports sit on paths that a well-formed
// document rarely takes.
class XMLReader {
public:
    enum Status { Ok = 0, BadTagName = 1, TagNameMismatch = 2, TooDeep = 3 };

    struct Settings {
        bool keepText = false;  // text runs and comments become nodes
        // Levels above the root of what this read builds (an included
        // file's root takes the place of an include that deep).
        std::uint32_t depthOffset = 0;
        RunObserver* observer = nullptr;  // a checking run's, if any
    };
    // What the XML declaration and the DOCTYPE line said; none where the
    // text does not say.
    struct Declaration {
        std::optional<std::string> version;
        std::optional<std::string> encoding;
        std::optional<std::string> doctype;
    };

    XMLReader(TreeBuilder& builder, char* text, std::size_t size, const Settings& settings);

    // Reads the whole text; the result is the last outermost element closed.
    Status read();
    XMLElement* result() const { return result_; }
    std::uint32_t line() const { return line_; }
    const Declaration& declared() const { return declared_; }

private:
    bool atEnd() const { return pos_ >= end_; }
    std::size_t remaining() const { return atEnd() ? 0 : std::size_t(end_ - pos_); }
    char peek() const { return atEnd() ? '\0' : *pos_; }
    void advance();
    void advanceTo(char* target);
    void skipWhitespace();
    std::string_view readName();

    void characterData();
    __attribute__((noinline, cold)) void noteText(const char* start, std::uint32_t startLine);
    void declaration();
    void markupDeclaration(std::uint32_t markupLine);
    void endTag();
    void startTag(std::uint32_t markupLine);
    bool readAttributes();
    __attribute__((always_inline)) bool readPlainAttribute();
    bool readAttribute();
    XMLElement* makeElement(std::uint32_t tag, std::uint32_t line);
    void sortAttributes();
    __attribute__((always_inline)) std::uint32_t nameNumber(std::string_view name);
    __attribute__((always_inline)) void closeInnermost();
    __attribute__((noinline, cold)) void closeOutermost(XMLElement* closed);
    char* findPairEnd(char* from, char pairChar);

    enum ScanFindings : unsigned { NeedsDecoding = 1, HoldsWatchedByte = 2 };
    unsigned scanTo(char stop);
    std::string_view quotedValue(char quote, unsigned* found = nullptr);
    std::string_view decode(char* begin, char* end, bool dropCarriageReturns);

    // For a checking run.
    __attribute__((noinline, cold)) void report(const ReadPlace& place, const Diagnostic& diagnostic,
                                                bool failed = false);
    ReadPlace placeOf(const char* at) const;
    __attribute__((noinline, cold)) void noteReference(const char* reference, const char* semicolon,
                                                       std::uint32_t value);
    __attribute__((noinline, cold)) void noteUnknownEntity(const char* ampersand, const char* end);
    __attribute__((noinline, cold)) void noteRepeatedNames(const XMLElement* element);
    __attribute__((noinline, cold)) void noteEndTag(std::string_view name, Diag id);
    __attribute__((noinline, cold)) void noteBadAttributeStart(const XMLElement* element);
    // The 1-based line in an editor of a line as this reader counts it.
    std::uint32_t editorLine(std::uint32_t line) const { return line + 1 + (base_ < end_ && *base_ == '\n'); }
    struct PendingAttribute {
        std::string_view name;
        std::string_view value;
        std::uint32_t number;
    };

    TreeBuilder& builder_;
    RunObserver* observer_;
    const bool keepText_;
    const std::uint32_t depthOffset_;
    Declaration declared_;
    const char* base_;  // of the text
    char* pos_;
    char* end_;
    std::uint32_t line_ = 0;
    Status status_ = Ok;
    const std::uint32_t maxDepth_;
    bool stop_ = false;
    std::vector<XMLElement*> open_;
    XMLElement* result_ = nullptr;
    std::vector<PendingAttribute> scratch_;
    // The name numbers of the last attribute list sorted, and the order in
    // which its entries went into the element: elements of one kind list
    // the same names in the same order, and skip the sort.
    std::vector<std::uint32_t> sortedNumbers_;
    std::vector<std::uint32_t> order_;

    const char watched_;
#ifdef __SSE2__
    __m128i watchedBytes_;  // the watched byte in every lane
#endif
    bool holdsWatchedByte_ = false;  // of the attributes being read
    char* nextSemicolon_;            // cache of the next ";" while decoding references
    // For a checking run: what was reported once per read already.
    bool textNoted_ = false;
    bool rootReplaced_ = false;
};
