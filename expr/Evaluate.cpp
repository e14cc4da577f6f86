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

// Evaluates with one of the parser's entry points, converting the failure
// message when one is asked for.
template <typename Entry>
auto evaluateWith(std::string_view text, bool& ok, std::string* failure, Entry entry)
{
    ok = false;
    QString reason = QStringLiteral("expression too long");
    const auto value = fitsQString(text) ? entry(SimpleExpressionParser(), latin1(text), reason) : 0;
    if (!ok && failure != nullptr)
        *failure = reason.toStdString();
    return value;
}

}  // namespace

std::uint64_t evaluateInteger(std::string_view text, bool& ok, std::string* failure)
{
    return evaluateWith(text, ok, failure, [&](SimpleExpressionParser&& parser, const QString& latin, QString& reason) {
        return parser.evaluateInteger(latin, ok, &reason);
    });
}

std::int64_t evaluateSigned(std::string_view text, bool& ok, std::string* failure)
{
    return evaluateWith(text, ok, failure, [&](SimpleExpressionParser&& parser, const QString& latin, QString& reason) {
        return parser.evaluateSigned(latin, ok, &reason);
    });
}

std::uint32_t evaluateCondition(std::string_view text, bool& ok, std::string* failure)
{
    return evaluateWith(text, ok, failure, [&](SimpleExpressionParser&& parser, const QString& latin, QString& reason) {
        return parser.evaluateCondition(latin, ok, &reason);
    });
}
