#include "check/CheckRun.h"

#include "check/DependencyFile.h"
#include "check/MacroUse.h"
#include "diag/Diagnostics.h"
#include "io/SafeOutputFile.h"
#include "macros/MacroList.h"
#include "rules/Conditions.h"
#include "rules/Typos.h"

#include <cstring>

CheckRun::CheckRun(const CheckOptions& options)
    : options_(options), report_(options), directiveOrigins_(report_, sources_), xhtmlOrigins_(report_, sources_)
{
    // The output and the dependency file alike.
    if (options.keepUnchanged)
        SafeOutputFile::keepUnchangedTargets(true);
}

void CheckRun::arguments(int argc, char** argv)
{
    xhtml_ = std::strcmp(argv[1], "-xhtml") == 0;
    const int listArgument = xhtml_ ? 4 : 3;
    macroList_ = argc > listArgument ? argv[listArgument] : "";
    directiveOrigins_.macroListGiven(macroList_);
    // The macro list is one argument; "xmlpp in out A=1 B=2" makes B=2 the
    // DOCTYPE.
    if (!xhtml_ && argc > 4 && std::strchr(argv[4], '=') != nullptr)
        report_.warning(Place{}, {}, Diagnostic(Diag::ArgumentNotInMacroList, {argv[4]}));
}

// The macros of the command line, as each mode reads its list: the default
// mode with the escapes of its list format, the -xhtml mode split at every
// ";" and each item at its first "=".
MacroMap CheckRun::givenMacros() const
{
    if (!xhtml_)
        return macroMapFromList(splitMacroList(macroList_, false));
    MacroMap macros;
    for (const std::string_view item : splitList<char>(macroList_, ";")) {
        const std::size_t equals = item.find('=');
        if (equals != std::string_view::npos)
            macros[std::string(item.substr(0, equals))] = std::string(item.substr(equals + 1));
    }
    return macros;
}

void CheckRun::checkMacroUse()
{
    if (macroList_.empty() || (!report_.wants(Warning::MacroTypo) && !report_.wants(Warning::UnusedMacro)))
        return;
    const MacroMap given = givenMacros();
    std::set<std::string> names;
    for (const auto& entry : given)
        names.insert(entry.first);
    MacroReferences references(names);
    for (const auto& entry : given)
        references.scanValue(entry.second);
    for (const std::string& file : report_.files()) {
        if (references.allWantedFound())
            return;
        std::string_view bytes;
        if (sources_.bytes(file, bytes))
            references.scanFile(bytes);
    }
    if (references.allWantedFound())
        return;
    const std::vector<std::string_view> referred(references.names().begin(), references.names().end());
    for (const auto& entry : given) {
        if (references.refers(entry.first))
            continue;
        if (const std::optional<std::string> close = closestMacroName(entry.first, referred))
            report_.warning(Place{}, {}, Diagnostic(Diag::MisspeltCommandLineMacro, {entry.first, *close}));
        else
            report_.warning(Place{}, {}, Diagnostic(Diag::UnusedCommandLineMacro, {entry.first}));
    }
}

int CheckRun::beforeWrite()
{
    checkMacroUse();
    if (report_.errorCount() > 0) {
        printMessage(Diag::WarningsTreatedAsErrors, {report_.errorCount(), report_.errorCount() == 1 ? "" : "s"});
        return 2;
    }
    return options_.writeNothing ? 0 : -1;
}

int CheckRun::afterWrite(const std::string& outputName)
{
    if (options_.dependencyFile.empty())
        return 0;
    std::string note;
    if (!writeDependencyFile(options_.dependencyFile, makeDependencies(outputName, report_.files()), note)) {
        printMessage(Diag::DependencyFileNotWritten, {(options_.dependencyFile + note).c_str()});
        return 1;
    }
    return 0;
}
