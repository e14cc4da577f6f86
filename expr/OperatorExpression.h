#pragma once

#include "expr/Expression.h"

// Nodes of the unary and binary operators. Each evaluates its operands (left
// before right, always both), loads them, and applies ExpressionValue's
// operator table. The operand of a unary node and the left operand of a
// binary node are their first operands (Expression::firstOperand).

class UnaryExpression : public Expression {
public:
    void walk(const ExpressionVisitor& visit) const override { visit(*operand_); }
    QString toString() const override;

protected:
    UnaryExpression(ExpressionParser* parser, ExpressionPtr operand);
    virtual const char* symbol() const = 0;
    const Expression* firstOperand() const override { return operand_.get(); }
    void releaseOperands(std::vector<Expression*>& into) override;

private:
    ExpressionPtr operand_;
};

class NegateExpression : public UnaryExpression {
public:
    NegateExpression(ExpressionParser* parser, ExpressionPtr operand) : UnaryExpression(parser, std::move(operand)) {}

protected:
    ExpressionValue evaluateWith(ExpressionValue operand) const override { return operand.load().negate(); }
    const char* symbol() const override { return "-"; }
};

class BitNotExpression : public UnaryExpression {
public:
    BitNotExpression(ExpressionParser* parser, ExpressionPtr operand) : UnaryExpression(parser, std::move(operand)) {}

protected:
    ExpressionValue evaluateWith(ExpressionValue operand) const override { return operand.load().bitNot(); }
    const char* symbol() const override { return "~"; }
};

class LogicalNotExpression : public UnaryExpression {
public:
    LogicalNotExpression(ExpressionParser* parser, ExpressionPtr operand) : UnaryExpression(parser, std::move(operand))
    {}

protected:
    ExpressionValue evaluateWith(ExpressionValue operand) const override { return operand.load().logicalNot(); }
    const char* symbol() const override { return "!"; }
};

// Two operands; prints as "(left op right)".
class BinaryExpression : public Expression {
public:
    void walk(const ExpressionVisitor& visit) const override;
    QString toString() const override;

protected:
    BinaryExpression(ExpressionParser* parser, ExpressionPtr left, ExpressionPtr right);
    virtual const char* symbol() const = 0;
    const Expression& left() const { return *left_; }
    const Expression& right() const { return *right_; }
    const Expression* firstOperand() const override { return left_.get(); }
    void releaseOperands(std::vector<Expression*>& into) override;
    using Operation = ExpressionValue (ExpressionValue::*)(const ExpressionValue&) const;
    // Loads the left operand's value, evaluates and loads the right
    // operand, then applies operation.
    ExpressionValue combine(Operation operation, const ExpressionValue& left) const;

private:
    ExpressionPtr left_;
    ExpressionPtr right_;
};

// One class per binary operator: the operation and its printed symbol.
template <ExpressionValue (ExpressionValue::*Op)(const ExpressionValue&) const, const char* Symbol>
class OperatorNode : public BinaryExpression {
public:
    OperatorNode(ExpressionParser* parser, ExpressionPtr left, ExpressionPtr right)
        : BinaryExpression(parser, std::move(left), std::move(right))
    {}

protected:
    const char* symbol() const override { return Symbol; }
    ExpressionValue evaluateWith(ExpressionValue left) const override { return combine(Op, left); }
};

inline constexpr char MultiplySymbol[] = "*";
inline constexpr char DivideSymbol[] = "/";
inline constexpr char ModSymbol[] = "%";
inline constexpr char PlusSymbol[] = "+";
inline constexpr char MinusSymbol[] = "-";
inline constexpr char LshiftSymbol[] = "<<";
inline constexpr char RshiftSymbol[] = ">>";
inline constexpr char LtSymbol[] = "<";
inline constexpr char LeSymbol[] = "<=";
inline constexpr char GtSymbol[] = ">";
inline constexpr char GeSymbol[] = ">=";
inline constexpr char EqSymbol[] = "==";
inline constexpr char NeSymbol[] = "!=";
inline constexpr char BitAndSymbol[] = "&";
inline constexpr char BitXorSymbol[] = "^";
inline constexpr char BitOrSymbol[] = "|";
inline constexpr char LogicalAndSymbol[] = "&&";
inline constexpr char LogicalOrSymbol[] = "||";

class MultiplyExpression : public OperatorNode<&ExpressionValue::multiply, MultiplySymbol> {
    using OperatorNode::OperatorNode;
};
class DivideExpression : public OperatorNode<&ExpressionValue::divide, DivideSymbol> {
    using OperatorNode::OperatorNode;
};
class ModExpression : public OperatorNode<&ExpressionValue::mod, ModSymbol> {
    using OperatorNode::OperatorNode;
};
class PlusExpression : public OperatorNode<&ExpressionValue::plus, PlusSymbol> {
    using OperatorNode::OperatorNode;
};
class MinusExpression : public OperatorNode<&ExpressionValue::minus, MinusSymbol> {
    using OperatorNode::OperatorNode;
};
class LshiftExpression : public OperatorNode<&ExpressionValue::shiftLeft, LshiftSymbol> {
    using OperatorNode::OperatorNode;
};
class RshiftExpression : public OperatorNode<&ExpressionValue::shiftRight, RshiftSymbol> {
    using OperatorNode::OperatorNode;
};
class LtExpression : public OperatorNode<&ExpressionValue::less, LtSymbol> {
    using OperatorNode::OperatorNode;
};
class LeExpression : public OperatorNode<&ExpressionValue::lessOrEqual, LeSymbol> {
    using OperatorNode::OperatorNode;
};
class GtExpression : public OperatorNode<&ExpressionValue::greater, GtSymbol> {
    using OperatorNode::OperatorNode;
};
class GeExpression : public OperatorNode<&ExpressionValue::greaterOrEqual, GeSymbol> {
    using OperatorNode::OperatorNode;
};
class EqExpression : public OperatorNode<&ExpressionValue::equal, EqSymbol> {
    using OperatorNode::OperatorNode;
};
class NeExpression : public OperatorNode<&ExpressionValue::notEqual, NeSymbol> {
    using OperatorNode::OperatorNode;
};
class BitAndExpression : public OperatorNode<&ExpressionValue::bitAnd, BitAndSymbol> {
    using OperatorNode::OperatorNode;
};
class BitXorExpression : public OperatorNode<&ExpressionValue::bitXor, BitXorSymbol> {
    using OperatorNode::OperatorNode;
};
class BitOrExpression : public OperatorNode<&ExpressionValue::bitOr, BitOrSymbol> {
    using OperatorNode::OperatorNode;
};
class LogicalAndExpression : public OperatorNode<&ExpressionValue::logicalAnd, LogicalAndSymbol> {
    using OperatorNode::OperatorNode;
};
class LogicalOrExpression : public OperatorNode<&ExpressionValue::logicalOr, LogicalOrSymbol> {
    using OperatorNode::OperatorNode;
};
