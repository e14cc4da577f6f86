#include "expr/BaseType.h"

#include "expr/ParserException.h"

#include <array>

QString SimpleType::toString() const
{
    static constexpr std::array<const char*, 7> Names = {"char",      "short", "int",   "long",
                                                         "long long", "float", "double"};
    const QString name = QString::fromLatin1(Names[kind_]);
    return unsigned_ ? QStringLiteral("unsigned ") + name : name;
}

QString StructType::toString() const
{
    QString text = QStringLiteral("struct {");
    for (const Field& field : fields_) {
        text += QLatin1Char(' ') + field.type->toString();
        if (!field.name.isEmpty())
            text += QLatin1Char(' ') + field.name;
        if (field.bitSize != 0)
            text += QStringLiteral(" : ") + QString::number(field.bitSize);
        text += QLatin1Char(';');
    }
    return text + QStringLiteral(" }");
}

QString RegisterType::toString() const
{
    QString text = QStringLiteral("register ") + QString::number(size_);
    for (const Field& field : fields_) {
        text += QLatin1Char(' ') + field.name + QLatin1Char(' ') + QString::number(field.bitOffset) + QLatin1Char(' ') +
                QString::number(field.bitSize);
    }
    return text + QLatin1Char(';');
}

namespace {

int depthAbove(const BaseType& inner)
{
    if (inner.depth() >= BaseType::MaxDepth)
        throw ParserException(QStringLiteral("type nested too deeply"));
    return inner.depth() + 1;
}

}  // namespace

PointerType::PointerType(TypePtr pointee) : BaseType(depthAbove(*pointee)), pointee_(std::move(pointee)) {}

ArrayType::ArrayType(TypePtr element, ExpressionPtr size)
    : BaseType(depthAbove(*element)), element_(std::move(element)), size_(std::move(size))
{}

QString ArrayType::toString() const
{
    return element_->toString() + QLatin1Char('[') + size_->toString() + QLatin1Char(']');
}
