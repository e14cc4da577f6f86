#include "check/SourceText.h"

#include "io/FileReading.h"

#include <QTextStream>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads a regular file again, into memory of its own: the run's own reading
// is over, and a pipe or a device would not give the same bytes twice.
bool readRegularFile(const std::string& path, std::string& bytes)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        const FileRead read =
            readBounded(descriptor, std::uint64_t(info.st_size), FileSizing::Seek, [&](std::size_t size) {
                bytes.resize(size);
                return bytes.data();
            });
        ok = !read.tooLarge && !read.sizeChanged;
        bytes.resize(ok ? read.storedBytes : 0);
    }
    ::close(descriptor);
    return ok;
}

std::vector<std::size_t> byteLineStarts(std::string_view text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            starts.push_back(i + 1);
    return starts;
}

std::vector<int> characterLineStarts(const QString& text)
{
    std::vector<int> starts{0};
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n'))
            starts.push_back(i + 1);
    return starts;
}

bool isTagEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

}  // namespace

SourceTexts::Text& SourceTexts::text(const std::string& path)
{
    std::unique_ptr<Text>& slot = texts_[path];
    if (slot)
        return *slot;
    slot = std::make_unique<Text>();
    slot->readable = readRegularFile(path, slot->owned);
    slot->bytes = slot->owned;
    return *slot;
}

bool SourceTexts::bytes(const std::string& path, std::string_view& bytes)
{
    Text& file = text(path);
    bytes = file.bytes;
    return file.readable;
}

Position SourceTexts::atOffset(const std::string& path, std::int64_t offset)
{
    Text& file = text(path);
    if (!file.readable || offset < 0)
        return {};
    // The reader's offsets start after a byte-order mark.
    const std::size_t mark = file.bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const std::size_t at = std::min(std::size_t(offset) + mark, file.bytes.size());
    if (file.lines.empty())
        file.lines = byteLineStarts(file.bytes);
    const auto line = std::upper_bound(file.lines.begin(), file.lines.end(), at) - 1;
    return Position{int(line - file.lines.begin()) + 1, int(at - *line) + 1};
}

Position SourceTexts::startTag(const std::string& path, int readerLine, bool startsWithLineFeed, std::string_view tag,
                               std::int64_t hint)
{
    const int line = readerLine + (startsWithLineFeed ? 1 : 0);
    Text& file = text(path);
    if (!file.readable)
        return Position{line + 1, 0};
    if (file.lines.empty())
        file.lines = byteLineStarts(file.bytes);
    if (std::size_t(line) >= file.lines.size())
        return Position{line + 1, 0};
    const std::size_t mark = file.bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const std::size_t begin = file.lines[std::size_t(line)];
    const std::size_t end =
        std::size_t(line) + 1 < file.lines.size() ? file.lines[std::size_t(line) + 1] : file.bytes.size();
    std::vector<std::size_t> found;
    const std::string open = "<" + std::string(tag);
    for (std::size_t at = file.bytes.find(open, begin); at < end; at = file.bytes.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after >= file.bytes.size() || isTagEnd(file.bytes[after]))
            found.push_back(at);
    }
    if (found.size() > 1 && hint >= 0) {
        const std::size_t limit = std::size_t(hint) + mark;
        found.erase(std::remove_if(found.begin(), found.end(), [&](std::size_t at) { return at > limit; }),
                    found.end());
        if (!found.empty())
            found.erase(found.begin(), found.end() - 1);
    }
    if (found.size() != 1)
        return Position{line + 1, 0};
    return Position{line + 1, int(found.front() - begin) + 1};
}

Position SourceTexts::qtStartTag(const std::string& path, bool page, int line, int column, const QString& tag)
{
    Text& file = text(path);
    if (!file.readable || line < 1)
        return Position{line, 0};
    if (file.characterLines.empty()) {
        if (page) {
            QByteArray raw(file.bytes.data(), int(file.bytes.size()));
            QTextStream stream(raw);
            file.characters = stream.readAll();
        } else {
            std::string withoutReturns(file.bytes);
            withoutReturns.erase(std::remove(withoutReturns.begin(), withoutReturns.end(), '\r'), withoutReturns.end());
            file.characters = QString::fromUtf8(withoutReturns.data(), int(withoutReturns.size()));
        }
        file.characterLines = characterLineStarts(file.characters);
    }
    if (std::size_t(line) > file.characterLines.size())
        return Position{line, 0};
    const int end =
        std::min(file.characterLines[std::size_t(line) - 1] + std::max(column, 1), int(file.characters.size()));
    const QString open = QLatin1Char('<') + tag;
    int at = file.characters.lastIndexOf(open, end - 1);
    auto endsTag = [&](int after) {
        const ushort c = after < file.characters.size() ? file.characters[after].unicode() : ushort('>');
        return c < 0x80 && isTagEnd(char(c));
    };
    while (at >= 0 && !endsTag(at + open.size()))
        at = at > 0 ? file.characters.lastIndexOf(open, at - 1) : -1;
    if (at < 0)
        return Position{line, 0};
    const auto startLine = std::upper_bound(file.characterLines.begin(), file.characterLines.end(), at) - 1;
    return Position{int(startLine - file.characterLines.begin()) + 1, at - *startLine + 1};
}
