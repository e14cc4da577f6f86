#include "TreeDump.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

namespace {

struct ReadCase {
    const char* name;
    std::string input;
    bool keepText;
    std::string tree;  // dumpRoot after the read
};

class ReaderReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReaderReads, BuildsTree)
{
    const ReadCase& c = GetParam();
    XMLDocument document(c.keepText);
    ASSERT_TRUE(document.parse(c.input)) << document.errorMessage();
    EXPECT_EQ(dumpRoot(document), c.tree);
}

const ReadCase ReadCases[] = {
    {"AttributesSortedAndRepeatedReplaced", "<a b='1' a=\"2\" B = '3' a='4'/>", false, "a[B=3,a=4,b=1]"},
    {"BareAttributeIgnored", "<a x=\"1\" y/>", false, "a[x=1]"},
    {"NoSpaceAfterQuote", "<a x='1'y='2'/>", false, "a[x=1,y=2]"},
    {"UnquotedValueAfterNameStartDropsName", "<a x=y/>", false, "a"},
    {"References", "<a v=\"&lt;&#65;&#x42;&amp;&foo;\"/>", false, "a[v=<AB&&foo;]"},
    {"NamedReferencesAreCaseSensitive", "<a v='&AMP;&Lt;&quot;&apos;&gt'/>", false, "a[v=&AMP;&Lt;\"'&gt]"},
    {"HexReferenceKeepsLowByte", "<a v='&#x263a;'/>", false, "a[v=:]"},
    {"UpperCaseXIsDecimalWithZeroDigit", "<a v='&#X41;'/>", false, "a[v=)]"},
    {"LetterDigitsCountAsValues", "<a v='&#1a;'/>", false, "a[v=\x14]"},
    {"ZeroReferenceEndsValue", "<a v='x&#;y' w='p&#x100;q'/>", false, "a[v=x,w=p]"},
    {"ReferenceCutByValueEnd", "<a v='&#65' w='&amp'/>", false, "a[v=&#65,w=&amp]"},
    {"CarriageReturnKeptInValue", "<a v='1\r\n2'/>", false, "a[v=1\r\n2]"},
    {"TextDroppedWithoutKeepText", "<a>t<!--c--><![CDATA[d]]><b/></a>", false, "a{C\"d\" b}"},
    {"CommentNeedsDashPairThenGt", "<a><!--x--->y-->z</a>", true, "a{\"\" !\"x--->y\" \"z\"}"},
    {"CdataPairRule", "<a><![CDATA[x]]]>y]]></a>", false, "a{C\"x]]]>y\"}"},
    {"EndTagPrefixMatches", "<abc></ab><d></></d>", false, "d"},
    {"EndTagEmptyNameMatches", "<abc></ ></abc>", false, "abc"},
    {"StrayEndTagSkipped", "</x><a/></y>", false, "a"},
    {"LastOutermostWins", "<a/><b/>", false, "b"},
    {"UnclosedDropped", "<a><b></b>", false, "(none)"},
    {"TextBeforeFirstTagEndsRead", "hello<a/>", false, "(none)"},
    {"EmptyTagName", "< x='1'><b/></>", false, "[x=1]{b}"},
    {"ProcessingInstructionIsText", "<?php <a/> ?><b/>", false, "b"},
    {"UnterminatedCommentEndsRead", "<a/><!-- <b/>", false, "a"},
    {"UnterminatedCdataEndsRead", "<r><a/><![CDATA[x</r>", false, "(none)"},
    {"NulEndsDocument", std::string("<a/>\0<b/>", 9), false, "a"},
};

INSTANTIATE_TEST_SUITE_P(Reader, ReaderReads, ::testing::ValuesIn(ReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailCase {
    const char* name;
    const char* input;
    const char* message;
    int line;
};

class ReaderFails : public ::testing::TestWithParam<FailCase> {};

TEST_P(ReaderFails, ReportsMessageAndLine)
{
    const FailCase& c = GetParam();
    XMLDocument document(false);
    EXPECT_FALSE(document.parse(c.input));
    EXPECT_STREQ(document.errorMessage(), c.message);
    EXPECT_EQ(document.errorLine(), c.line);
}

const FailCase FailCases[] = {
    {"MismatchAfterTwoLines", "<a><b>\n\n</c></b></a>", "tagName mismatch", 2},
    {"MismatchFirstLine", "<a><b></a></b>", "tagName mismatch", 0},
    {"LongerEndNameMismatches", "<ab></abc>", "tagName mismatch", 0},
    {"SlashNameInStartTag", "<a/b>", "tagName mismatch", 0},
    {"CarriageReturnsDoNotCount", "<a>\r\r\n\r</b>", "tagName mismatch", 1},
    {"WhitespaceAfterNameCounts", "<a></b\n\n>", "tagName mismatch", 2},
    {"LeadingLineFeedNotCounted", "\n<a>\n</b>", "tagName mismatch", 1},
    {"UnquotedDigitValue", "<a\nx=1/>", "bad tagName", 1},
    {"FullStopAfterTagName", "<a.b/>", "bad tagName", 0},
    {"LineFeedInsideValueCounts", "<a v='\n\n'\n 9/>", "bad tagName", 3},
};

INSTANTIATE_TEST_SUITE_P(Reader, ReaderFails, ::testing::ValuesIn(FailCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderHeader, DeclarationAndDoctype)
{
    XMLDocument document(false);
    ASSERT_TRUE(document.parse("<?xml version='1.0' encoding=\"a&amp;b\" standalone='x'?><!DOCTYPE html><r/>"));
    EXPECT_EQ(document.version(), "1.0");
    EXPECT_EQ(document.encoding(), "a&amp;b");  // raw, not decoded
    EXPECT_EQ(document.doctype(), "html");
    EXPECT_EQ(dumpRoot(document), "r");
}

TEST(ReaderHeader, UnquotedDeclarationValueEndsReadWithoutRoot)
{
    XMLDocument document(false);
    EXPECT_TRUE(document.parse("<?xml version=1.0?><r/>"));
    EXPECT_EQ(document.root(), nullptr);
}

TEST(ReaderHeader, DeclarationClosedWithoutQuestionMarkDoesNotHang)
{
    XMLDocument document(false);
    EXPECT_TRUE(document.parse("<?xml version='1'><r/>"));
    EXPECT_EQ(document.version(), "1");
    EXPECT_EQ(dumpRoot(document), "r");
}

TEST(ReaderHeader, DoctypeWithExternalIdIsIgnored)
{
    XMLDocument document(false);
    EXPECT_TRUE(document.parse("<!DOCTYPE html PUBLIC \"x\"><!DOC y><r/>"));
    EXPECT_EQ(document.doctype(), "y");  // a leading part of DOCTYPE is enough
    EXPECT_EQ(dumpRoot(document), "r");
}

// The reader keeps its open elements on a list: nesting costs no stack.
// The bound counts from the depth offset (where an included root sits).
TEST(ReaderLimits, NestingBoundCountsFromTheOffset)
{
    auto nested = [](std::uint32_t levels) {
        std::string text;
        for (std::uint32_t i = 0; i < levels; ++i)
            text += "<a>";
        for (std::uint32_t i = 0; i < levels; ++i)
            text += "</a>";
        return text;
    };
    XMLDocument document(false);
    EXPECT_TRUE(document.parse(nested(XMLDocument::MaxDepth)));
    EXPECT_FALSE(document.parse(nested(XMLDocument::MaxDepth + 1)));
    EXPECT_EQ(document.errorId(), Diag::NestingTooDeep);
    EXPECT_STREQ(document.errorMessage(), "element nesting deeper than 20000 levels");
    EXPECT_FALSE(document.parse(nested(100000)));

    document.setDepthOffset(XMLDocument::MaxDepth - 2);
    EXPECT_TRUE(document.parse(nested(2)));
    EXPECT_FALSE(document.parse(nested(3)));
}

TEST(ReaderLimits, ManyUnterminatedReferencesStayLinear)
{
    std::string value(4000000, '&');
    for (std::size_t i = 1; i < value.size(); i += 2)
        value[i] = '#';
    XMLDocument document(false);
    ASSERT_TRUE(document.parse("<a v='" + value + "'/>"));
    EXPECT_EQ(document.root()->attributeText("v").size(), value.size());
}

TEST(ReaderFile, ByteOrderMarkSkippedOnlyWhole)
{
    auto readBytes = [](const std::string& bytes) {
        std::FILE* file = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
        XMLDocument document(false);
        EXPECT_TRUE(document.readFile(fileno(file)));
        std::fclose(file);
        return dumpRoot(document);
    };
    EXPECT_EQ(readBytes("\xEF\xBB\xBF<a/>"), "a");
    EXPECT_EQ(readBytes("\xEF\xBB<a/>"), "(none)");
    EXPECT_EQ(readBytes(" \t\v\f\r\n"), "(none)");
}

// Found by fuzzing: empty input without a data pointer reached memcpy,
// both from parse and from reading an empty pipe.
TEST(ReaderFile, EmptyInputsReadWithoutRoot)
{
    XMLDocument fromView(false);
    EXPECT_TRUE(fromView.parse(std::string_view()));
    EXPECT_EQ(fromView.root(), nullptr);

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[1]);
    XMLDocument fromPipe(false);
    EXPECT_TRUE(fromPipe.readFile(ends[0]));
    EXPECT_EQ(fromPipe.root(), nullptr);
    ::close(ends[0]);
}

}  // namespace

namespace {

// The hint may only err towards "may hold": an element whose values hold
// the watched byte, also through a reference, must never be passed over.
TEST(ReaderHints, WatchedByteNotedPerElement)
{
    XMLDocument document(false);
    document.setWatchedByte('$');
    ASSERT_TRUE(document.parse("<r a='x'><p v='$(A)'/><q v='&#36;(B)'/><s w='plain' x='&amp;'/></r>"));
    const XMLNode* r = document.root();
    const XMLElement* p = r->firstChild()->toElement();
    const XMLElement* q = p->nextSibling()->toElement();
    XMLElement* s = q->nextSibling()->toElement();
    EXPECT_FALSE(r->toElement()->mayHoldWatchedByte());
    EXPECT_TRUE(p->mayHoldWatchedByte());
    EXPECT_TRUE(q->mayHoldWatchedByte());
    EXPECT_FALSE(s->mayHoldWatchedByte());
    s->setAttribute("y", "$(C)");
    EXPECT_TRUE(s->mayHoldWatchedByte());
    EXPECT_TRUE(document.cloneElement(p)->mayHoldWatchedByte());
}

}  // namespace
