// The whole default-mode pipeline on a document held in memory: read,
// resolve the directives, write. The input's first line is the macro list
// of the command line; the rest is the document, named "in.xml" in a folder
// of small include files. A directive error ends the run as it ends the
// program (here by an exception instead of exit). The bounds that take
// long to reach are lowered so that every input finishes quickly; the code
// that enforces them is the same.
#include "FuzzSupport.h"
#include "IncludeFixtures.h"
#include "macros/MacroTable.h"
#include "xmlpp/XMLPP2.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

class DirectiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FuzzProcessor : public XMLPP2 {
public:
    explicit FuzzProcessor(const MacroTable& table) : XMLPP2(false)
    {
        setMacroTable(table);
        Limits limits;
        limits.loopIterations = 5000;
        limits.loopCopies = 50000;
        limits.budgetBytes = std::uint64_t(64) << 20;
        setLimits(limits);
    }

protected:
    void reportError(const std::string& message) override { throw DirectiveError(message); }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    includeFixtureFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const MacroTable table;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string macroList(input.substr(0, lineEnd));
    const std::string_view text = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    onLargeStack([&] {
        FuzzProcessor processor(table);
        if (!processor.parse(text))
            return;
        try {
            processor.processDocument(includeFixtureFolder() + "/in.xml", macroList, true);
        } catch (const DirectiveError&) {
            return;
        }
        checkTreeLinks(processor.root());
        (void)processor.toString(2, 0);
    });
    return 0;
}
