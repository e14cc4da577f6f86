// The -xhtml pipeline on a document held in memory: parse into the DOM,
// resolve this mode's directives, serialise as ASCII HTML and write it (to
// /dev/null). The input is read as UTF-8 and named "in.xml" in a folder of
// small include files. Failures may only be thrown as HException; the
// HTML must be pure ASCII.
#include "FuzzSupport.h"
#include "IncludeFixtures.h"
#include "xhtml/HException.h"
#include "xhtml/HtmlWriter.h"
#include "xhtml/XhtmlDocument.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    includeFixtureFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QString fileName = QString::fromStdString(includeFixtureFolder() + "/in.xml");
    onLargeStack([&] {
        try {
            // The run's budget is lowered so that pages that multiply
            // themselves stop quickly.
            const QDomDocument document = parseXhtml(text, fileName, std::uint64_t(64) << 20);
            const QString html = toHtml(document, 2);
            for (const QChar c : html)
                fuzzCheck(c.unicode() < 128, "HTML output is ASCII");
            writeHtml(QStringLiteral("/dev/null"), document, 2);
        } catch (const HException&) {
        }
    });
    return 0;
}
