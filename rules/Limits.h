#pragma once

#include "diag/Diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

// The bounds both modes share. Each is far above what a real document
// needs; past one the run stops, or the -xhtml mode reports the problem to
// its trace log and goes on.

// The deepest element nesting that either mode accepts, counted over a
// document and the documents it includes together: the root of an included
// file counts at the depth of the include element it replaces.
//
// Both modes recurse once per level somewhere (the default mode's walk; in
// the -xhtml mode the walk and Qt's DOM, which reads, copies, serialises and
// destroys trees by recursion); the stack of the run holds this depth
// (app/LargeStack.h), or the bound is lowered to what it holds (see
// nestingBound). Indentation makes the output of a document N levels deep
// grow with N squared (README, "Limits and choices").
inline constexpr std::uint32_t MaxNestingDepth = 20000;
// The -xhtml mode prints its page into one string of 16-bit characters
// before it converts it, and the indentation of a deep page grows with the
// square of its depth: the bound keeps the run's peak memory under 1 GiB.
inline constexpr std::uint32_t MaxXhtmlNestingDepth = 10000;
// Parentheses and prefix operators inside each other in one expression.
inline constexpr std::uint32_t MaxExpressionNesting = 20000;

// The stack one level of each recursion takes, measured (bench/stack_probe
// on documents 20,000 levels deep) and rounded up; sanitizer builds keep
// more on the stack.
struct StackUse {
    std::size_t defaultWalk;
    std::size_t xhtml;
    std::size_t expression;
};
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XMLPP_SANITIZED_STACK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define XMLPP_SANITIZED_STACK 1
#endif
#endif
#ifdef XMLPP_SANITIZED_STACK
inline constexpr StackUse StackBytesPerLevel{1200, 1900, 2100};
#else
inline constexpr StackUse StackBytesPerLevel{400, 1500, 480};
#endif

// The stack the run has for its recursion, in bytes; 0 until the driver
// knows it, and for runs (tests, tools) on a stack made for the bounds.
inline std::size_t runStackBytes = 0;

// A fixed bound, or what the run's stack holds at bytesPerLevel when that
// is less. Each level is counted twice: the walk and an expression inside
// it, or Qt's reading and printing of a page, share the stack.
inline std::uint32_t nestingBound(std::uint32_t fixedBound, std::size_t bytesPerLevel)
{
    if (runStackBytes == 0)
        return fixedBound;
    return std::uint32_t(std::min<std::size_t>(fixedBound, runStackBytes / (2 * bytesPerLevel)));
}
inline std::uint32_t defaultNestingBound()
{
    return nestingBound(MaxNestingDepth, StackBytesPerLevel.defaultWalk);
}
inline std::uint32_t xhtmlNestingBound()
{
    return nestingBound(MaxXhtmlNestingDepth, StackBytesPerLevel.xhtml);
}
inline std::uint32_t expressionNestingBound()
{
    return nestingBound(MaxExpressionNesting, StackBytesPerLevel.expression);
}
// What a nesting message says after "N levels" when the stack of the run,
// not the fixed bound, set N: " (the most a stack of 1024 KiB holds)".
inline std::string stackNote(std::uint32_t bound, std::uint32_t fixedBound)
{
    return bound < fixedBound ? formatMessage(Diag::StackBoundNote, {runStackBytes >> 10}) : std::string();
}

// Includes inside each other. A file may include itself, directly or
// through others, when a condition or a macro ends the recursion.
inline constexpr int MaxIncludeDepth = 2000;

// What each include costs the run's budget (rules/RunBudget.h) besides the
// bytes of its file and its tree: an include of a file of a few bytes takes
// as long as the 100 MB pass-through takes for this many bytes (README,
// "Limits and choices").
inline constexpr std::uint64_t IncludeFileCostBytes = 4096;
inline constexpr std::uint64_t XhtmlIncludeFileCostBytes = 8192;

// Adds levels to a depth counter for the time of a nested walk.
class DepthStep {
public:
    DepthStep(int& depth, int levels) : depth_(depth), levels_(levels) { depth_ += levels_; }
    ~DepthStep() { depth_ -= levels_; }
    DepthStep(const DepthStep&) = delete;
    DepthStep& operator=(const DepthStep&) = delete;

private:
    int& depth_;
    int levels_;
};
