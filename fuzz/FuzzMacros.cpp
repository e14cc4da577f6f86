// Macro lists and macro expansion on arbitrary text. The input is split at
// its first NUL byte: before it a macro list (the map), after it the text
// to expand. Expansion never fails; a text without a marker must come back
// unchanged, and no more than the expansion budget (and one value past it)
// may be added to a text; a list of items escaped and joined again must
// split into the same items.
#include "FuzzSupport.h"
#include "macros/MacroExpansion.h"
#include "macros/MacroList.h"
#include "macros/MacroTable.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::string escapedJoin(const std::vector<std::string>& items)
{
    std::string list;
    for (const std::string& item : items) {
        if (!list.empty())
            list += ';';
        for (char c : item) {
            if (c == ';' || c == '\\')
                list += '\\';
            list += c;
        }
    }
    return list;
}

// inputBytes bounds every macro value and default, the largest piece an
// expansion may add past its budget.
void expandChecked(const MacroTable& table, const MacroMap& macros, std::string_view text, bool useSystemMacros,
                   std::size_t inputBytes)
{
    const std::string result = expandMacros(table, macros, text, useSystemMacros);
    if (!hasMacroMarker(table, text))
        fuzzCheck(result == text, "a text without a marker expands to itself");
    fuzzCheck(result.size() <= text.size() + MaxMacroExpansionAddedBytes + inputBytes, "expansion size bound");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const MacroTable table;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view list = input.substr(0, split);
    const std::string_view text = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::vector<std::string> items = splitMacroList(list, false);
    for (const std::string& item : items)
        fuzzCheck(!item.empty(), "no empty item unless asked for");
    fuzzCheck(splitMacroList(escapedJoin(items), false) == items, "escaped items split back");
    const std::vector<std::string> all = splitMacroList(list, true);
    fuzzCheck(all.size() >= items.size(), "keeping empty items keeps the others");

    const MacroMap macros = macroMapFromList(items);
    expandChecked(table, macros, text, false, size);
    expandChecked(table, macros, text, true, size);
    expandChecked(table, macros, list, false, size);
    (void)expandWithSystemMacros(table, text);
    return 0;
}
