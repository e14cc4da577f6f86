// The operator tables of ExpressionValue.
#include "expr/ExpressionValue.h"

#include "expr/ParserException.h"

#include <limits>

namespace {

constexpr std::int64_t MostNegative = std::numeric_limits<std::int64_t>::min();

[[noreturn]] void unsupportedBinary()
{
    throw ParserException(QStringLiteral("unsupported binary numeric operation"));
}

[[noreturn]] void unsupportedUnary()
{
    throw ParserException(QStringLiteral("unsupported unary num operation"));
}

// Quotient truncated toward zero; a zero divisor gives 0 and the one
// overflowing case (most negative / -1) gives the dividend.
std::int64_t signedQuotient(std::int64_t a, std::int64_t b)
{
    if (b == 0)
        return 0;
    if (a == MostNegative && b == -1)
        return a;
    return a / b;
}

std::uint64_t unsignedQuotient(std::uint64_t a, std::uint64_t b)
{
    return b == 0 ? 0 : a / b;
}

void checkDivisor(const ExpressionValue& r)
{
    bool zero = false;
    switch (r.kind()) {
    case ValueKind::SignedInteger:
    case ValueKind::UnsignedInteger:
        zero = r.payload() == 0;
        break;
    case ValueKind::Boolean:
        zero = r.lowByte() == 0;
        break;
    case ValueKind::Float:
        zero = r.number() == 0.0;
        break;
    default:
        unsupportedBinary();
    }
    if (zero)
        throw ParserException(QStringLiteral("divide by zero"));
}

template <typename T>
bool holds(int op, T a, T b)
{
    switch (op) {
    case 0:
        return a == b;
    case 1:
        return a != b;
    case 2:
        return a < b;
    case 3:
        return a <= b;
    case 4:
        return a > b;
    default:
        return a >= b;
    }
}

}  // namespace

ExpressionValue ExpressionValue::plus(const ExpressionValue& r) const
{
    return arithmetic(Arithmetic::Plus, r);
}
ExpressionValue ExpressionValue::minus(const ExpressionValue& r) const
{
    return arithmetic(Arithmetic::Minus, r);
}
ExpressionValue ExpressionValue::multiply(const ExpressionValue& r) const
{
    return arithmetic(Arithmetic::Multiply, r);
}
ExpressionValue ExpressionValue::divide(const ExpressionValue& r) const
{
    return arithmetic(Arithmetic::Divide, r);
}

ExpressionValue ExpressionValue::arithmetic(Arithmetic op, const ExpressionValue& r) const
{
    if (op == Arithmetic::Divide)
        checkDivisor(r);
    if (r.kind_ == ValueKind::Float && kind_ != ValueKind::Float)
        return promotedToFloat().arithmetic(op, r);

    switch (kind_) {
    case ValueKind::SignedInteger: {
        const std::uint64_t b = static_cast<std::uint64_t>(r.toSigned());
        switch (op) {
        case Arithmetic::Plus:
            return withPayload(payload_ + b);
        case Arithmetic::Minus:
            return withPayload(payload_ - b);
        case Arithmetic::Multiply:
            return withPayload(payload_ * b);
        case Arithmetic::Divide:
            return withPayload(
                static_cast<std::uint64_t>(signedQuotient(static_cast<std::int64_t>(payload_), r.toSigned())));
        }
        break;
    }
    case ValueKind::UnsignedInteger: {
        const std::uint64_t b = r.toBits();
        switch (op) {
        case Arithmetic::Plus:
            return withPayload(payload_ + b);
        case Arithmetic::Minus:
            return withPayload(payload_ - b);
        case Arithmetic::Multiply:
            return withPayload(payload_ * b);
        case Arithmetic::Divide:
            return withPayload(unsignedQuotient(payload_, b));
        }
        break;
    }
    case ValueKind::Boolean: {
        const unsigned a = lowByte();
        const unsigned b = r.lowByte();
        switch (op) {
        case Arithmetic::Plus:
            return boolean(a + b != 0);
        case Arithmetic::Minus:
            return boolean(static_cast<std::uint8_t>(a ^ b));
        case Arithmetic::Multiply:
            return boolean((a * b) & 1u);
        case Arithmetic::Divide:
            return boolean(b == 0 ? 0 : (a / b) & 1u);
        }
        break;
    }
    case ValueKind::Float: {
        const double a = number();
        const double b = r.toDouble();
        switch (op) {
        case Arithmetic::Plus:
            return floatingPoint(a + b, size_);
        case Arithmetic::Minus:
            return floatingPoint(a - b, size_);
        case Arithmetic::Multiply:
            return floatingPoint(a * b, size_);
        case Arithmetic::Divide:
            return floatingPoint(a / b, size_);
        }
        break;
    }
    default:
        break;
    }
    unsupportedBinary();
}

// The left operand of an operation with a Float on the right, as a Float of
// its own size.
ExpressionValue ExpressionValue::promotedToFloat() const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
        return floatingPoint(static_cast<double>(static_cast<std::int64_t>(payload_)), size_);
    case ValueKind::UnsignedInteger:
        return floatingPoint(static_cast<double>(payload_), size_);
    case ValueKind::Boolean:
        return floatingPoint(lowByte(), size_);
    default:
        return floatingPoint(0.0, size_);
    }
}

ExpressionValue ExpressionValue::mod(const ExpressionValue& r) const
{
    switch (kind_) {
    case ValueKind::SignedInteger: {
        const std::int64_t b = r.toSigned();
        const std::int64_t quotient = signedQuotient(static_cast<std::int64_t>(payload_), b);
        return withPayload(payload_ - static_cast<std::uint64_t>(quotient) * static_cast<std::uint64_t>(b));
    }
    case ValueKind::UnsignedInteger: {
        const std::uint64_t b = r.toBits();
        return withPayload(payload_ - unsignedQuotient(payload_, b) * b);
    }
    case ValueKind::Boolean:
        return boolean(0);
    default:
        unsupportedBinary();
    }
}

ExpressionValue ExpressionValue::bitAnd(const ExpressionValue& r) const
{
    return bitwise(Bitwise::And, r);
}
ExpressionValue ExpressionValue::bitOr(const ExpressionValue& r) const
{
    return bitwise(Bitwise::Or, r);
}
ExpressionValue ExpressionValue::bitXor(const ExpressionValue& r) const
{
    return bitwise(Bitwise::Xor, r);
}

ExpressionValue ExpressionValue::bitwise(Bitwise op, const ExpressionValue& r) const
{
    std::uint64_t b = 0;
    switch (kind_) {
    case ValueKind::SignedInteger:
        b = static_cast<std::uint64_t>(r.toSigned());
        break;
    case ValueKind::UnsignedInteger:
        b = r.toBits();
        break;
    case ValueKind::Boolean: {
        const std::uint8_t a = lowByte();
        const std::uint8_t rb = r.lowByte();
        switch (op) {
        case Bitwise::And:
            return boolean(a != 0 && rb != 0);
        case Bitwise::Or:
            return boolean(a != 0 || rb != 0);
        case Bitwise::Xor:
            return boolean(a ^ rb);
        }
        break;
    }
    default:
        unsupportedBinary();
    }
    switch (op) {
    case Bitwise::And:
        return withPayload(payload_ & b);
    case Bitwise::Or:
        return withPayload(payload_ | b);
    case Bitwise::Xor:
        break;
    }
    return withPayload(payload_ ^ b);
}

ExpressionValue ExpressionValue::logicalAnd(const ExpressionValue& r) const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
        return signedInteger(payload_ != 0 && r.toSigned() != 0, size_);
    case ValueKind::UnsignedInteger:
        return unsignedInteger(payload_ != 0 && r.toBits() != 0, size_);
    case ValueKind::Boolean:
        return boolean(lowByte() != 0 ? r.lowByte() : 0);
    default:
        unsupportedBinary();
    }
}

ExpressionValue ExpressionValue::logicalOr(const ExpressionValue& r) const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
        return signedInteger(payload_ != 0 || r.toSigned() != 0, size_);
    case ValueKind::UnsignedInteger:
        return unsignedInteger(payload_ != 0 || r.toBits() != 0, size_);
    case ValueKind::Boolean:
        return lowByte() != 0 ? *this : boolean(r.lowByte());
    default:
        unsupportedBinary();
    }
}

ExpressionValue ExpressionValue::shiftLeft(const ExpressionValue& r) const
{
    return shift(true, r);
}
ExpressionValue ExpressionValue::shiftRight(const ExpressionValue& r) const
{
    return shift(false, r);
}

// The count is reduced modulo 64 in the two's-complement sense (a count of
// -1 shifts by 63), as the x86-64 shift instructions do.
ExpressionValue ExpressionValue::shift(bool left, const ExpressionValue& r) const
{
    if (r.kind_ != ValueKind::SignedInteger)
        throw ParserException(QStringLiteral("integer shift value expected"));
    if (!isInteger())
        throw ParserException(QStringLiteral("can only shift numeric values"));
    const bool isSigned = kind_ == ValueKind::SignedInteger;
    const unsigned count = (isSigned ? static_cast<std::uint64_t>(r.toSigned()) : r.toBits()) & 63u;
    if (left)
        return withPayload(payload_ << count);
    if (isSigned)
        return withPayload(static_cast<std::uint64_t>(static_cast<std::int64_t>(payload_) >> count));
    return withPayload(payload_ >> count);
}

ExpressionValue ExpressionValue::equal(const ExpressionValue& r) const
{
    return compare(Comparison::Eq, r);
}
ExpressionValue ExpressionValue::notEqual(const ExpressionValue& r) const
{
    return compare(Comparison::Ne, r);
}
ExpressionValue ExpressionValue::less(const ExpressionValue& r) const
{
    return compare(Comparison::Lt, r);
}
ExpressionValue ExpressionValue::lessOrEqual(const ExpressionValue& r) const
{
    return compare(Comparison::Le, r);
}
ExpressionValue ExpressionValue::greater(const ExpressionValue& r) const
{
    return compare(Comparison::Gt, r);
}
ExpressionValue ExpressionValue::greaterOrEqual(const ExpressionValue& r) const
{
    return compare(Comparison::Ge, r);
}

ExpressionValue ExpressionValue::compare(Comparison op, const ExpressionValue& r) const
{
    const int which = static_cast<int>(op);
    switch (kind_) {
    case ValueKind::SignedInteger:
        return boolean(holds(which, static_cast<std::int64_t>(payload_), r.toSigned()));
    case ValueKind::UnsignedInteger:
        return boolean(holds(which, payload_, r.toBits()));
    case ValueKind::Boolean:
        if (op == Comparison::Ne)
            return boolean(lowByte() ^ r.lowByte());
        return boolean(holds(which, lowByte(), r.lowByte()));
    case ValueKind::String: {
        const QString other = r.kind_ == ValueKind::String ? r.text_ : QString();
        return boolean(holds(which, QString::compare(text_, other, Qt::CaseSensitive), 0));
    }
    default:
        throw ParserException(QStringLiteral("unsupported comparison operation"));
    }
}

ExpressionValue ExpressionValue::negate() const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
    case ValueKind::UnsignedInteger:
        return withPayload(0 - payload_);
    case ValueKind::Boolean:
        return signedInteger(-static_cast<std::int64_t>(lowByte()), 0);
    case ValueKind::Float:
        return floatingPoint(-number(), size_);
    default:
        unsupportedUnary();
    }
}

ExpressionValue ExpressionValue::bitNot() const
{
    if (!isInteger())
        unsupportedUnary();
    return withPayload(~payload_);
}

ExpressionValue ExpressionValue::logicalNot() const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
    case ValueKind::UnsignedInteger:
        return boolean(payload_ == 0);
    case ValueKind::Boolean:
        return boolean(lowByte() ^ 1u);
    case ValueKind::Float:
        return boolean(number() == 0.0);
    default:
        unsupportedUnary();
    }
}
