#pragma once

#include <cstdint>

// The bounds both modes share. Each is far above what a real document
// needs; past one the run stops, or the -xhtml mode reports the problem to
// its trace log and goes on.

// The deepest element nesting that either mode accepts, counted over a
// document and the documents it includes together: the root of an included
// file counts at the depth of the include element it replaces.
//
// Both modes recurse once per level somewhere (the default mode's walk; in
// the -xhtml mode the walk and Qt's DOM, which reads, copies, serialises and
// destroys trees by recursion); the large stack of the run holds this depth
// (app/LargeStack.h). Indentation makes the output of a document N levels
// deep grow with N squared: about 200 MB at 10,000 levels, 800 MB at this
// bound.
inline constexpr std::uint32_t MaxNestingDepth = 20000;

// Includes inside each other. A file may include itself, directly or
// through others, when a condition or a macro ends the recursion.
inline constexpr int MaxIncludeDepth = 2000;

// What every include costs the run's budget at least (rules/RunBudget.h):
// reading a file costs time whatever it holds, and a file included many
// times over must stop early.
inline constexpr std::uint64_t IncludeMinimumBytes = 65536;

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
