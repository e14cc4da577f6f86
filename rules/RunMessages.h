#pragma once

#include <cstdio>
#include <string>

// Messages of failures that come from outside the document: files that
// change while they are read, outputs written in place that fail, memory
// that runs out. printf formats; both programs print them as they are.

// A file whose size changed between sizing it and the end of its read
// (%s: the name it was read by). The default mode's reader message, printed
// as "load error ... at 0" or inside the include error.
inline constexpr const char* SizeChangedFormat = "%s changed size while it was read";
// The same in the -xhtml mode, for the input and for an included file.
inline constexpr const char* XhtmlInputSizeChangedFormat = "xml file %s changed size while it was read";
inline constexpr const char* XhtmlIncludeSizeChangedFormat =
    "XmlPP::processConditionals(): include file %s changed size while it was read";

// Added to a write failure's message when the target was written in place
// and lost its old content.
inline constexpr const char* InPlaceEmptiedNote = " (written in place: now empty)";
inline constexpr const char* InPlaceEmptiedAndDatedNote = " (written in place: now empty, dated 1970-01-01)";

// Memory ran out (%s: the input file); the -xhtml mode prints "error: "
// before it.
inline constexpr const char* OutOfMemoryFormat = "out of memory while processing %s";

// Added to "N levels" in a nesting message when the stack of the run, not
// the fixed bound, set N (%zu: the stack's size in KiB).
inline constexpr const char* StackBoundNoteFormat = " (the most a stack of %zu KiB holds)";

// The work of a run passed its budget (rules/RunBudget.h): the budget in
// MiB, then what took most of it ("includes read") and how much of it
// ("130001 files", "2100 MiB", "640 KiB").
inline constexpr const char* BudgetSpentFormat =
    "XmlPP::processConditionals(): the directives of this run make or read more than %llu MiB; most of it: %s "
    "(%s)";
// What a kind of work is called, and the items it counts (none: it is told
// in bytes).
struct WorkDescription {
    const char* what;
    const char* item;
};
// In the order of the kinds of Work (rules/RunBudget.h).
inline constexpr WorkDescription WorkDescriptions[] = {
    {"includes read", "file"},    {"loop copies made", "element"}, {"xmlput copies made", "element"},
    {"macro expansion", nullptr}, {"macro maps copied", nullptr},  {"macro values inserted", nullptr},
};

// A format with one %s filled in.
inline std::string formatMessage(const char* format, const std::string& text)
{
    const int length = std::snprintf(nullptr, 0, format, text.c_str());
    std::string message(std::size_t(length > 0 ? length : 0), '\0');
    std::snprintf(message.data(), message.size() + 1, format, text.c_str());
    return message;
}
