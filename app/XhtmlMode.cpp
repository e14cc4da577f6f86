#include "app/XhtmlMode.h"

#include "app/RunHooks.h"
#include "xhtml/HException.h"
#include "xhtml/XhtmlDocument.h"

#include <cstdio>
#include <string>

namespace {

// The -xhtml macro list: items separated by ';' (empty ones dropped, no
// escapes), each split at its first '='; items without '=' are ignored and
// nothing is trimmed.
void addCommandLineMacros(XhtmlDocument& document, const std::string& list)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(start, end - start);
        const std::size_t equals = item.find('=');
        if (equals != std::string::npos)
            document.setMacro(item.substr(0, equals), item.substr(equals + 1));
        start = end + 1;
    }
}

}  // namespace

// The command-line macros are handed to the document, which keeps them, but
// the preprocessing starts from the product macros alone: the -xhtml form
// gives the same result with or without a macro list.
int runXhtmlMode(int argc, char** argv, RunHooks* hooks)
{
    const std::string outputName = argc > 3 ? argv[3] : "";
    try {
        XhtmlDocument document;
        if (hooks != nullptr)
            document.setObserver(hooks->xhtmlObserver());
        if (argc > 4)
            addCommandLineMacros(document, argv[4]);
        document.loadXhtml(QString::fromLocal8Bit(argv[2]));
        if (hooks != nullptr) {
            if (const int status = hooks->beforeWrite(); status >= 0)
                return status;
        }
        // Without an output argument the name is empty and the save fails
        // with "cannot open ".
        document.saveHtml(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString(), 2);
    } catch (const HException& failure) {
        std::fprintf(stderr, "error: %s\n", failure.what());
        return 1;
    }
    return hooks != nullptr ? hooks->afterWrite(outputName) : 0;
}
