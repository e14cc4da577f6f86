#include "app/Driver.h"

#include "app/LargeStack.h"
#include "app/RunHooks.h"
#include "app/XhtmlMode.h"
#include "macros/MacroTable.h"
#include "macros/PathValue.h"
#include "rules/RunMessages.h"
#include "xmlpp/MyXMLPP2.h"

#include <QHash>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// Qt's own diagnostics must never reach standard error: that stream carries
// only this program's messages.
void dropQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

const char* UsageFormat = "%s: <infile> <outfile> [macro1=value;macro2=value;..]\n";

int runDefaultMode(int argc, char** argv, const MacroTable& systemMacros, RunHooks* hooks)
{
    MyXMLPP2 preprocessor(false);
    preprocessor.setMacroTable(systemMacros);
    if (hooks != nullptr) {
        preprocessor.setObserver(hooks->directiveObserver());
        if (argc > 4)
            hooks->fourthArgument(argv[4]);
    }
    const std::string macroList = argc > 3 ? argv[3] : "";
    if (!preprocessor.processFile(argv[1], macroList, true)) {
        std::fprintf(stderr, "load error %s at %d\n", preprocessor.errorMessage(), preprocessor.errorLine());
        return 1;
    }
    if (argc == 5)
        preprocessor.setDoctype(std::string(argv[4]));
    if (hooks != nullptr) {
        if (const int status = hooks->beforeWrite(); status >= 0)
            return status;
    }
    // The result of writing is checked (a full disk must not pass for
    // success); the message follows the reader's "load error" form.
    if (!preprocessor.save(argv[2], 2, 0)) {
        std::fprintf(stderr, "save error %s\n", preprocessor.errorMessage());
        return 1;
    }
    return hooks != nullptr ? hooks->afterWrite(argv[2]) : 0;
}

}  // namespace

int runDriverOnThisThread(int argc, char** argv, RunHooks* hooks)
{
    qInstallMessageHandler(dropQtMessages);
    // DOM attributes live in a QHash whose order follows the hash seed;
    // a fixed seed makes the -xhtml output the same on every run. Qt keeps
    // a seed given by QT_HASH_SEED and ignores the call, so that variable
    // is removed first: no environment variable changes the output.
    ::unsetenv("QT_HASH_SEED");
    qSetGlobalQHashSeed(0);

    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "xmlpp";
    auto systemMacros = std::make_unique<MacroTable>();
    setApplicationPaths(executablePath(program), 1);
    if (argc < 3) {
        std::fprintf(stderr, UsageFormat, program);
        return 1;
    }
    systemMacros->addPathMacro("VosselDir", installDirectory(), "");

    const bool xhtml = std::strcmp(argv[1], "-xhtml") == 0;
    try {
        return xhtml ? runXhtmlMode(argc, argv, hooks) : runDefaultMode(argc, argv, *systemMacros, hooks);
    } catch (const std::bad_alloc&) {
        // Qt's allocation failures end here too. What the run made is gone
        // by now, so printing needs no memory of its own.
        if (xhtml)
            std::fputs("error: ", stderr);
        std::fprintf(stderr, OutOfMemoryFormat, argv[xhtml ? 2 : 1]);
        std::fputc('\n', stderr);
        return 1;
    }
}

// The main thread only waits: reading, processing and writing all take
// place on the large stack, whose depth the nesting bounds are made for.
int runDriver(int argc, char** argv)
{
    return runOnLargeStack([&] { return runDriverOnThisThread(argc, argv); });
}
