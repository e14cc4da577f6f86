#include "expr/Lexer.h"

#include "expr/ParserException.h"

#include <QByteArray>

#include <array>
#include <cstdlib>
#include <locale.h>

namespace {

constexpr std::array<const char*, TOKEN_COMMA + 1> TokenNames = {
    "TOKEN_EOL",           "TOKEN_EOF",          "TOKEN_SPACE",         "TOKEN_INTEGER",
    "TOKEN_HEXINTEGER",    "TOKEN_BININTEGER",   "TOKEN_FLOAT",         "TOKEN_STRING",
    "TOKEN_IDENT",         "TOKEN_REGISTER",     "TOKEN_SEMICOLON",     "TOKEN_COLON",
    "TOKEN_COLONCOLON",    "TOKEN_LPAREN",       "TOKEN_RPAREN",        "TOKEN_LBRACK",
    "TOKEN_RBRACK",        "TOKEN_LCURLY",       "TOKEN_RCURLY",        "TOKEN_DOT",
    "TOKEN_POINTSAT",      "TOKEN_INCREMENT",    "TOKEN_DECREMENT",     "TOKEN_BITNOT",
    "TOKEN_LOGNOT",        "TOKEN_STAR",         "TOKEN_SLASH",         "TOKEN_MOD",
    "TOKEN_PLUS",          "TOKEN_MINUS",        "TOKEN_LSHIFT",        "TOKEN_RSHIFT",
    "TOKEN_ARSHIFT",       "TOKEN_LT",           "TOKEN_LE",            "TOKEN_GT",
    "TOKEN_GE",            "TOKEN_EQ",           "TOKEN_NE",            "TOKEN_BITAND",
    "TOKEN_BITXOR",        "TOKEN_BITOR",        "TOKEN_LOGAND",        "TOKEN_LOGOR",
    "TOKEN_CONDITION",     "TOKEN_ASSIGN",       "TOKEN_PLUS_ASSIGN",   "TOKEN_MINUS_ASSIGN",
    "TOKEN_STAR_ASSIGN",   "TOKEN_DIV_ASSIGN",   "TOKEN_MOD_ASSIGN",    "TOKEN_RSHIFT_ASSIGN",
    "TOKEN_LSHIFT_ASSIGN", "TOKEN_ARSHIFT_ASSIGN", "TOKEN_BITAND_ASSIGN", "TOKEN_BITXOR_ASSIGN",
    "TOKEN_BITOR_ASSIGN",  "TOKEN_COMMA",
};

class TableBuilder {
public:
    void regex(const char* pattern, int type, int precedence = NotAnOperator)
    {
        add(new RegularExpressionLexerToken(QString::fromLatin1(pattern), type, precedence));
    }
    void character(char c, int type, int precedence = NotAnOperator)
    {
        add(new CharacterLexerToken(QLatin1Char(c), type, precedence));
    }
    void string(const char* s, int type, int precedence = NotAnOperator)
    {
        add(new StringLexerToken(QString::fromLatin1(s), type, precedence));
    }
    void add(const LexerToken* token) { table->emplace_back(token); }

    std::shared_ptr<Lexer::TokenTable> table = std::make_shared<Lexer::TokenTable>();
};

// The C-style table. Order decides every overlap: "<<=" before "<<" before
// "<=" before "<", hexadecimal before decimal, float before integer.
std::shared_ptr<const Lexer::TokenTable> buildCStyleTable()
{
    TableBuilder b;
    b.add(new CategoryLexerToken(QChar::Separator_Space, 0, TOKEN_SPACE, NotAnOperator));
    b.add(new CStyleStringLiteralLexerToken(TOKEN_STRING, NotAnOperator));
    b.regex("0[Xx][0-9A-Fa-f]*U?L?L?u?l?l?", TOKEN_HEXINTEGER);
    b.regex("0b[0-1]*", TOKEN_BININTEGER);
    b.regex("\\d+\\.\\d+", TOKEN_FLOAT);
    b.regex("\\d+U?L?L?u?l?l?", TOKEN_INTEGER);
    b.regex("[A-Za-z_$][A-Za-z_0-9$]*", TOKEN_IDENT);
    b.regex("@[A-Za-z_0-9]*", TOKEN_REGISTER);
    b.character(';', TOKEN_SEMICOLON);
    b.string("::", TOKEN_COLONCOLON);
    b.character(':', TOKEN_COLON);
    b.character('(', TOKEN_LPAREN);
    b.character(')', TOKEN_RPAREN);
    b.character('[', TOKEN_LBRACK);
    b.character(']', TOKEN_RBRACK);
    b.character('{', TOKEN_LCURLY);
    b.character('}', TOKEN_RCURLY);
    b.character('.', TOKEN_DOT);
    b.string("->", TOKEN_POINTSAT);
    b.string("++", TOKEN_INCREMENT);
    b.string("--", TOKEN_DECREMENT);
    b.string("!=", TOKEN_NE, 5);
    b.character('!', TOKEN_LOGNOT);
    b.character('~', TOKEN_BITNOT);
    b.string("*=", TOKEN_STAR_ASSIGN, -3);
    b.character('*', TOKEN_STAR, 9);
    b.string("/=", TOKEN_DIV_ASSIGN, -3);
    b.character('/', TOKEN_SLASH, 9);
    b.string("%=", TOKEN_MOD_ASSIGN, -3);
    b.character('%', TOKEN_MOD, 9);
    b.string("+=", TOKEN_PLUS_ASSIGN, -3);
    b.character('+', TOKEN_PLUS, 8);
    b.string("-=", TOKEN_MINUS_ASSIGN, -3);
    b.character('-', TOKEN_MINUS, 8);
    b.string("<<=", TOKEN_LSHIFT_ASSIGN, -3);
    b.string("<<", TOKEN_LSHIFT, 7);
    b.string(">>>=", TOKEN_ARSHIFT_ASSIGN, -3);
    b.string(">>>", TOKEN_ARSHIFT, 7);
    b.string(">>=", TOKEN_RSHIFT_ASSIGN, -3);
    b.string(">>", TOKEN_RSHIFT, 7);
    b.string("<=", TOKEN_LE, 6);
    b.character('<', TOKEN_LT, 6);
    b.string(">=", TOKEN_GE, 6);
    b.character('>', TOKEN_GT, 6);
    b.string("==", TOKEN_EQ, 5);
    b.string("^=", TOKEN_BITXOR_ASSIGN, -3);
    b.character('^', TOKEN_BITXOR, 3);
    b.string("&=", TOKEN_BITAND_ASSIGN, -3);
    b.string("&&", TOKEN_LOGAND, 1);
    b.character('&', TOKEN_BITAND, 4);
    b.string("|=", TOKEN_BITOR_ASSIGN, -3);
    b.string("||", TOKEN_LOGOR, 0);
    b.character('|', TOKEN_BITOR, 2);
    b.character('?', TOKEN_CONDITION, -1);
    b.character('=', TOKEN_ASSIGN, -2);
    b.character(',', TOKEN_COMMA, -4);
    return b.table;
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

} // namespace

Lexer::Lexer(std::shared_ptr<const TokenTable> definitions) : definitions_(std::move(definitions)) {}

void Lexer::setText(const QString& text)
{
    texts_.assign(1, text);
    positions_.assign(1, 0);
    tokenType_ = TOKEN_EOL;
    tokenPrecedence_ = NotAnOperator;
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
