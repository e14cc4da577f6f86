#include "expr/ExpressionValue.h"

#include <cstring>
#include <limits>

namespace {

std::uint64_t bitsOfDouble(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double doubleOfBits(std::uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t bitsOfFloat(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::int64_t signExtend(std::uint64_t value, unsigned bits)
{
    if (bits == 0 || bits >= 64)
        return static_cast<std::int64_t>(value);
    const unsigned unused = 64 - bits;
    return static_cast<std::int64_t>(value << unused) >> unused;
}

std::uint64_t maskToSize(std::uint64_t value, std::uint32_t size)
{
    switch (size) {
    case 1:
        return value & 0xFFu;
    case 2:
        return value & 0xFFFFu;
    case 4:
        return value & 0xFFFFFFFFu;
    default:
        return value;
    }
}

// Truncation toward zero. A value outside the signed 64-bit range, or NaN,
// gives the most negative value, as the x86-64 conversion instruction does;
// the language leaves that case undefined.
std::int64_t truncateToSigned(double value)
{
    constexpr double Limit = 9223372036854775808.0;  // 2 to the 63rd
    if (!(value >= -Limit && value < Limit))
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// Half precision made from single precision by keeping the sign, the top ten
// fraction bits and the exponent rebased from 127 to 15 (112 = 127 - 15),
// with zero and all-ones exponents kept as they are. No rounding and no
// range handling: the exponent is simply cut to five bits.
std::uint16_t halfBits(float value)
{
    const std::uint32_t single = bitsOfFloat(value);
    const std::uint32_t sign = single >> 31;
    const std::uint32_t exponent = (single >> 23) & 0xFFu;
    const std::uint32_t fraction = (single >> 13) & 0x3FFu;
    std::uint32_t halfExponent = 0;
    if (exponent == 0xFFu)
        halfExponent = 0x1Fu;
    else if (exponent != 0)
        halfExponent = (exponent - 112u) & 0x1Fu;
    return static_cast<std::uint16_t>((sign << 15) | (halfExponent << 10) | fraction);
}

}  // namespace

ExpressionValue ExpressionValue::boolean(std::uint8_t byte)
{
    return ExpressionValue(ValueKind::Boolean, byte, 0);
}

ExpressionValue ExpressionValue::signedInteger(std::int64_t value, std::uint32_t size)
{
    return ExpressionValue(ValueKind::SignedInteger, static_cast<std::uint64_t>(value), size);
}

ExpressionValue ExpressionValue::unsignedInteger(std::uint64_t value, std::uint32_t size)
{
    return ExpressionValue(ValueKind::UnsignedInteger, value, size);
}

ExpressionValue ExpressionValue::floatingPoint(double value, std::uint32_t size)
{
    return ExpressionValue(ValueKind::Float, bitsOfDouble(value), size);
}

ExpressionValue ExpressionValue::string(const QString& text)
{
    ExpressionValue value(ValueKind::String, 0, 0);
    value.text_ = text;
    return value;
}

ExpressionValue ExpressionValue::object(std::shared_ptr<const TargetObject> object)
{
    ExpressionValue value(ValueKind::Object, 0, 0);
    value.object_ = std::move(object);
    return value;
}

ExpressionValue ExpressionValue::withBitWidth(std::uint32_t width) const
{
    ExpressionValue value = *this;
    value.bitWidth_ = width;
    return value;
}

ExpressionValue ExpressionValue::withPayload(std::uint64_t payload) const
{
    return ExpressionValue(kind_, payload, size_);
}

double ExpressionValue::number() const
{
    return doubleOfBits(payload_);
}

std::int64_t ExpressionValue::toSigned() const
{
    switch (kind_) {
    case ValueKind::Boolean:
        return lowByte();
    case ValueKind::SignedInteger:
    case ValueKind::UnsignedInteger:
        if (bitWidth_ != 0)
            return signExtend(payload_, bitWidth_);
        return signExtend(payload_, size_ == 1 || size_ == 2 || size_ == 4 ? size_ * 8 : 64);
    case ValueKind::String:
        return static_cast<std::int64_t>(payload_);
    case ValueKind::Float:
        return truncateToSigned(number());
    default:
        return 0;
    }
}

std::uint64_t ExpressionValue::toBits() const
{
    switch (kind_) {
    case ValueKind::Boolean:
        return lowByte();
    case ValueKind::SignedInteger:
    case ValueKind::UnsignedInteger:
        return maskToSize(payload_, size_);
    case ValueKind::Float:
        switch (size_) {
        case 8:
            return payload_;
        case 4:
            return bitsOfFloat(static_cast<float>(number()));
        case 2:
            return halfBits(static_cast<float>(number()));
        default:
            return 0;
        }
    default:
        return 0;
    }
}

double ExpressionValue::toDouble() const
{
    switch (kind_) {
    case ValueKind::SignedInteger:
        return static_cast<double>(toSigned());
    case ValueKind::Boolean:
        return lowByte();
    case ValueKind::UnsignedInteger:
        return static_cast<double>(toBits());
    case ValueKind::Float:
        return number();
    default:
        return 0.0;
    }
}

ExpressionValue ExpressionValue::load() const
{
    if (kind_ == ValueKind::Object && object_)
        return object_->load();
    return *this;
}
