#pragma once

#include "expr/BaseType.h"
#include "expr/Expression.h"
#include "expr/ExpressionValue.h"
#include "expr/Lexer.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

// A parser of C-style expressions, and the evaluation target through which
// the nodes reach names, registers, types and memory. Binary operators are
// read by precedence climbing over the levels of the token table
// (expr/TokenTable.h; every level left-associative), everything else by
// recursive descent: prefix and postfix operators, primaries, casts and type
// names.
//
// Nesting is bounded: parseUnary, through which every recursion of the
// grammar passes (parentheses, prefix operators, casts, sizeof, indices,
// call arguments), may be active at most maxNesting() times; past that the
// parse fails with "expression nested too deeply". Chains of operators of
// one level are read in a loop and are not bounded. The bound is
// MaxExpressionNesting, or what the stack of the run holds
// (rules/Limits.h); AddressSanitizer also stops clearing the stack behind
// an exception thrown from more than 64 MiB deep, which this bound keeps
// far from.
class ExpressionParser {
public:
    static int maxNesting();

    virtual ~ExpressionParser() = default;
    ExpressionParser(const ExpressionParser&) = delete;
    ExpressionParser& operator=(const ExpressionParser&) = delete;

    // The tree of text, or none for an empty text; text after a complete
    // expression is left unread (endPosition receives where reading
    // stopped). Throws ParserException.
    ExpressionPtr parse(const QString& text, int* endPosition = nullptr);
    // Parses and evaluates text; an empty text gives the default None value.
    ExpressionValue evaluate(const QString& text);

    // The entry points: they never throw. On any failure, and for a value of
    // the wrong kind, ok is false and the result 0; failure, when given,
    // then receives the reason (the evaluator's message).
    // toBits of a numeric value.
    std::uint64_t evaluateInteger(const QString& text, bool& ok, QString* failure = nullptr);
    // toSigned of a numeric value.
    std::int64_t evaluateSigned(const QString& text, bool& ok, QString* failure = nullptr);
    // The byte of a Boolean value.
    std::uint32_t evaluateCondition(const QString& text, bool& ok, QString* failure = nullptr);

    // Byte size of an address in the target.
    std::uint32_t addressSize() const { return addressSize_; }

    // The evaluation target. Each failure throws ParserException.
    virtual ExpressionValue lookupScopedName(const QStringList& parts) = 0;
    virtual ExpressionValue lookupName(const QString& name) = 0;
    virtual ExpressionValue lookupRegister(const QString& name) = 0;
    virtual bool isTypeName(const QString& name) = 0;
    virtual bool isTemplateName(const QString& name) = 0;
    virtual ExpressionValue castValue(const ExpressionValue& value, const BaseType& type) = 0;
    // Pointer arithmetic on an Object: the size of one element and the
    // address held.
    virtual std::uint64_t pointerStride(const ExpressionValue& pointer) = 0;
    virtual std::uint64_t pointerAddress(const ExpressionValue& pointer) = 0;
    // The object at an address, of the pointer's element type.
    virtual ExpressionValue dereference(const ExpressionValue& pointer, std::uint64_t address) = 0;
    virtual ExpressionValue member(const ExpressionValue& object, const QString& name) = 0;
    virtual ExpressionValue memberPointer(const ExpressionValue& object, const QString& name) = 0;
    // The object a pointer Object points to, for a target that loads
    // through pointers on its own.
    virtual ExpressionValue pointee(const ExpressionValue& pointer) = 0;
    virtual ExpressionValue addressOf(const ExpressionValue& object) = 0;
    virtual ExpressionValue sizeofObject(const ExpressionValue& object) = 0;
    virtual ExpressionValue sizeofType(const BaseType& type) = 0;
    virtual ExpressionValue addressOfLine(const QString& fileName, std::int32_t line) = 0;
    // Assignment: the writable object an Object stands for, then the store.
    virtual ExpressionValue assignmentTarget(const ExpressionValue& object) = 0;
    virtual ExpressionValue assign(const ExpressionValue& target, const ExpressionValue& value) = 0;
    virtual ExpressionValue callFunction(const ExpressionValue& callee,
                                         const std::vector<ExpressionValue>& arguments) = 0;
    // The object found at a numeric address, for a target that lets
    // addresses stand for objects.
    virtual ExpressionValue objectAt(std::uint64_t address) = 0;
    virtual ExpressionValue arraySlice(const ExpressionValue& base, const ExpressionValue& start,
                                       const ExpressionValue& stop) = 0;
    virtual ExpressionValue symbolAt(const ExpressionValue& address) = 0;

protected:
    ExpressionParser(std::unique_ptr<Lexer> lexer, std::uint32_t addressSize);

private:
    template <typename Result, typename Read>
    Result evaluateAs(const QString& text, bool& ok, QString* failure, Read read);
    ExpressionPtr parseBinary(Precedence level);
    ExpressionPtr combine(int tokenType, ExpressionPtr left, ExpressionPtr right);
    ExpressionPtr parseUnary();
    ExpressionPtr parsePrefixOrPrimary();
    ExpressionPtr parsePostfix(ExpressionPtr base);
    ExpressionPtr parseIndex(ExpressionPtr base);
    ExpressionPtr parseCall(ExpressionPtr callee);
    ExpressionPtr parseNamedForm();
    ExpressionPtr parseSizeof();
    ExpressionPtr parseAddressofLine();
    ExpressionPtr parseSymbolAt();
    ExpressionPtr parseParenthesised();
    ExpressionPtr parseIdentifier();
    ExpressionPtr parseGlobalScopedIdentifier();
    ExpressionPtr increment(int tokenType, ExpressionPtr operand);
    QString parseTemplateArguments();

    TypePtr tryParseType();
    TypePtr parseTypeName();
    TypePtr parseUserType();
    TypePtr applyDeclarators(TypePtr type);
    TypePtr parseStructType();
    TypePtr parseRegisterType();

    void expect(int tokenType, const char* message) const;
    void consume(int tokenType, const char* message);
    bool at(int tokenType) const { return lexer_->tokenType() == tokenType; }
    QString literalText() const;

    std::unique_ptr<Lexer> lexer_;
    std::uint32_t addressSize_;
    int nesting_ = 0;
};

// The parser used throughout the system: a C-style lexer and a target that
// knows no names, registers, types or memory, so only constants combined by
// operators evaluate.
class SimpleExpressionParser : public ExpressionParser {
public:
    SimpleExpressionParser();

    ExpressionValue lookupScopedName(const QStringList& parts) override;
    ExpressionValue lookupName(const QString& name) override;
    ExpressionValue lookupRegister(const QString& name) override;
    bool isTypeName(const QString& name) override;
    bool isTemplateName(const QString& name) override;
    ExpressionValue castValue(const ExpressionValue& value, const BaseType& type) override;
    std::uint64_t pointerStride(const ExpressionValue& pointer) override;
    std::uint64_t pointerAddress(const ExpressionValue& pointer) override;
    ExpressionValue dereference(const ExpressionValue& pointer, std::uint64_t address) override;
    ExpressionValue member(const ExpressionValue& object, const QString& name) override;
    ExpressionValue memberPointer(const ExpressionValue& object, const QString& name) override;
    ExpressionValue pointee(const ExpressionValue& pointer) override;
    ExpressionValue addressOf(const ExpressionValue& object) override;
    ExpressionValue sizeofObject(const ExpressionValue& object) override;
    ExpressionValue sizeofType(const BaseType& type) override;
    ExpressionValue addressOfLine(const QString& fileName, std::int32_t line) override;
    ExpressionValue assignmentTarget(const ExpressionValue& object) override;
    ExpressionValue assign(const ExpressionValue& target, const ExpressionValue& value) override;
    ExpressionValue callFunction(const ExpressionValue& callee, const std::vector<ExpressionValue>& arguments) override;
    ExpressionValue objectAt(std::uint64_t address) override;
    ExpressionValue arraySlice(const ExpressionValue& base, const ExpressionValue& start,
                               const ExpressionValue& stop) override;
    ExpressionValue symbolAt(const ExpressionValue& address) override;
};
