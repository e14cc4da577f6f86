#pragma once

#include <array>
#include <cstddef>

// The tokens of the C-style lexer, each defined once, with the binding
// strength the parser reads from it.

// Binding strength of the binary operators, loosest first. Every level is
// left-associative; the parser reads a token's level from the lexer.
enum class Precedence : int {
    Comma = -4,
    CompoundAssignment = -3,
    Assignment = -2,
    Conditional = -1,
    LogicalOr = 0,
    LogicalAnd = 1,
    BitOr = 2,
    BitXor = 3,
    BitAnd = 4,
    Equality = 5,
    Relational = 6,
    Shift = 7,
    Additive = 8,
    Multiplicative = 9,
    // Any token that is not a binary operator.
    NotAnOperator = 10,
};

constexpr Precedence LoosestPrecedence = Precedence::Comma;
constexpr Precedence TightestPrecedence = Precedence::Multiplicative;

// The level that binds one step tighter.
constexpr Precedence tighter(Precedence level)
{
    return Precedence(int(level) + 1);
}

// How a definition matches at a position (one LexerToken class each).
enum class TokenKind {
    Space,          // a run of Unicode space separators
    StringLiteral,  // a double-quoted literal
    Pattern,        // a regular expression, matched from the position
    Character,      // one fixed character
    String,         // a fixed string
    None,           // no definition produces this type
};

// Every token type as X(type, value, kind, text, precedence), in the order
// in which the lexer tries the definitions. The first definition that
// matches wins, so this order decides every overlap: "<<=" before "<<"
// before "<=" before "<", "0x" numbers before decimal ones, floats before
// integers. value is the type's fixed number (TOKEN_EOL 0 to TOKEN_COMMA
// 57); the types that no definition produces come last.
#define XMLPP_C_TOKENS(X)                                                           \
    X(TOKEN_SPACE, 2, Space, "", NotAnOperator)                                     \
    X(TOKEN_STRING, 7, StringLiteral, "", NotAnOperator)                            \
    X(TOKEN_HEXINTEGER, 4, Pattern, "0[Xx][0-9A-Fa-f]*U?L?L?u?l?l?", NotAnOperator) \
    X(TOKEN_BININTEGER, 5, Pattern, "0b[0-1]*", NotAnOperator)                      \
    X(TOKEN_FLOAT, 6, Pattern, "\\d+\\.\\d+", NotAnOperator)                        \
    X(TOKEN_INTEGER, 3, Pattern, "\\d+U?L?L?u?l?l?", NotAnOperator)                 \
    X(TOKEN_IDENT, 8, Pattern, "[A-Za-z_$][A-Za-z_0-9$]*", NotAnOperator)           \
    X(TOKEN_REGISTER, 9, Pattern, "@[A-Za-z_0-9]*", NotAnOperator)                  \
    X(TOKEN_SEMICOLON, 10, Character, ";", NotAnOperator)                           \
    X(TOKEN_COLONCOLON, 12, String, "::", NotAnOperator)                            \
    X(TOKEN_COLON, 11, Character, ":", NotAnOperator)                               \
    X(TOKEN_LPAREN, 13, Character, "(", NotAnOperator)                              \
    X(TOKEN_RPAREN, 14, Character, ")", NotAnOperator)                              \
    X(TOKEN_LBRACK, 15, Character, "[", NotAnOperator)                              \
    X(TOKEN_RBRACK, 16, Character, "]", NotAnOperator)                              \
    X(TOKEN_LCURLY, 17, Character, "{", NotAnOperator)                              \
    X(TOKEN_RCURLY, 18, Character, "}", NotAnOperator)                              \
    X(TOKEN_DOT, 19, Character, ".", NotAnOperator)                                 \
    X(TOKEN_POINTSAT, 20, String, "->", NotAnOperator)                              \
    X(TOKEN_INCREMENT, 21, String, "++", NotAnOperator)                             \
    X(TOKEN_DECREMENT, 22, String, "--", NotAnOperator)                             \
    X(TOKEN_NE, 38, String, "!=", Equality)                                         \
    X(TOKEN_LOGNOT, 24, Character, "!", NotAnOperator)                              \
    X(TOKEN_BITNOT, 23, Character, "~", NotAnOperator)                              \
    X(TOKEN_STAR_ASSIGN, 48, String, "*=", CompoundAssignment)                      \
    X(TOKEN_STAR, 25, Character, "*", Multiplicative)                               \
    X(TOKEN_DIV_ASSIGN, 49, String, "/=", CompoundAssignment)                       \
    X(TOKEN_SLASH, 26, Character, "/", Multiplicative)                              \
    X(TOKEN_MOD_ASSIGN, 50, String, "%=", CompoundAssignment)                       \
    X(TOKEN_MOD, 27, Character, "%", Multiplicative)                                \
    X(TOKEN_PLUS_ASSIGN, 46, String, "+=", CompoundAssignment)                      \
    X(TOKEN_PLUS, 28, Character, "+", Additive)                                     \
    X(TOKEN_MINUS_ASSIGN, 47, String, "-=", CompoundAssignment)                     \
    X(TOKEN_MINUS, 29, Character, "-", Additive)                                    \
    X(TOKEN_LSHIFT_ASSIGN, 52, String, "<<=", CompoundAssignment)                   \
    X(TOKEN_LSHIFT, 30, String, "<<", Shift)                                        \
    X(TOKEN_ARSHIFT_ASSIGN, 53, String, ">>>=", CompoundAssignment)                 \
    X(TOKEN_ARSHIFT, 32, String, ">>>", Shift)                                      \
    X(TOKEN_RSHIFT_ASSIGN, 51, String, ">>=", CompoundAssignment)                   \
    X(TOKEN_RSHIFT, 31, String, ">>", Shift)                                        \
    X(TOKEN_LE, 34, String, "<=", Relational)                                       \
    X(TOKEN_LT, 33, Character, "<", Relational)                                     \
    X(TOKEN_GE, 36, String, ">=", Relational)                                       \
    X(TOKEN_GT, 35, Character, ">", Relational)                                     \
    X(TOKEN_EQ, 37, String, "==", Equality)                                         \
    X(TOKEN_BITXOR_ASSIGN, 55, String, "^=", CompoundAssignment)                    \
    X(TOKEN_BITXOR, 40, Character, "^", BitXor)                                     \
    X(TOKEN_BITAND_ASSIGN, 54, String, "&=", CompoundAssignment)                    \
    X(TOKEN_LOGAND, 42, String, "&&", LogicalAnd)                                   \
    X(TOKEN_BITAND, 39, Character, "&", BitAnd)                                     \
    X(TOKEN_BITOR_ASSIGN, 56, String, "|=", CompoundAssignment)                     \
    X(TOKEN_LOGOR, 43, String, "||", LogicalOr)                                     \
    X(TOKEN_BITOR, 41, Character, "|", BitOr)                                       \
    X(TOKEN_CONDITION, 44, Character, "?", Conditional)                             \
    X(TOKEN_ASSIGN, 45, Character, "=", Assignment)                                 \
    X(TOKEN_COMMA, 57, Character, ",", Comma)                                       \
    X(TOKEN_EOL, 0, None, "", NotAnOperator)                                        \
    X(TOKEN_EOF, 1, None, "", NotAnOperator)

enum TokenType : int {
#define XMLPP_TOKEN_ENUMERATOR(type, value, kind, text, precedence) type = value,
    XMLPP_C_TOKENS(XMLPP_TOKEN_ENUMERATOR)
#undef XMLPP_TOKEN_ENUMERATOR
};

// One row of the table.
struct TokenDefinition {
    TokenType type;
    const char* name;
    TokenKind kind;
    const char* text;
    Precedence precedence;
};

// The rows in the order in which they are tried.
inline constexpr TokenDefinition CStyleTokens[] = {
#define XMLPP_TOKEN_ROW(type, value, kind, text, precedence) \
    {type, #type, TokenKind::kind, text, Precedence::precedence},
    XMLPP_C_TOKENS(XMLPP_TOKEN_ROW)
#undef XMLPP_TOKEN_ROW
};

inline constexpr std::size_t TokenTypeCount = sizeof CStyleTokens / sizeof CStyleTokens[0];

// The names of the token types by value; an entry stays null when no row
// has that value.
constexpr std::array<const char*, TokenTypeCount> tokenNamesByValue()
{
    std::array<const char*, TokenTypeCount> names{};
    for (const TokenDefinition& row : CStyleTokens)
        if (std::size_t(row.type) < TokenTypeCount)
            names[std::size_t(row.type)] = row.name;
    return names;
}

inline constexpr std::array<const char*, TokenTypeCount> TokenNames = tokenNamesByValue();

// The values are 0 to TokenTypeCount - 1, each given to one type.
constexpr bool tokenValuesAreDense()
{
    for (const char* name : TokenNames)
        if (name == nullptr)
            return false;
    return true;
}
static_assert(tokenValuesAreDense(), "every token value from 0 to the last is given to exactly one type");
static_assert(TOKEN_EOL == 0 && TOKEN_COMMA == 57 && TokenTypeCount == 58, "the fixed token numbers");
