#pragma once

#include <cstddef>
#include <functional>

// Deep documents are processed by recursion: the -xhtml walk, Qt's DOM
// (reading, copying, serialising and destroying a tree all recurse once per
// level), the default-mode walk and nested expressions. The whole run
// therefore takes place on a stack made for the nesting bounds: their
// measured stack per level (rules/Limits.h), twice over. Only the pages a
// run touches are ever backed by memory.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XMLPP_STACK_ON_THREAD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define XMLPP_STACK_ON_THREAD 1
#endif
#endif
#ifdef XMLPP_STACK_ON_THREAD
inline constexpr std::size_t LargeStackBytes = std::size_t(128) << 20;
#else
inline constexpr std::size_t LargeStackBytes = std::size_t(64) << 20;
#endif
// The smallest stack worth making; below it the thread's own is used.
inline constexpr std::size_t SmallestLargeStackBytes = std::size_t(16) << 20;

// Runs task on a stack of stackBytes and returns its result once it has
// finished; an exception thrown by task is rethrown here. The calling thread
// switches to the new stack (sanitizer builds start a thread instead, as
// the sanitizers follow a switch of stacks only in part). When no such
// stack can be made (an address-space limit), halves of it are tried down
// to SmallestLargeStackBytes; failing those, task runs on the calling
// thread's own stack. Either way the nesting bounds are set to what the
// stack holds (runStackBytes of rules/Limits.h) while task runs.
int runOnLargeStack(const std::function<int()>& task, std::size_t stackBytes = LargeStackBytes);

// The same on the calling thread's own stack, whatever it holds; for tests
// of that case.
int runOnOwnStack(const std::function<int()>& task);

// The bytes of the calling thread's stack that are backed by memory: an
// upper bound of the stack a run on a fresh large stack has used. For
// measurements; 0 when the stack cannot be inspected.
std::size_t touchedStackBytes();
