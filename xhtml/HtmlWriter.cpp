#include "xhtml/HtmlWriter.h"

#include "io/SafeOutputFile.h"
#include "xhtml/HException.h"

#include <QDomDocumentType>

#include <cstdio>
#include <string>

const char* const FixedDoctypeLine =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n";

bool needsFixedDoctype(const QDomDocument& document)
{
    const QDomDocumentType type = document.doctype();
    return type.isNull() || type.name().isEmpty();
}

void writeHtml(const QString& fileName, const QDomDocument& document, int indent)
{
    const std::string name = fileName.toLocal8Bit().toStdString();
    // The whole text is made first, so that nothing is written for a
    // document that cannot be serialised.
    QByteArray html;
    // A named document type is printed by the serialiser itself.
    if (needsFixedDoctype(document))
        html += FixedDoctypeLine;
    html += toHtml(document, indent).toLatin1();

    SafeOutputFile output;
    if (!output.open(name))
        throw HException("cannot open " + name);
    if (std::fwrite(html.constData(), 1, std::size_t(html.size()), output.file()) != std::size_t(html.size()) ||
        !output.commit())
        throw HException("cannot write " + name);
}

QString toHtml(const QDomDocument& document, int indent)
{
    const QString xml = document.toString(indent);
    QString html;
    html.reserve(xml.size());
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
