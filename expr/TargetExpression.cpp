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

}  // namespace

ExpressionValue IdentifierExpression::evaluateWith(ExpressionValue) const
{
    if (address_)
        return ExpressionValue::unsignedInteger(*address_, target().addressSize());
    return target().lookupName(name_);
}

ExpressionPtr IdentifierExpression::cloneWith(ExpressionPtr) const
{
    auto copy = std::make_unique<IdentifierExpression>(parser(), name_);
    copy->address_ = address_;
    return copy;
}

ExpressionValue ScopedIdentifierExpression::evaluateWith(ExpressionValue) const
{
    return target().lookupScopedName(parts_);
}

ExpressionPtr ScopedIdentifierExpression::cloneWith(ExpressionPtr) const
{
    return std::make_unique<ScopedIdentifierExpression>(parser(), parts_);
}

ExpressionValue RegisterExpression::evaluateWith(ExpressionValue) const
{
    return target().lookupRegister(name_);
}

ExpressionValue AssignExpression::evaluateWith(ExpressionValue destination) const
{
    const ExpressionValue value = right().evaluate().load();
    if (!isObject(destination))
        badExpressionType();
    return target().assign(target().assignmentTarget(destination), value);
}

// The member is named by the right operand, an identifier node.
ExpressionValue DotExpression::evaluateWith(ExpressionValue object) const
{
    if (!isObject(object))
        badExpressionType();
    return target().member(object, right().toString());
}

ExpressionPtr DotExpression::cloneWith(ExpressionPtr object) const
{
    return std::make_unique<DotExpression>(parser(), std::move(object), right().clone());
}

ExpressionValue PtrToMemberExpression::evaluateWith(ExpressionValue object) const
{
    if (!isObject(object))
        badExpressionType();
    return target().memberPointer(object, right().toString());
}

ExpressionPtr PtrToMemberExpression::cloneWith(ExpressionPtr object) const
{
    return std::make_unique<PtrToMemberExpression>(parser(), std::move(object), right().clone());
}

ExpressionValue LeftSquareBracketExpression::evaluateWith(ExpressionValue base) const
{
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

ExpressionPtr LeftSquareBracketExpression::cloneWith(ExpressionPtr base) const
{
    return std::make_unique<LeftSquareBracketExpression>(parser(), std::move(base), right().clone());
}

ArraySliceExpression::ArraySliceExpression(ExpressionParser* parser, ExpressionPtr base, ExpressionPtr start,
                                           ExpressionPtr stop)
    : Expression(parser), base_(std::move(base)), start_(std::move(start)), stop_(std::move(stop))
{}

ExpressionValue ArraySliceExpression::evaluateWith(ExpressionValue base) const
{
    const ExpressionValue start = start_->evaluate().load();
    const ExpressionValue stop = stop_->evaluate().load();
    if (!isObject(base))
        badExpressionType();
    return target().arraySlice(base, start, stop);
}

QString ArraySliceExpression::toString() const
{
    return base_->toString() + QLatin1Char('[') + start_->toString() + QLatin1Char(':') + stop_->toString() +
           QLatin1Char(']');
}

void ArraySliceExpression::walk(const ExpressionVisitor& visit) const
{
    visit(*base_);
    visit(*start_);
    visit(*stop_);
}

void ArraySliceExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(base_.release());
    into.push_back(start_.release());
    into.push_back(stop_.release());
}

CallExpression::CallExpression(ExpressionParser* parser, ExpressionPtr callee, std::vector<ExpressionPtr> arguments)
    : Expression(parser), callee_(std::move(callee)), arguments_(std::move(arguments))
{}

ExpressionValue CallExpression::evaluateWith(ExpressionValue callee) const
{
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

void CallExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(callee_.release());
    for (ExpressionPtr& argument : arguments_)
        into.push_back(argument.release());
}

CastExpression::CastExpression(ExpressionParser* parser, TypePtr type, ExpressionPtr operand)
    : Expression(parser), type_(std::move(type)), operand_(std::move(operand))
{}

ExpressionValue CastExpression::evaluateWith(ExpressionValue operand) const
{
    return target().castValue(operand.load(), *type_);
}

void CastExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(operand_.release());
}

QString CastExpression::toString() const
{
    return QStringLiteral("((") + type_->toString() + QStringLiteral(") ") + operand_->toString() + QLatin1Char(')');
}

SizeofExpression::SizeofExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{}

SizeofExpression::SizeofExpression(ExpressionParser* parser, TypePtr type) : Expression(parser), type_(std::move(type))
{}

ExpressionValue SizeofExpression::evaluateWith(ExpressionValue object) const
{
    if (type_)
        return target().sizeofType(*type_);
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

void SizeofExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(operand_.release());
}

AddressofExpression::AddressofExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{}

ExpressionValue AddressofExpression::evaluateWith(ExpressionValue object) const
{
    if (!isObject(object))
        throw ParserException(QStringLiteral("cannot take address of a constant"));
    return target().addressOf(object);
}

void AddressofExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(operand_.release());
}

ExpressionValue AddressofLineExpression::evaluateWith(ExpressionValue) const
{
    return target().addressOfLine(fileName_, line_);
}

QString AddressofLineExpression::toString() const
{
    return QStringLiteral("addressof(\"") + fileName_ + QStringLiteral("\", ") + QString::number(line_) +
           QLatin1Char(')');
}

SymbolAtExpression::SymbolAtExpression(ExpressionParser* parser, ExpressionPtr operand)
    : Expression(parser), operand_(std::move(operand))
{}

ExpressionValue SymbolAtExpression::evaluateWith(ExpressionValue operand) const
{
    return target().symbolAt(operand.load());
}

void SymbolAtExpression::releaseOperands(std::vector<Expression*>& into)
{
    into.push_back(operand_.release());
}

QString SymbolAtExpression::toString() const
{
    return QStringLiteral("symbolat(") + operand_->toString() + QLatin1Char(')');
}
