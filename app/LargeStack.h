#pragma once

#include <cstddef>
#include <functional>

// Deep documents are processed by recursion: the -xhtml walk, Qt's DOM
// (reading, copying, serialising and destroying a tree all recurse once per
// level), the default-mode walk and nested expressions. The default stack
// of 8 MiB holds a few thousand levels; the whole run therefore takes place
// on a stack that reserves LargeStackBytes of address space. Only the pages
// a run touches are ever backed by memory.
inline constexpr std::size_t LargeStackBytes = std::size_t(1) << 30;

// Runs task on a stack of stackBytes and returns its result once it has
// finished; an exception thrown by task is rethrown here. The calling thread
// switches to the new stack (sanitizer builds start a thread instead). When
// no such stack can be made (an address-space limit, for example), task runs
// on the calling thread's own stack.
int runOnLargeStack(const std::function<int()>& task, std::size_t stackBytes = LargeStackBytes);

// The bytes of the calling thread's stack that are backed by memory: an
// upper bound of the stack a run on a fresh large stack has used. For
// measurements; 0 when the stack cannot be inspected.
std::size_t touchedStackBytes();
