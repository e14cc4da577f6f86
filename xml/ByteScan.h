#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Byte classes of the reader and the writer, tested sixteen bytes at a
// time where SSE2 is available (the x86-64 baseline), a byte at a time
// otherwise and for the last bytes of a buffer.
namespace bytescan {

// ASCII-only character classes; bytes 128 to 255 belong to none.
enum CharClass : std::uint8_t { Space = 1, NameChar = 2, NameStart = 4, Escaped = 8 };

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
        // Printed as a reference by the writer.
        if (c < 32 || c > 126 || c == '"' || c == '&' || c == '<' || c == '>')
            table[c] |= Escaped;
    }
    return table;
}

inline constexpr std::array<std::uint8_t, 256> Classes = makeClasses();

inline bool is(char c, CharClass cls)
{
    return (Classes[static_cast<unsigned char>(c)] & cls) != 0;
}

#ifdef __SSE2__
inline __m128i load16(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline unsigned maskOf(__m128i bytes)
{
    return unsigned(_mm_movemask_epi8(bytes));
}

// Whether the sixteen bytes from p lie in one page: a shorter string there
// can be loaded whole, the bytes past its end ignored, without any risk of
// touching memory that is not mapped.
inline bool sixteenInPage(const char* p)
{
    return (reinterpret_cast<std::uintptr_t>(p) & 4095) <= 4096 - 16;
}

// Such a load. A sanitizer would take the bytes past the string for an
// overflow (AddressSanitizer), or for a race with whatever another thread
// keeps there (ThreadSanitizer): the load is left out of every sanitizer's
// checks, and out of line in their builds, where the compiler would
// otherwise check it where it is inlined.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XMLPP_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define XMLPP_SANITIZED 1
#endif
#endif
#if defined(XMLPP_SANITIZED) && defined(__clang__)
#define XMLPP_LOAD_WITHIN_PAGE_ATTRIBUTES __attribute__((no_sanitize("address", "thread", "memory"), noinline))
#elif defined(XMLPP_SANITIZED)
#define XMLPP_LOAD_WITHIN_PAGE_ATTRIBUTES __attribute__((no_sanitize_address, no_sanitize_thread, noinline))
#else
#define XMLPP_LOAD_WITHIN_PAGE_ATTRIBUTES
#endif
inline XMLPP_LOAD_WITHIN_PAGE_ATTRIBUTES __m128i loadWithinPage(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i set when byte i is a name character: a letter (folded to lower
// case by setting bit 5, which maps no other byte into a-z), a digit or
// ":" (0x30 to 0x3A), "_" or "-". Bytes from 128 up read as negative and
// fall in no range.
inline unsigned nameCharMask(__m128i chunk)
{
    const __m128i folded = _mm_or_si128(chunk, _mm_set1_epi8(0x20));
    const __m128i letter =
        _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    const __m128i digitOrColon =
        _mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(chunk, _mm_set1_epi8(':' + 1)));
    const __m128i punct =
        _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('_')), _mm_cmpeq_epi8(chunk, _mm_set1_epi8('-')));
    return maskOf(_mm_or_si128(_mm_or_si128(letter, digitOrColon), punct));
}

// Bit i set when byte i prints as a reference. A signed "less than 32"
// also catches every byte from 128 up.
inline unsigned escapedMask(__m128i chunk)
{
    __m128i hit = _mm_or_si128(_mm_cmplt_epi8(chunk, _mm_set1_epi8(32)), _mm_cmpeq_epi8(chunk, _mm_set1_epi8(127)));
    hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')),
                                         _mm_cmpeq_epi8(chunk, _mm_set1_epi8('&'))));
    hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('<')),
                                         _mm_cmpeq_epi8(chunk, _mm_set1_epi8('>'))));
    return maskOf(hit);
}
#endif

// The length of the run of name characters at p (p < end).
inline std::size_t nameLength(const char* p, const char* end)
{
    const char* at = p;
#ifdef __SSE2__
    for (; end - at >= 16; at += 16) {
        const unsigned others = ~nameCharMask(load16(at)) & 0xFFFF;
        if (others != 0)
            return std::size_t(at - p) + unsigned(__builtin_ctz(others));
    }
#endif
    while (at < end && is(*at, NameChar))
        ++at;
    return std::size_t(at - p);
}

// The end of the run of bytes from `from` on that print as themselves.
inline std::size_t plainRun(const char* text, std::size_t size, std::size_t from)
{
    std::size_t i = from;
#ifdef __SSE2__
    for (; i + 16 <= size; i += 16) {
        if (const unsigned mask = escapedMask(load16(text + i)))
            return i + unsigned(__builtin_ctz(mask));
    }
    if (i < size && size >= 16) {
        // The last sixteen bytes, overlapping what was checked already.
        const std::size_t start = size - 16;
        const unsigned mask = escapedMask(load16(text + start)) & (0xFFFFu << (i - start));
        return mask != 0 ? start + unsigned(__builtin_ctz(mask)) : size;
    }
#endif
    while (i < size && !is(text[i], Escaped))
        ++i;
    return i;
}

// Whether none of the `size` bytes at p prints as a reference.
inline bool isPlain(const char* p, std::size_t size)
{
#ifdef __SSE2__
    if (size < 16 && sixteenInPage(p))
        return (escapedMask(loadWithinPage(p)) & ((1u << size) - 1)) == 0;
#endif
    return plainRun(p, size, 0) == size;
}

}  // namespace bytescan
