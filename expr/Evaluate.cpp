#include "expr/Evaluate.h"

#include "expr/ExpressionParser.h"

#include <QString>

#include <limits>

namespace {

// QString lengths are int; a longer text cannot be an expression anyway.
bool fitsQString(std::string_view text)
{
    return text.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max() / 2);
}

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

} // namespace

std::uint64_t evaluateInteger(std::string_view text, bool& ok)
{
    ok = false;
    if (!fitsQString(text))
        return 0;
    return SimpleExpressionParser().evaluateInteger(latin1(text), ok);
}

std::int64_t evaluateSigned(std::string_view text, bool& ok)
{
    ok = false;
    if (!fitsQString(text))
        return 0;
    return SimpleExpressionParser().evaluateSigned(latin1(text), ok);
}

std::uint32_t evaluateCondition(std::string_view text, bool& ok)
{
    ok = false;
    if (!fitsQString(text))
        return 0;
    return SimpleExpressionParser().evaluateCondition(latin1(text), ok);
}
