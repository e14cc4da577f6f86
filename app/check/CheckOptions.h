#pragma once

#include "diag/Diagnostics.h"

#include <array>
#include <string>

// Which warnings a run prints, and which of them fail it as errors:
// -WNAME, -Wno-NAME, -Wall, -Werror=NAME, -Wno-error=NAME and --werror, in
// the order given (a later option wins). -Werror=NAME also turns NAME on.
class WarningSettings {
public:
    WarningSettings();

    bool enabled(Warning warning) const { return state_[std::size_t(warning)].enabled; }
    bool isError(Warning warning) const;

    // Reads one -W option; false when it names no warning.
    bool apply(const std::string& option);
    void setAllErrors(bool errors) { allErrors_ = errors; }

private:
    enum class Error { Unset, Yes, No };
    struct State {
        bool enabled;
        Error error;
    };
    std::array<State, std::size_t(Warning::Count)> state_{};
    bool allErrors_ = false;
};

// The options of xmlpp-check, read from the front of its command line:
//   xmlpp-check [OPTIONS] [--] <xmlpp arguments...>
// Reading stops after "--", at the word "-xhtml" (xmlpp's own first
// argument) and at the first word that does not start with "-"; the words
// from there on are xmlpp's arguments, exactly.
struct CheckOptions {
    std::string dependencyFile;  // --depfile FILE, -MF FILE; empty: none
    WarningSettings warnings;    // -W..., --werror
    bool quiet = false;          // --quiet
    bool writeNothing = false;   // --no-output
    bool keepUnchanged = false;  // --keep-unchanged
    std::string macroListFile;   // --macros-file FILE; empty: none
    std::string doctypeFile;     // --doctype-file FILE; empty: none
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, ListWarnings, BadUsage };
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
// The text of --list-warnings: each warning's name, whether the settings
// turn it on, and what it is about.
std::string warningList(const WarningSettings& settings);
