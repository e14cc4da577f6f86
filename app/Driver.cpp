#include "app/Driver.h"

#include "app/LargeStack.h"
#include "app/RunHooks.h"
#include "app/XhtmlMode.h"
#include "diag/Diagnostics.h"
#include "macros/MacroTable.h"
#include "macros/PathValue.h"
#include "xmlpp/MyXMLPP2.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

int runDefaultMode(int argc, char** argv, const MacroTable& systemMacros, RunHooks* hooks)
{
    MyXMLPP2 preprocessor(false);
    preprocessor.setMacroTable(systemMacros);
    if (hooks != nullptr)
        preprocessor.setObserver(hooks->directiveObserver());
    const std::string macroList = argc > 3 ? argv[3] : "";
    if (!preprocessor.processFile(argv[1], macroList, true)) {
        printMessage(Diag::LoadError, {preprocessor.errorMessage(), preprocessor.errorLine()});
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
        printMessage(Diag::SaveError, {preprocessor.errorMessage()});
        return 1;
    }
    return hooks != nullptr ? hooks->afterWrite(argv[2]) : 0;
}

// The message for memory that ran out, printed without asking for memory:
// the table's text with the input's name in place of %1, inside the
// -xhtml mode's "error: %1".
void printOutOfMemory(bool xhtml, const char* input)
{
    auto print = [](std::string_view text, auto&& inner) {
        const std::size_t at = text.find("%1");
        std::fwrite(text.data(), 1, std::min(at, text.size()), stderr);
        if (at != std::string_view::npos) {
            inner();
            std::fwrite(text.data() + at + 2, 1, text.size() - at - 2, stderr);
        }
    };
    auto message = [&] { print(diagnosticRow(Diag::OutOfMemory).text, [&] { std::fputs(input, stderr); }); };
    if (xhtml)
        print(diagnosticRow(Diag::XhtmlError).text, message);
    else
        message();
    std::fputc('\n', stderr);
}

}  // namespace

int runDriverOnThisThread(int argc, char** argv, RunHooks* hooks)
{
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "xmlpp";
    auto systemMacros = std::make_unique<MacroTable>();
    setApplicationPaths(executablePath(program), 1);
    if (argc < 3) {
        printMessage(Diag::Usage, {program});
        return 1;
    }
    systemMacros->addPathMacro("VosselDir", installDirectory(), "");
    if (hooks != nullptr)
        hooks->arguments(argc, argv);

    const bool xhtml = std::strcmp(argv[1], "-xhtml") == 0;
    try {
        return xhtml ? runXhtmlMode(argc, argv, hooks) : runDefaultMode(argc, argv, *systemMacros, hooks);
    } catch (const std::bad_alloc&) {
        // Qt's allocation failures end here too.
        printOutOfMemory(xhtml, argv[xhtml ? 2 : 1]);
        return 1;
    }
}

// The main thread only waits: reading, processing and writing all take
// place on the large stack, whose depth the nesting bounds are made for.
int runDriver(int argc, char** argv)
{
    return runOnLargeStack([&] { return runDriverOnThisThread(argc, argv); });
}
