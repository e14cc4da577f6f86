#include "expr/Expression.h"

#include "expr/OperatorExpression.h"
#include "expr/ParserException.h"

void ExpressionDeleter::operator()(Expression* root) const
{
    std::vector<Expression*> pending{root};
    while (!pending.empty()) {
        Expression* node = pending.back();
        pending.pop_back();
        if (node == nullptr)
            continue;
        node->releaseOperands(pending);
        delete node;
    }
}

// Down the chain of first operands, then back up, each node completing its
// value with the one below.
ExpressionValue Expression::evaluate() const
{
    std::vector<const Expression*> chain;
    const Expression* node = this;
    for (const Expression* first = node->firstOperand(); first != nullptr; first = node->firstOperand()) {
        chain.push_back(node);
        node = first;
    }
    ExpressionValue value = node->evaluateWith(ExpressionValue());
    while (!chain.empty()) {
        value = chain.back()->evaluateWith(std::move(value));
        chain.pop_back();
    }
    return value;
}

ExpressionPtr Expression::clone() const
{
    std::vector<const Expression*> chain;
    const Expression* node = this;
    for (const Expression* first = node->firstOperand(); first != nullptr; first = node->firstOperand()) {
        chain.push_back(node);
        node = first;
    }
    ExpressionPtr copy = node->cloneWith(nullptr);
    while (!chain.empty()) {
        copy = chain.back()->cloneWith(std::move(copy));
        chain.pop_back();
    }
    return copy;
}

void Expression::walk(const ExpressionVisitor&) const {}

ExpressionPtr Expression::cloneWith(ExpressionPtr) const
{
    throw ParserException(QStringLiteral("cannot duplicate expression"));
}

void Expression::releaseOperands(std::vector<Expression*>&) {}

QString ConstantExpression::toString() const
{
    return QStringLiteral("0x") + QString::number(value_.toBits(), 16);
}

ExpressionPtr ConstantExpression::cloneWith(ExpressionPtr) const
{
    return std::make_unique<ConstantExpression>(parser(), value_);
}

ExpressionPtr IntegerConstantExpression::cloneWith(ExpressionPtr) const
{
    return std::make_unique<IntegerConstantExpression>(parser(), integer_);
}

ExpressionPtr FloatConstantExpression::cloneWith(ExpressionPtr) const
{
    return std::make_unique<FloatConstantExpression>(parser(), number_);
}

QString StringConstantExpression::toString() const
{
    return QLatin1Char('"') + text_ + QLatin1Char('"');
}

ExpressionPtr StringConstantExpression::cloneWith(ExpressionPtr) const
{
    return std::make_unique<StringConstantExpression>(parser(), text_);
}

UnaryExpression::UnaryExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{}

QString UnaryExpression::toString() const
{
    return QLatin1String(symbol()) + operand_->toString();
}

void UnaryExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(operand_.release());
}

BinaryExpression::BinaryExpression(ExpressionParser* parser, ExpressionPtr left, ExpressionPtr right)
    : Expression(parser), left_(std::move(left)), right_(std::move(right))
{}

void BinaryExpression::walk(const ExpressionVisitor& visit) const
{
    visit(*left_);
    visit(*right_);
}

QString BinaryExpression::toString() const
{
    return QLatin1Char('(') + left_->toString() + QLatin1Char(' ') + QLatin1String(symbol()) + QLatin1Char(' ') +
           right_->toString() + QLatin1Char(')');
}

void BinaryExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(left_.release());
    into.push_back(right_.release());
}

ExpressionValue BinaryExpression::combine(Operation operation, const ExpressionValue& left) const
{
    const ExpressionValue l = left.load();
    const ExpressionValue r = right_->evaluate().load();
    return (l.*operation)(r);
}
