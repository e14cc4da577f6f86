#pragma once

#include <cstdint>
#include <string>

// The work of one run, counted in bytes, against one bound: documents that
// multiply themselves (fragments put many times over, values doubled by
// defines and then expanded everywhere, files that include themselves
// twice) stop within seconds instead of exhausting memory. What counts as
// work is each walker's own; every include counts at least
// IncludeMinimumBytes (rules/Limits.h).
class RunBudget {
public:
    explicit RunBudget(std::uint64_t limitBytes) : limit_(limitBytes) {}

    void setLimit(std::uint64_t limitBytes) { limit_ = limitBytes; }
    std::uint64_t limit() const { return limit_; }

    // Adds to the work done; true when the budget is spent.
    bool spend(std::uint64_t bytes)
    {
        spent_ += bytes;
        return spent();
    }
    bool spent() const { return spent_ > limit_; }
    std::uint64_t left() const { return spent_ < limit_ ? limit_ - spent_ : 0; }

private:
    std::uint64_t limit_;
    std::uint64_t spent_ = 0;
};
