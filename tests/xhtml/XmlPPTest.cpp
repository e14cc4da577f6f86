// What the -xhtml walk does at bounds a run of the program cannot reach in
// a test's time: the nesting bound exactly at its limit across an include,
// and the run's budget, lowered, for every kind of work it counts. And a
// text include of many megabytes, which must print in linear time.
#include "app/LargeStack.h"
#include "xhtml/HException.h"
#include "xhtml/HtmlWriter.h"
#include "xhtml/XhtmlDocument.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class Walk : public ::testing::Test {
protected:
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QDomDocument process(const QString& page, std::uint64_t budgetBytes = XmlPP::RunBudgetBytes)
    {
        return parseXhtml(page, dir_.filePath(QStringLiteral("main.xml")), budgetBytes);
    }

private:
    QTemporaryDir dir_;
};

QByteArray nestedText(const char* tag, int levels, const QByteArray& inner = QByteArray())
{
    const QByteArray name(tag);
    return ("<" + name + ">").repeated(levels) + inner + ("</" + name + ">").repeated(levels);
}

int depthOf(const QDomDocument& document)
{
    int depth = 0;
    for (QDomElement e = document.documentElement(); !e.isNull(); e = e.firstChildElement())
        ++depth;
    return depth;
}

// An included root counts at the depth of its include: the page reaches
// 10,000 levels; a file one level deeper is not read and the include stays.
TEST_F(Walk, NestingBoundCountsTheIncludingPage)
{
    runOnLargeStack([this] {
        const QString page = QString::fromLatin1(nestedText("e", 1000, "<include filename=\"part.xml\"/>"));
        write(QStringLiteral("part.xml"), nestedText("f", 9000));
        EXPECT_EQ(depthOf(process(page)), 10000);
        write(QStringLiteral("part.xml"), nestedText("f", 9001));
        EXPECT_EQ(depthOf(process(page)), 1001);
        return 0;
    });
}

// A value doubled by defines and then expanded or inserted in many places,
// a large text included many times, and files of many tiny elements.
TEST_F(Walk, RunBudgetStopsPagesThatMultiplyThemselves)
{
    QString doubling = QStringLiteral("<r><define name=\"A0\" value=\"0123456789abcdef\"/>");
    for (int i = 1; i <= 12; ++i)
        doubling += QStringLiteral("<define name=\"A%1\" value=\"$(A%2)$(A%2)\" expand_attributes=\"value\"/>")
                        .arg(i)
                        .arg(i - 1);
    QString inserted = doubling + QStringLiteral("<p><expand_definition name=\"A12\"/></p>").repeated(20);
    doubling += QStringLiteral("<e v=\"$(A12)\" expand_attributes=\"v\"/>").repeated(20);
    write(QStringLiteral("big.txt"), QByteArray(200000, 'x'));
    write(QStringLiteral("tiny.xml"), "<t>" + QByteArray("<a/>").repeated(20000) + "</t>");
    const std::pair<QString, std::string> pages[] = {
        {doubling + QStringLiteral("</r>"), "macro expansion"},
        {inserted + QStringLiteral("</r>"), "macro values inserted"},
        {QStringLiteral("<r>%1</r>").arg(QStringLiteral("<include type=\"text\" filename=\"big.txt\"/>").repeated(5)),
         "includes read"},
        {QStringLiteral("<r>%1</r>").arg(QStringLiteral("<include filename=\"tiny.xml\"/>").repeated(3)),
         "includes read"},
    };
    for (const auto& [page, most] : pages) {
        try {
            process(page, 1 << 20);
            ADD_FAILURE() << "not stopped: " << page.left(80).toStdString();
        } catch (const HException& failure) {
            const std::string expected =
                "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB; most of it: " +
                most + " (";
            EXPECT_EQ(std::string(failure.what()).substr(0, expected.size()), expected);
        }
    }
    EXPECT_NO_THROW(process(pages[0].first));
}

// 16 MB of text full of characters to escape prints as the escapes of each
// piece one after the other (a '>' after "]]" is escaped, a carriage
// return becomes a reference), within the test's time limit.
TEST_F(Walk, LargeTextIncludePrintsInLinearTime)
{
    const QByteArray piece = "a<b&c]]>d\"]\r\n";
    const int copies = (16 << 20) / piece.size();
    write(QStringLiteral("big.txt"), piece.repeated(copies));
    const QString html = toHtml(process(QStringLiteral("<r><include type=\"text\" filename=\"big.txt\"/></r>")), 2);
    const QString escaped = QStringLiteral("a&lt;b&amp;c]]&gt;d\"]&#xd;\n");
    EXPECT_TRUE(html == QStringLiteral("<r>\n  <pre>") + escaped.repeated(copies) + QStringLiteral("</pre>\n</r>\n"))
        << html.left(200).toStdString();
}

}  // namespace
