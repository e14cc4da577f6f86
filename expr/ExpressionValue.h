#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class ExpressionValue;

enum class ValueKind : std::int32_t {
    Boolean = 0,
    SignedInteger = 1,
    UnsignedInteger = 2,
    String = 3,
    Object = 4,
    Float = 5,
    None = 6,
};

// An object of the evaluation target (a variable in memory, say) that an
// Object value refers to. Operators work on the value it yields.
class TargetObject {
public:
    virtual ~TargetObject() = default;
    virtual ExpressionValue load() const = 0;
};

// The value of an expression: a kind, 64 bits of payload, the byte size the
// value has in the target, an optional bit-field width and, for strings, the
// text. A Boolean keeps its truth value in the payload's low byte (which may
// hold more than 0 or 1, e.g. after "^"); a Float keeps the bits of a double.
//
// The operations below implement the operators. They take the kind of the
// left operand (this value) as the rule, never short-circuit, and expect
// operands that have been loaded already. Failures throw ParserException.
class ExpressionValue {
public:
    // The default value: None, size 2.
    ExpressionValue() = default;

    static ExpressionValue boolean(std::uint8_t byte);
    static ExpressionValue signedInteger(std::int64_t value, std::uint32_t size = 8);
    static ExpressionValue unsignedInteger(std::uint64_t value, std::uint32_t size = 8);
    static ExpressionValue floatingPoint(double value, std::uint32_t size = 8);
    static ExpressionValue string(const QString& text);
    static ExpressionValue object(std::shared_ptr<const TargetObject> object);

    ValueKind kind() const { return kind_; }
    std::uint64_t payload() const { return payload_; }
    std::uint32_t size() const { return size_; }
    std::uint32_t bitWidth() const { return bitWidth_; }
    const QString& text() const { return text_; }
    const std::shared_ptr<const TargetObject>& targetObject() const { return object_; }
    ExpressionValue withBitWidth(std::uint32_t width) const;

    bool isInteger() const { return kind_ == ValueKind::SignedInteger || kind_ == ValueKind::UnsignedInteger; }
    bool isNumeric() const { return isInteger() || kind_ == ValueKind::Float; }
    // The first byte of the payload.
    std::uint8_t lowByte() const { return static_cast<std::uint8_t>(payload_); }
    // The payload of a Float as a double.
    double number() const;

    std::int64_t toSigned() const;
    std::uint64_t toBits() const;
    double toDouble() const;
    // The value an Object refers to; any other value unchanged.
    ExpressionValue load() const;

    ExpressionValue plus(const ExpressionValue& r) const;
    ExpressionValue minus(const ExpressionValue& r) const;
    ExpressionValue multiply(const ExpressionValue& r) const;
    ExpressionValue divide(const ExpressionValue& r) const;
    ExpressionValue mod(const ExpressionValue& r) const;
    ExpressionValue bitAnd(const ExpressionValue& r) const;
    ExpressionValue bitOr(const ExpressionValue& r) const;
    ExpressionValue bitXor(const ExpressionValue& r) const;
    ExpressionValue logicalAnd(const ExpressionValue& r) const;
    ExpressionValue logicalOr(const ExpressionValue& r) const;
    ExpressionValue shiftLeft(const ExpressionValue& r) const;
    ExpressionValue shiftRight(const ExpressionValue& r) const;
    ExpressionValue equal(const ExpressionValue& r) const;
    ExpressionValue notEqual(const ExpressionValue& r) const;
    ExpressionValue less(const ExpressionValue& r) const;
    ExpressionValue lessOrEqual(const ExpressionValue& r) const;
    ExpressionValue greater(const ExpressionValue& r) const;
    ExpressionValue greaterOrEqual(const ExpressionValue& r) const;
    ExpressionValue negate() const;
    ExpressionValue bitNot() const;
    ExpressionValue logicalNot() const;

private:
    enum class Arithmetic { Plus, Minus, Multiply, Divide };
    enum class Bitwise { And, Or, Xor };
    enum class Comparison { Eq, Ne, Lt, Le, Gt, Ge };

    ExpressionValue(ValueKind kind, std::uint64_t payload, std::uint32_t size)
        : kind_(kind), payload_(payload), size_(size)
    {}
    ExpressionValue withPayload(std::uint64_t payload) const;
    ExpressionValue arithmetic(Arithmetic op, const ExpressionValue& r) const;
    ExpressionValue promotedToFloat() const;
    ExpressionValue bitwise(Bitwise op, const ExpressionValue& r) const;
    ExpressionValue shift(bool left, const ExpressionValue& r) const;
    ExpressionValue compare(Comparison op, const ExpressionValue& r) const;

    ValueKind kind_ = ValueKind::None;
    std::uint64_t payload_ = 0;
    std::uint32_t size_ = 2;
    std::uint32_t bitWidth_ = 0;
    QString text_;
    std::shared_ptr<const TargetObject> object_;
};
