#include "xhtml/HtmlWriter.h"

#include "io/SafeOutputFile.h"
#include "xhtml/HException.h"

#include <QDomDocumentType>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

const char* const FixedDoctypeLine =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n";

bool needsFixedDoctype(const QDomDocument& document)
{
    const QDomDocumentType type = document.doctype();
    return type.isNull() || type.name().isEmpty();
}

namespace {

// "&#N;" for a code unit, N in decimal without leading zeros.
char* putReference(char* at, ushort unit)
{
    char digits[5];
    int count = 0;
    do {
        digits[count++] = char('0' + unit % 10);
        unit = ushort(unit / 10);
    } while (unit != 0);
    *at++ = '&';
    *at++ = '#';
    while (count > 0)
        *at++ = digits[--count];
    *at++ = ';';
    return at;
}

// Appends the ASCII form of count code units to out (see toHtml): one
// byte per code unit below 128.
void appendAscii(std::string& out, const ushort* units, std::size_t count)
{
    // The longest form of one code unit: "&#65535;".
    constexpr std::size_t LongestReference = 8;
    std::size_t length = out.size();
    out.resize(length + count + LongestReference);
    std::size_t i = 0;
    while (i < count) {
        char* at = &out[length];
        for (; i < count && units[i] < 128; ++i)
            *at++ = char(units[i]);
        length = std::size_t(at - out.data());
        if (i == count)
            break;
        // The rest fits in what is left whatever follows: every code unit
        // takes at least one byte.
        if (out.size() - length < count - i + LongestReference)
            out.resize(std::max(out.size() + out.size() / 2, length + count - i + LongestReference));
        at = &out[length];
        const ushort unit = units[i++];
        if (unit == 0xA0) {
            std::memcpy(at, "&nbsp;", 6);
            at += 6;
        } else {
            at = putReference(at, unit);
        }
        length = std::size_t(at - out.data());
    }
    out.resize(length);
}

// The document's text as QDomDocument::toString(indent) gives it, made in a
// string that holds capacityHint code units from the start: the growing
// string otherwise moves a dozen times, each time merging the small blocks
// the walk has freed.
QString serialised(const QDomDocument& document, int indent, int capacityHint)
{
    QString text;
    try {
        text.reserve(capacityHint);
    } catch (const std::bad_alloc&) {
        // No room for the plan: the string grows as it needs.
    }
    QTextStream stream(&text, QIODevice::WriteOnly);
    document.save(stream, indent);
    stream.flush();
    return text;
}

void appendAscii(std::string& out, const QString& text)
{
    appendAscii(out, reinterpret_cast<const ushort*>(text.utf16()), std::size_t(text.size()));
}

// The bytes of the ASCII form of text.
std::uint64_t asciiLength(const QString& text)
{
    std::uint64_t length = 0;
    for (const QChar unit : text) {
        const ushort code = unit.unicode();
        if (code < 128)
            length += 1;
        else if (code == 0xA0)
            length += 6;  // "&nbsp;"
        else
            length += code < 1000 ? 6 : code < 10000 ? 7 : 8;  // "&#N;"
    }
    return length;
}

// Writes the ASCII form of text a slice at a time, so that it never exists
// whole beside the text.
bool writeAscii(std::FILE* file, const QString& text)
{
    constexpr std::size_t SliceUnits = std::size_t(1) << 19;
    const auto* units = reinterpret_cast<const ushort*>(text.utf16());
    const auto count = std::size_t(text.size());
    std::string slice;
    for (std::size_t start = 0; start < count; start += SliceUnits) {
        slice.clear();
        appendAscii(slice, units + start, std::min(SliceUnits, count - start));
        if (std::fwrite(slice.data(), 1, slice.size(), file) != slice.size())
            return false;
    }
    return true;
}

}  // namespace

void writeHtml(const QString& fileName, const QDomDocument& document, int indent, int capacityHint)
{
    const std::string name = fileName.toLocal8Bit().toStdString();
    // The whole text is made first, so that nothing is written for a
    // document that cannot be serialised. A named document type is
    // printed by the serialiser itself.
    const QString text = serialised(document, indent, capacityHint);
    const std::string head = needsFixedDoctype(document) ? FixedDoctypeLine : "";

    SafeOutputFile output;
    if (!output.open(name, [&] { return head.size() + asciiLength(text); }))
        throw HException(Diag::CannotOpenOutput, {name});
    if (std::fwrite(head.data(), 1, head.size(), output.file()) != head.size() || !writeAscii(output.file(), text) ||
        !output.commit()) {
        output.abandon();
        throw HException(Diag::CannotWriteOutput, {name + output.inPlaceNote()});
    }
}

QString toHtml(const QDomDocument& document, int indent)
{
    std::string html;
    appendAscii(html, serialised(document, indent, 0));
    return QString::fromLatin1(html.data(), int(html.size()));
}
