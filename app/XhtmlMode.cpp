#include "app/XhtmlMode.h"

#include "app/RunHooks.h"
#include "diag/Diagnostics.h"
#include "xhtml/HException.h"
#include "xhtml/XhtmlDocument.h"

#include <memory>
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

#if defined(__SANITIZE_ADDRESS__)
#define XMLPP_LEAKS_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XMLPP_LEAKS_CHECKED 1
#endif
#endif

// The document of a run that has written its output is left to the end of
// the process, which gives all its memory back in one step: taking the DOM
// of a large page apart node by node costs a noticeable share of the run
// (README, Performance). Builds that check for leaks take it apart.
void leaveToExit(std::unique_ptr<XhtmlDocument> document)
{
#ifdef XMLPP_LEAKS_CHECKED
    document.reset();
#else
    static_cast<void>(document.release());
#endif
}

}  // namespace

// The command-line macros are set in the document's own macros, over its
// date macros; the walk starts from the product macros with those set over
// them.
int runXhtmlMode(int argc, char** argv, RunHooks* hooks)
{
    const std::string outputName = argc > 3 ? argv[3] : "";
    try {
        auto document = std::make_unique<XhtmlDocument>();
        if (hooks != nullptr)
            document->setObserver(hooks->xhtmlObserver());
        if (argc > 4)
            addCommandLineMacros(*document, argv[4]);
        document->loadXhtml(QString::fromLocal8Bit(argv[2]));
        if (hooks != nullptr) {
            if (const int status = hooks->beforeWrite(); status >= 0)
                return status;
        }
        // Without an output argument the name is empty and the save fails
        // with "cannot open ".
        document->saveHtml(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString(), 2);
        leaveToExit(std::move(document));
    } catch (const HException& failure) {
        printMessage(Diag::XhtmlError, {failure.what()});
        return 1;
    }
    return hooks != nullptr ? hooks->afterWrite(outputName) : 0;
}
