#pragma once

#include <string>
#include <string_view>
#include <vector>

// Dependency files in Make's format, which GNU Make and Ninja both read:
// "TARGET: FILE1 FILE2", each file after the first on a line of its own
// (the line before ends in a backslash), then an empty rule for each file.
// The empty rule after each file (as a C compiler's -MP writes them) lets
// the build go on when a file was deleted: the target is then remade and
// the run itself reports the missing file.

// A file name as Make reads it back: "./" components dropped (a path
// means the same without them), a space written "\ ", '#' "\#", ':' "\:"
// and '$' "$$". Other characters are written as they are.
std::string makeEscaped(std::string_view path);

// The whole file: target depends on files, in their order.
std::string makeDependencies(const std::string& target, const std::vector<std::string>& files);

// Writes the text to path through the same safe output as the output file
// (io/SafeOutputFile.h): the file appears whole or not at all. When it
// fails, failureNote is what the failure left of a file written in place
// (empty otherwise), as the output file's message says it.
bool writeDependencyFile(const std::string& path, const std::string& text, std::string& failureNote);
