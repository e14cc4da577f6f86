#pragma once

#include "expr/BaseType.h"
#include "expr/OperatorExpression.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Nodes that need the evaluation target: names, registers, assignments,
// member access, indexing, calls, casts, sizeof and the address operations.
// A target that resolves nothing makes every one of them fail.

class IdentifierExpression : public Expression {
public:
    IdentifierExpression(ExpressionParser* parser, const QString& name) : Expression(parser), name_(name) {}
    QString toString() const override { return name_; }
    // An identifier already bound to an address evaluates to that address.
    void setAddress(std::uint64_t address) { address_ = address; }

protected:
    ExpressionValue evaluateWith(ExpressionValue) const override;
    ExpressionPtr cloneWith(ExpressionPtr) const override;

private:
    QString name_;
    std::optional<std::uint64_t> address_;
};

// a::b::c; a leading "::" adds no part.
class ScopedIdentifierExpression : public Expression {
public:
    ScopedIdentifierExpression(ExpressionParser* parser, const QStringList& parts) : Expression(parser), parts_(parts)
    {}
    QString toString() const override { return parts_.join(QStringLiteral("::")); }

protected:
    ExpressionValue evaluateWith(ExpressionValue) const override;
    ExpressionPtr cloneWith(ExpressionPtr) const override;

private:
    QStringList parts_;
};

// @name; the name is kept without the "@".
class RegisterExpression : public Expression {
public:
    RegisterExpression(ExpressionParser* parser, const QString& name) : Expression(parser), name_(name) {}
    QString toString() const override { return QLatin1Char('@') + name_; }

protected:
    ExpressionValue evaluateWith(ExpressionValue) const override;

private:
    QString name_;
};

class AssignExpression : public BinaryExpression {
public:
    AssignExpression(ExpressionParser* parser, ExpressionPtr target, ExpressionPtr value)
        : BinaryExpression(parser, std::move(target), std::move(value))
    {}

protected:
    const char* symbol() const override { return "="; }
    ExpressionValue evaluateWith(ExpressionValue destination) const override;
};

// object.member (also written object->member or (object)::member).
class DotExpression : public BinaryExpression {
public:
    DotExpression(ExpressionParser* parser, ExpressionPtr object, ExpressionPtr member)
        : BinaryExpression(parser, std::move(object), std::move(member))
    {}

protected:
    const char* symbol() const override { return "."; }
    ExpressionValue evaluateWith(ExpressionValue object) const override;
    ExpressionPtr cloneWith(ExpressionPtr object) const override;
};

// object.*member
class PtrToMemberExpression : public BinaryExpression {
public:
    PtrToMemberExpression(ExpressionParser* parser, ExpressionPtr object, ExpressionPtr member)
        : BinaryExpression(parser, std::move(object), std::move(member))
    {}

protected:
    const char* symbol() const override { return ".*"; }
    ExpressionValue evaluateWith(ExpressionValue object) const override;
    ExpressionPtr cloneWith(ExpressionPtr object) const override;
};

// base[index]; *p is p[0].
class LeftSquareBracketExpression : public BinaryExpression {
public:
    LeftSquareBracketExpression(ExpressionParser* parser, ExpressionPtr base, ExpressionPtr index)
        : BinaryExpression(parser, std::move(base), std::move(index))
    {}
    QString toString() const override;

protected:
    const char* symbol() const override { return "[]"; }
    ExpressionValue evaluateWith(ExpressionValue base) const override;
    ExpressionPtr cloneWith(ExpressionPtr base) const override;
};

// base[start:stop]
class ArraySliceExpression : public Expression {
public:
    ArraySliceExpression(ExpressionParser* parser, ExpressionPtr base, ExpressionPtr start, ExpressionPtr stop);
    QString toString() const override;
    void walk(const ExpressionVisitor& visit) const override;

protected:
    const Expression* firstOperand() const override { return base_.get(); }
    ExpressionValue evaluateWith(ExpressionValue base) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr base_;
    ExpressionPtr start_;
    ExpressionPtr stop_;
};

class CallExpression : public Expression {
public:
    CallExpression(ExpressionParser* parser, ExpressionPtr callee, std::vector<ExpressionPtr> arguments);
    QString toString() const override;
    void walk(const ExpressionVisitor& visit) const override;

protected:
    const Expression* firstOperand() const override { return callee_.get(); }
    ExpressionValue evaluateWith(ExpressionValue callee) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr callee_;
    std::vector<ExpressionPtr> arguments_;
};

class CastExpression : public Expression {
public:
    CastExpression(ExpressionParser* parser, TypePtr type, ExpressionPtr operand);
    QString toString() const override;
    void walk(const ExpressionVisitor& visit) const override { visit(*operand_); }

protected:
    const Expression* firstOperand() const override { return operand_.get(); }
    ExpressionValue evaluateWith(ExpressionValue operand) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    TypePtr type_;
    ExpressionPtr operand_;
};

// sizeof of an expression or of a type.
class SizeofExpression : public Expression {
public:
    SizeofExpression(ExpressionParser* parser, ExpressionPtr operand);
    SizeofExpression(ExpressionParser* parser, TypePtr type);
    QString toString() const override;
    void walk(const ExpressionVisitor& visit) const override;

protected:
    // None for sizeof of a type.
    const Expression* firstOperand() const override { return operand_.get(); }
    ExpressionValue evaluateWith(ExpressionValue operand) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr operand_;
    TypePtr type_;
};

// &operand
class AddressofExpression : public Expression {
public:
    AddressofExpression(ExpressionParser* parser, ExpressionPtr operand);
    QString toString() const override { return QStringLiteral("&") + operand_->toString(); }
    void walk(const ExpressionVisitor& visit) const override { visit(*operand_); }

protected:
    const Expression* firstOperand() const override { return operand_.get(); }
    ExpressionValue evaluateWith(ExpressionValue operand) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr operand_;
};

// addressof("file", line): the address of a source line.
class AddressofLineExpression : public Expression {
public:
    AddressofLineExpression(ExpressionParser* parser, const QString& fileName, std::int32_t line)
        : Expression(parser), fileName_(fileName), line_(line)
    {}
    QString toString() const override;

protected:
    ExpressionValue evaluateWith(ExpressionValue) const override;

private:
    QString fileName_;
    std::int32_t line_;
};

// symbolat(address): the symbol found at an address.
class SymbolAtExpression : public Expression {
public:
    SymbolAtExpression(ExpressionParser* parser, ExpressionPtr operand);
    QString toString() const override;
    void walk(const ExpressionVisitor& visit) const override { visit(*operand_); }

protected:
    const Expression* firstOperand() const override { return operand_.get(); }
    ExpressionValue evaluateWith(ExpressionValue operand) const override;
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr operand_;
};
