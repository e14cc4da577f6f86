#include "app/LargeStack.h"
#include "diag/TraceLog.h"
#include "xhtml/BoundedRead.h"
#include "xhtml/HException.h"
#include "xhtml/XhtmlDocument.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

std::vector<std::string> traceLines;

void collectTrace(const std::string& line)
{
    traceLines.push_back(line);
}

// Runs documents through the preprocessor in a folder of include files and
// collects what the walk reports to the trace log.
class Walk : public ::testing::Test {
protected:
    void SetUp() override
    {
        traceLines.clear();
        previousSink_ = setTraceSink(collectTrace);
        write("bad.xml", "<a><b></a>");
    }
    void TearDown() override { setTraceSink(previousSink_); }

    void write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }
    std::string process(const QString& text) const
    {
        return parseXhtml(text, path(QStringLiteral("main.xml"))).toString(-1).toStdString();
    }

private:
    QTemporaryDir dir_;
    TraceSink previousSink_ = nullptr;
};

// The directives' output and the fatal errors are checked end to end
// (tests/data/xhtml); these tests look at what only the walk shows: its
// trace-log reports and the run's budget at a lowered value.

TEST_F(Walk, IfWithoutOneConditionStaysWithWarning)
{
    const QDomDocument result = parseXhtml(QStringLiteral("<r><if a=\"1\" b=\"1\"><ifdef name=\"ide\">c</ifdef></if></r>"),
                                           path(QStringLiteral("main.xml")));
    const QDomElement kept = result.documentElement().firstChildElement(QStringLiteral("if"));
    ASSERT_FALSE(kept.isNull());
    EXPECT_EQ(kept.text().toStdString(), "c");  // its children are still walked
    ASSERT_EQ(traceLines.size(), 1u);
    EXPECT_EQ(traceLines[0], "warning: XmlPP::processConditionals(): one condition required for <if[not]>\n");
}

TEST_F(Walk, IncludeProblemsAreReportedAndWalkGoesOn)
{
    const std::string directory = folder().toStdString();
    struct {
        const char* input;
        std::string output;
        std::string report;
    } cases[] = {
        {"<r><define name=\"X\"/><ifdef name=\"X\">x</ifdef></r>", "<r/>",
         "warning: XmlPP::processConditionals(): missing name and/or value in <define_macro>\n"},
        {"<r><include><expand_definition name=\"release\"/></include></r>", "<r><include>5.2</include></r>",
         "error: XmlPP::processConditionals(): missing filename in <include>\n"},
        {"<r><include filename=\"no.xml\"/></r>", "<r><include filename=\"no.xml\"/></r>",
         "error: XmlPP::processConditionals could not open include file " + directory + "/no.xml\n"},
        {"<r><include filename=\"bad.xml\"/></r>", "<r><include filename=\"bad.xml\"/></r>",
         "error: XmlPP: error reading XML - tag mismatch on line 1 column 10 of include file " + directory + "/bad.xml\n"},
        {"<r><include filename=\"bad.xml\" no_root=\"\">k</include></r>", "<r>k</r>",
         "error: XmlPP: error reading XML - tag mismatch on line 1 column 10 of include file " + directory + "/bad.xml\n"},
    };
    for (const auto& c : cases) {
        traceLines.clear();
        EXPECT_EQ(process(QString::fromUtf8(c.input)), c.output) << c.input;
        ASSERT_EQ(traceLines.size(), 1u) << c.input;
        EXPECT_EQ(traceLines[0], c.report);
    }
}

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

// The nesting bound counts the including page: a file that would take it
// past 20,000 levels is reported as a file that is not well-formed (the
// include stays), one level less is read. An include nested past 2,000
// includes is reported like one that failed, and the walk goes on.
TEST_F(Walk, IncludesPastTheirBoundsAreReported)
{
    runOnLargeStack([this] {
        const QString page = QString::fromLatin1(nestedText("e", 1000, "<include filename=\"part.xml\"/>"));
        write("part.xml", nestedText("f", 19000));
        EXPECT_EQ(depthOf(parseXhtml(page, path(QStringLiteral("main.xml")))), 20000);
        EXPECT_TRUE(traceLines.empty());
        write("part.xml", nestedText("f", 19001));
        EXPECT_EQ(depthOf(parseXhtml(page, path(QStringLiteral("main.xml")))), 1001);
        EXPECT_EQ(traceLines, std::vector<std::string>{"error: XmlPP: error reading XML - nesting deeper than 20000 "
                                                       "levels on line 1 column 57003 of include file " +
                                                       folder().toStdString() + "/part.xml\n"});

        traceLines.clear();
        write("self.xml", "<r><include filename=\"self.xml\"/></r>");
        EXPECT_EQ(depthOf(parseXhtml(QStringLiteral("<r><include filename=\"self.xml\"/></r>"),
                                     path(QStringLiteral("self.xml")))),
                  2002);
        EXPECT_EQ(traceLines, std::vector<std::string>{"error: XmlPP::processConditionals(): includes nested deeper "
                                                       "than 2000 levels at include file " +
                                                       folder().toStdString() + "/self.xml\n"});
        return 0;
    });
}

TEST_F(Walk, DateWithoutDefinitionIsToday)
{
    const std::string today = QLocale::c().toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy")).toStdString();
    EXPECT_EQ(process(QStringLiteral("<r><expand_definition name=\"Date\"/></r>")), "<r>" + today + "</r>");
}

// Pages that multiply themselves stop at the run's budget (lowered here):
// a value doubled by defines and then expanded or inserted in many places,
// a large file included many times, and a file of many tiny elements.
TEST_F(Walk, RunBudgetIsBounded)
{
    QString doubling = QStringLiteral("<r><define name=\"A0\" value=\"0123456789abcdef\"/>");
    for (int i = 1; i <= 12; ++i)
        doubling += QStringLiteral("<define name=\"A%1\" value=\"$(A%2)$(A%2)\" expand_attributes=\"value\"/>")
                        .arg(i)
                        .arg(i - 1);
    doubling += QStringLiteral("<e v=\"$(A12)\" expand_attributes=\"v\"/>").repeated(20) + QStringLiteral("</r>");
    write("big.txt", QByteArray(200000, 'x'));
    const QString includes =
        QStringLiteral("<r>") + QStringLiteral("<include type=\"text\" filename=\"big.txt\"/>").repeated(5) +
        QStringLiteral("</r>");
    QString inserted = doubling;
    inserted.replace(QStringLiteral("<e v=\"$(A12)\" expand_attributes=\"v\"/>"),
                     QStringLiteral("<p><expand_definition name=\"A12\"/></p>"));
    // A file of many tiny elements costs far more than its bytes.
    write("tiny.xml", "<t>" + QByteArray("<a/>").repeated(20000) + "</t>");
    const QString tinyNodes = QStringLiteral("<r>") + QStringLiteral("<include filename=\"tiny.xml\"/>").repeated(3) +
                              QStringLiteral("</r>");
    for (const QString& page : {doubling, includes, inserted, tinyNodes}) {
        try {
            parseXhtml(page, path(QStringLiteral("main.xml")), 1 << 20);
            ADD_FAILURE() << "no exception";
        } catch (const HException& failure) {
            EXPECT_EQ(std::string(failure.what()), "XmlPP::processConditionals(): the directives of this run make or read more than 1 MiB");
        }
    }
}

TEST(BoundedRead, StopsPastTheLimit)
{
    QByteArray endless(1 << 20, 'x');
    QBuffer device(&endless);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_GT(readAtMost(device, 1000).size(), 1000);
    EXPECT_LT(readAtMost(device, 1000).size(), 1000 + 65537);
    ASSERT_TRUE(device.seek(0));
    EXPECT_EQ(readAtMost(device, 2 << 20).size(), 1 << 20);
}

}  // namespace
