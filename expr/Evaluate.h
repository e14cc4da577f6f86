#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Expression evaluation for callers that hold byte strings (the directive
// processor). Each call builds its own SimpleExpressionParser.
//
// The bytes are turned into characters one for one, as Latin-1: byte 0xA0
// becomes U+00A0, a no-break space, which the lexer skips like an ordinary
// space, and every other byte above 0x7F becomes a character that no token
// accepts. No other character-set conversion takes place.
//
// As with the parser's own entry points, nothing is thrown: on failure ok is
// false and the result 0, and failure, when given, receives the evaluator's
// message (UTF-8).
std::uint64_t evaluateInteger(std::string_view text, bool& ok, std::string* failure = nullptr);
std::int64_t evaluateSigned(std::string_view text, bool& ok, std::string* failure = nullptr);
std::uint32_t evaluateCondition(std::string_view text, bool& ok, std::string* failure = nullptr);

// The evaluator's failure message with the names of token types put in
// plain words, for a reader who never saw the token table: "unexpected
// token TOKEN_RPAREN" reads "unexpected ')'", and a text that ends after an
// operator "the expression ends too early".
std::string plainFailureWords(std::string_view message);
