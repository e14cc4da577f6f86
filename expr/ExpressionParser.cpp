#include "expr/ExpressionParser.h"

#include "expr/OperatorExpression.h"
#include "expr/ParserException.h"
#include "expr/TargetExpression.h"
#include "rules/Limits.h"

namespace {

// Counts the active parseUnary calls; every recursion of the grammar passes
// through one.
class NestingGuard {
public:
    explicit NestingGuard(int& nesting) : nesting_(nesting)
    {
        if (nesting_ >= ExpressionParser::maxNesting())
            throw ParserException(QStringLiteral("expression nested too deeply"));
        ++nesting_;
    }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    int& nesting_;
};

template <class Node>
ExpressionPtr makeNode(ExpressionParser* parser, ExpressionPtr left, ExpressionPtr right)
{
    return std::make_unique<Node>(parser, std::move(left), std::move(right));
}

using NodeFactory = ExpressionPtr (*)(ExpressionParser*, ExpressionPtr, ExpressionPtr);

// The node of a binary operator token, or none for the tokens the parser
// rejects and the assignments.
NodeFactory operatorNode(int tokenType)
{
    switch (tokenType) {
    case TOKEN_STAR:
        return &makeNode<MultiplyExpression>;
    case TOKEN_SLASH:
        return &makeNode<DivideExpression>;
    case TOKEN_MOD:
        return &makeNode<ModExpression>;
    case TOKEN_PLUS:
        return &makeNode<PlusExpression>;
    case TOKEN_MINUS:
        return &makeNode<MinusExpression>;
    case TOKEN_LSHIFT:
        return &makeNode<LshiftExpression>;
    case TOKEN_RSHIFT:
        return &makeNode<RshiftExpression>;
    case TOKEN_LT:
        return &makeNode<LtExpression>;
    case TOKEN_LE:
        return &makeNode<LeExpression>;
    case TOKEN_GT:
        return &makeNode<GtExpression>;
    case TOKEN_GE:
        return &makeNode<GeExpression>;
    case TOKEN_EQ:
        return &makeNode<EqExpression>;
    case TOKEN_NE:
        return &makeNode<NeExpression>;
    case TOKEN_BITAND:
        return &makeNode<BitAndExpression>;
    case TOKEN_BITXOR:
        return &makeNode<BitXorExpression>;
    case TOKEN_BITOR:
        return &makeNode<BitOrExpression>;
    case TOKEN_LOGAND:
        return &makeNode<LogicalAndExpression>;
    case TOKEN_LOGOR:
        return &makeNode<LogicalOrExpression>;
    default:
        return nullptr;
    }
}

// The operator of a compound assignment ("+=" gives "+"), or TOKEN_EOL.
int compoundOperator(int tokenType)
{
    switch (tokenType) {
    case TOKEN_PLUS_ASSIGN:
        return TOKEN_PLUS;
    case TOKEN_MINUS_ASSIGN:
        return TOKEN_MINUS;
    case TOKEN_STAR_ASSIGN:
        return TOKEN_STAR;
    case TOKEN_DIV_ASSIGN:
        return TOKEN_SLASH;
    case TOKEN_MOD_ASSIGN:
        return TOKEN_MOD;
    case TOKEN_LSHIFT_ASSIGN:
        return TOKEN_LSHIFT;
    case TOKEN_RSHIFT_ASSIGN:
        return TOKEN_RSHIFT;
    case TOKEN_BITAND_ASSIGN:
        return TOKEN_BITAND;
    case TOKEN_BITXOR_ASSIGN:
        return TOKEN_BITXOR;
    case TOKEN_BITOR_ASSIGN:
        return TOKEN_BITOR;
    default:
        return TOKEN_EOL;
    }
}

}  // namespace

int ExpressionParser::maxNesting()
{
    return int(expressionNestingBound());
}

ExpressionParser::ExpressionParser(std::unique_ptr<Lexer> lexer, std::uint32_t addressSize)
    : lexer_(std::move(lexer)), addressSize_(addressSize)
{}

ExpressionPtr ExpressionParser::parse(const QString& text, int* endPosition)
{
    if (endPosition)
        *endPosition = 0;
    if (text.isEmpty())
        return nullptr;
    nesting_ = 0;
    lexer_->setText(text);
    ExpressionPtr root = parseBinary(LoosestPrecedence);
    if (endPosition)
        *endPosition = lexer_->position();
    return root;
}

ExpressionValue ExpressionParser::evaluate(const QString& text)
{
    const ExpressionPtr root = parse(text);
    if (!root)
        return ExpressionValue();
    return root->evaluate();
}

// The common frame of the entry points: evaluates, lets `read` accept the
// value (or not: it names the kind it wanted), and turns every failure into
// ok false and 0.
template <typename Result, typename Read>
Result ExpressionParser::evaluateAs(const QString& text, bool& ok, QString* failure, Read read)
{
    ok = false;
    QString reason;
    try {
        const ExpressionPtr root = parse(text);
        if (!root) {
            reason = QStringLiteral("empty expression");
        } else {
            const ExpressionValue value = root->evaluate();
            Result result = 0;
            const char* wanted = read(value, result);
            if (wanted == nullptr) {
                ok = true;
                return result;
            }
            reason = QStringLiteral("the value is not %1").arg(QLatin1String(wanted));
        }
    } catch (const ParserException& exception) {
        reason = exception.message();
    } catch (...) {
        reason = QStringLiteral("evaluation failed");
    }
    if (failure != nullptr)
        *failure = reason;
    return 0;
}

std::uint64_t ExpressionParser::evaluateInteger(const QString& text, bool& ok, QString* failure)
{
    return evaluateAs<std::uint64_t>(text, ok, failure, [](const ExpressionValue& value, std::uint64_t& result) {
        if (!value.isNumeric())
            return "a number";
        result = value.toBits();
        return static_cast<const char*>(nullptr);
    });
}

std::int64_t ExpressionParser::evaluateSigned(const QString& text, bool& ok, QString* failure)
{
    return evaluateAs<std::int64_t>(text, ok, failure, [](const ExpressionValue& value, std::int64_t& result) {
        if (!value.isNumeric())
            return "a number";
        result = value.toSigned();
        return static_cast<const char*>(nullptr);
    });
}

std::uint32_t ExpressionParser::evaluateCondition(const QString& text, bool& ok, QString* failure)
{
    return evaluateAs<std::uint32_t>(text, ok, failure, [](const ExpressionValue& value, std::uint32_t& result) {
        if (value.kind() != ValueKind::Boolean)
            return "a Boolean";
        result = value.lowByte();
        return static_cast<const char*>(nullptr);
    });
}

// Parses operators of the given level and tighter, each level
// left-associative: the same trees as one function per level calling the
// next tighter one, but by precedence climbing, so that a parenthesis costs
// a few stack frames rather than one per level.
ExpressionPtr ExpressionParser::parseBinary(Precedence level)
{
    ExpressionPtr left = parseUnary();
    for (;;) {
        const Precedence precedence = lexer_->tokenPrecedence();
        if (precedence < level || precedence > TightestPrecedence)
            return left;
        const int tokenType = lexer_->tokenType();
        lexer_->advance();
        ExpressionPtr right = precedence == TightestPrecedence ? parseUnary() : parseBinary(tighter(precedence));
        left = combine(tokenType, std::move(left), std::move(right));
    }
}

ExpressionPtr ExpressionParser::combine(int tokenType, ExpressionPtr left, ExpressionPtr right)
{
    if (tokenType == TOKEN_ASSIGN)
        return makeNode<AssignExpression>(this, std::move(left), std::move(right));
    if (const NodeFactory node = operatorNode(tokenType))
        return node(this, std::move(left), std::move(right));
    const NodeFactory compound = operatorNode(compoundOperator(tokenType));
    if (!compound)
        throw ParserException(QStringLiteral("operator not supported"));
    ExpressionPtr destination = left->clone();
    ExpressionPtr value = compound(this, std::move(left), std::move(right));
    return makeNode<AssignExpression>(this, std::move(destination), std::move(value));
}

ExpressionPtr ExpressionParser::parseUnary()
{
    const NestingGuard guard(nesting_);
    return parsePostfix(parsePrefixOrPrimary());
}

ExpressionPtr ExpressionParser::parsePrefixOrPrimary()
{
    const int tokenType = lexer_->tokenType();
    switch (tokenType) {
    case TOKEN_INTEGER: {
        auto constant = std::make_unique<IntegerConstantExpression>(this, lexer_->integerValue());
        lexer_->advance();
        return constant;
    }
    case TOKEN_HEXINTEGER:
    case TOKEN_BININTEGER: {
        const auto bits = static_cast<std::int64_t>(lexer_->unsignedValue());
        auto constant = std::make_unique<IntegerConstantExpression>(this, bits);
        lexer_->advance();
        return constant;
    }
    case TOKEN_FLOAT: {
        auto constant = std::make_unique<FloatConstantExpression>(this, lexer_->floatValue());
        lexer_->advance();
        return constant;
    }
    case TOKEN_STRING: {
        auto constant = std::make_unique<StringConstantExpression>(this, literalText());
        lexer_->advance();
        return constant;
    }
    case TOKEN_IDENT:
        return parseNamedForm();
    case TOKEN_REGISTER: {
        auto reg = std::make_unique<RegisterExpression>(this, lexer_->tokenText().mid(1));
        lexer_->advance();
        return reg;
    }
    case TOKEN_COLONCOLON:
        return parseGlobalScopedIdentifier();
    case TOKEN_LPAREN:
        return parseParenthesised();
    default:
        break;
    }

    // Prefix operators: the operator is consumed before its operand is read.
    switch (tokenType) {
    case TOKEN_INCREMENT:
    case TOKEN_DECREMENT:
        lexer_->advance();
        return increment(tokenType, parseUnary());
    case TOKEN_BITNOT:
        lexer_->advance();
        return std::make_unique<BitNotExpression>(this, parseUnary());
    case TOKEN_LOGNOT:
        lexer_->advance();
        return std::make_unique<LogicalNotExpression>(this, parseUnary());
    case TOKEN_MINUS:
        lexer_->advance();
        return std::make_unique<NegateExpression>(this, parseUnary());
    case TOKEN_PLUS:
        lexer_->advance();
        return parseUnary();
    case TOKEN_BITAND:
        lexer_->advance();
        return std::make_unique<AddressofExpression>(this, parseUnary());
    case TOKEN_STAR: {
        // *p is p[0], with a 2-byte unsigned 0.
        lexer_->advance();
        ExpressionPtr pointer = parseUnary();
        auto zero = std::make_unique<ConstantExpression>(this, ExpressionValue::unsignedInteger(0, 2));
        return std::make_unique<LeftSquareBracketExpression>(this, std::move(pointer), std::move(zero));
    }
    default:
        throw ParserException(QStringLiteral("unexpected token ") + lexer_->tokenName());
    }
}

// x++ and ++x both become x = x + 1 (x = x - 1 for "--").
ExpressionPtr ExpressionParser::increment(int tokenType, ExpressionPtr operand)
{
    ExpressionPtr destination = operand->clone();
    auto one = std::make_unique<IntegerConstantExpression>(this, 1);
    ExpressionPtr value = tokenType == TOKEN_INCREMENT
                              ? makeNode<PlusExpression>(this, std::move(operand), std::move(one))
                              : makeNode<MinusExpression>(this, std::move(operand), std::move(one));
    return makeNode<AssignExpression>(this, std::move(destination), std::move(value));
}

ExpressionPtr ExpressionParser::parsePostfix(ExpressionPtr base)
{
    for (;;) {
        const int tokenType = lexer_->tokenType();
        switch (tokenType) {
        case TOKEN_LBRACK:
            base = parseIndex(std::move(base));
            break;
        case TOKEN_DOT:
        case TOKEN_POINTSAT:
            lexer_->advance();
            if (at(TOKEN_STAR)) {
                lexer_->advance();
                base = makeNode<PtrToMemberExpression>(this, std::move(base), parseIdentifier());
            } else {
                base = makeNode<DotExpression>(this, std::move(base), parseIdentifier());
            }
            break;
        case TOKEN_COLONCOLON:
            lexer_->advance();
            base = makeNode<DotExpression>(this, std::move(base), parseIdentifier());
            break;
        case TOKEN_INCREMENT:
        case TOKEN_DECREMENT:
            base = increment(tokenType, std::move(base));
            lexer_->advance();
            break;
        case TOKEN_LPAREN:
            base = parseCall(std::move(base));
            break;
        default:
            return base;
        }
    }
}

ExpressionPtr ExpressionParser::parseIndex(ExpressionPtr base)
{
    lexer_->advance();
    ExpressionPtr index = parseBinary(LoosestPrecedence);
    if (at(TOKEN_COLON)) {
        lexer_->advance();
        ExpressionPtr stop = parseBinary(LoosestPrecedence);
        consume(TOKEN_RBRACK, "expected ']'");
        return std::make_unique<ArraySliceExpression>(this, std::move(base), std::move(index), std::move(stop));
    }
    consume(TOKEN_RBRACK, "expected ']'");
    return makeNode<LeftSquareBracketExpression>(this, std::move(base), std::move(index));
}

// Arguments are unary expressions; a comma after one is optional.
ExpressionPtr ExpressionParser::parseCall(ExpressionPtr callee)
{
    lexer_->advance();
    std::vector<ExpressionPtr> arguments;
    while (!at(TOKEN_RPAREN)) {
        arguments.push_back(parseUnary());
        if (at(TOKEN_COMMA))
            lexer_->advance();
    }
    lexer_->advance();
    return std::make_unique<CallExpression>(this, std::move(callee), std::move(arguments));
}

ExpressionPtr ExpressionParser::parseNamedForm()
{
    if (lexer_->tokenIs("sizeof"))
        return parseSizeof();
    if (lexer_->tokenIs("addressof"))
        return parseAddressofLine();
    if (lexer_->tokenIs("symbolat"))
        return parseSymbolAt();
    return parseIdentifier();
}

ExpressionPtr ExpressionParser::parseSizeof()
{
    lexer_->advance();
    if (!at(TOKEN_LPAREN))
        return std::make_unique<SizeofExpression>(this, parseBinary(LoosestPrecedence));
    lexer_->advance();
    if (TypePtr type = tryParseType()) {
        consume(TOKEN_RPAREN, "')' expected");
        return std::make_unique<SizeofExpression>(this, std::move(type));
    }
    ExpressionPtr operand = parseBinary(LoosestPrecedence);
    consume(TOKEN_RPAREN, "')' expected");
    return std::make_unique<SizeofExpression>(this, std::move(operand));
}

ExpressionPtr ExpressionParser::parseAddressofLine()
{
    lexer_->advance();
    consume(TOKEN_LPAREN, "'(' expected");
    expect(TOKEN_STRING, "string expected");
    const QString fileName = literalText();
    lexer_->advance();
    consume(TOKEN_COMMA, "',' expected");
    expect(TOKEN_INTEGER, "int expected");
    const auto line = static_cast<std::int32_t>(lexer_->integerValue());
    lexer_->advance();
    consume(TOKEN_RPAREN, "')' expected");
    return std::make_unique<AddressofLineExpression>(this, fileName, line);
}

ExpressionPtr ExpressionParser::parseSymbolAt()
{
    lexer_->advance();
    consume(TOKEN_LPAREN, "'(' expected");
    ExpressionPtr operand = parseUnary();
    consume(TOKEN_RPAREN, "')' expected");
    return std::make_unique<SymbolAtExpression>(this, std::move(operand));
}

// "(" starts a cast when a type follows, a parenthesised expression otherwise.
ExpressionPtr ExpressionParser::parseParenthesised()
{
    lexer_->advance();
    if (TypePtr type = tryParseType()) {
        consume(TOKEN_RPAREN, "')' expected");
        return std::make_unique<CastExpression>(this, std::move(type), parseUnary());
    }
    ExpressionPtr inner = parseBinary(LoosestPrecedence);
    consume(TOKEN_RPAREN, "')' expected");
    return inner;
}

ExpressionPtr ExpressionParser::parseIdentifier()
{
    expect(TOKEN_IDENT, "identifier expected");
    QString name = lexer_->tokenText();
    lexer_->advance();
    if (isTemplateName(name))
        name += parseTemplateArguments();
    if (!at(TOKEN_COLONCOLON))
        return std::make_unique<IdentifierExpression>(this, name);
    QStringList parts(name);
    while (at(TOKEN_COLONCOLON)) {
        lexer_->advance();
        expect(TOKEN_IDENT, "identifier expected");
        parts << lexer_->tokenText();
        lexer_->advance();
    }
    return std::make_unique<ScopedIdentifierExpression>(this, parts);
}

// ::a::b names a from the global scope; the leading "::" adds no part.
ExpressionPtr ExpressionParser::parseGlobalScopedIdentifier()
{
    QStringList parts;
    while (at(TOKEN_COLONCOLON)) {
        lexer_->advance();
        expect(TOKEN_IDENT, "identifier expected");
        parts << lexer_->tokenText();
        lexer_->advance();
    }
    return std::make_unique<ScopedIdentifierExpression>(this, parts);
}

// The text of "<...>" after a template name, up to the matching ">", with
// identifiers kept apart by a space.
QString ExpressionParser::parseTemplateArguments()
{
    if (!at(TOKEN_LT))
        return QString();
    QString text;
    int open = 0;
    int previous = TOKEN_EOL;
    do {
        if (at(TOKEN_EOL))
            throw ParserException(QStringLiteral("'>' expected"));
        const int tokenType = lexer_->tokenType();
        open += tokenType == TOKEN_LT ? 1 : tokenType == TOKEN_GT ? -1 : tokenType == TOKEN_RSHIFT ? -2 : 0;
        if (tokenType == TOKEN_IDENT && previous == TOKEN_IDENT)
            text += QLatin1Char(' ');
        text += lexer_->tokenText();
        previous = tokenType;
        lexer_->advance();
    } while (open > 0);
    return text;
}

void ExpressionParser::expect(int tokenType, const char* message) const
{
    if (!at(tokenType))
        throw ParserException(QString::fromLatin1(message));
}

void ExpressionParser::consume(int tokenType, const char* message)
{
    expect(tokenType, message);
    lexer_->advance();
}

// A string token without its quotes; escapes stay as written.
QString ExpressionParser::literalText() const
{
    const QString text = lexer_->tokenText();
    return text.mid(1, text.size() - 2);
}
