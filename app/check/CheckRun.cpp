#include "check/CheckRun.h"

#include "check/DependencyFile.h"
#include "diag/Diagnostics.h"
#include "io/SafeOutputFile.h"

#include <cstdio>

CheckRun::CheckRun(const CheckOptions& options)
    : options_(options), report_(options.quiet), directiveOrigins_(report_), xhtmlOrigins_(report_)
{
    // The output and the dependency file alike.
    if (options.keepUnchanged)
        SafeOutputFile::keepUnchangedTargets(true);
}

// The macro list is one argument; "xmlpp in out A=1 B=2" makes B=2 the
// DOCTYPE.
void CheckRun::fourthArgument(const std::string& argument)
{
    if (argument.find('=') != std::string::npos)
        report_.warning(formatMessage(Diag::ArgumentNotInMacroList, {argument}));
}

int CheckRun::beforeWrite()
{
    if (options_.warningsAreErrors && report_.warningCount() > 0) {
        printMessage(Diag::WarningsTreatedAsErrors, {report_.warningCount(), report_.warningCount() == 1 ? "" : "s"});
        return 2;
    }
    return options_.writeNothing ? 0 : -1;
}

int CheckRun::afterWrite(const std::string& outputName)
{
    if (options_.dependencyFile.empty())
        return 0;
    if (!writeDependencyFile(options_.dependencyFile, makeDependencies(outputName, report_.files()))) {
        printMessage(Diag::DependencyFileNotWritten, {options_.dependencyFile.c_str()});
        return 1;
    }
    return 0;
}
