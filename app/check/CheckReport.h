#pragma once

#include "check/CheckOptions.h"
#include "check/SourceText.h"
#include "diag/Diagnostics.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

// Where a diagnostic is: a file (null: none, the command line), and a
// 1-based line and column (0: not known).
struct Place {
    const std::string* file = nullptr;
    Position position;
};

// What a checking run found, printed on standard error as it comes:
//   FILE:LINE:COLUMN: warning: TEXT [-WNAME]
//   FILE:LINE:COLUMN: error: TEXT [-Werror=NAME]    (a warning made an error)
//   FILE:LINE:COLUMN: error: TEXT                   (the fault that stops the run)
// (":COLUMN" only where known), each followed by one line
//   FILE:LINE: note: included from here
// for every include around its place, innermost first (notes: the places
// of those include elements). A diagnostic at the
// same place with the same includes is printed once (a loop repeats the
// warnings of its body for every copy). Also the files the run read, once
// each in the order first read.
class CheckReport {
public:
    explicit CheckReport(const CheckOptions& options) : quiet_(options.quiet), settings_(options.warnings) {}

    bool wants(Warning warning) const { return !quiet_ && settings_.enabled(warning); }

    void fileRead(const std::string& path);
    void warning(const Place& place, const std::vector<Place>& notes, const Diagnostic& diagnostic);
    // The fault that stops the run, before the message of xmlpp.
    void fault(const Place& place, const std::vector<Place>& notes, const Diagnostic& diagnostic);

    // Warnings printed as warnings, and as errors.
    std::size_t warningCount() const { return warnings_; }
    std::size_t errorCount() const { return errors_; }
    const std::vector<std::string>& files() const { return files_; }

private:
    bool print(const Place& place, const std::vector<Place>& notes, const std::string& severity,
               const std::string& text);

    bool quiet_;
    WarningSettings settings_;
    std::size_t warnings_ = 0;
    std::size_t errors_ = 0;
    std::set<std::string> printed_;
    std::vector<std::string> files_;
    std::set<std::string> seenFiles_;
};
