#pragma once

#include <array>
#include <cstdint>
#include <string>

// What the work of a run goes into.
enum class Work : unsigned {
    IncludesRead,    // files read by includes: their bytes, their trees, and a cost per file
    LoopCopies,      // elements copied by for and foreach
    XmlputCopies,    // fragments copied by xmlput
    MacroExpansion,  // expanded text and the values nested expansions read or looked through
    MacroMaps,       // macro maps copied for chains that define macros or for macros attributes
    InsertedText,    // macro values inserted as text (-xhtml expand_definition)
};
inline constexpr std::size_t WorkKinds = 6;

// The work of one run, counted in bytes, against one bound: documents that
// multiply themselves (fragments put many times over, values doubled by
// defines and then expanded everywhere, files that include themselves
// twice) stop within seconds instead of exhausting memory. Each walker says
// what each step of its work costs; the message of a spent budget names
// the kind of work that took most of it.
class RunBudget {
public:
    explicit RunBudget(std::uint64_t limitBytes) : limit_(limitBytes) {}

    void setLimit(std::uint64_t limitBytes) { limit_ = limitBytes; }
    std::uint64_t limit() const { return limit_; }

    // Adds to the work done: bytes of a kind, and the items they were (files
    // read, elements copied); true when the budget is spent.
    bool spend(Work kind, std::uint64_t bytes, std::uint64_t items = 0)
    {
        spent_ += bytes;
        bytes_[unsigned(kind)] += bytes;
        items_[unsigned(kind)] += items;
        return spent();
    }
    bool spent() const { return spent_ > limit_; }
    std::uint64_t left() const { return spent_ < limit_ ? limit_ - spent_ : 0; }

    // The kind of work that took most of the budget, and how much of it:
    // "includes read" and "130001 files", as the message of a spent budget
    // (Diag::BudgetSpent) tells them.
    std::string mostWork() const;
    std::string mostWorkAmount() const;

private:
    std::size_t most() const;

    std::uint64_t limit_;
    std::uint64_t spent_ = 0;
    std::array<std::uint64_t, WorkKinds> bytes_{};
    std::array<std::uint64_t, WorkKinds> items_{};
};
