#include "xhtml/HtmlWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QDomDocument paragraph(const QString& text)
{
    QDomDocument document;
    QDomElement p = document.createElement(QStringLiteral("p"));
    p.appendChild(document.createTextNode(text));
    document.appendChild(p);
    return document;
}

struct CharacterCase {
    const char16_t* text;
    const char* html;
};

class ToHtmlCharacters : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(ToHtmlCharacters, TextBecomesAscii)
{
    const QString text = QString::fromUtf16(GetParam().text);
    EXPECT_EQ(toHtml(paragraph(text), 2).toStdString(), std::string("<p>") + GetParam().html + "</p>\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ToHtmlCharacters,
    ::testing::Values(CharacterCase{u"plain", "plain"},
                      CharacterCase{u"a&b<c>\"", "a&amp;b&lt;c>\""},  // the serialiser's escapes pass
                      CharacterCase{u"\u007f", "\x7f"},
                      CharacterCase{u"\u0080", "&#128;"},
                      CharacterCase{u"caf\u00e9", "caf&#233;"},
                      CharacterCase{u"a\u00a0b", "a&nbsp;b"},
                      CharacterCase{u"\u20ac", "&#8364;"},
                      CharacterCase{u"\U0001F600", "&#55357;&#56832;"}));

TEST(ToHtml, AttributeValuesAreConverted)
{
    QDomDocument document;
    QDomElement a = document.createElement(QStringLiteral("a"));
    a.setAttribute(QStringLiteral("title"), QString::fromUtf16(u"\u00e9\u00a0"));
    document.appendChild(a);
    EXPECT_EQ(toHtml(document, 2).toStdString(), "<a title=\"&#233;&nbsp;\"/>\n");
}

TEST(FixedDoctype, WrittenOnlyWithoutANamedDocumentType)
{
    QDomDocument parsedWithoutType;
    ASSERT_TRUE(parsedWithoutType.setContent(QStringLiteral("<html/>")));
    QDomDocument parsedWithType;
    ASSERT_TRUE(parsedWithType.setContent(QStringLiteral("<!DOCTYPE html><html/>")));
    EXPECT_TRUE(needsFixedDoctype(QDomDocument()));
    EXPECT_TRUE(needsFixedDoctype(parsedWithoutType));
    EXPECT_FALSE(needsFixedDoctype(parsedWithType));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(WriteHtml, ReplacesAFileAndLeavesNothingBeside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.html"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents that are longer than the new ones, all of them replaced");
    old.close();
    QDomDocument document;
    ASSERT_TRUE(document.setContent(QStringLiteral("<!DOCTYPE html><html/>")));
    writeHtml(path, document, 2);
    EXPECT_EQ(readAll(path).toStdString(), "<!DOCTYPE html>\n<html/>\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("out.html")});
}

}  // namespace
