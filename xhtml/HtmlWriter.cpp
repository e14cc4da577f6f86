#include "xhtml/HtmlWriter.h"

#include "xhtml/HException.h"

#include <QDomDocumentType>
#include <QFile>

const char* const FixedDoctypeLine =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n";

bool needsFixedDoctype(const QDomDocument& document)
{
    const QDomDocumentType type = document.doctype();
    return type.isNull() || type.name().isEmpty();
}

void writeHtml(const QString& fileName, const QDomDocument& document, int indent)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw HException("cannot open " + fileName.toLocal8Bit().toStdString());
    // A named document type is printed by the serialiser itself.
    if (needsFixedDoctype(document))
        file.write(FixedDoctypeLine);
    file.write(toHtml(document, indent).toLatin1());
    file.close();
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
