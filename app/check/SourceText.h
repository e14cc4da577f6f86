#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A 1-based line and column (0: not known).
struct Position {
    int line = 0;
    int column = 0;
};

// The texts of the files a run read, read again when a diagnostic needs a
// column, or the macro names a file refers to. The readers keep lines
// only (the default mode's reader counts line feeds as it goes and stores
// one line per element; Qt gives the line and column where a start tag
// ends), so the column of a start tag is found in the text when a
// diagnostic is printed, and a run without diagnostics pays nothing for
// it. Columns count bytes in the default mode and characters in the -xhtml
// mode, each as its mode reads the file. A file that is not a regular file
// (a pipe), or changed its size while it was read, gives the line alone.
class SourceTexts {
public:
    // Default mode: the place of a byte offset in the text the reader read
    // (after a UTF-8 byte-order mark).
    Position atOffset(const std::string& path, std::int64_t offset);
    // Default mode: the start tag <tag on a line as the reader counts it (0
    // is the first, but a line feed that starts the text is not counted;
    // startsWithLineFeed says whether it did). Of several such tags on the
    // line, the last one before hint (a byte offset inside the start tag;
    // -1: none) is taken; without a hint the column stays unknown.
    Position startTag(const std::string& path, int readerLine, bool startsWithLineFeed, std::string_view tag,
                      std::int64_t hint);
    // -xhtml mode: the start tag <tag that Qt's reader ended at line and
    // column (1-based), in the page (page true: read as the mode reads its
    // input) or in an included file (read as UTF-8 without carriage
    // returns).
    Position qtStartTag(const std::string& path, bool page, int line, int column, const QString& tag);

    // The bytes of the file; false when it cannot be read.
    bool bytes(const std::string& path, std::string_view& bytes);

private:
    struct Text {
        bool readable = false;
        std::string owned;
        std::string_view bytes;
        std::vector<std::size_t> lines;   // offset of each line's first byte
        QString characters;               // -xhtml: the decoded text
        std::vector<int> characterLines;  // offset of each line's first character
    };
    Text& text(const std::string& path);

    std::map<std::string, std::unique_ptr<Text>> texts_;
};
