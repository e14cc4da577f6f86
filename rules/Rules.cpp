#include "diag/Diagnostics.h"
#include "macros/MacroList.h"
#include "rules/Conditions.h"
#include "rules/Includes.h"
#include "rules/RunBudget.h"

#include <algorithm>

const std::string* findMacro(const MacroMap& macros, std::string_view name)
{
    const auto found = macros.find(std::string(name));
    return found == macros.end() ? nullptr : &found->second;
}

MacroMap macrosAttributeMap(std::string_view list, const MacroMap& current)
{
    std::string items(list);
    items.erase(std::remove(items.begin(), items.end(), '\n'), items.end());
    return mergeMacroMaps(current, macroMapFromList(splitMacroList(items, false)));
}

std::size_t RunBudget::most() const
{
    std::size_t most = 0;
    for (std::size_t kind = 1; kind < WorkKinds; ++kind)
        if (bytes_[kind] > bytes_[most])
            most = kind;
    return most;
}

std::string RunBudget::mostWork() const
{
    static constexpr Diag Names[WorkKinds] = {Diag::BudgetIncludesRead, Diag::BudgetLoopCopies,
                                              Diag::BudgetXmlputCopies, Diag::BudgetMacroExpansion,
                                              Diag::BudgetMacroMaps,    Diag::BudgetInsertedText};
    return formatMessage(Names[most()]);
}

std::string RunBudget::mostWorkAmount() const
{
    const std::size_t kind = most();
    const std::uint64_t items = items_[kind];
    const char* plural = items == 1 ? "" : "s";
    switch (Work(kind)) {
    case Work::IncludesRead:
        return formatMessage(Diag::BudgetFiles, {items, plural});
    case Work::LoopCopies:
    case Work::XmlputCopies:
        return formatMessage(Diag::BudgetElements, {items, plural});
    default:
        break;
    }
    if (bytes_[kind] >= std::uint64_t(10) << 20)
        return formatMessage(Diag::BudgetMiB, {bytes_[kind] >> 20});
    return formatMessage(Diag::BudgetKiB, {bytes_[kind] >> 10});
}
