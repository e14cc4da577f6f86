#include "app/LargeStack.h"
#include "expr/Evaluate.h"
#include "expr/ExpressionParser.h"

#include <gtest/gtest.h>

#include <chrono>
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
    ~Budget() { EXPECT_LT(std::chrono::steady_clock::now() - start_, std::chrono::seconds(20)); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Nesting recurses; the run's large stack holds the deepest nesting the
// parser accepts, and one level more fails like any parse error.
TEST(Robustness, NestingIsBoundedWithinTheLargeStack)
{
    const Budget budget;
    runOnLargeStack([] {
        EXPECT_EQ(ExpressionParser::maxNesting(), 20000);
        const int deepest = ExpressionParser::maxNesting() - 1;  // the innermost "1" is one more level
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

}  // namespace
