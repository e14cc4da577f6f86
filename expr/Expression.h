#pragma once

#include "expr/ExpressionValue.h"

#include <QString>

#include <functional>
#include <memory>

class ExpressionParser;
class Expression;

using ExpressionPtr = std::unique_ptr<Expression>;
using ExpressionVisitor = std::function<void(const Expression&)>;

// A node of an expression tree. A node owns its children, keeps the parser
// that built it (the evaluation target of the nodes that need symbols,
// registers or memory) and knows the depth of the subtree below it.
//
// Evaluation, cloning, printing and destruction all recurse over the tree, so
// its depth is bounded: a node that would be deeper than MaxDepth is never
// built, its constructor throws ParserException instead. A left-associative
// chain such as 1+1+1+... grows one level per operator, so this is what stops
// a chain of a million terms (1+1+... evaluates with up to 999 operators).
// 1000 levels is far beyond any hand-written expression; walking them takes
// under 1 MiB of stack in a Debug build with AddressSanitizer, and much less
// in an optimised one.
class Expression {
public:
    static constexpr int MaxDepth = 1000;

    virtual ~Expression() = default;
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    virtual ExpressionValue evaluate() const = 0;
    // A printable form; constants print as "0x" and their value in hex.
    virtual QString toString() const = 0;
    // Visits the direct children, left to right.
    virtual void walk(const ExpressionVisitor& visit) const;
    // A deep copy; only constants and name, member and index nodes can be
    // copied, every other node throws "cannot duplicate expression".
    virtual ExpressionPtr clone() const;

    int depth() const { return depth_; }
    // The depth of a node (or type) directly above one of childDepth;
    // throws ParserException past MaxDepth.
    static int depthAbove(int childDepth);

protected:
    explicit Expression(ExpressionParser* parser) : parser_(parser) {}

    ExpressionParser& target() const { return *parser_; }
    ExpressionParser* parser() const { return parser_; }
    // Records a child (or a type of the given depth) below this node.
    void adoptDepth(int childDepth);
    void adoptDepth(const Expression& child) { adoptDepth(child.depth()); }

private:
    ExpressionParser* parser_;
    int depth_ = 1;
};

// A value known at parse time.
class ConstantExpression : public Expression {
public:
    ConstantExpression(ExpressionParser* parser, const ExpressionValue& value)
        : Expression(parser), value_(value)
    {
    }
    ExpressionValue evaluate() const override { return value_; }
    QString toString() const override;
    ExpressionPtr clone() const override;

protected:
    const ExpressionValue& value() const { return value_; }

private:
    ExpressionValue value_;
};

// A signed 8-byte integer; hexadecimal and binary literals keep their bits.
class IntegerConstantExpression : public ConstantExpression {
public:
    IntegerConstantExpression(ExpressionParser* parser, std::int64_t value)
        : ConstantExpression(parser, ExpressionValue::signedInteger(value, 8)), integer_(value)
    {
    }
    ExpressionPtr clone() const override;

private:
    std::int64_t integer_;
};

class FloatConstantExpression : public ConstantExpression {
public:
    FloatConstantExpression(ExpressionParser* parser, double value)
        : ConstantExpression(parser, ExpressionValue::floatingPoint(value, 8)), number_(value)
    {
    }
    ExpressionPtr clone() const override;

private:
    double number_;
};

// The characters between the quotes of a literal, escapes as written.
class StringConstantExpression : public ConstantExpression {
public:
    StringConstantExpression(ExpressionParser* parser, const QString& text)
        : ConstantExpression(parser, ExpressionValue::string(text)), text_(text)
    {
    }
    QString toString() const override;
    ExpressionPtr clone() const override;

private:
    QString text_;
};
