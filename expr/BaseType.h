#pragma once

#include "expr/Expression.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class BaseType;
using TypePtr = std::unique_ptr<BaseType>;

// A type named in a cast, in sizeof or in a struct field. Every "*" or
// "[size]" after a type wraps it in one more level, and types are printed
// and destroyed by recursion, so a type is at most MaxDepth levels deep: a
// deeper one throws ParserException (in this system every cast and sizeof
// fails anyway).
class BaseType {
public:
    static constexpr int MaxDepth = 20000;

    virtual ~BaseType() = default;
    BaseType(const BaseType&) = delete;
    BaseType& operator=(const BaseType&) = delete;

    virtual QString toString() const = 0;
    int depth() const { return depth_; }

protected:
    BaseType() = default;
    explicit BaseType(int depth) : depth_(depth) {}

private:
    int depth_ = 1;
};

class SimpleType : public BaseType {
public:
    enum Kind : std::int32_t { Char, Short, Int, Long, LongLong, Float, Double };

    SimpleType(Kind kind, bool isUnsigned) : kind_(kind), unsigned_(isUnsigned) {}
    QString toString() const override;
    Kind kind() const { return kind_; }
    bool isUnsigned() const { return unsigned_; }

private:
    Kind kind_;
    bool unsigned_;
};

// A type the evaluation target knows by name ("struct tag" for a struct tag,
// scope parts joined with "::").
class UserType : public BaseType {
public:
    explicit UserType(const QString& name) : name_(name) {}
    QString toString() const override { return name_; }
    void appendScopePart(const QString& part) { name_ += QStringLiteral("::") + part; }

private:
    QString name_;
};

class StructType : public BaseType {
public:
    struct Field {
        TypePtr type;
        QString name;
        std::int32_t bitSize = 0;
    };

    void addField(Field field) { fields_.push_back(std::move(field)); }
    const std::vector<Field>& fields() const { return fields_; }
    QString toString() const override;

private:
    std::vector<Field> fields_;
};

class RegisterType : public BaseType {
public:
    struct Field {
        QString name;
        std::int32_t bitOffset = 0;
        std::int32_t bitSize = 0;
    };

    explicit RegisterType(std::int64_t size) : size_(size) {}
    void addField(Field field) { fields_.push_back(std::move(field)); }
    const std::vector<Field>& fields() const { return fields_; }
    QString toString() const override;

private:
    std::int64_t size_;
    std::vector<Field> fields_;
};

class PointerType : public BaseType {
public:
    explicit PointerType(TypePtr pointee);
    QString toString() const override { return pointee_->toString() + QLatin1Char('*'); }

private:
    TypePtr pointee_;
};

class ArrayType : public BaseType {
public:
    ArrayType(TypePtr element, ExpressionPtr size);
    QString toString() const override;

private:
    TypePtr element_;
    ExpressionPtr size_;
};
