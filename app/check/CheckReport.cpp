#include "check/CheckReport.h"

#include <cstdio>

namespace {

std::string where(const Place& place, bool withColumn)
{
    if (place.file == nullptr)
        return "xmlpp-check: ";
    std::string text = *place.file + ":";
    if (place.position.line > 0) {
        text += std::to_string(place.position.line) + ":";
        if (withColumn && place.position.column > 0)
            text += std::to_string(place.position.column) + ":";
    }
    return text + " ";
}

}  // namespace

void CheckReport::fileRead(const std::string& path)
{
    if (seenFiles_.insert(path).second)
        files_.push_back(path);
}

void CheckReport::warning(const Place& place, const std::vector<Place>& notes, const Diagnostic& diagnostic)
{
    const Warning warning = diagnostic.warning();
    if (!wants(warning))
        return;
    const std::string name(warningName(warning).name);
    const bool error = settings_.isError(warning);
    const std::string text = diagnostic.text() + (error ? " [-Werror=" : " [-W") + name + "]";
    if (print(place, notes, error ? "error" : "warning", text))
        ++(error ? errors_ : warnings_);
}

void CheckReport::fault(const Place& place, const std::vector<Place>& notes, const Diagnostic& diagnostic)
{
    if (!quiet_)
        print(place, notes, "error", diagnostic.text());
}

bool CheckReport::print(const Place& place, const std::vector<Place>& notes, const std::string& severity,
                        const std::string& text)
{
    std::string lines = where(place, true) + severity + ": " + text + "\n";
    for (const Place& note : notes)
        lines += where(note, false) + "note: " + formatMessage(Diag::IncludedFromHere) + "\n";
    if (!printed_.insert(lines).second)
        return false;
    std::fwrite(lines.data(), 1, lines.size(), stderr);
    return true;
}
