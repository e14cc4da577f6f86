// The three expression entry points on arbitrary text, both through the
// byte-string functions of the directive processor (one byte per
// character) and through the parser with the text read as UTF-8, so that
// characters beyond Latin-1 reach the lexer too. Nothing may escape; a
// failure must give the result 0.
#include "FuzzSupport.h"
#include "expr/Evaluate.h"
#include "expr/ExpressionParser.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    onLargeStack([&] {
        bool ok = true;
        const std::uint64_t integer = evaluateInteger(text, ok);
        fuzzCheck(ok || integer == 0, "a failed evaluateInteger gives 0");
        const std::int64_t signedValue = evaluateSigned(text, ok);
        fuzzCheck(ok || signedValue == 0, "a failed evaluateSigned gives 0");
        const std::uint32_t condition = evaluateCondition(text, ok);
        fuzzCheck(ok || condition == 0, "a failed evaluateCondition gives 0");

        const QString unicode = QString::fromUtf8(text.data(), int(size));
        SimpleExpressionParser parser;
        (void)parser.evaluateInteger(unicode, ok);
        (void)parser.evaluateSigned(unicode, ok);
        (void)parser.evaluateCondition(unicode, ok);
    });
    return 0;
}
