#include "expr/Expression.h"

#include "expr/OperatorExpression.h"
#include "expr/ParserException.h"

#include <algorithm>

int Expression::depthAbove(int childDepth)
{
    if (childDepth >= MaxDepth)
        throw ParserException(QStringLiteral("expression nested too deeply"));
    return childDepth + 1;
}

void Expression::adoptDepth(int childDepth)
{
    depth_ = std::max(depth_, depthAbove(childDepth));
}

void Expression::walk(const ExpressionVisitor&) const {}

ExpressionPtr Expression::clone() const
{
    throw ParserException(QStringLiteral("cannot duplicate expression"));
}

QString ConstantExpression::toString() const
{
    return QStringLiteral("0x") + QString::number(value_.toBits(), 16);
}

ExpressionPtr ConstantExpression::clone() const
{
    return std::make_unique<ConstantExpression>(parser(), value_);
}

ExpressionPtr IntegerConstantExpression::clone() const
{
    return std::make_unique<IntegerConstantExpression>(parser(), integer_);
}

ExpressionPtr FloatConstantExpression::clone() const
{
    return std::make_unique<FloatConstantExpression>(parser(), number_);
}

QString StringConstantExpression::toString() const
{
    return QLatin1Char('"') + text_ + QLatin1Char('"');
}

ExpressionPtr StringConstantExpression::clone() const
{
    return std::make_unique<StringConstantExpression>(parser(), text_);
}

UnaryExpression::UnaryExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{
    adoptDepth(*operand_);
}

QString UnaryExpression::toString() const
{
    return QLatin1String(symbol()) + operand_->toString();
}

BinaryExpression::BinaryExpression(ExpressionParser* parser, ExpressionPtr left, ExpressionPtr right)
    : Expression(parser), left_(std::move(left)), right_(std::move(right))
{
    adoptDepth(*left_);
    adoptDepth(*right_);
}

void BinaryExpression::walk(const ExpressionVisitor& visit) const
{
    visit(*left_);
    visit(*right_);
}

QString BinaryExpression::toString() const
{
    return QLatin1Char('(') + left_->toString() + QLatin1Char(' ') + QLatin1String(symbol())
           + QLatin1Char(' ') + right_->toString() + QLatin1Char(')');
}

ExpressionValue BinaryExpression::combine(Operation operation) const
{
    const ExpressionValue l = left_->evaluate().load();
    const ExpressionValue r = right_->evaluate().load();
    return (l.*operation)(r);
}
