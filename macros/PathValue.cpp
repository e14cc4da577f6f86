#include "macros/PathValue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <unistd.h>

#include <string_view>
#include <utility>
#include <vector>

namespace {

std::vector<std::string_view> splitAtSlash(std::string_view text)
{
    std::vector<std::string_view> components;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = text.find('/', start);
        if (slash == std::string_view::npos) {
            components.push_back(text.substr(start));
            return components;
        }
        components.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
}

// An empty first component stands for the leading '/' of an absolute path
// and is kept; any other empty component and every "." is dropped. A ".."
// cancels the component before it unless there is none to cancel. The
// text is rebuilt only when something was dropped or cancelled.
std::string normalisedPath(const std::string& text)
{
    const std::vector<std::string_view> components = splitAtSlash(text);
    std::vector<std::string_view> kept;
    bool changed = false;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string_view component = components[i];
        if ((component.empty() && i > 0) || component == ".") {
            changed = true;
        } else if (component == ".." && !kept.empty() && !kept.back().empty()) {
            kept.pop_back();
            changed = true;
        } else {
            kept.push_back(component);
        }
    }
    if (!changed)
        return text;
    std::string joined;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            joined += '/';
        joined += kept[i];
    }
    return joined;
}

std::string fromQtPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The canonical form of a directory path; empty when it cannot be made
// canonical (for instance because it does not exist).
std::string canonicalDirectory(const QString& directory)
{
    if (directory.isEmpty())
        return std::string();
    return fromQtPath(QDir(directory).canonicalPath());
}

PathValue& executableDirectoryValue()
{
    static PathValue value;
    return value;
}

PathValue& installDirectoryValue()
{
    static PathValue value;
    return value;
}

}  // namespace

PathValue::PathValue() : PathValue(std::string()) {}

PathValue::PathValue(std::string text) : data_(std::make_shared<Data>())
{
    data_->text = std::move(text);
}

const std::string& PathValue::text() const
{
    if (!data_->normalised) {
        data_->text = normalisedPath(data_->text);
        data_->normalised = true;
    }
    return data_->text;
}

std::string readLinkTarget(const char* linkPath, const char* fallback)
{
    char buffer[1024];
    const ssize_t length = ::readlink(linkPath, buffer, sizeof buffer);
    if (length > 0 && length < static_cast<ssize_t>(sizeof buffer))
        return std::string(buffer, static_cast<std::size_t>(length));
    return fallback ? std::string(fallback) : std::string();
}

std::string executablePath(const char* argv0)
{
    return readLinkTarget("/proc/self/exe", argv0);
}

void setApplicationPaths(const std::string& executablePath, int levelsUp)
{
    const QString executable = QFile::decodeName(QByteArray::fromStdString(executablePath));
    const std::string executableDirectory = canonicalDirectory(QFileInfo(executable).absolutePath());
    QString installDirectory;
    if (!executableDirectory.empty()) {
        installDirectory = QFile::decodeName(QByteArray::fromStdString(executableDirectory));
        for (int level = 0; level < levelsUp; ++level)
            installDirectory += QStringLiteral("/..");
    }
    executableDirectoryValue() = PathValue(executableDirectory);
    installDirectoryValue() = PathValue(canonicalDirectory(installDirectory));
}

const PathValue& executableDirectory()
{
    return executableDirectoryValue();
}

const PathValue& installDirectory()
{
    return installDirectoryValue();
}

std::string installDir()
{
    return installDirectory().text();
}
