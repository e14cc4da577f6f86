// The values of expressions through the three entry points the directives
// use: integers, signed integers and conditions, and the failures that give
// ok false.
#include "expr/Evaluate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr std::uint64_t AllOnes = ~std::uint64_t(0);

template <typename Result>
struct Case {
    const char* text;
    Result expected;
};

template <typename Result>
void PrintTo(const Case<Result>& c, std::ostream* os)
{
    *os << c.text;
}

class Integer : public testing::TestWithParam<Case<std::uint64_t>> {};

TEST_P(Integer, Evaluates)
{
    bool ok = false;
    EXPECT_EQ(evaluateInteger(GetParam().text, ok), GetParam().expected);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Integer,
    testing::Values(Case<std::uint64_t>{"2+3*4", 14}, Case<std::uint64_t>{"0x10", 16}, Case<std::uint64_t>{"0b101", 5},
                    Case<std::uint64_t>{"010", 8}, Case<std::uint64_t>{"10UL", 10}, Case<std::uint64_t>{"09", 0},
                    Case<std::uint64_t>{"0x", 0}, Case<std::uint64_t>{"0b", 0}, Case<std::uint64_t>{"-1", AllOnes},
                    Case<std::uint64_t>{"7/2", 3}, Case<std::uint64_t>{"-7/2", AllOnes - 2},
                    Case<std::uint64_t>{"7%0", 7}, Case<std::uint64_t>{"-7%3", AllOnes}, Case<std::uint64_t>{"7%-3", 1},
                    Case<std::uint64_t>{"1<<65", 2}, Case<std::uint64_t>{"1<<-1", 0x8000000000000000},
                    Case<std::uint64_t>{"-8>>1", AllOnes - 3},
                    // Hexadecimal constants are signed, so ">>" is arithmetic.
                    Case<std::uint64_t>{"0x8000000000000000>>63", AllOnes},
                    Case<std::uint64_t>{"0xFFFFFFFFFFFFFFFF+1", 0},
                    Case<std::uint64_t>{"99999999999999999999", 0x7FFFFFFFFFFFFFFF},
                    Case<std::uint64_t>{"0x1FFFFFFFFFFFFFFFF", AllOnes},
                    Case<std::uint64_t>{"(-9223372036854775807-1)/-1", 0x8000000000000000},
                    Case<std::uint64_t>{"(-9223372036854775807-1)%-1", 0}, Case<std::uint64_t>{"6&3|8^1", 11},
                    Case<std::uint64_t>{"~0", AllOnes}, Case<std::uint64_t>{"1+(1<2)", 2},
                    Case<std::uint64_t>{"3&&2", 1}, Case<std::uint64_t>{"0||0", 0},
                    // The bits of a Float; a Boolean has size 0: promoted to Float
                    // it keeps it, and the bits of a Float of size 0 are 0.
                    Case<std::uint64_t>{"1+1.5", 0x4004000000000000}, Case<std::uint64_t>{"(1<2)+1.5", 0},
                    // Negating a Boolean gives a SignedInteger of size 0: all 64 bits.
                    Case<std::uint64_t>{"-(1<2)", AllOnes}, Case<std::uint64_t>{"1 2", 1}));

class Signed : public testing::TestWithParam<Case<std::int64_t>> {};

TEST_P(Signed, Evaluates)
{
    bool ok = false;
    EXPECT_EQ(evaluateSigned(GetParam().text, ok), GetParam().expected);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Signed,
    testing::Values(Case<std::int64_t>{"-7/2", -3}, Case<std::int64_t>{"7/2.0", 3}, Case<std::int64_t>{"5%2.5", 1},
                    Case<std::int64_t>{"-7.9", -7}, Case<std::int64_t>{"0xFFFFFFFFFFFFFFFF", -1},
                    Case<std::int64_t>{"-(1<2)", -1}, Case<std::int64_t>{"2.5*-2", -5},
                    // Out of the signed range: the most negative value.
                    Case<std::int64_t>{"99999999999999999999.0", std::numeric_limits<std::int64_t>::min()}));

class Condition : public testing::TestWithParam<Case<std::uint32_t>> {};

TEST_P(Condition, Evaluates)
{
    bool ok = false;
    EXPECT_EQ(evaluateCondition(GetParam().text, ok), GetParam().expected);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Condition,
    testing::Values(
        Case<std::uint32_t>{"1<2", 1}, Case<std::uint32_t>{"2==3", 0}, Case<std::uint32_t>{"(1<2)&&(2<3)", 1},
        Case<std::uint32_t>{"!(1<2)", 0}, Case<std::uint32_t>{"3>2.5", 1}, Case<std::uint32_t>{"-1<0", 1},
        Case<std::uint32_t>{"2<=2", 1}, Case<std::uint32_t>{"3>=4", 0}, Case<std::uint32_t>{"1<0xFFFFFFFFFFFFFFFF", 0},
        Case<std::uint32_t>{"!0", 1}, Case<std::uint32_t>{"!0.0", 1}, Case<std::uint32_t>{"1 == 1 < 2", 1},
        Case<std::uint32_t>{"\"abc\" < \"abd\"", 1}, Case<std::uint32_t>{"\"b\" > \"abc\"", 1},
        Case<std::uint32_t>{"\"5\" == 5", 0}, Case<std::uint32_t>{"\"\" == 5", 1},
        Case<std::uint32_t>{"\"a\\\"\" != \"a\\\"\"", 0},
        // Boolean arithmetic works on the byte, which may leave 0 and 1.
        Case<std::uint32_t>{"(1<2)-255", 254}, Case<std::uint32_t>{"!((1<2)-255)", 255},
        Case<std::uint32_t>{"(1<2)^6", 7}, Case<std::uint32_t>{"(1<2)!=3", 2}, Case<std::uint32_t>{"(1<2)==257", 1},
        Case<std::uint32_t>{"(1<2)+0", 1}, Case<std::uint32_t>{"(1<2)*3", 1}, Case<std::uint32_t>{"(1<2)*2", 0},
        Case<std::uint32_t>{"(1<2)/256", 0}, Case<std::uint32_t>{"(1<2)%5", 0}, Case<std::uint32_t>{"(1<2)&&5", 5},
        Case<std::uint32_t>{"(1<1)||6", 6}, Case<std::uint32_t>{"(1<2)||6", 1}, Case<std::uint32_t>{"(1<2)&2", 1}));

class Fails : public testing::TestWithParam<const char*> {};

// Every entry point reports a failure with ok false and the result 0.
TEST_P(Fails, InEveryEntryPoint)
{
    bool ok = true;
    EXPECT_EQ(evaluateInteger(GetParam(), ok), 0u);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(evaluateSigned(GetParam(), ok), 0);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(evaluateCondition(GetParam(), ok), 0u);
    EXPECT_FALSE(ok);
}

INSTANTIATE_TEST_SUITE_P(Errors, Fails,
                         testing::Values("", "1/0", "1.0/0", "1/(1<1)", "1/\"a\"", "\"a\"+1", "\"a\"%2", "\"a\"&2",
                                         "\"a\"||2", "1.5%2", "~1.5", "!\"a\"", "-\"a\"", "1.5<2", "1<<(1<2)",
                                         "(1<2)<<1", "1.5<<1", "0&&(1/0)", "1||FOO", "FOO+1", "FOO", "::a", "@r0",
                                         "(int)5", "sizeof(int)", "sizeof 1", "&5", "*5", "5[1]", "5[1:2]", "(1)(2)",
                                         "++5", "1=2", "a.b", "addressof(\"a\", 1)", "symbolat(1)", "1 ? 2 : 3", "1\t",
                                         "1\n", "a # b", "\"abc", "\"a\\\\\"b"));

TEST(EntryPoints, BytesAreLatin1)
{
    bool ok = false;
    EXPECT_EQ(evaluateInteger("1\xA0+\xA0"
                              "2",
                              ok),
              3u);  // no-break spaces
    EXPECT_TRUE(ok);
    EXPECT_EQ(evaluateInteger(std::string_view("4\0", 2), ok), 0u);  // a NUL matches no token
    EXPECT_FALSE(ok);
    EXPECT_EQ(evaluateCondition("\"\xE9\" > \"z\"", ok), 1u);  // U+00E9 orders after 'z'
    EXPECT_TRUE(ok);
}

}  // namespace
