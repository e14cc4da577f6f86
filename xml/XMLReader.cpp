#include "xml/XMLReader.h"

#include "diag/RunObserver.h"
#include "rules/Limits.h"
#include "xml/ByteScan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

using bytescan::is;
using bytescan::NameChar;
using bytescan::NameStart;
using bytescan::Space;

std::uint32_t countLineFeeds(const char* begin, const char* end)
{
    std::uint32_t count = 0;
    while (begin < end) {
        const void* hit = std::memchr(begin, '\n', std::size_t(end - begin));
        if (hit == nullptr)
            break;
        ++count;
        begin = static_cast<const char*>(hit) + 1;
    }
    return count;
}

// True when word is a leading part of full (the empty word included).
bool isLeadingPart(std::string_view word, std::string_view full)
{
    return word.size() <= full.size() && full.compare(0, word.size(), word) == 0;
}

inline const char* firstNonSpace(const char* begin, const char* end)
{
    while (begin < end && is(*begin, Space))
        ++begin;
    return begin;
}

// A short piece of text from at, up to the end of its line, for a message.
std::string excerpt(const char* at, const char* end)
{
    constexpr std::size_t Longest = 20;
    const char* stop = std::find_if(at, std::min(end, at + Longest), [](char c) { return c == '\n' || c == '\r'; });
    return std::string(at, stop) + (stop == at + Longest ? "..." : "");
}

// A byte of a message: printable ASCII as it is, any other in hexadecimal.
std::string printableByte(char byte)
{
    const auto value = static_cast<unsigned char>(byte);
    if (value > 0x20 && value < 0x7F)
        return std::string(1, byte);
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", unsigned(value));
    return text;
}

}  // namespace

XMLReader::XMLReader(TreeBuilder& builder, char* text, std::size_t size, const Settings& settings)
    : builder_(builder), observer_(settings.observer), keepText_(settings.keepText), depthOffset_(settings.depthOffset),
      base_(text), pos_(text), end_(text + size), maxDepth_(defaultNestingBound()), watched_(builder.watchedByte()),
      nextSemicolon_(text)
{
#ifdef __SSE2__
    watchedBytes_ = _mm_set1_epi8(watched_);
#endif
}

// The line counter goes up when the position moves onto a line feed; the
// byte the read starts on is never counted.
void XMLReader::advance()
{
    if (atEnd())
        return;
    ++pos_;
    if (pos_ < end_ && *pos_ == '\n')
        ++line_;
}

void XMLReader::advanceTo(char* target)
{
    if (target > end_)
        target = end_;
    if (target <= pos_)
        return;
    line_ += countLineFeeds(pos_ + 1, std::min(target + 1, end_));
    pos_ = target;
}

void XMLReader::skipWhitespace()
{
    while (!atEnd() && is(*pos_, Space))
        advance();
}

std::string_view XMLReader::readName()
{
    char* start = pos_;
    char* stop = atEnd() ? pos_ : pos_ + bytescan::nameLength(pos_, end_);
    if (stop > start) {
        pos_ = stop;  // name characters are never line feeds; the byte after may be
        if (pos_ < end_ && *pos_ == '\n')
            ++line_;
    }
    std::string_view name(start, std::size_t(stop - start));
    skipWhitespace();
    return name;
}

// Moves to the first `stop` byte at or after the position (or to the end),
// counting the line feeds passed. Tells what lies before it: a "&" or a
// carriage return (NeedsDecoding: runs without them need no decoding pass)
// and the document's watched byte (HoldsWatchedByte). One pass, sixteen
// bytes at a time where SSE2 is available.
unsigned XMLReader::scanTo(char stop)
{
    if (atEnd() || *pos_ == stop)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(pos_);
    const std::size_t length = remaining();
    std::size_t i = 0;
    std::uint32_t lineFeeds = 0;
    unsigned found = 0;
    bool stopped = false;
#ifdef __SSE2__
    const __m128i stopByte = _mm_set1_epi8(stop);
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i watched = _mm_set1_epi8(watched_);
    for (; i + 16 <= length; i += 16) {
        const __m128i chunk = bytescan::load16(pos_ + i);
        const unsigned stops = bytescan::maskOf(_mm_cmpeq_epi8(chunk, stopByte));
        const __m128i feeds = _mm_cmpeq_epi8(chunk, lineFeed);
        const __m128i odd = _mm_or_si128(_mm_cmpeq_epi8(chunk, amp), _mm_cmpeq_epi8(chunk, carriageReturn));
        const __m128i marked = _mm_cmpeq_epi8(chunk, watched);
        // Mostly none of the three occurs: one test covers them all.
        const unsigned before = stops != 0 ? (stops & (0u - stops)) - 1 : 0xFFFF;
        if ((bytescan::maskOf(_mm_or_si128(_mm_or_si128(feeds, odd), marked)) & before) != 0) {
            // Line feeds are few: count the set bits one by one.
            for (unsigned bits = bytescan::maskOf(feeds) & before; bits != 0; bits &= bits - 1)
                ++lineFeeds;
            if ((bytescan::maskOf(odd) & before) != 0)
                found |= NeedsDecoding;
            if ((bytescan::maskOf(marked) & before) != 0)
                found |= HoldsWatchedByte;
        }
        if (stops != 0) {
            i += unsigned(__builtin_ctz(stops));
            stopped = true;
            break;
        }
    }
#endif
    for (; !stopped && i < length && bytes[i] != static_cast<unsigned char>(stop); ++i) {
        lineFeeds += bytes[i] == '\n';
        if (bytes[i] == '&' || bytes[i] == '\r')
            found |= NeedsDecoding;
        if (bytes[i] == static_cast<unsigned char>(watched_))
            found |= HoldsWatchedByte;
    }
    // The byte at the position was counted when the position moved onto it.
    line_ += lineFeeds - (bytes[0] == '\n');
    pos_ += i;
    return found;
}

XMLReader::Status XMLReader::read()
{
    skipWhitespace();
    if (observer_ != nullptr && !atEnd() && *pos_ != '<')
        report(placeOf(pos_), Diagnostic(Diag::NotMarkup, {excerpt(pos_, end_)}));
    while (!stop_ && !atEnd() && *pos_ == '<') {
        const std::uint32_t markupLine = line_;
        advance();
        switch (peek()) {
        case '?':
            declaration();
            break;
        case '!':
            markupDeclaration(markupLine);
            break;
        case '/':
            advance();
            endTag();
            break;
        default:
            startTag(markupLine);
            break;
        }
        if (stop_)
            break;
        characterData();
    }
    if (observer_ != nullptr && !stop_ && !open_.empty()) {
        const XMLElement* innermost = open_.back();
        report(ReadPlace{innermost->line(), -1, innermost->tagName()},
               Diagnostic(Diag::FileEndsInElement, {innermost->tagName()}));
    }
    return status_;
}

void XMLReader::report(const ReadPlace& place, const Diagnostic& diagnostic, bool failed)
{
    observer_->readProblem(place, diagnostic, failed);
}

ReadPlace XMLReader::placeOf(const char* at) const
{
    return ReadPlace{int(line_), at - base_, {}};
}

// Text between markup: kept as an XMLData only inside an element and only
// when the document keeps text.
void XMLReader::characterData()
{
    char* start = pos_;
    const std::uint32_t startLine = line_;
    const bool special = (scanTo('<') & NeedsDecoding) != 0;
    if (open_.empty() || !keepText_) {
        // Mostly line breaks and indentation, looked at here.
        if (observer_ != nullptr && !textNoted_ && firstNonSpace(start, pos_) != pos_)
            noteText(start, startLine);
        return;
    }
    const std::string_view run(start, std::size_t(pos_ - start));
    open_.back()->appendChild(builder_.data(special ? decode(start, pos_, true) : run, static_cast<int>(startLine)));
}

// For a checking run: text that is not kept, inside an element (the first
// of the read) or after the root element.
void XMLReader::noteText(const char* start, std::uint32_t startLine)
{
    const bool afterRoot = open_.empty() && result_ != nullptr;
    if (open_.empty() && !afterRoot)
        return;
    const char* text = firstNonSpace(start, pos_);
    if (text == pos_)
        return;
    textNoted_ = true;
    const ReadPlace place{int(startLine + countLineFeeds(start + 1, text)), text - base_, {}};
    if (afterRoot)
        report(place, Diagnostic(Diag::TextAfterRoot, {result_->tagName()}));
    else
        report(place, Diagnostic(Diag::TextDropped));
}

// "<?": the XML declaration sets version and encoding; any other processing
// instruction is skipped as character data.
void XMLReader::declaration()
{
    advance();
    if (!isLeadingPart(readName(), "xml"))
        return;
    while (!atEnd() && *pos_ != '?') {
        std::string_view name = readName();
        if (peek() != '=') {
            // A byte that cannot start a pseudo-attribute (such as a ">"
            // closing the declaration without "?") ends the declaration; the
            // rest is character data.
            if (name.empty())
                return;
            continue;
        }
        advance();
        skipWhitespace();
        if (atEnd() || (*pos_ != '"' && *pos_ != '\'')) {
            if (observer_ != nullptr)
                report(placeOf(pos_), Diagnostic(Diag::UnquotedDeclarationValue));
            result_ = nullptr;  // a value without quotes ends the read with no root
            stop_ = true;
            return;
        }
        std::string_view value = quotedValue(*pos_);
        skipWhitespace();
        if (name == "version")
            declared_.version = std::string(value);
        else if (name == "encoding")
            declared_.encoding = std::string(value);
    }
    if (!atEnd()) {
        advance();
        if (peek() == '>')
            advance();
    }
}

// Scans from `from` for two pairChar bytes in a row followed by ">"; a pair
// not followed by ">" is skipped whole. Returns the first byte of the
// closing pair, or nullptr when the text ends first.
char* XMLReader::findPairEnd(char* from, char pairChar)
{
    char* p = from;
    while (p < end_) {
        auto* hit = static_cast<char*>(std::memchr(p, pairChar, std::size_t(end_ - p)));
        if (hit == nullptr || hit + 1 >= end_)
            return nullptr;
        if (hit[1] != pairChar) {
            p = hit + 1;
            continue;
        }
        if (hit + 2 < end_ && hit[2] == '>')
            return hit;
        p = hit + 2;
    }
    return nullptr;
}

// "<!": comments, CDATA sections and DOCTYPE. The read ends when the text
// ends inside a comment or CDATA section.
void XMLReader::markupDeclaration(std::uint32_t markupLine)
{
    const char* markup = pos_ - 1;  // its "<"
    advance();
    if (peek() == '-') {
        advance();
        if (peek() != '-')
            return;
        advance();
        char* start = pos_;
        char* close = findPairEnd(start, '-');
        if (close == nullptr) {
            if (observer_ != nullptr)
                report(ReadPlace{int(markupLine), markup - base_, {}}, Diagnostic(Diag::UnclosedComment));
            advanceTo(end_);
            stop_ = true;
            return;
        }
        if (keepText_ && !open_.empty())
            open_.back()->appendChild(
                builder_.comment(std::string_view(start, std::size_t(close - start)), static_cast<int>(markupLine)));
        advanceTo(close + 3);
        return;
    }
    std::string_view name = readName();
    if (name.empty()) {
        advance();   // "["
        readName();  // "CDATA"
        advance();   // "["
        char* start = pos_;
        char* close = atEnd() ? nullptr : findPairEnd(start, ']');
        if (close == nullptr) {
            if (observer_ != nullptr)
                report(ReadPlace{int(markupLine), markup - base_, {}}, Diagnostic(Diag::UnclosedCdata));
            advanceTo(end_);
            stop_ = true;
            return;
        }
        if (!open_.empty())
            open_.back()->appendChild(
                builder_.cdata(std::string_view(start, std::size_t(close - start)), static_cast<int>(markupLine)));
        advanceTo(close + 3);
        return;
    }
    if (isLeadingPart(name, "DOCTYPE")) {
        std::string_view type = readName();
        if (peek() == '>') {
            declared_.doctype = std::string(type);
            advance();
        }
    }
}

inline void XMLReader::closeInnermost()
{
    XMLElement* closed = open_.back();
    open_.pop_back();
    if (!open_.empty())
        open_.back()->appendChild(closed);
    else
        closeOutermost(closed);
}

void XMLReader::closeOutermost(XMLElement* closed)
{
    if (observer_ != nullptr && result_ != nullptr && !rootReplaced_) {
        rootReplaced_ = true;
        report(ReadPlace{closed->line(), -1, closed->tagName()},
               Diagnostic(Diag::ElementAfterRoot, {closed->tagName(), result_->tagName()}));
    }
    result_ = closed;
}

// After "</" (or the "/" of a start tag): closes the innermost element when
// the name read is a leading part of its tag name.
void XMLReader::endTag()
{
    if (peek() == '>') {
        if (!open_.empty())
            closeInnermost();
        advance();
        return;
    }
    std::string_view name = readName();
    if (open_.empty()) {
        if (peek() == '>')
            advance();
        return;
    }
    const std::string_view open = open_.back()->tagName();
    if (!isLeadingPart(name, open)) {
        if (observer_ != nullptr)
            noteEndTag(name, Diag::EndTagMismatch);
        status_ = TagNameMismatch;
        stop_ = true;
        return;
    }
    if (name.size() < open.size() && !name.empty() && observer_ != nullptr)
        noteEndTag(name, Diag::PartialEndTag);
    if (peek() != '>')
        return;
    closeInnermost();
    advance();
}

void XMLReader::startTag(std::uint32_t markupLine)
{
    if (open_.size() + depthOffset_ >= maxDepth_) {
        if (observer_ != nullptr)
            report(placeOf(pos_ - 1),
                   Diagnostic(Diag::NestingTooDeep, {maxDepth_, stackNote(maxDepth_, MaxNestingDepth)}), true);
        status_ = TooDeep;
        stop_ = true;
        return;
    }
    const std::uint32_t tag = nameNumber(readName());
    const bool ok = readAttributes();
    XMLElement* element = makeElement(tag, markupLine);
    open_.push_back(element);
    if (!ok) {
        if (observer_ != nullptr)
            noteBadAttributeStart(element);
        status_ = BadTagName;
        stop_ = true;
        return;
    }
    if (peek() == '>') {
        advance();
    } else if (peek() == '/') {
        advance();
        endTag();
    }
}

// Names are read from the text, whose bytes last as long as the document.
inline std::uint32_t XMLReader::nameNumber(std::string_view name)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const std::size_t size = name.size();
    if (size - 1 < 8 && end_ - name.data() >= 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data(), 8);
        word &= ~std::uint64_t(0) >> (64 - 8 * size);
        return builder_.shortName(word, name);
    }
#endif
    return builder_.name(name);
}

// The common form, name="value" with neither a line feed, a reference nor
// a carriage return in the value, read in one pass. Reads nothing and
// returns false for any other form (and near the end of the text), which
// readAttribute() then reads.
inline bool XMLReader::readPlainAttribute()
{
#ifdef __SSE2__
    char* name = pos_;
    const std::size_t nameSize = bytescan::nameLength(name, end_);
    char* equals = name + nameSize;
    if (end_ - equals < 2 || equals[0] != '=' || (equals[1] != '"' && equals[1] != '\''))
        return false;
    const char quoteByte = equals[1];
    const __m128i quote = _mm_set1_epi8(quoteByte);
    bool marked = false;
    char* value = equals + 2;
    char* close = nullptr;
    for (char* at = value; close == nullptr; at += 16) {
        if (end_ - at < 16)
            return false;
        const __m128i chunk = bytescan::load16(at);
        // One test for the closing quote and every byte that needs a look:
        // a line feed, "&" or a carriage return (which leave this form) and
        // the watched byte (which is only noted).
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, watchedBytes_)),
                         _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n')),
                                      _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('&')),
                                                   _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')))));
        for (unsigned hits = bytescan::maskOf(stops); hits != 0; hits &= hits - 1) {
            char* hit = at + __builtin_ctz(hits);
            if (*hit == quoteByte) {
                close = hit;
                break;
            }
            if (*hit == '\n' || *hit == '&' || *hit == '\r')
                return false;
            marked = true;
        }
    }
    // Nothing passed was a line feed; the byte after the quote may be.
    pos_ = close + 1;
    if (pos_ < end_ && *pos_ == '\n')
        ++line_;
    skipWhitespace();
    const std::string_view nameText(name, nameSize);
    scratch_.push_back({nameText, std::string_view(value, std::size_t(close - value)), nameNumber(nameText)});
    holdsWatchedByte_ = holdsWatchedByte_ || marked;
    return true;
#else
    return false;
#endif
}

// Reads name="value" pairs into the scratch list; false on a byte that
// cannot start an attribute name.
bool XMLReader::readAttributes()
{
    scratch_.clear();
    holdsWatchedByte_ = false;
    while (!atEnd() && *pos_ != '/' && *pos_ != '>') {
        if (!is(*pos_, NameStart))
            return false;
        if (!readPlainAttribute() && !readAttribute())
            break;
    }
    return true;
}

// One attribute of any form at an attribute-name start; false when the
// text ends after its "=".
bool XMLReader::readAttribute()
{
    const char* start = pos_;
    std::string_view name = readName();
    if (peek() != '=') {
        // An attribute without a value is ignored (a byte that cannot start
        // the next name fails the read there).
        const char next = peek();
        if (observer_ != nullptr && (atEnd() || next == '/' || next == '>' || is(next, NameStart)))
            report(placeOf(start), Diagnostic(Diag::UnquotedAttribute, {name}));
        return true;
    }
    advance();
    skipWhitespace();
    if (atEnd())
        return false;
    if (*pos_ != '"' && *pos_ != '\'') {
        // This byte starts the next attribute name.
        if (observer_ != nullptr)
            report(placeOf(start), Diagnostic(Diag::UnquotedAttribute, {name}));
        return true;
    }
    unsigned found = 0;
    std::string_view value = quotedValue(*pos_, &found);
    skipWhitespace();
    if (found & NeedsDecoding) {
        char* begin = const_cast<char*>(value.data());
        value = decode(begin, begin + value.size(), false);
        // A reference may decode to the watched byte.
        if (builder_.holdsWatchedByte(value))
            found |= HoldsWatchedByte;
    }
    scratch_.push_back({name, value, nameNumber(name)});
    holdsWatchedByte_ = holdsWatchedByte_ || (found & HoldsWatchedByte) != 0;
    return true;
}

// Puts into order_ the indices of the scratch entries that the element
// keeps, in name order; of repeated names the last value wins. Elements
// hold a handful of attributes, so a stable insertion sort beats the
// general algorithm (which allocates) except for long lists.
void XMLReader::sortAttributes()
{
    auto byName = [this](std::uint32_t a, std::uint32_t b) {
        return attributeNameLess(scratch_[a].name, scratch_[b].name);
    };
    const auto count = static_cast<std::uint32_t>(scratch_.size());
    order_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        order_[i] = i;
    if (count > 16) {
        std::stable_sort(order_.begin(), order_.end(), byName);
    } else {
        for (std::uint32_t i = 1; i < count; ++i) {
            const std::uint32_t moving = order_[i];
            std::uint32_t j = i;
            for (; j > 0 && byName(moving, order_[j - 1]); --j)
                order_[j] = order_[j - 1];
            order_[j] = moving;
        }
    }
    std::size_t kept = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (kept > 0 && scratch_[order_[kept - 1]].number == scratch_[order_[i]].number)
            order_[kept - 1] = order_[i];
        else
            order_[kept++] = order_[i];
    }
    order_.resize(kept);
    sortedNumbers_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        sortedNumbers_[i] = scratch_[i].number;
}

// The element with the attributes read, in name order.
XMLElement* XMLReader::makeElement(std::uint32_t tag, std::uint32_t line)
{
    bool sameNames = scratch_.size() == sortedNumbers_.size();
    for (std::size_t i = 0; sameNames && i < scratch_.size(); ++i)
        sameNames = scratch_[i].number == sortedNumbers_[i];
    if (!sameNames)
        sortAttributes();
    const auto count = static_cast<std::uint32_t>(order_.size());
    XMLElement* element =
        builder_.element(tag, static_cast<int>(line), holdsWatchedByte_, count, [this](std::uint32_t i) {
            const PendingAttribute& pending = scratch_[order_[i]];
            return TreeBuilder::ReadAttribute{pending.number, pending.value};
        });
    // Fewer than read: a name was given more than once.
    if (count < scratch_.size() && observer_ != nullptr)
        noteRepeatedNames(element);
    return element;
}

// At a quote: the raw bytes up to the matching quote (or the end of the
// text); the position moves past the closing quote. `found` receives what
// scanTo saw in the value.
std::string_view XMLReader::quotedValue(char quote, unsigned* found)
{
    advance();
    char* start = pos_;
    const unsigned seen = scanTo(quote);
    if (found != nullptr)
        *found = seen;
    char* stop = pos_;
    advance();
    return std::string_view(start, std::size_t(stop - start));
}

// Decodes character references in place (and drops carriage returns for
// text runs). A reference that is cut off or unknown stays as written; a
// decoded zero byte ends the string.
std::string_view XMLReader::decode(char* begin, char* end, bool dropCarriageReturns)
{
    const std::size_t length = std::size_t(end - begin);
    if (std::memchr(begin, '&', length) == nullptr &&
        (!dropCarriageReturns || std::memchr(begin, '\r', length) == nullptr))
        return std::string_view(begin, length);

    char* out = begin;
    char* in = begin;
    while (in < end) {
        const char c = *in;
        if (c == '\r' && dropCarriageReturns) {
            ++in;
            continue;
        }
        if (c != '&') {
            *out++ = *in++;
            continue;
        }
        char* after = in + 1;
        if (after < end && *after == '#') {
            // The next ";" is searched once and remembered, so that a run of
            // many "&#" without ";" stays linear; end marks "none in this run".
            if (nextSemicolon_ < after) {
                auto* hit = static_cast<char*>(std::memchr(after, ';', std::size_t(end - after)));
                nextSemicolon_ = hit != nullptr ? hit : end;
            }
            if (nextSemicolon_ >= end) {
                *out++ = *in++;
                continue;
            }
            const bool hex = after + 1 < end && after[1] == 'x';
            const std::uint32_t base = hex ? 16 : 10;
            std::uint32_t value = 0;
            for (char* digit = after + (hex ? 2 : 1); digit < nextSemicolon_; ++digit) {
                const char d = *digit;
                std::uint32_t digitValue = 0;
                if (d >= '0' && d <= '9')
                    digitValue = std::uint32_t(d - '0');
                else if (d >= 'a' && d <= 'z')
                    digitValue = std::uint32_t(d - 'a' + 10);
                value = value * base + digitValue;
            }
            const char byte = static_cast<char>(value & 0xFF);
            if (observer_ != nullptr && (value > 0xFF || byte == '\0'))
                noteReference(in, nextSemicolon_, value);
            if (byte == '\0')
                return std::string_view(begin, std::size_t(out - begin));
            *out++ = byte;
            in = nextSemicolon_ + 1;
            continue;
        }
        static constexpr std::pair<std::string_view, char> Named[] = {
            {"amp;", '&'}, {"apos;", '\''}, {"gt;", '>'}, {"lt;", '<'}, {"quot;", '"'}};
        const std::string_view rest(after, std::size_t(end - after));
        char decoded = '\0';
        std::size_t used = 0;
        for (const auto& [name, byte] : Named) {
            if (rest.substr(0, name.size()) == name) {
                decoded = byte;
                used = name.size();
                break;
            }
        }
        if (used == 0) {
            if (observer_ != nullptr)
                noteUnknownEntity(in, end);
            *out++ = *in++;
            continue;
        }
        *out++ = decoded;
        in = after + used;
    }
    return std::string_view(begin, std::size_t(out - begin));
}

// For a checking run: a character reference whose value does not fit the
// byte that is kept (only its low byte is), or whose byte is 0 (which ends
// the value). reference is at its "&", semicolon at its ";".
void XMLReader::noteReference(const char* reference, const char* semicolon, std::uint32_t value)
{
    const std::string text(reference, semicolon + 1);
    if ((value & 0xFF) == 0) {
        report(placeOf(reference), Diagnostic(Diag::ReferenceIsZero, {text}));
        return;
    }
    char low[16];
    std::snprintf(low, sizeof low, "0x%02x", unsigned(value & 0xFF));
    const char byte = static_cast<char>(value & 0xFF);
    std::string kept = low;
    if (byte > 0x20 && byte < 0x7F)
        kept += std::string(" ('") + byte + "')";
    report(placeOf(reference), Diagnostic(Diag::ReferenceTooLarge, {text, kept}));
}

// For a checking run: "&NAME;" with a name that is none of the five, which
// stays as written.
void XMLReader::noteUnknownEntity(const char* ampersand, const char* end)
{
    const char* name = ampersand + 1;
    const char* stop = name;
    while (stop < end && is(*stop, NameChar))
        ++stop;
    if (stop > name && stop < end && *stop == ';')
        report(placeOf(ampersand), Diagnostic(Diag::UnknownEntity, {std::string_view(name, std::size_t(stop - name))}));
}

// For a checking run: every name given more than once in the start tag
// just read, with the value that is kept (the last).
void XMLReader::noteRepeatedNames(const XMLElement* element)
{
    for (std::size_t i = 0; i < scratch_.size(); ++i) {
        const std::uint32_t number = scratch_[i].number;
        bool seenBefore = false;
        for (std::size_t k = 0; k < i && !seenBefore; ++k)
            seenBefore = scratch_[k].number == number;
        std::size_t last = i;
        for (std::size_t j = i + 1; j < scratch_.size(); ++j)
            if (scratch_[j].number == number)
                last = j;
        if (!seenBefore && last != i)
            report(ReadPlace{element->line(), -1, element->tagName()},
                   Diagnostic(Diag::DuplicateAttribute, {scratch_[i].name, element->tagName(), scratch_[last].value}));
    }
}

// For a checking run: an end tag (name, as read) that does not match the
// innermost open element, or closes it with a leading part of its name.
// The tag starts with "</", or is the "/" of "<a/b>".
void XMLReader::noteEndTag(std::string_view name, Diag id)
{
    const char* markup = name.data() - (name.data()[-1] == '/' && name.data()[-2] == '<' ? 2 : 1);
    const XMLElement* open = open_.back();
    if (id == Diag::EndTagMismatch)
        report(placeOf(markup), Diagnostic(id, {name, open->tagName(), editorLine(std::uint32_t(open->line()))}), true);
    else
        report(placeOf(markup), Diagnostic(id, {name, open->tagName()}));
}

// For a checking run: the byte at the position cannot start an attribute
// name, which fails the read.
void XMLReader::noteBadAttributeStart(const XMLElement* element)
{
    report(placeOf(pos_), Diagnostic(Diag::BadAttributeStart, {printableByte(*pos_), element->tagName()}), true);
}
