#pragma once

#include "expr/LexerToken.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

enum TokenType : int {
    TOKEN_EOL,
    TOKEN_EOF,
    TOKEN_SPACE,
    TOKEN_INTEGER,
    TOKEN_HEXINTEGER,
    TOKEN_BININTEGER,
    TOKEN_FLOAT,
    TOKEN_STRING,
    TOKEN_IDENT,
    TOKEN_REGISTER,
    TOKEN_SEMICOLON,
    TOKEN_COLON,
    TOKEN_COLONCOLON,
    TOKEN_LPAREN,
    TOKEN_RPAREN,
    TOKEN_LBRACK,
    TOKEN_RBRACK,
    TOKEN_LCURLY,
    TOKEN_RCURLY,
    TOKEN_DOT,
    TOKEN_POINTSAT,
    TOKEN_INCREMENT,
    TOKEN_DECREMENT,
    TOKEN_BITNOT,
    TOKEN_LOGNOT,
    TOKEN_STAR,
    TOKEN_SLASH,
    TOKEN_MOD,
    TOKEN_PLUS,
    TOKEN_MINUS,
    TOKEN_LSHIFT,
    TOKEN_RSHIFT,
    TOKEN_ARSHIFT,
    TOKEN_LT,
    TOKEN_LE,
    TOKEN_GT,
    TOKEN_GE,
    TOKEN_EQ,
    TOKEN_NE,
    TOKEN_BITAND,
    TOKEN_BITXOR,
    TOKEN_BITOR,
    TOKEN_LOGAND,
    TOKEN_LOGOR,
    TOKEN_CONDITION,
    TOKEN_ASSIGN,
    TOKEN_PLUS_ASSIGN,
    TOKEN_MINUS_ASSIGN,
    TOKEN_STAR_ASSIGN,
    TOKEN_DIV_ASSIGN,
    TOKEN_MOD_ASSIGN,
    TOKEN_RSHIFT_ASSIGN,
    TOKEN_LSHIFT_ASSIGN,
    TOKEN_ARSHIFT_ASSIGN,
    TOKEN_BITAND_ASSIGN,
    TOKEN_BITXOR_ASSIGN,
    TOKEN_BITOR_ASSIGN,
    TOKEN_COMMA,
};

// Precedence of every token that is not a binary operator.
constexpr int NotAnOperator = 10;

// A table-driven lexer: the definitions are tried in table order at the
// current position and the first that matches wins; there is no
// longest-match rule. TOKEN_SPACE tokens are skipped by advance().
//
// Identifiers may be replaced by text of their own (substituteIdentifier);
// the replacement is read as a nested text, up to MaxSubstitutions deep.
class Lexer {
public:
    using TokenTable = std::vector<std::unique_ptr<const LexerToken>>;
    static constexpr int MaxSubstitutions = 100;

    virtual ~Lexer() = default;
    Lexer(const Lexer&) = delete;
    Lexer& operator=(const Lexer&) = delete;

    // Starts over on text and reads its first token.
    void setText(const QString& text);
    // Makes the next token that is not a space current; at the end of the
    // text the type becomes TOKEN_EOL while precedence and text keep the
    // values of the last token read.
    void advance();

    int tokenType() const { return tokenType_; }
    int tokenPrecedence() const { return tokenPrecedence_; }
    QString tokenText() const { return tokenText_; }
    // Offset of the next unread character of the text being read.
    int position() const;
    bool tokenIs(const char* word) const;
    QString tokenName() const { return QString::fromLatin1(tokenName(tokenType_)); }
    static const char* tokenName(int tokenType);

    // The token text read by strtoll with base 0.
    std::int64_t integerValue() const;
    // "0b" followed by binary digits, or anything strtoull reads with base 0.
    std::uint64_t unsignedValue() const;
    // The token text read by strtod (always with "." as decimal point).
    double floatValue() const;

protected:
    // The lexer shares the (immutable) table, so building one costs little.
    explicit Lexer(std::shared_ptr<const TokenTable> definitions);

    // Replacement text for an identifier, or a null string for none.
    virtual QString substituteIdentifier(const QString& name) = 0;

private:
    int nextToken();
    bool pushSubstitution();

    std::shared_ptr<const TokenTable> definitions_;
    std::vector<QString> texts_;
    std::vector<int> positions_;
    int tokenType_ = TOKEN_EOL;
    int tokenPrecedence_ = NotAnOperator;
    QString tokenText_;
};

// The lexer of C-style expressions; it never substitutes identifiers.
class CStyleLexer : public Lexer {
public:
    CStyleLexer();

protected:
    QString substituteIdentifier(const QString& name) override;
};
