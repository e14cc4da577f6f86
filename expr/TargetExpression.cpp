#include "expr/TargetExpression.h"

#include "expr/ExpressionParser.h"
#include "expr/ParserException.h"

namespace {

[[noreturn]] void badExpressionType()
{
    throw ParserException(QStringLiteral("bad expression type"));
}

bool isObject(const ExpressionValue& value)
{
    return value.kind() == ValueKind::Object;
}

} // namespace

ExpressionValue IdentifierExpression::evaluate() const
{
    if (address_)
        return ExpressionValue::unsignedInteger(*address_, target().addressSize());
    return target().lookupName(name_);
}

ExpressionPtr IdentifierExpression::clone() const
{
    auto copy = std::make_unique<IdentifierExpression>(parser(), name_);
    copy->address_ = address_;
    return copy;
}

ExpressionValue ScopedIdentifierExpression::evaluate() const
{
    return target().lookupScopedName(parts_);
}

ExpressionPtr ScopedIdentifierExpression::clone() const
{
    return std::make_unique<ScopedIdentifierExpression>(parser(), parts_);
}

ExpressionValue RegisterExpression::evaluate() const
{
    return target().lookupRegister(name_);
}

ExpressionValue AssignExpression::evaluate() const
{
    const ExpressionValue destination = left().evaluate();
    const ExpressionValue value = right().evaluate().load();
    if (!isObject(destination))
        badExpressionType();
    return target().assign(target().assignmentTarget(destination), value);
}

// The member is named by the right operand, an identifier node.
ExpressionValue DotExpression::evaluate() const
{
    const ExpressionValue object = left().evaluate();
    if (!isObject(object))
        badExpressionType();
    return target().member(object, right().toString());
}

ExpressionPtr DotExpression::clone() const
{
    return std::make_unique<DotExpression>(parser(), left().clone(), right().clone());
}

ExpressionValue PtrToMemberExpression::evaluate() const
{
    const ExpressionValue object = left().evaluate();
    if (!isObject(object))
        badExpressionType();
    return target().memberPointer(object, right().toString());
}

ExpressionPtr PtrToMemberExpression::clone() const
{
    return std::make_unique<PtrToMemberExpression>(parser(), left().clone(), right().clone());
}

ExpressionValue LeftSquareBracketExpression::evaluate() const
{
    const ExpressionValue base = left().evaluate();
    const ExpressionValue index = right().evaluate().load();
    if (!isObject(base))
        badExpressionType();
    const std::uint64_t offset = static_cast<std::uint64_t>(index.toSigned()) * target().pointerStride(base);
    return target().dereference(base, target().pointerAddress(base) + offset);
}

QString LeftSquareBracketExpression::toString() const
{
    return left().toString() + QLatin1Char('[') + right().toString() + QLatin1Char(']');
}

ExpressionPtr LeftSquareBracketExpression::clone() const
{
    return std::make_unique<LeftSquareBracketExpression>(parser(), left().clone(), right().clone());
}

ArraySliceExpression::ArraySliceExpression(ExpressionParser* parser, ExpressionPtr base, ExpressionPtr start,
                                           ExpressionPtr stop)
    : Expression(parser), base_(std::move(base)), start_(std::move(start)), stop_(std::move(stop))
{
    adoptDepth(*base_);
    adoptDepth(*start_);
    adoptDepth(*stop_);
}

ExpressionValue ArraySliceExpression::evaluate() const
{
    const ExpressionValue base = base_->evaluate();
    const ExpressionValue start = start_->evaluate().load();
    const ExpressionValue stop = stop_->evaluate().load();
    if (!isObject(base))
        badExpressionType();
    return target().arraySlice(base, start, stop);
}

QString ArraySliceExpression::toString() const
{
    return base_->toString() + QLatin1Char('[') + start_->toString() + QLatin1Char(':') + stop_->toString()
           + QLatin1Char(']');
}

void ArraySliceExpression::walk(const ExpressionVisitor& visit) const
{
    visit(*base_);
    visit(*start_);
    visit(*stop_);
}

CallExpression::CallExpression(ExpressionParser* parser, ExpressionPtr callee, std::vector<ExpressionPtr> arguments)
    : Expression(parser), callee_(std::move(callee)), arguments_(std::move(arguments))
{
    adoptDepth(*callee_);
    for (const ExpressionPtr& argument : arguments_)
        adoptDepth(*argument);
}

ExpressionValue CallExpression::evaluate() const
{
    const ExpressionValue callee = callee_->evaluate();
    std::vector<ExpressionValue> values;
    values.reserve(arguments_.size());
    for (const ExpressionPtr& argument : arguments_)
        values.push_back(argument->evaluate().load());
    return target().callFunction(callee, values);
}

QString CallExpression::toString() const
{
    QStringList arguments;
    for (const ExpressionPtr& argument : arguments_)
        arguments << argument->toString();
    return callee_->toString() + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void CallExpression::walk(const ExpressionVisitor& visit) const
{
    visit(*callee_);
    for (const ExpressionPtr& argument : arguments_)
        visit(*argument);
}

CastExpression::CastExpression(ExpressionParser* parser, TypePtr type, ExpressionPtr operand)
    : Expression(parser), type_(std::move(type)), operand_(std::move(operand))
{
    adoptDepth(type_->depth());
    adoptDepth(*operand_);
}

ExpressionValue CastExpression::evaluate() const
{
    return target().castValue(operand_->evaluate().load(), *type_);
}

QString CastExpression::toString() const
{
    return QStringLiteral("((") + type_->toString() + QStringLiteral(") ") + operand_->toString()
           + QLatin1Char(')');
}

SizeofExpression::SizeofExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{
    adoptDepth(*operand_);
}

SizeofExpression::SizeofExpression(ExpressionParser* parser, TypePtr type)
    : Expression(parser), type_(std::move(type))
{
    adoptDepth(type_->depth());
}

ExpressionValue SizeofExpression::evaluate() const
{
    if (type_)
        return target().sizeofType(*type_);
    const ExpressionValue object = operand_->evaluate();
    if (!isObject(object))
        throw ParserException(QStringLiteral("cannot determine sizeof of a constant"));
    return target().sizeofObject(object);
}

QString SizeofExpression::toString() const
{
    return QStringLiteral("sizeof(") + (type_ ? type_->toString() : operand_->toString()) + QLatin1Char(')');
}

void SizeofExpression::walk(const ExpressionVisitor& visit) const
{
    if (operand_)
        visit(*operand_);
}

AddressofExpression::AddressofExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{
    adoptDepth(*operand_);
}

ExpressionValue AddressofExpression::evaluate() const
{
    const ExpressionValue object = operand_->evaluate();
    if (!isObject(object))
        throw ParserException(QStringLiteral("cannot take address of a constant"));
    return target().addressOf(object);
}

ExpressionValue AddressofLineExpression::evaluate() const
{
    return target().addressOfLine(fileName_, line_);
}

QString AddressofLineExpression::toString() const
{
    return QStringLiteral("addressof(\"") + fileName_ + QStringLiteral("\", ") + QString::number(line_)
           + QLatin1Char(')');
}

SymbolAtExpression::SymbolAtExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{
    adoptDepth(*operand_);
}

ExpressionValue SymbolAtExpression::evaluate() const
{
    return target().symbolAt(operand_->evaluate().load());
}

QString SymbolAtExpression::toString() const
{
    return QStringLiteral("symbolat(") + operand_->toString() + QLatin1Char(')');
}
