#pragma once

#include "diag/Diagnostics.h"

#include <QChar>
#include <QString>

#include <string>
#include <string_view>

// The -xhtml mode holds its page as Qt's 16-bit text and its macros as
// bytes (the maps of the macro subsystem); values cross between the two as
// UTF-8.
inline std::string toBytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

inline QString fromBytes(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

// The code units of text, for the rules written over character types
// (rules/); the view lives as long as text.
inline std::u16string_view textView(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

inline QString fromTextView(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<int>(text.size()));
}

// A message of the table (diag/Diagnostics.h) as text; arguments as bytes.
inline QString messageText(Diag id, std::initializer_list<DiagArg> args = {})
{
    return fromBytes(formatMessage(id, args));
}
