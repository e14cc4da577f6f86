#include "expr/Evaluate.h"
#include "expr/ExpressionParser.h"
#include "expr/ParserException.h"

#include "tests/expr/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

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
    testing::Values(Case<std::uint64_t>{"2+3*4", 14}, Case<std::uint64_t>{"0x10", 16},
                    Case<std::uint64_t>{"0b101", 5}, Case<std::uint64_t>{"010", 8},
                    Case<std::uint64_t>{"-1", AllOnes}, Case<std::uint64_t>{"7/2", 3},
                    Case<std::uint64_t>{"-7/2", AllOnes - 2}, Case<std::uint64_t>{"7%0", 7},
                    Case<std::uint64_t>{"-7%3", AllOnes}, Case<std::uint64_t>{"7%-3", 1},
                    Case<std::uint64_t>{"1<<65", 2}, Case<std::uint64_t>{"1<<-1", 0x8000000000000000},
                    Case<std::uint64_t>{"-8>>1", AllOnes - 3},
                    // Hexadecimal constants are signed, so ">>" is arithmetic.
                    Case<std::uint64_t>{"0x8000000000000000>>63", AllOnes},
                    Case<std::uint64_t>{"0xFFFFFFFFFFFFFFFF+1", 0},
                    Case<std::uint64_t>{"99999999999999999999", 0x7FFFFFFFFFFFFFFF},
                    Case<std::uint64_t>{"0x1FFFFFFFFFFFFFFFF", AllOnes},
                    Case<std::uint64_t>{"(-9223372036854775807-1)/-1", 0x8000000000000000},
                    Case<std::uint64_t>{"(-9223372036854775807-1)%-1", 0},
                    Case<std::uint64_t>{"6&3|8^1", 11}, Case<std::uint64_t>{"~0", AllOnes},
                    Case<std::uint64_t>{"1+(1<2)", 2}, Case<std::uint64_t>{"3&&2", 1}, Case<std::uint64_t>{"0||0", 0},
                    Case<std::uint64_t>{"1.5", 0x3FF8000000000000}, Case<std::uint64_t>{"1+1.5", 0x4004000000000000},
                    Case<std::uint64_t>{"7/2.0", 0x400C000000000000}, Case<std::uint64_t>{"-1.5", 0xBFF8000000000000},
                    Case<std::uint64_t>{"1.0e5", 0x3FF0000000000000},
                    // A Boolean has size 0: promoted to Float it keeps it, and
                    // the bits of a Float of size 0 are 0.
                    Case<std::uint64_t>{"(1<2)+1.5", 0},
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
    testing::Values(Case<std::uint32_t>{"1<2", 1}, Case<std::uint32_t>{"2==3", 0},
                    Case<std::uint32_t>{"(1<2)&&(2<3)", 1}, Case<std::uint32_t>{"!(1<2)", 0},
                    Case<std::uint32_t>{"3>2.5", 1}, Case<std::uint32_t>{"-1<0", 1},
                    Case<std::uint32_t>{"2<=2", 1}, Case<std::uint32_t>{"3>=4", 0},
                    Case<std::uint32_t>{"1<0xFFFFFFFFFFFFFFFF", 0}, Case<std::uint32_t>{"!0", 1},
                    Case<std::uint32_t>{"!0.0", 1}, Case<std::uint32_t>{"1 == 1 < 2", 1},
                    Case<std::uint32_t>{"\"abc\" < \"abd\"", 1}, Case<std::uint32_t>{"\"b\" > \"abc\"", 1},
                    Case<std::uint32_t>{"\"5\" == 5", 0}, Case<std::uint32_t>{"\"\" == 5", 1},
                    Case<std::uint32_t>{"\"a\\\"\" != \"a\\\"\"", 0},
                    // Boolean arithmetic works on the byte, which may leave 0 and 1.
                    Case<std::uint32_t>{"(1<2)-255", 254}, Case<std::uint32_t>{"!((1<2)-255)", 255},
                    Case<std::uint32_t>{"(1<2)^6", 7}, Case<std::uint32_t>{"(1<2)!=3", 2},
                    Case<std::uint32_t>{"(1<2)==257", 1}, Case<std::uint32_t>{"(1<2)+0", 1},
                    Case<std::uint32_t>{"(1<2)*3", 1}, Case<std::uint32_t>{"(1<2)*2", 0},
                    Case<std::uint32_t>{"(1<2)/256", 0}, Case<std::uint32_t>{"(1<2)%5", 0},
                    Case<std::uint32_t>{"(1<2)&&5", 5}, Case<std::uint32_t>{"(1<1)||6", 6},
                    Case<std::uint32_t>{"(1<2)||6", 1}, Case<std::uint32_t>{"(1<2)&2", 1}));

// A text that fails, and the message the evaluation throws with (checked
// where the message is given).
struct Failure {
    const char* text;
    const char* message = nullptr;
};

void PrintTo(const Failure& c, std::ostream* os)
{
    *os << c.text;
}

class Fails : public testing::TestWithParam<Failure> {};

// Every entry point reports the failure with ok false and the result 0.
TEST_P(Fails, InEveryEntryPoint)
{
    const char* text = GetParam().text;
    bool ok = true;
    EXPECT_EQ(evaluateInteger(text, ok), 0u);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(evaluateSigned(text, ok), 0);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(evaluateCondition(text, ok), 0u);
    EXPECT_FALSE(ok);
    if (!GetParam().message)
        return;
    try {
        SimpleExpressionParser().evaluate(QString::fromLatin1(text));
        ADD_FAILURE() << text << " evaluated";
    } catch (const ParserException& e) {
        EXPECT_EQ(e.message(), QString::fromLatin1(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, Fails,
    testing::Values(Failure{""}, Failure{"1/0", "divide by zero"}, Failure{"1.0/0"},
                    Failure{"1/(1<1)", "divide by zero"}, Failure{"1/\"a\"", "unsupported binary numeric operation"},
                    Failure{"\"a\"+1"}, Failure{"\"a\"%2", "unsupported binary numeric operation"},
                    Failure{"\"a\"&2", "unsupported binary numeric operation"},
                    Failure{"\"a\"||2", "unsupported binary numeric operation"}, Failure{"1.5%2"},
                    Failure{"~1.5", "unsupported unary num operation"},
                    Failure{"!\"a\"", "unsupported unary num operation"}, Failure{"-\"a\""},
                    Failure{"1.5<2", "unsupported comparison operation"},
                    Failure{"1<<(1<2)", "integer shift value expected"},
                    Failure{"(1<2)<<1", "can only shift numeric values"}, Failure{"1.5<<1"},
                    Failure{"0&&(1/0)"}, Failure{"1||FOO"}, Failure{"FOO+1"}, Failure{"FOO", "FOO symbol not found"},
                    Failure{"::a"}, Failure{"@r0"}, Failure{"(int)5", "cannot cast"},
                    Failure{"sizeof(int)", "sizeof(typename) not implemented"}, Failure{"sizeof 1"}, Failure{"&5"},
                    Failure{"*5"}, Failure{"5[1]", "bad expression type"}, Failure{"5[1:2]"}, Failure{"(1)(2)"},
                    Failure{"++5", "bad expression type"}, Failure{"1=2"}, Failure{"a.b"},
                    Failure{"addressof(\"a\", 1)"}, Failure{"symbolat(1)"}, Failure{"1 ? 2 : 3"},
                    Failure{"1\t"}));

TEST(EntryPoints, KindDecidesWhichEntryPointAccepts)
{
    bool ok = true;
    evaluateInteger("1<2", ok);
    EXPECT_FALSE(ok);
    evaluateInteger("\"abc\"", ok);
    EXPECT_FALSE(ok);
    evaluateCondition("1", ok);
    EXPECT_FALSE(ok);
    evaluateCondition("1&&1", ok);
    EXPECT_FALSE(ok);
}

TEST(EntryPoints, BytesAreLatin1)
{
    bool ok = false;
    EXPECT_EQ(evaluateInteger("1\xA0+\xA0" "2", ok), 3u); // no-break spaces
    EXPECT_TRUE(ok);
    EXPECT_EQ(evaluateInteger(std::string_view("4\0", 2), ok), 0u); // a NUL matches no token
    EXPECT_FALSE(ok);
    EXPECT_EQ(evaluateCondition("\"\xE9\" > \"z\"", ok), 1u); // U+00E9 orders after 'z'
    EXPECT_TRUE(ok);
}

TEST(EntryPoints, StringsCompareByCodeUnit)
{
    SimpleExpressionParser parser;
    bool ok = false;
    // U+10000 is the pair D800 DC00, which orders before E000.
    EXPECT_EQ(parser.evaluateCondition(QString::fromUtf16(u"\"\U00010000\" < \"\uE000\""), ok), 1u);
    EXPECT_TRUE(ok);
}

TEST(Value, IntegerSizesAndBitWidth)
{
    EXPECT_EQ(ExpressionValue::unsignedInteger(0xFF, 1).toSigned(), -1);
    EXPECT_EQ(ExpressionValue::signedInteger(0x7FFF, 2).toSigned(), 32767);
    EXPECT_EQ(ExpressionValue::signedInteger(0x18000, 2).toSigned(), -32768);
    EXPECT_EQ(ExpressionValue::signedInteger(0xFFFFFFFF, 4).toSigned(), -1);
    EXPECT_EQ(ExpressionValue::signedInteger(0xFF, 3).toSigned(), 255);
    EXPECT_EQ(ExpressionValue::signedInteger(0b101, 8).withBitWidth(3).toSigned(), -3);
    EXPECT_EQ(ExpressionValue::signedInteger(0b011, 1).withBitWidth(3).toSigned(), 3);
    EXPECT_EQ(ExpressionValue::signedInteger(-1, 1).toBits(), 0xFFu);
    EXPECT_EQ(ExpressionValue::signedInteger(-1, 2).toBits(), 0xFFFFu);
    EXPECT_EQ(ExpressionValue::signedInteger(-1, 4).toBits(), 0xFFFFFFFFu);
    EXPECT_EQ(ExpressionValue::signedInteger(-1, 3).toBits(), AllOnes);
    EXPECT_EQ(ExpressionValue::unsignedInteger(0x1FF, 1).toDouble(), 255.0);
    EXPECT_EQ(ExpressionValue::signedInteger(0x1FF, 1).toDouble(), -1.0);
    // A Boolean converts to its byte.
    EXPECT_EQ(ExpressionValue::unsignedInteger(7).plus(ExpressionValue::boolean(1)).payload(), 8u);
    EXPECT_EQ(ExpressionValue::boolean(0xFE).toDouble(), 254.0);
}

TEST(Value, FloatBitsBySize)
{
    EXPECT_EQ(ExpressionValue::floatingPoint(1.5, 4).toBits(), 0x3FC00000u);
    EXPECT_EQ(ExpressionValue::floatingPoint(1.5, 2).toBits(), 0x3E00u);
    EXPECT_EQ(ExpressionValue::floatingPoint(-2.0, 2).toBits(), 0xC000u);
    EXPECT_EQ(ExpressionValue::floatingPoint(0.0, 2).toBits(), 0u);
    EXPECT_EQ(ExpressionValue::floatingPoint(HUGE_VAL, 2).toBits(), 0x7C00u);
    // The rebased exponent is cut to five bits: 2^18 has 145 - 112 = 33, kept as 1,
    // and 2^-20 has 107 - 112, kept as 27.
    EXPECT_EQ(ExpressionValue::floatingPoint(262144.0, 2).toBits(), 0x0400u);
    EXPECT_EQ(ExpressionValue::floatingPoint(std::ldexp(1.0, -20), 2).toBits(), 0x6C00u);
    EXPECT_EQ(ExpressionValue::floatingPoint(1.5, 3).toBits(), 0u);
}

TEST(Value, ArithmeticKeepsTheLeftKindAndSize)
{
    const ExpressionValue sum = ExpressionValue::unsignedInteger(0xFFFFFFFF, 4).plus(ExpressionValue::signedInteger(1));
    EXPECT_EQ(sum.kind(), ValueKind::UnsignedInteger);
    EXPECT_EQ(sum.size(), 4u);
    EXPECT_EQ(sum.payload(), 0x100000000u); // the whole payload takes part
    EXPECT_EQ(sum.toBits(), 0u);
    const ExpressionValue allOnes = ExpressionValue::unsignedInteger(AllOnes);
    EXPECT_EQ(allOnes.divide(ExpressionValue::signedInteger(2)).payload(), 0x7FFFFFFFFFFFFFFFu);
    EXPECT_EQ(allOnes.shiftRight(ExpressionValue::signedInteger(63)).payload(), 1u);
    EXPECT_EQ(allOnes.greater(ExpressionValue::signedInteger(1)).lowByte(), 1u);
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 2).negate().toBits(), 0xFFFFu);
    // A divisor that is 0 only after sign extension divides to 0, no error.
    EXPECT_EQ(ExpressionValue::signedInteger(7).divide(ExpressionValue::signedInteger(0x100, 1)).payload(), 0u);
    EXPECT_EQ(ExpressionValue::floatingPoint(1.0, 4).plus(ExpressionValue::signedInteger(1)).size(), 4u);
}

// A target that resolves "x" to an object, to reach the paths that need one.
class ObjectParser : public SimpleExpressionParser {
public:
    struct Variable : TargetObject {
        ExpressionValue load() const override { return ExpressionValue::signedInteger(41); }
    };
    ExpressionValue lookupName(const QString& name) override
    {
        if (name == QLatin1String("x"))
            return ExpressionValue::object(std::make_shared<Variable>());
        return SimpleExpressionParser::lookupName(name);
    }
    QString failure(const char* text)
    {
        try {
            evaluate(QString::fromLatin1(text));
        } catch (const ParserException& e) {
            return e.message();
        }
        return QString();
    }
};

TEST(Target, OperatorsLoadObjectsAndTargetOperationsReportTheirMessages)
{
    ObjectParser parser;
    bool ok = false;
    EXPECT_EQ(parser.evaluateInteger(QStringLiteral("x+1"), ok), 42u);
    EXPECT_TRUE(ok);
    EXPECT_EQ(parser.failure("y"), QStringLiteral("y symbol not found"));
    EXPECT_EQ(parser.failure("a::b"), QStringLiteral("a::b symbol not found"));
    EXPECT_EQ(parser.failure("@r1"), QStringLiteral("r1unknown register"));
    EXPECT_EQ(parser.failure("sizeof x"), QStringLiteral("sizeof expression not implemented"));
    EXPECT_EQ(parser.failure("sizeof 1"), QStringLiteral("cannot determine sizeof of a constant"));
    EXPECT_EQ(parser.failure("&x"), QStringLiteral("addressof not implemented"));
    EXPECT_EQ(parser.failure("&1"), QStringLiteral("cannot take address of a constant"));
    EXPECT_EQ(parser.failure("x = 1"), QStringLiteral("this symbol not found"));
    EXPECT_EQ(parser.failure("x.a"), QStringLiteral("cannot dereference"));
    EXPECT_EQ(parser.failure("x[1]"), QStringLiteral("cannot dereference"));
    EXPECT_EQ(parser.failure("x[1:2]"), QStringLiteral("cannot array slice"));
    EXPECT_EQ(parser.failure("x(1)"), QStringLiteral("function calling not implemented"));
    EXPECT_EQ(parser.failure("(char)x"), QStringLiteral("cannot cast"));
    EXPECT_EQ(parser.failure("symbolat(x)"), QStringLiteral("symbolat not implemented"));
    EXPECT_EQ(parser.failure("addressof(\"f\", 1)"), QStringLiteral("addressof not implemented"));
    EXPECT_EQ(parser.failure("1.x"), QStringLiteral("bad expression type"));
}

} // namespace
