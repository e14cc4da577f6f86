// The lexer cuts text in the order of its table, whatever the overlaps.
#include "expr/Lexer.h"

#include "QStringPrinter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Token = std::pair<int, QString>;

std::vector<Token> tokensOf(const QString& text)
{
    CStyleLexer lexer;
    std::vector<Token> tokens;
    for (lexer.setText(text); lexer.tokenType() != TOKEN_EOL; lexer.advance())
        tokens.emplace_back(lexer.tokenType(), lexer.tokenText());
    return tokens;
}

struct SequenceCase {
    const char16_t* text;
    std::vector<Token> tokens;
};

void PrintTo(const SequenceCase& c, std::ostream* os)
{
    *os << QString::fromUtf16(c.text).toStdString();
}

class LexerSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(LexerSequence, CutsTextInTableOrder)
{
    EXPECT_EQ(tokensOf(QString::fromUtf16(GetParam().text)), GetParam().tokens);
}

Token tok(int type, const char* text)
{
    return {type, QString::fromLatin1(text)};
}

INSTANTIATE_TEST_SUITE_P(
    Overlaps, LexerSequence,
    testing::Values(
        SequenceCase{u"a<<=b", {tok(TOKEN_IDENT, "a"), tok(TOKEN_LSHIFT_ASSIGN, "<<="), tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"a>>>b", {tok(TOKEN_IDENT, "a"), tok(TOKEN_ARSHIFT, ">>>"), tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"a>>>=b>>=c>=d",
                     {tok(TOKEN_IDENT, "a"), tok(TOKEN_ARSHIFT_ASSIGN, ">>>="), tok(TOKEN_IDENT, "b"),
                      tok(TOKEN_RSHIFT_ASSIGN, ">>="), tok(TOKEN_IDENT, "c"), tok(TOKEN_GE, ">="),
                      tok(TOKEN_IDENT, "d")}},
        SequenceCase{u"a<=b<c<<d",
                     {tok(TOKEN_IDENT, "a"), tok(TOKEN_LE, "<="), tok(TOKEN_IDENT, "b"), tok(TOKEN_LT, "<"),
                      tok(TOKEN_IDENT, "c"), tok(TOKEN_LSHIFT, "<<"), tok(TOKEN_IDENT, "d")}},
        SequenceCase{u"a-->b",
                     {tok(TOKEN_IDENT, "a"), tok(TOKEN_DECREMENT, "--"), tok(TOKEN_GT, ">"), tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"a->b", {tok(TOKEN_IDENT, "a"), tok(TOKEN_POINTSAT, "->"), tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"!a!=b",
                     {tok(TOKEN_LOGNOT, "!"), tok(TOKEN_IDENT, "a"), tok(TOKEN_NE, "!="), tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"&&&=&|||=|",
                     {tok(TOKEN_LOGAND, "&&"), tok(TOKEN_BITAND_ASSIGN, "&="), tok(TOKEN_BITAND, "&"),
                      tok(TOKEN_LOGOR, "||"), tok(TOKEN_BITOR_ASSIGN, "|="), tok(TOKEN_BITOR, "|")}},
        SequenceCase{u"::a:b",
                     {tok(TOKEN_COLONCOLON, "::"), tok(TOKEN_IDENT, "a"), tok(TOKEN_COLON, ":"),
                      tok(TOKEN_IDENT, "b")}},
        SequenceCase{u"0b102", {tok(TOKEN_BININTEGER, "0b10"), tok(TOKEN_INTEGER, "2")}},
        SequenceCase{u"0B1", {tok(TOKEN_INTEGER, "0"), tok(TOKEN_IDENT, "B1")}},
        SequenceCase{u"0X1fULL", {tok(TOKEN_HEXINTEGER, "0X1fULL")}}, SequenceCase{u"1.5", {tok(TOKEN_FLOAT, "1.5")}},
        SequenceCase{u"1.", {tok(TOKEN_INTEGER, "1"), tok(TOKEN_DOT, ".")}},
        SequenceCase{u".5", {tok(TOKEN_DOT, "."), tok(TOKEN_INTEGER, "5")}},
        SequenceCase{u"1.0e5", {tok(TOKEN_FLOAT, "1.0"), tok(TOKEN_IDENT, "e5")}},
        SequenceCase{u"10ULL 7lu", {tok(TOKEN_INTEGER, "10ULL"), tok(TOKEN_INTEGER, "7l"), tok(TOKEN_IDENT, "u")}},
        SequenceCase{u"\"a\\\"b\"c", {tok(TOKEN_STRING, "\"a\\\"b\""), tok(TOKEN_IDENT, "c")}},
        SequenceCase{u"\"\"\"\"", {tok(TOKEN_STRING, "\"\""), tok(TOKEN_STRING, "\"\"")}},
        // Ordinary, no-break, em and ideographic spaces all separate tokens.
        SequenceCase{u"1 +\u00A0\u2003\u30002",
                     {tok(TOKEN_INTEGER, "1"), tok(TOKEN_PLUS, "+"), tok(TOKEN_INTEGER, "2")}},
        SequenceCase{u"   ", {}}));

}  // namespace
