#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

// What a checking run found: its warnings, printed on standard error as
// they come ("FILE:LINE: warning: TEXT"), each text at one place only once
// (a loop repeats the warnings of its body for every copy), and the files
// it read, once each in the order first read.
class CheckReport {
public:
    // With quiet, warnings are neither printed nor counted.
    explicit CheckReport(bool quiet) : quiet_(quiet) {}

    void fileRead(const std::string& path);
    void warning(const std::string& file, int line, const std::string& text);
    // A warning about the command line, which has no place:
    // "xmlpp-check: warning: TEXT".
    void warning(const std::string& text);

    std::size_t warningCount() const { return warnings_.size(); }
    const std::vector<std::string>& files() const { return files_; }

private:
    void print(const std::string& line);

    bool quiet_;
    std::set<std::string> warnings_;
    std::vector<std::string> files_;
    std::set<std::string> seenFiles_;
};
