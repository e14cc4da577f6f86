#pragma once

#include "check/CheckOptions.h"

#include <string>
#include <vector>

// xmlpp's arguments with the macro list and the DOCTYPE taken from the
// files that --macros-file and --doctype-file name, put where the command
// line would have them: argument 3 (default form) or 4 (-xhtml form) for
// the list, argument 4 of the default form for the DOCTYPE (with an empty
// list before it when no list is given). A file's bytes are the argument,
// less one line feed at its end: a text file's last line ends in one, so a
// value that ends in a line feed is written with a second one.
struct RunArguments {
    std::vector<std::string> words;  // xmlpp's arguments, without a program name
    // Empty when words are ready; otherwise what went wrong, with the exit
    // status 2 for a command line that does not fit the options, 1 for a
    // file that cannot be read.
    std::string problem;
    int status = 0;
};

// Largest file --macros-file or --doctype-file reads.
constexpr std::size_t MaxArgumentFileBytes = std::size_t(16) << 20;

RunArguments runArguments(const CheckOptions& options, std::vector<std::string> words);
