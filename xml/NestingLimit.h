#pragma once

#include <cstdint>

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
