#include "check/CheckRun.h"

#include "check/DependencyFile.h"
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
        report_.warning("argument 4 '" + argument +
                        "' is not part of the macro list, which is argument 3 alone, its items separated by ';'");
}

int CheckRun::beforeWrite()
{
    if (options_.warningsAreErrors && report_.warningCount() > 0) {
        std::fprintf(stderr, "xmlpp-check: %zu warning%s treated as errors (--werror): nothing written\n",
                     report_.warningCount(), report_.warningCount() == 1 ? "" : "s");
        return 2;
    }
    return options_.writeNothing ? 0 : -1;
}

int CheckRun::afterWrite(const std::string& outputName)
{
    if (options_.dependencyFile.empty())
        return 0;
    if (!writeDependencyFile(options_.dependencyFile, makeDependencies(outputName, report_.files()))) {
        std::fprintf(stderr, "xmlpp-check: couldn't write dependency file %s\n", options_.dependencyFile.c_str());
        return 1;
    }
    return 0;
}
