#pragma once

#include <QDomDocument>
#include <QString>

// The HTML 4.01 Strict document type line written before a document that
// has no named document type of its own.
extern const char* const FixedDoctypeLine;

// Writes the document to fileName (replacing it): the fixed document type
// line when needed, then toHtml. A regular file is written to a temporary
// file beside it and renamed into place, so the target changes only when
// everything was written; devices and pipes are written directly. Throws
// HException "cannot open <name>" when the file cannot be opened (nothing
// is created then) and "cannot write <name>" when writing, flushing,
// closing or the rename fails (an existing file is then left as it was).
void writeHtml(const QString& fileName, const QDomDocument& document, int indent, int capacityHint = 0);

// Qt's serialisation of the document with every character outside ASCII
// replaced: U+00A0 by "&nbsp;", any other code unit (each half of a
// surrogate pair on its own) by a decimal character reference.
QString toHtml(const QDomDocument& document, int indent);

// Whether writeHtml puts the fixed document type line first.
bool needsFixedDoctype(const QDomDocument& document);
