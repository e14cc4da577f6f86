#pragma once

#include "expr/LexerToken.h"
#include "expr/TokenTable.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A table-driven lexer: the definitions are tried in table order at the
// current position and the first that matches wins; there is no
// longest-match rule (expr/TokenTable.h). TOKEN_SPACE tokens are skipped
// by advance().
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
    Precedence tokenPrecedence() const { return tokenPrecedence_; }
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
    Precedence tokenPrecedence_ = Precedence::NotAnOperator;
    QString tokenText_;
};

// The lexer of C-style expressions; it never substitutes identifiers.
class CStyleLexer : public Lexer {
public:
    CStyleLexer();

protected:
    QString substituteIdentifier(const QString& name) override;
};
