#include "xhtml/XhtmlDocument.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

TEST(XhtmlDocument, DateMacrosAtConstruction)
{
    const QDate today = QDate::currentDate();
    const XhtmlDocument document;
    EXPECT_EQ(document.macros().at("Day"), std::to_string(today.day()));
    EXPECT_EQ(document.macros().at("Month"), QLocale::c().monthName(today.month()).toStdString());
    EXPECT_EQ(document.macros().at("Year"), std::to_string(today.year()));
}

// The document's own macros are kept apart from the preprocessing, which
// sees the product macros (platform is ARM) only.
TEST(XhtmlDocument, OwnMacrosDoNotReachTheWalk)
{
    QTemporaryDir dir;
    const QString input = writeFile(dir, QStringLiteral("in.xml"),
                                     "<r><if platform=\"PPC\">p</if><ifdef name=\"Year\">y</ifdef></r>");
    XhtmlDocument document;
    document.setMacro("platform", "PPC");
    document.loadXhtml(input);
    EXPECT_EQ(document.macros().at("platform"), "PPC");
    EXPECT_EQ(document.result().toString(-1).toStdString(), "<r/>");
}

TEST(XhtmlDocument, TextIsDecodedBeforeParsing)
{
    QTemporaryDir dir;
    // A byte-order mark selects UTF-16; an encoding declaration has no effect.
    const QString utf16 = writeFile(dir, QStringLiteral("utf16.xml"), QByteArray("\xff\xfe<\0r\0>\0\xe9\0<\0/\0r\0>\0", 18));
    const QString declared = writeFile(dir, QStringLiteral("declared.xml"),
                                       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xc3\xa9</r>");
    for (const QString& path : {utf16, declared}) {
        XhtmlDocument document;
        document.loadXhtml(path);
        EXPECT_EQ(document.result().documentElement().text(), QString(QChar(0xe9))) << path.toStdString();
    }
}

}  // namespace
