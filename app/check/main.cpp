#include "app/Driver.h"
#include "app/LargeStack.h"
#include "app/ProcessSetup.h"
#include "check/CheckOptions.h"
#include "check/CheckRun.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Standard output must take the whole text: a full disk is a failure.
int printed(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    setUpProcess();
    char defaultName[] = "xmlpp-check";
    char* program = argc > 0 && argv[0] != nullptr ? argv[0] : defaultName;
    const ParsedCommandLine parsed = parseCheckCommandLine(argc, argv);
    switch (parsed.action) {
    case ParsedCommandLine::Action::Help:
        return printed(checkHelp(program));
    case ParsedCommandLine::Action::Version:
        return printed("xmlpp-check " XMLPP_VERSION "\n");
    case ParsedCommandLine::Action::BadUsage:
        std::fprintf(stderr, "xmlpp-check: %s\n%sTry '%s --help' for more information.\n", parsed.problem.c_str(),
                     checkUsage(program).c_str(), program);
        return 2;
    case ParsedCommandLine::Action::Run:
        break;
    }
    // xmlpp's arguments, after the companion's own name.
    std::vector<char*> arguments{program};
    for (int index = parsed.firstRunArgument; index < argc; ++index)
        arguments.push_back(argv[index]);
    arguments.push_back(nullptr);
    CheckRun run(parsed.options);
    return runOnLargeStack([&] { return runDriverOnThisThread(int(arguments.size()) - 1, arguments.data(), &run); });
}
