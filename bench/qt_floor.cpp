// The floor under the -xhtml mode: Qt alone reading a page into a DOM the
// way the mode reads it (the bytes decoded by a text stream, then parsed by
// the SAX reader with the mode's four features) and printing the DOM with
// an indent of 2, Latin-1 encoded, in one write. No preprocessing, no
// HTML conversion. Usage: qt_floor IN OUT
#include <QDomDocument>
#include <QFile>
#include <QTextStream>
#include <QXmlInputSource>
#include <QXmlSimpleReader>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN OUT\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const QByteArray bytes = file.readAll();
    QTextStream stream(bytes);
    QXmlInputSource source;
    source.setData(stream.readAll());
    QXmlSimpleReader reader;
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespaces"), false);
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespace-prefixes"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-whitespace-only-CharData"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-start-end-entity"), true);
    QDomDocument document;
    if (!document.setContent(&source, &reader)) {
        std::fprintf(stderr, "%s is not well-formed\n", argv[1]);
        return 1;
    }
    const QByteArray text = document.toString(2).toLatin1();
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr)
        return 1;
    const bool written = std::fwrite(text.constData(), 1, std::size_t(text.size()), out) == std::size_t(text.size());
    return std::fclose(out) == 0 && written ? 0 : 1;
}
