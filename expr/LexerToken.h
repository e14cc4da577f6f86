#pragma once

#include "expr/TokenTable.h"

#include <QChar>
#include <QRegularExpression>
#include <QString>

#include <bitset>

// One entry of a lexer's token table: what it matches, the token type a
// match produces and the operator precedence the parser reads from it.
// Definitions are immutable once built, so one table can serve every lexer.
class LexerToken {
public:
    LexerToken(int tokenType, Precedence precedence) : tokenType_(tokenType), precedence_(precedence) {}
    virtual ~LexerToken() = default;
    LexerToken(const LexerToken&) = delete;
    LexerToken& operator=(const LexerToken&) = delete;

    // The text matched at position, or a null string when this definition
    // does not match there. A match is never empty.
    virtual QString match(const QString& text, int position) const = 0;

    int tokenType() const { return tokenType_; }
    Precedence precedence() const { return precedence_; }

private:
    int tokenType_;
    Precedence precedence_;
};

// A Perl-like regular expression that must match starting exactly at the
// position; quantifiers are greedy.
class RegularExpressionLexerToken : public LexerToken {
public:
    RegularExpressionLexerToken(const QString& pattern, int tokenType, Precedence precedence);
    QString match(const QString& text, int position) const override;

private:
    QRegularExpression expression_;
    // Code units below 256 with which a match can begin: a cheap test that
    // spares the regular-expression call at most positions.
    std::bitset<256> possibleFirst_;
};

// One fixed character.
class CharacterLexerToken : public LexerToken {
public:
    CharacterLexerToken(QChar character, int tokenType, Precedence precedence)
        : LexerToken(tokenType, precedence), character_(character)
    {}
    QString match(const QString& text, int position) const override;

private:
    QChar character_;
};

// The longest run of characters of one Unicode general category, cut at
// maxLength characters when maxLength is not 0.
class CategoryLexerToken : public LexerToken {
public:
    CategoryLexerToken(QChar::Category category, int maxLength, int tokenType, Precedence precedence)
        : LexerToken(tokenType, precedence), category_(category), maxLength_(maxLength)
    {}
    QString match(const QString& text, int position) const override;

private:
    QChar::Category category_;
    int maxLength_;
};

// A fixed string, compared exactly.
class StringLexerToken : public LexerToken {
public:
    StringLexerToken(const QString& string, int tokenType, Precedence precedence)
        : LexerToken(tokenType, precedence), string_(string)
    {}
    QString match(const QString& text, int position) const override;

private:
    QString string_;
};

// A double-quoted literal. A quote preceded by a backslash does not end it;
// the text is returned with its quotes and backslashes exactly as written.
class CStyleStringLiteralLexerToken : public LexerToken {
public:
    CStyleStringLiteralLexerToken(int tokenType, Precedence precedence) : LexerToken(tokenType, precedence) {}
    QString match(const QString& text, int position) const override;
};
