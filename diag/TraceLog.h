#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

// Process-wide channel for errors and warnings that do not stop processing.
// A caller tests its bit in diagnosticMask and then calls log(). This program
// never configures a destination, so every message is formatted and then
// dropped: the trace log writes nothing. Only a test may install a sink to
// look at the lines.

constexpr std::uint32_t DiagnosticErrors = 0x1;    // bit 0: reports under "error"
constexpr std::uint32_t DiagnosticWarnings = 0x2;  // bit 1: reports under "warning"

// Initially 0x13; nothing in this program changes it.
extern std::uint32_t diagnosticMask;

// Bit 0 of the flags of log(): end the message with a line feed.
constexpr unsigned LogNewline = 0x1;

// Formats the message printf-style into a 65536-byte buffer (longer messages
// are cut to 65535 characters) and, when it is not empty, hands
// "<category>: <message>[\n]" to the destination.
void log(const char* category, unsigned flags, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The line log() would write; empty when the message formats to nothing.
std::string formatLogLine(const char* category, unsigned flags, const char* format, std::va_list arguments)
    __attribute__((format(printf, 3, 0)));

// Test hook: receives every line log() produces. Returns the previous sink.
using TraceSink = void (*)(const std::string& line);
TraceSink setTraceSink(TraceSink sink);
