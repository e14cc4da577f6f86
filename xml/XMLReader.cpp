#include "xml/XMLReader.h"

#include "xml/XMLDocument.h"

#include <algorithm>
#include <array>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// ASCII-only character classes; bytes 128 to 255 belong to none.
enum CharClass : std::uint8_t { Space = 1, NameChar = 2, NameStart = 4 };

constexpr std::array<std::uint8_t, 256> makeClasses()
{
    std::array<std::uint8_t, 256> table{};
    for (int c : {' ', '\t', '\n', '\v', '\f', '\r'})
        table[c] = Space;
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        const bool punct = c == '_' || c == ':' || c == '-';
        if (letter || digit || punct)
            table[c] |= NameChar;
        if (letter || punct)
            table[c] |= NameStart;
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> Classes = makeClasses();

bool is(char c, CharClass cls)
{
    return (Classes[static_cast<unsigned char>(c)] & cls) != 0;
}

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

}  // namespace

XMLReader::XMLReader(XMLDocument& document, char* text, std::size_t size)
    : document_(document), pos_(text), end_(text + size), watched_(document.watchedByte()), nextSemicolon_(text)
{
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
    char* stop = pos_;
    while (stop < end_ && is(*stop, NameChar))
        ++stop;
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
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        unsigned before = 0xFFFF;
        const unsigned stops = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, stopByte)));
        if (stops != 0)
            before = (1u << __builtin_ctz(stops)) - 1;
        // Line feeds are rare: count the set bits one by one.
        for (unsigned feeds = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed))) & before; feeds != 0;
             feeds &= feeds - 1)
            ++lineFeeds;
        const __m128i odd = _mm_or_si128(_mm_cmpeq_epi8(chunk, amp), _mm_cmpeq_epi8(chunk, carriageReturn));
        if ((unsigned(_mm_movemask_epi8(odd)) & before) != 0)
            found |= NeedsDecoding;
        if ((unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, watched))) & before) != 0)
            found |= HoldsWatchedByte;
        if (stops != 0) {
            i += std::size_t(__builtin_ctz(stops));
            stopped = true;
            break;
        }
    }
#endif
    for (; !stopped && i < length && bytes[i] != stop; ++i) {
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
    return status_;
}

// Text between markup: kept as an XMLData only inside an element and only
// when the document keeps text.
void XMLReader::characterData()
{
    char* start = pos_;
    const std::uint32_t startLine = line_;
    const bool special = (scanTo('<') & NeedsDecoding) != 0;
    if (open_.empty() || !document_.keepText_) {
        if (document_.observer_ != nullptr && !open_.empty() && document_.droppedTextLine_ < 0)
            noteDroppedText(start, startLine);
        return;
    }
    const std::string_view run(start, std::size_t(pos_ - start));
    auto* data = document_.arena_.make<XMLData>(special ? decode(start, pos_, true) : run);
    data->setLine(static_cast<int>(startLine));
    open_.back()->appendChild(data);
}

// For a checking run: the line of the first byte of the run that is not
// white space, if any.
void XMLReader::noteDroppedText(const char* start, std::uint32_t startLine)
{
    const char* text = std::find_if(start, static_cast<const char*>(pos_), [](char c) { return !is(c, Space); });
    if (text != pos_)
        document_.droppedTextLine_ = int(startLine + countLineFeeds(start + 1, text));
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
            result_ = nullptr;  // a value without quotes ends the read with no root
            stop_ = true;
            return;
        }
        std::string_view value = quotedValue(*pos_);
        skipWhitespace();
        if (name == "version")
            document_.version_ = std::string(value);
        else if (name == "encoding")
            document_.encoding_ = std::string(value);
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
    advance();
    if (peek() == '-') {
        advance();
        if (peek() != '-')
            return;
        advance();
        char* start = pos_;
        char* close = findPairEnd(start, '-');
        if (close == nullptr) {
            advanceTo(end_);
            stop_ = true;
            return;
        }
        if (document_.keepText_ && !open_.empty()) {
            auto* comment = document_.arena_.make<XMLComment>(std::string_view(start, std::size_t(close - start)));
            comment->setLine(static_cast<int>(markupLine));
            open_.back()->appendChild(comment);
        }
        advanceTo(close + 3);
        return;
    }
    std::string_view name = readName();
    if (name.empty()) {
        advance();  // "["
        readName(); // "CDATA"
        advance();  // "["
        char* start = pos_;
        char* close = atEnd() ? nullptr : findPairEnd(start, ']');
        if (close == nullptr) {
            advanceTo(end_);
            stop_ = true;
            return;
        }
        if (!open_.empty()) {
            auto* cdata = document_.arena_.make<XMLCDATASection>(std::string_view(start, std::size_t(close - start)));
            cdata->setLine(static_cast<int>(markupLine));
            open_.back()->appendChild(cdata);
        }
        advanceTo(close + 3);
        return;
    }
    if (isLeadingPart(name, "DOCTYPE")) {
        std::string_view type = readName();
        if (peek() == '>') {
            document_.doctype_ = std::string(type);
            advance();
        }
    }
}

void XMLReader::closeInnermost()
{
    XMLElement* closed = open_.back();
    open_.pop_back();
    if (!open_.empty())
        open_.back()->appendChild(closed);
    else
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
    if (!isLeadingPart(name, open_.back()->tagName())) {
        status_ = TagNameMismatch;
        stop_ = true;
        return;
    }
    if (peek() != '>')
        return;
    closeInnermost();
    advance();
}

void XMLReader::startTag(std::uint32_t markupLine)
{
    if (open_.size() + document_.depthOffset() >= XMLDocument::MaxDepth) {
        status_ = TooDeep;
        stop_ = true;
        return;
    }
    auto* element = document_.arena_.make<XMLElement>(document_, readName());
    element->setLine(static_cast<int>(markupLine));
    open_.push_back(element);
    const bool ok = readAttributes();
    finishAttributes(element);
    if (!ok) {
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

// Reads name="value" pairs into the scratch list; false on a byte that
// cannot start an attribute name.
bool XMLReader::readAttributes()
{
    scratch_.clear();
    holdsWatchedByte_ = false;
    while (!atEnd() && *pos_ != '/' && *pos_ != '>') {
        if (!is(*pos_, NameStart))
            return false;
        std::string_view name = readName();
        if (peek() != '=')
            continue;  // an attribute without a value is ignored
        advance();
        skipWhitespace();
        if (atEnd())
            break;
        if (*pos_ != '"' && *pos_ != '\'')
            continue;  // this byte starts the next attribute name
        unsigned found = 0;
        std::string_view raw = quotedValue(*pos_, &found);
        skipWhitespace();
        char* begin = const_cast<char*>(raw.data());
        if (found & NeedsDecoding) {
            // A reference may decode to the watched byte.
            const std::string_view value = decode(begin, begin + raw.size(), false);
            if (document_.holdsWatchedByte(value))
                found |= HoldsWatchedByte;
            scratch_.emplace_back(name, value);
        } else {
            scratch_.emplace_back(name, raw);
        }
        holdsWatchedByte_ = holdsWatchedByte_ || (found & HoldsWatchedByte) != 0;
    }
    return true;
}

// Sorts the attributes into name order; of repeated names the last value
// wins. Elements hold a handful of attributes, so a stable insertion sort
// beats the general algorithm (which allocates) except for long lists.
void XMLReader::finishAttributes(XMLElement* element)
{
    if (scratch_.empty())
        return;
    auto byName = [](const XMLAttribute& a, const XMLAttribute& b) { return attributeNameLess(a.name(), b.name()); };
    if (scratch_.size() > 16) {
        std::stable_sort(scratch_.begin(), scratch_.end(), byName);
    } else {
        for (std::size_t i = 1; i < scratch_.size(); ++i) {
            const XMLAttribute moving = scratch_[i];
            std::size_t j = i;
            for (; j > 0 && byName(moving, scratch_[j - 1]); --j)
                scratch_[j] = scratch_[j - 1];
            scratch_[j] = moving;
        }
    }
    auto sameName = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && (a.empty() || (a[0] == b[0] && a == b));
    };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < scratch_.size(); ++i) {
        if (kept > 0 && sameName(scratch_[kept - 1].name(), scratch_[i].name()))
            scratch_[kept - 1] = scratch_[i];
        else
            scratch_[kept++] = scratch_[i];
    }
    auto* attrs = static_cast<XMLAttribute*>(
        document_.arena_.allocate(sizeof(XMLAttribute) * kept, alignof(XMLAttribute)));
    std::memcpy(static_cast<void*>(attrs), scratch_.data(), sizeof(XMLAttribute) * kept);
    element->adoptAttributes(attrs, static_cast<std::uint32_t>(kept));
    element->watchedByteHint_ = holdsWatchedByte_;
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
    if (std::memchr(begin, '&', length) == nullptr && (!dropCarriageReturns || std::memchr(begin, '\r', length) == nullptr))
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
            *out++ = *in++;
            continue;
        }
        *out++ = decoded;
        in = after + used;
    }
    return std::string_view(begin, std::size_t(out - begin));
}
