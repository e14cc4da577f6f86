#pragma once

#include <set>
#include <string>
#include <string_view>

// The macro names that the files of a run refer to, whether the branch
// they stand in is taken or not: read from the files' bytes, start tag by
// start tag (comments, CDATA sections and other markup passed over), where
// a name appears
//   - as $(NAME), $(NAME:...) or $(NAME::...) in any attribute value (also
//     inside a default), and so in a macros attribute or a define's value;
//   - as the attribute name of an if or ifnot;
//   - as the name of an ifdef, ifndef or switch (or -xhtml's
//     expand_definition);
//   - as a word in an expression: ifex's expression, define's expression
//     and hex_expression, for's start, end, incr, add, sub and mul.
// A command-line macro that no file refers to is never used.
class MacroReferences {
public:
    // wanted: the names whose use is in question; a file is read only until
    // all of them are found.
    explicit MacroReferences(std::set<std::string> wanted) : wanted_(std::move(wanted)), missing_(wanted_.size()) {}

    bool allWantedFound() const { return missing_ == 0; }
    void scanFile(std::string_view text);
    // A macro value (of the command line), which may refer to others.
    void scanValue(std::string_view value);

    bool refers(const std::string& name) const { return names_.count(name) != 0; }
    const std::set<std::string>& names() const { return names_; }

private:
    void startTag(std::string_view text, std::size_t& at);
    void attribute(std::string_view tag, std::string_view name, std::string_view value);
    void words(std::string_view expression);
    void found(std::string_view name);

    std::set<std::string> wanted_;
    std::size_t missing_;
    std::set<std::string> names_;
};
