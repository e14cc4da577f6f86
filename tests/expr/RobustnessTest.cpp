#include "app/LargeStack.h"
#include "expr/Evaluate.h"
#include "expr/ExpressionParser.h"
#include "expr/ParserException.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

namespace {

std::string repeated(const std::string& piece, int count)
{
    std::string text;
    text.reserve(piece.size() * count);
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

std::string chainOf(int operators)
{
    return "1" + repeated("+1", operators);
}

struct Outcome {
    bool ok;
    std::int64_t value;
};

Outcome evaluated(const std::string& text)
{
    Outcome outcome{};
    outcome.value = evaluateSigned(text, outcome.ok);
    return outcome;
}

// Generous: these inputs take milliseconds in an optimised build; the bound
// only catches a quadratic or exponential slip, with room for sanitizers.
class Budget {
public:
    ~Budget()
    {
        EXPECT_LT(std::chrono::steady_clock::now() - start_, std::chrono::seconds(20));
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Nesting recurses; the run's large stack holds the deepest nesting the
// parser accepts, and one level more fails like any parse error.
TEST(Robustness, NestingIsBoundedWithinTheLargeStack)
{
    const Budget budget;
    runOnLargeStack([] {
        const int deepest = ExpressionParser::MaxNesting - 1;  // the innermost "1" is one more level
        const Outcome inside = evaluated(std::string(deepest, '(') + "1" + std::string(deepest, ')'));
        EXPECT_TRUE(inside.ok);
        EXPECT_EQ(inside.value, 1);
        EXPECT_FALSE(evaluated(std::string(deepest + 1, '(') + "1" + std::string(deepest + 1, ')')).ok);
        const Outcome negations = evaluated(repeated("- ", deepest) + "1");  // "--" would be a decrement
        EXPECT_TRUE(negations.ok);
        EXPECT_EQ(negations.value, -1);
        EXPECT_FALSE(evaluated(std::string(1000000, '(')).ok);
        EXPECT_FALSE(evaluated(std::string(1000000, '!') + "1").ok);
        EXPECT_FALSE(evaluated(repeated("(int*)", 1000000) + "1").ok);
        EXPECT_FALSE(evaluated("(int" + std::string(1000000, '*') + ")1").ok);
        return 0;
    });
}

// Ten thousand levels of parentheses around the left operand (a left-deep
// tree) and around the right one (a right-deep tree, evaluated by
// recursion), and ten thousand prefix operators.
TEST(Robustness, TenThousandNestedLevelsEvaluate)
{
    const Budget budget;
    runOnLargeStack([] {
        const int levels = 10000;
        const Outcome leftDeep = evaluated(std::string(levels, '(') + "1" + repeated("+2)", levels));
        EXPECT_TRUE(leftDeep.ok);
        EXPECT_EQ(leftDeep.value, 1 + 2 * levels);
        const Outcome rightDeep = evaluated(repeated("3-(", levels) + "1" + std::string(levels, ')'));
        EXPECT_TRUE(rightDeep.ok);
        EXPECT_EQ(rightDeep.value, 1);  // 3-(3-(...(3-1)...)): 2, 1, 2, 1, ... ending in 1 for an even count
        bool conditionOk = false;
        EXPECT_EQ(evaluateCondition(std::string(levels, '!') + "(1<2)", conditionOk), 1u);
        EXPECT_TRUE(conditionOk);
        EXPECT_EQ(evaluateCondition(std::string(levels + 1, '!') + "(1<2)", conditionOk), 0u);
        EXPECT_TRUE(conditionOk);
        return 0;
    });
}

// Chains of operators of one level build trees as deep as they are long;
// they are evaluated, copied and released without recursion, so they run
// on the test's ordinary stack, in time linear in their length.
TEST(Robustness, LongChainsNeedNoRecursion)
{
    const Budget budget;
    const Outcome chain = evaluated(chainOf(99999));
    EXPECT_TRUE(chain.ok);
    EXPECT_EQ(chain.value, 100000);
    const Outcome mixed = evaluated(repeated("2*3+", 20000) + "0");
    EXPECT_TRUE(mixed.ok);
    EXPECT_EQ(mixed.value, 120000);
    bool ok = false;
    EXPECT_EQ(evaluateCondition(repeated("1<2 == ", 20000) + "(1<2)", ok), 1u);
    EXPECT_TRUE(ok);

    EXPECT_FALSE(evaluated("a" + repeated(".b", 20000)).ok);
    EXPECT_FALSE(evaluated("a" + repeated("[0]", 20000) + " += 1").ok);  // the target is copied
    EXPECT_FALSE(evaluated("f" + repeated("()", 20000)).ok);
    EXPECT_FALSE(evaluated("f(" + repeated("1 ", 20000) + ")").ok);

    SimpleExpressionParser parser;
    const ExpressionPtr tree = parser.parse(QString::fromStdString("a" + repeated(".b", 20000)));
    const ExpressionPtr copy = tree->clone();
    EXPECT_NE(copy.get(), tree.get());
}

TEST(Robustness, LongFlatInputsStayLinear)
{
    const Budget budget;
    EXPECT_EQ(evaluated(std::string(1000000, ' ') + "7").value, 7);
    EXPECT_EQ(evaluated(std::string(1000000, '\xA0') + "7").value, 7);
    EXPECT_EQ(evaluated(std::string(1000000, '9')).value, INT64_MAX);
    EXPECT_FALSE(evaluated("\"" + std::string(1000000, 'a')).ok);
    EXPECT_FALSE(evaluated(std::string(1000000, 'x') + " + ").ok);
}

// Whatever the bytes, the entry points agree with each other and report
// failure as ok false with 0.
void checkContract(const std::string& text)
{
    bool integerOk = true;
    bool signedOk = true;
    bool conditionOk = true;
    const std::uint64_t integer = evaluateInteger(text, integerOk);
    const std::int64_t signedValue = evaluateSigned(text, signedOk);
    const std::uint32_t condition = evaluateCondition(text, conditionOk);
    EXPECT_EQ(integerOk, signedOk) << text;
    EXPECT_FALSE(conditionOk && integerOk) << text;
    EXPECT_TRUE(integerOk || integer == 0) << text;
    EXPECT_TRUE(signedOk || signedValue == 0) << text;
    EXPECT_TRUE(conditionOk || condition == 0) << text;
}

TEST(Robustness, RandomBytes)
{
    const Budget budget;
    std::mt19937 random(20240611);
    std::string huge(1000000, '\0');
    for (char& c : huge)
        c = static_cast<char>(random());
    checkContract(huge);

    const std::string alphabet = "0123456789abxXL.+-*/%<>=!&|^~?:;,()[]{}\"\\@$ \t\xA0\xFF";
    for (int i = 0; i < 3000; ++i) {
        std::string text(random() % 24, ' ');
        for (char& c : text)
            c = i % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        checkContract(text);
    }
}

TEST(Robustness, LoneSurrogatesMatchNoToken)
{
    SimpleExpressionParser parser;
    bool ok = true;
    parser.evaluateInteger(QString::fromUtf16(u"1 + ") + QChar(0xD800), ok);
    EXPECT_FALSE(ok);
    parser.evaluateInteger(QStringLiteral("0x1") + QChar(0xDC00) + QStringLiteral("2"), ok);
    EXPECT_FALSE(ok);
    const QString loner = QStringLiteral("\"") + QChar(0xD800) + QStringLiteral("\"");
    EXPECT_EQ(parser.evaluateCondition(loner + QStringLiteral(" == ") + loner, ok), 1u);
    EXPECT_TRUE(ok);
}

} // namespace
