#include "expr/Evaluate.h"

#include "expr/ExpressionParser.h"
#include "expr/TokenTable.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <iterator>
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

// A token type in words: its text for an operator or punctuation, what it
// stands for otherwise.
std::string tokenWords(const TokenDefinition& token)
{
    switch (token.kind) {
    case TokenKind::Character:
    case TokenKind::String:
        return std::string("'") + token.text + "'";
    case TokenKind::Space:
        return "a space";
    case TokenKind::StringLiteral:
        return "a string";
    case TokenKind::None:
        return "the end of the expression";
    case TokenKind::Pattern:
        break;
    }
    switch (token.type) {
    case TOKEN_FLOAT:
        return "a decimal fraction";
    case TOKEN_IDENT:
        return "a name";
    case TOKEN_REGISTER:
        return "a register name";
    default:
        return "a number";
    }
}

}  // namespace

std::string plainFailureWords(std::string_view message)
{
    for (const char* end : {"unexpected token TOKEN_EOL", "unexpected token TOKEN_EOF"})
        if (message == end)
            return "the expression ends too early";
    std::string words(message);
    for (std::size_t at = words.find("TOKEN_"); at != std::string::npos; at = words.find("TOKEN_", at)) {
        std::size_t stop = at;
        while (stop < words.size() && (std::isupper(static_cast<unsigned char>(words[stop])) || words[stop] == '_'))
            ++stop;
        const std::string_view name(words.data() + at, stop - at);
        const auto* token = std::find_if(std::begin(CStyleTokens), std::end(CStyleTokens),
                                         [&](const TokenDefinition& row) { return name == row.name; });
        if (token == std::end(CStyleTokens)) {
            at = stop;
            continue;
        }
        std::string replacement = tokenWords(*token);
        // "unexpected token ')'" reads "unexpected ')'".
        const std::string_view lead = "token ";
        std::size_t from = at;
        if (from >= lead.size() && words.compare(from - lead.size(), lead.size(), lead) == 0)
            from -= lead.size();
        words.replace(from, stop - from, replacement);
        at = from + replacement.size();
    }
    return words;
}

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
