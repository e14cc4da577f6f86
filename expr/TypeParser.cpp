// The type grammar of ExpressionParser: casts, sizeof and struct fields.
#include "expr/ExpressionParser.h"

#include "expr/ParserException.h"

namespace {

// The keywords that complete a simple type at once, or -1.
int completingKeyword(const Lexer& lexer)
{
    if (lexer.tokenIs("char"))
        return SimpleType::Char;
    if (lexer.tokenIs("short"))
        return SimpleType::Short;
    if (lexer.tokenIs("int"))
        return SimpleType::Int;
    if (lexer.tokenIs("float"))
        return SimpleType::Float;
    if (lexer.tokenIs("double"))
        return SimpleType::Double;
    return -1;
}

}  // namespace

// A struct, register or named type followed by its declarator suffixes, or
// none (nothing consumed) when the current token does not begin a type.
TypePtr ExpressionParser::tryParseType()
{
    if (!at(TOKEN_IDENT))
        return nullptr;
    TypePtr type;
    if (lexer_->tokenIs("struct"))
        type = parseStructType();
    else if (lexer_->tokenIs("register"))
        type = parseRegisterType();
    else
        type = parseTypeName();
    if (!type)
        return nullptr;
    return applyDeclarators(std::move(type));
}

// Keywords one token at a time: char, short, int, float and double complete
// the type (after "long" too: "long int" is int), a second "long" makes it
// long long, and the first token that is no keyword ends it: long after a
// "long", int after only unsigned/signed/const/volatile, no type (and nothing
// consumed) when no keyword was read. So "long long int" leaves "int" unread.
TypePtr ExpressionParser::parseTypeName()
{
    bool isUnsigned = false;
    bool sawQualifier = false;
    bool sawSignedness = false;
    bool sawLong = false;
    while (at(TOKEN_IDENT)) {
        if (lexer_->tokenIs("unsigned") || lexer_->tokenIs("signed")) {
            isUnsigned = isUnsigned || lexer_->tokenIs("unsigned");
            sawSignedness = true;
        } else if (lexer_->tokenIs("const") || lexer_->tokenIs("volatile")) {
            sawQualifier = true;
        } else if (const int kind = completingKeyword(*lexer_); kind >= 0) {
            lexer_->advance();
            return std::make_unique<SimpleType>(static_cast<SimpleType::Kind>(kind), isUnsigned);
        } else if (lexer_->tokenIs("long")) {
            lexer_->advance();
            if (sawLong)
                return std::make_unique<SimpleType>(SimpleType::LongLong, isUnsigned);
            sawLong = true;
            continue;
        } else if (!sawLong && !sawSignedness && isTypeName(lexer_->tokenText())) {
            return parseUserType();
        } else {
            break;
        }
        lexer_->advance();
    }
    if (sawLong)
        return std::make_unique<SimpleType>(SimpleType::Long, isUnsigned);
    if (sawSignedness || sawQualifier)
        return std::make_unique<SimpleType>(SimpleType::Int, isUnsigned);
    return nullptr;
}

TypePtr ExpressionParser::parseUserType()
{
    auto type = std::make_unique<UserType>(lexer_->tokenText());
    lexer_->advance();
    while (at(TOKEN_COLONCOLON)) {
        lexer_->advance();
        expect(TOKEN_IDENT, "identifier expected");
        type->appendScopePart(lexer_->tokenText());
        lexer_->advance();
    }
    return type;
}

// "*" (pointer), "[size]" (array) and "::part" (scope of a user type).
TypePtr ExpressionParser::applyDeclarators(TypePtr type)
{
    for (;;) {
        if (at(TOKEN_STAR)) {
            lexer_->advance();
            type = std::make_unique<PointerType>(std::move(type));
        } else if (at(TOKEN_LBRACK)) {
            lexer_->advance();
            ExpressionPtr size = parseBinary(LoosestPrecedence);
            consume(TOKEN_RBRACK, "']' expected");
            type = std::make_unique<ArrayType>(std::move(type), std::move(size));
        } else if (at(TOKEN_COLONCOLON)) {
            auto* user = dynamic_cast<UserType*>(type.get());
            if (!user)
                throw ParserException(QStringLiteral("UserType expected"));
            lexer_->advance();
            expect(TOKEN_IDENT, "identifier expected");
            user->appendScopePart(lexer_->tokenText());
            lexer_->advance();
        } else {
            return type;
        }
    }
}

// "struct tag" names a struct the target knows; "struct { fields }" defines
// one, each field "type [name] [: bits] ;".
TypePtr ExpressionParser::parseStructType()
{
    lexer_->advance();
    if (at(TOKEN_IDENT)) {
        const QString name = QStringLiteral("struct ") + lexer_->tokenText();
        if (!isTypeName(name))
            throw ParserException(QStringLiteral("struct type not found"));
        lexer_->advance();
        return std::make_unique<UserType>(name);
    }
    consume(TOKEN_LCURLY, "'{' expected");
    auto type = std::make_unique<StructType>();
    while (!at(TOKEN_RCURLY)) {
        StructType::Field field;
        field.type = parseTypeName();
        if (!field.type)
            throw ParserException(QStringLiteral("struct parse error"));
        if (at(TOKEN_IDENT)) {
            field.name = lexer_->tokenText();
            lexer_->advance();
        }
        if (at(TOKEN_COLON)) {
            lexer_->advance();
            expect(TOKEN_INTEGER, "integer must follow ':'");
            field.bitSize = static_cast<std::int32_t>(lexer_->integerValue());
            lexer_->advance();
        }
        consume(TOKEN_SEMICOLON, "';' expected");
        type->addField(std::move(field));
    }
    lexer_->advance();
    return type;
}

// "register size" and fields "name bitoffset bitsize" up to ";".
TypePtr ExpressionParser::parseRegisterType()
{
    lexer_->advance();
    expect(TOKEN_INTEGER, "size expected");
    auto type = std::make_unique<RegisterType>(lexer_->integerValue());
    lexer_->advance();
    while (!at(TOKEN_SEMICOLON)) {
        RegisterType::Field field;
        if (at(TOKEN_STRING))
            field.name = literalText();
        else if (at(TOKEN_IDENT))
            field.name = lexer_->tokenText();
        else
            throw ParserException(QStringLiteral("fieldname expected"));
        lexer_->advance();
        expect(TOKEN_INTEGER, "bitoffset expected");
        field.bitOffset = static_cast<std::int32_t>(lexer_->integerValue());
        lexer_->advance();
        expect(TOKEN_INTEGER, "bitsize expected");
        field.bitSize = static_cast<std::int32_t>(lexer_->integerValue());
        lexer_->advance();
        type->addField(std::move(field));
    }
    lexer_->advance();
    return type;
}
