#include "expr/ExpressionParser.h"

#include "expr/ParserException.h"

namespace {

[[noreturn]] void fail(const char* message)
{
    throw ParserException(QString::fromLatin1(message));
}

}  // namespace

SimpleExpressionParser::SimpleExpressionParser() : ExpressionParser(std::make_unique<CStyleLexer>(), 4) {}

ExpressionValue SimpleExpressionParser::lookupScopedName(const QStringList& parts)
{
    throw ParserException(parts.join(QStringLiteral("::")) + QStringLiteral(" symbol not found"));
}

ExpressionValue SimpleExpressionParser::lookupName(const QString& name)
{
    throw ParserException(name + QStringLiteral(" symbol not found"));
}

ExpressionValue SimpleExpressionParser::lookupRegister(const QString& name)
{
    throw ParserException(name + QStringLiteral("unknown register"));
}

bool SimpleExpressionParser::isTypeName(const QString&)
{
    return false;
}

bool SimpleExpressionParser::isTemplateName(const QString&)
{
    return false;
}

ExpressionValue SimpleExpressionParser::castValue(const ExpressionValue&, const BaseType&)
{
    fail("cannot cast");
}

std::uint64_t SimpleExpressionParser::pointerStride(const ExpressionValue&)
{
    return 0;
}

std::uint64_t SimpleExpressionParser::pointerAddress(const ExpressionValue&)
{
    return 0;
}

ExpressionValue SimpleExpressionParser::dereference(const ExpressionValue&, std::uint64_t)
{
    fail("cannot dereference");
}

ExpressionValue SimpleExpressionParser::member(const ExpressionValue&, const QString&)
{
    fail("cannot dereference");
}

ExpressionValue SimpleExpressionParser::memberPointer(const ExpressionValue&, const QString&)
{
    fail("cannot dereference");
}

ExpressionValue SimpleExpressionParser::pointee(const ExpressionValue&)
{
    fail("cannot dereference");
}

ExpressionValue SimpleExpressionParser::addressOf(const ExpressionValue&)
{
    fail("addressof not implemented");
}

ExpressionValue SimpleExpressionParser::sizeofObject(const ExpressionValue&)
{
    fail("sizeof expression not implemented");
}

ExpressionValue SimpleExpressionParser::sizeofType(const BaseType&)
{
    fail("sizeof(typename) not implemented");
}

ExpressionValue SimpleExpressionParser::addressOfLine(const QString&, std::int32_t)
{
    fail("addressof not implemented");
}

ExpressionValue SimpleExpressionParser::assignmentTarget(const ExpressionValue&)
{
    fail("this symbol not found");
}

ExpressionValue SimpleExpressionParser::assign(const ExpressionValue&, const ExpressionValue&)
{
    fail("this symbol not found");
}

ExpressionValue SimpleExpressionParser::callFunction(const ExpressionValue&, const std::vector<ExpressionValue>&)
{
    fail("function calling not implemented");
}

ExpressionValue SimpleExpressionParser::objectAt(std::uint64_t)
{
    fail("addressof not implemented");
}

ExpressionValue SimpleExpressionParser::arraySlice(const ExpressionValue&, const ExpressionValue&,
                                                   const ExpressionValue&)
{
    fail("cannot array slice");
}

ExpressionValue SimpleExpressionParser::symbolAt(const ExpressionValue&)
{
    fail("symbolat not implemented");
}
