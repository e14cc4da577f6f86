#include "expr/ExpressionParser.h"
#include "expr/ParserException.h"

#include "tests/expr/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// The printed tree, or "! message" when the parse fails.
QString parsed(const char16_t* text)
{
    SimpleExpressionParser parser;
    try {
        const ExpressionPtr tree = parser.parse(QString::fromUtf16(text));
        return tree ? tree->toString() : QStringLiteral("(none)");
    } catch (const ParserException& e) {
        return QStringLiteral("! ") + e.message();
    }
}

struct ParseCase {
    const char16_t* text;
    const char16_t* expected;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << QString::fromUtf16(c.text).toStdString();
}

class Parse : public testing::TestWithParam<ParseCase> {};

TEST_P(Parse, BuildsTheExpectedTreeOrError)
{
    EXPECT_EQ(parsed(GetParam().text), QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Grouping, Parse,
    testing::Values(ParseCase{u"1 + 2 * 3", u"(0x1 + (0x2 * 0x3))"},
                    ParseCase{u"10 - 4 - 3", u"((0xa - 0x4) - 0x3)"},
                    ParseCase{u"1 << 2 + 1", u"(0x1 << (0x2 + 0x1))"},
                    ParseCase{u"1 < 2 << 3", u"(0x1 < (0x2 << 0x3))"},
                    ParseCase{u"1 == 1 < 2", u"(0x1 == (0x1 < 0x2))"},
                    ParseCase{u"1 & 2 == 3", u"(0x1 & (0x2 == 0x3))"},
                    ParseCase{u"1 | 2 ^ 3 & 4", u"(0x1 | (0x2 ^ (0x3 & 0x4)))"},
                    ParseCase{u"1 || 2 && 3 | 4", u"(0x1 || (0x2 && (0x3 | 0x4)))"},
                    ParseCase{u"1 && 2 || 3 && 4", u"((0x1 && 0x2) || (0x3 && 0x4))"},
                    ParseCase{u"a = b = c", u"((a = b) = c)"},
                    ParseCase{u"a |= b + 1", u"(a = (a | (b + 0x1)))"},
                    ParseCase{u"-2 * 3", u"(-0x2 * 0x3)"},
                    ParseCase{u"!a == b", u"(!a == b)"},
                    ParseCase{u"-a[1]", u"-a[0x1]"},
                    ParseCase{u"~+-!5", u"~-!0x5"},
                    ParseCase{u"x++", u"(x = (x + 0x1))"},
                    ParseCase{u"++5", u"(0x5 = (0x5 + 0x1))"},
                    ParseCase{u"*p", u"p[0x0]"},
                    ParseCase{u"&x", u"&x"},
                    ParseCase{u"a.b", u"(a . b)"},
                    ParseCase{u"a->b", u"(a . b)"},
                    ParseCase{u"a.*b", u"(a .* b)"},
                    ParseCase{u"(a)::b", u"(a . b)"},
                    ParseCase{u"a::b::c", u"a::b::c"},
                    ParseCase{u"::a", u"a"},
                    ParseCase{u"a[1:2][3]", u"a[0x1:0x2][0x3]"},
                    // Call arguments are unary expressions and commas are optional.
                    ParseCase{u"f(1 2, 3)", u"f(0x1, 0x2, 0x3)"},
                    ParseCase{u"f(1 + 2)", u"f(0x1, 0x2)"},
                    ParseCase{u"sizeof 1 + 2", u"sizeof((0x1 + 0x2))"},
                    ParseCase{u"sizeof(1) + 2", u"(sizeof(0x1) + 0x2)"},
                    ParseCase{u"sizeof(unsigned char*)", u"sizeof(unsigned char*)"},
                    ParseCase{u"addressof(\"f.c\", 12)", u"addressof(\"f.c\", 12)"},
                    ParseCase{u"symbolat(1)", u"symbolat(0x1)"},
                    ParseCase{u"@r0", u"@r0"},
                    ParseCase{u"\"a\\\"b\"", u"\"a\\\"b\""},
                    ParseCase{u"0xFFFFFFFFFFFFFFFF", u"0xffffffffffffffff"},
                    ParseCase{u"1 2", u"0x1"},
                    ParseCase{u"1 ) x", u"0x1"},
                    ParseCase{u"1 ; x", u"0x1"},
                    ParseCase{u"", u"(none)"}));

INSTANTIATE_TEST_SUITE_P(
    Types, Parse,
    testing::Values(ParseCase{u"(int) 5", u"((int) 0x5)"},
                    ParseCase{u"(const) 5", u"((int) 0x5)"},
                    ParseCase{u"(unsigned) 5", u"((unsigned int) 0x5)"},
                    ParseCase{u"(signed char) 5", u"((char) 0x5)"},
                    ParseCase{u"(long) 5", u"((long) 0x5)"},
                    ParseCase{u"(long int) 5", u"((int) 0x5)"},
                    ParseCase{u"(long double) 5", u"((double) 0x5)"},
                    ParseCase{u"(unsigned long long) 5", u"((unsigned long long) 0x5)"},
                    ParseCase{u"(volatile float**) 5", u"((float**) 0x5)"},
                    ParseCase{u"(char[4][2]) 5", u"((char[0x4][0x2]) 0x5)"},
                    ParseCase{u"(x) 5", u"x"},
                    ParseCase{u"(struct { int a : 3; char; }) 1", u"((struct { int a : 3; char; }) 0x1)"},
                    ParseCase{u"(register 4 a 0 1 \"b\" 1 3;) 1", u"((register 4 a 0 1 b 1 3;) 0x1)"}));

INSTANTIATE_TEST_SUITE_P(
    Errors, Parse,
    testing::Values(ParseCase{u"1 ? 2 : 3", u"! operator not supported"},
                    ParseCase{u"1, 2", u"! operator not supported"},
                    ParseCase{u"8 >>> 1", u"! operator not supported"},
                    ParseCase{u"a >>>= 1", u"! operator not supported"},
                    // The right operand is parsed before the operator is rejected.
                    ParseCase{u"1 ? )", u"! unexpected token TOKEN_RPAREN"},
                    ParseCase{u"1 +", u"! unexpected token TOKEN_EOL"},
                    ParseCase{u"   ", u"! unexpected token TOKEN_EOL"},
                    ParseCase{u")", u"! unexpected token TOKEN_RPAREN"},
                    ParseCase{u"f(1,", u"! unexpected token TOKEN_EOL"},
                    ParseCase{u"( 1", u"! ')' expected"},
                    ParseCase{u"(long long int) 5", u"! ')' expected"},
                    ParseCase{u"(short int) 5", u"! ')' expected"},
                    ParseCase{u"sizeof(int", u"! ')' expected"},
                    ParseCase{u"++(1 + 2)", u"! cannot duplicate expression"},
                    ParseCase{u"(1 + 2) += 1", u"! cannot duplicate expression"},
                    ParseCase{u"(-x)++", u"! cannot duplicate expression"},
                    ParseCase{u"a[1", u"! expected ']'"},
                    ParseCase{u"a[1:2", u"! expected ']'"},
                    ParseCase{u"(int[2) 1", u"! ']' expected"},
                    ParseCase{u"a.", u"! identifier expected"},
                    ParseCase{u"a::1", u"! identifier expected"},
                    ParseCase{u"::", u"! identifier expected"},
                    ParseCase{u"(int::x) 1", u"! UserType expected"},
                    ParseCase{u"(struct foo) 1", u"! struct type not found"},
                    ParseCase{u"(struct 1", u"! '{' expected"},
                    ParseCase{u"(struct { 1 }) 1", u"! struct parse error"},
                    ParseCase{u"(struct { int a }) 1", u"! ';' expected"},
                    ParseCase{u"(struct { int a : b; }) 1", u"! integer must follow ':'"},
                    ParseCase{u"(register x", u"! size expected"},
                    ParseCase{u"(register 4 1", u"! fieldname expected"},
                    ParseCase{u"(register 4 a b", u"! bitoffset expected"},
                    ParseCase{u"(register 4 a 0 b", u"! bitsize expected"},
                    ParseCase{u"addressof 1", u"! '(' expected"},
                    ParseCase{u"addressof(1", u"! string expected"},
                    ParseCase{u"addressof(\"a\" 1", u"! ',' expected"},
                    ParseCase{u"addressof(\"a\", x", u"! int expected"},
                    ParseCase{u"addressof(\"a\", 1", u"! ')' expected"},
                    ParseCase{u"symbolat 1", u"! '(' expected"},
                    ParseCase{u"symbolat(1", u"! ')' expected"},
                    ParseCase{u"1 + \"abc", u"! unrecognised token: \"abc"}));

TEST(Parser, EndPositionIsWhereTheLexerStopped)
{
    SimpleExpressionParser parser;
    int end = -1;
    parser.parse(QStringLiteral("1 2 3"), &end);
    EXPECT_EQ(end, 3); // the token after the expression has been read
    parser.parse(QStringLiteral("1+2"), &end);
    EXPECT_EQ(end, 3);
}

TEST(Parser, CopiesAreDeepAndIndependent)
{
    SimpleExpressionParser parser;
    ExpressionPtr copy;
    {
        const ExpressionPtr tree = parser.parse(QStringLiteral("a.b[1][\"s\"]"));
        copy = tree->clone();
    }
    EXPECT_EQ(copy->toString(), QStringLiteral("(a . b)[0x1][\"s\"]"));
}

} // namespace
