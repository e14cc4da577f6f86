// The ASCII form of a page: every code unit below 128 as itself, U+00A0 as
// "&nbsp;", any other code unit (each half of a surrogate pair on its own)
// as a decimal reference, at every position of the eight-unit steps and
// with references enough to make the text grow past its first estimate.
#include "xhtml/HtmlWriter.h"

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QString>

namespace {

// The conversion written out one code unit at a time.
QString referenceForm(const QString& xml)
{
    QString html;
    for (const QChar character : xml) {
        const ushort unit = character.unicode();
        if (unit == 0xA0)
            html += QLatin1String("&nbsp;");
        else if (unit < 128)
            html += character;
        else
            html += QStringLiteral("&#%1;").arg(unit);
    }
    return html;
}

QDomDocument pageWith(const QString& text)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("p"));
    document.appendChild(root);
    root.appendChild(document.createTextNode(text));
    return document;
}

TEST(HtmlWriter, EveryCodeUnitAtEveryPosition)
{
    const QString specials[] = {QStringLiteral("\u00e9"),         QStringLiteral("\u00a0"), QStringLiteral("\u20ac"),
                                QString::fromUcs4(U"\U0001F600"), QStringLiteral("\u0080"), QStringLiteral("\uffff")};
    for (const QString& special : specials) {
        for (int before = 0; before < 20; ++before) {
            const QString text = QString(before, QLatin1Char('x')) + special + QStringLiteral("<&> tail");
            const QDomDocument page = pageWith(text);
            EXPECT_EQ(toHtml(page, 2), referenceForm(page.toString(2))) << before;
        }
    }
    EXPECT_EQ(toHtml(pageWith(QStringLiteral("caf\u00e9\u00a0\u20ac")), 0),
              QStringLiteral("<p>caf&#233;&nbsp;&#8364;</p>\n"));
}

TEST(HtmlWriter, TextOfReferencesOnly)
{
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += QChar(ushort(0x100 + i));
    const QDomDocument page = pageWith(text);
    EXPECT_EQ(toHtml(page, 2), referenceForm(page.toString(2)));
}

}  // namespace
