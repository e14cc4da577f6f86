#pragma once

#include <string>

// The options of xmlpp-check, read from the front of its command line:
//   xmlpp-check [OPTIONS] [--] <xmlpp arguments...>
// Reading stops after "--", at the word "-xhtml" (xmlpp's own first
// argument) and at the first word that does not start with "-"; the words
// from there on are xmlpp's arguments, exactly.
struct CheckOptions {
    std::string dependencyFile;      // --depfile FILE, -MF FILE; empty: none
    bool warningsAreErrors = false;  // --werror
    bool quiet = false;              // --quiet
    bool writeNothing = false;       // --no-output
    bool keepUnchanged = false;      // --keep-unchanged
    std::string macroListFile;       // --macros-file FILE; empty: none
    std::string doctypeFile;         // --doctype-file FILE; empty: none
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, BadUsage };
    Action action = Action::Run;
    CheckOptions options;
    int firstRunArgument = 1;  // index in argv of xmlpp's first argument
    std::string problem;       // for BadUsage: what was wrong
};

ParsedCommandLine parseCheckCommandLine(int argc, char** argv);

// The usage lines, each ending with a line feed; program is argv[0].
std::string checkUsage(const std::string& program);
// The text of --help.
std::string checkHelp(const std::string& program);
