#pragma once

#include "expr/ExpressionValue.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ExpressionParser;
class Expression;

// Deletes a tree without recursion: each node's operands are taken out
// before the node itself is deleted, so that no destructor meets a deep
// subtree (a chain 1+1+1+... of a million terms is a million levels deep).
struct ExpressionDeleter {
    ExpressionDeleter() = default;
    template <class Node>
    ExpressionDeleter(const std::default_delete<Node>&)  // so that std::make_unique results convert
    {}
    void operator()(Expression* root) const;
};

using ExpressionPtr = std::unique_ptr<Expression, ExpressionDeleter>;
using ExpressionVisitor = std::function<void(const Expression&)>;

// A node of an expression tree. A node owns its children and keeps the
// parser that built it (the evaluation target of the nodes that need
// symbols, registers or memory).
//
// A left-associative chain of operators of one level (1+1+1+..., also
// a.b.c... and f()()...) builds a tree as deep as the chain is long, and
// nothing bounds its length. Every node therefore names the operand it
// evaluates first (firstOperand), and evaluation, copying and deletion walk
// down such chains in a loop and come back up without recursion. They recurse
// only into the other operands, whose depth follows the nesting of
// parentheses and prefix operators that the parser bounds.
class Expression {
public:
    virtual ~Expression() = default;
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    ExpressionValue evaluate() const;
    // A printable form; constants print as "0x" and their value in hex.
    virtual QString toString() const = 0;
    // Visits the direct children, left to right.
    virtual void walk(const ExpressionVisitor& visit) const;
    // A deep copy; only constants and name, member and index nodes can be
    // copied, every other node throws "cannot duplicate expression".
    ExpressionPtr clone() const;

protected:
    explicit Expression(ExpressionParser* parser) : parser_(parser) {}

    ExpressionParser& target() const { return *parser_; }
    ExpressionParser* parser() const { return parser_; }

    // The operand that the node evaluates before anything else of its own,
    // or none for a leaf.
    virtual const Expression* firstOperand() const { return nullptr; }
    // The node's value, given the value of its first operand (leaves get
    // a None value and ignore it).
    virtual ExpressionValue evaluateWith(ExpressionValue first) const = 0;
    // A copy of the node whose first operand is firstCopy (none for a
    // leaf); the other operands are copied here.
    virtual ExpressionPtr cloneWith(ExpressionPtr firstCopy) const;
    // Moves the owned operands to into (ExpressionDeleter).
    virtual void releaseOperands(std::vector<Expression*>& into);

    friend struct ExpressionDeleter;

private:
    ExpressionParser* parser_;
};

// A value known at parse time.
class ConstantExpression : public Expression {
public:
    ConstantExpression(ExpressionParser* parser, const ExpressionValue& value) : Expression(parser), value_(value) {}
    QString toString() const override;

protected:
    ExpressionValue evaluateWith(ExpressionValue) const override { return value_; }
    ExpressionPtr cloneWith(ExpressionPtr) const override;
    const ExpressionValue& value() const { return value_; }

private:
    ExpressionValue value_;
};

// A signed 8-byte integer; hexadecimal and binary literals keep their bits.
class IntegerConstantExpression : public ConstantExpression {
public:
    IntegerConstantExpression(ExpressionParser* parser, std::int64_t value)
        : ConstantExpression(parser, ExpressionValue::signedInteger(value, 8)), integer_(value)
    {}

protected:
    ExpressionPtr cloneWith(ExpressionPtr) const override;

private:
    std::int64_t integer_;
};

class FloatConstantExpression : public ConstantExpression {
public:
    FloatConstantExpression(ExpressionParser* parser, double value)
        : ConstantExpression(parser, ExpressionValue::floatingPoint(value, 8)), number_(value)
    {}

protected:
    ExpressionPtr cloneWith(ExpressionPtr) const override;

private:
    double number_;
};

// The characters between the quotes of a literal, escapes as written.
class StringConstantExpression : public ConstantExpression {
public:
    StringConstantExpression(ExpressionParser* parser, const QString& text)
        : ConstantExpression(parser, ExpressionValue::string(text)), text_(text)
    {}
    QString toString() const override;

protected:
    ExpressionPtr cloneWith(ExpressionPtr) const override;

private:
    QString text_;
};
