#include "expr/ExpressionParser.h"
#include "expr/ParserException.h"

#include "QStringPrinter.h"

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

INSTANTIATE_TEST_SUITE_P(Grouping, Parse,
                         testing::Values(ParseCase{u"1 + 2 * 3", u"(0x1 + (0x2 * 0x3))"},
                                         ParseCase{u"10 - 4 - 3", u"((0xa - 0x4) - 0x3)"},
                                         ParseCase{u"1 << 2 + 1", u"(0x1 << (0x2 + 0x1))"},
                                         ParseCase{u"1 < 2 << 3", u"(0x1 < (0x2 << 0x3))"},
                                         ParseCase{u"1 == 1 < 2", u"(0x1 == (0x1 < 0x2))"},
                                         ParseCase{u"1 & 2 == 3", u"(0x1 & (0x2 == 0x3))"},
                                         ParseCase{u"1 | 2 ^ 3 & 4", u"(0x1 | (0x2 ^ (0x3 & 0x4)))"},
                                         ParseCase{u"1 || 2 && 3 | 4", u"(0x1 || (0x2 && (0x3 | 0x4)))"},
                                         ParseCase{u"1 && 2 || 3 && 4", u"((0x1 && 0x2) || (0x3 && 0x4))"},
                                         ParseCase{u"-2 * 3", u"(-0x2 * 0x3)"}, ParseCase{u"~+-!5", u"~-!0x5"},
                                         ParseCase{u"1 2", u"0x1"}, ParseCase{u"1 ) x", u"0x1"},
                                         ParseCase{u"1 ; x", u"0x1"}, ParseCase{u"", u"(none)"}));

// Operators the lexer knows but the parser rejects, and incomplete texts:
// they must fail rather than give a value.
INSTANTIATE_TEST_SUITE_P(Errors, Parse,
                         testing::Values(ParseCase{u"1 ? 2 : 3", u"! operator not supported"},
                                         ParseCase{u"1, 2", u"! operator not supported"},
                                         ParseCase{u"8 >>> 1", u"! operator not supported"},
                                         // The right operand is parsed before the operator is rejected.
                                         ParseCase{u"1 ? )", u"! unexpected token TOKEN_RPAREN"},
                                         ParseCase{u"1 +", u"! unexpected token TOKEN_EOL"},
                                         ParseCase{u"   ", u"! unexpected token TOKEN_EOL"},
                                         ParseCase{u"( 1", u"! ')' expected"},
                                         ParseCase{u"1 + \"abc", u"! unrecognised token: \"abc"}));

}  // namespace
