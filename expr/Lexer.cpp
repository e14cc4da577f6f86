#include "expr/Lexer.h"

#include "expr/ParserException.h"

#include <QByteArray>

#include <cstdlib>
#include <locale.h>

namespace {

// The definition of one row of the table.
const LexerToken* definitionOf(const TokenDefinition& row)
{
    const QString text = QString::fromLatin1(row.text);
    switch (row.kind) {
    case TokenKind::Space:
        return new CategoryLexerToken(QChar::Separator_Space, 0, row.type, row.precedence);
    case TokenKind::StringLiteral:
        return new CStyleStringLiteralLexerToken(row.type, row.precedence);
    case TokenKind::Pattern:
        return new RegularExpressionLexerToken(text, row.type, row.precedence);
    case TokenKind::Character:
        return new CharacterLexerToken(text.at(0), row.type, row.precedence);
    case TokenKind::String:
        return new StringLexerToken(text, row.type, row.precedence);
    case TokenKind::None:
        break;
    }
    return nullptr;
}

// The definitions in the order of the table.
std::shared_ptr<const Lexer::TokenTable> buildCStyleTable()
{
    auto table = std::make_shared<Lexer::TokenTable>();
    for (const TokenDefinition& row : CStyleTokens)
        if (const LexerToken* definition = definitionOf(row))
            table->emplace_back(definition);
    return table;
}

// Built once per process: every lexer shares the compiled expressions.
std::shared_ptr<const Lexer::TokenTable> cStyleTable()
{
    static const std::shared_ptr<const Lexer::TokenTable> table = buildCStyleTable();
    return table;
}

// Number conversions must not depend on the process locale.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

}  // namespace

Lexer::Lexer(std::shared_ptr<const TokenTable> definitions) : definitions_(std::move(definitions)) {}

void Lexer::setText(const QString& text)
{
    texts_.assign(1, text);
    positions_.assign(1, 0);
    tokenType_ = TOKEN_EOL;
    tokenPrecedence_ = Precedence::NotAnOperator;
    tokenText_.clear();
    advance();
}

void Lexer::advance()
{
    while (!texts_.empty()) {
        if (positions_.back() < texts_.back().size()) {
            const int type = nextToken();
            if (type == TOKEN_IDENT && pushSubstitution())
                continue;
            if (type == TOKEN_SPACE)
                continue;
            tokenType_ = type;
            return;
        }
        if (texts_.size() == 1)
            break;
        texts_.pop_back();
        positions_.pop_back();
    }
    tokenType_ = TOKEN_EOL;
}

int Lexer::nextToken()
{
    const QString& text = texts_.back();
    int& position = positions_.back();
    for (const auto& definition : *definitions_) {
        QString matched = definition->match(text, position);
        if (matched.isNull())
            continue;
        position += matched.size();
        tokenText_ = std::move(matched);
        tokenPrecedence_ = definition->precedence();
        return definition->tokenType();
    }
    throw ParserException(QStringLiteral("unrecognised token: ") + text.mid(position));
}

bool Lexer::pushSubstitution()
{
    if (texts_.size() > static_cast<std::size_t>(MaxSubstitutions))
        return false;
    QString replacement = substituteIdentifier(tokenText_);
    if (replacement.isEmpty() || replacement == tokenText_)
        return false;
    texts_.push_back(std::move(replacement));
    positions_.push_back(0);
    return true;
}

int Lexer::position() const
{
    return positions_.empty() ? 0 : positions_.back();
}

bool Lexer::tokenIs(const char* word) const
{
    return tokenText_ == QLatin1String(word);
}

const char* Lexer::tokenName(int tokenType)
{
    if (tokenType < 0 || tokenType >= static_cast<int>(TokenNames.size()))
        return "TOKEN_UNKNOWN";
    return TokenNames[tokenType];
}

std::int64_t Lexer::integerValue() const
{
    const QByteArray ascii = tokenText_.toLatin1();
    return std::strtoll(ascii.constData(), nullptr, 0);
}

std::uint64_t Lexer::unsignedValue() const
{
    const QByteArray ascii = tokenText_.toLatin1();
    if (ascii.startsWith("0b"))
        return std::strtoull(ascii.constData() + 2, nullptr, 2);
    return std::strtoull(ascii.constData(), nullptr, 0);
}

double Lexer::floatValue() const
{
    const QByteArray ascii = tokenText_.toLatin1();
    return strtod_l(ascii.constData(), nullptr, cLocale());
}

CStyleLexer::CStyleLexer() : Lexer(cStyleTable()) {}

QString CStyleLexer::substituteIdentifier(const QString&)
{
    return QString();
}
