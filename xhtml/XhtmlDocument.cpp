#include "xhtml/XhtmlDocument.h"

#include "io/FileReading.h"
#include "macros/MacroTable.h"
#include "xhtml/DepthLimitedReader.h"
#include "xhtml/HException.h"
#include "xhtml/HtmlWriter.h"
#include "xhtml/TextBytes.h"
#include "xhtml/XhtmlObserver.h"
#include "xhtml/XmlPP.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QTextStream>
#include <QXmlInputSource>

#include <cerrno>
#include <unistd.h>

XhtmlDocument::XhtmlDocument()
{
    const QDate today = QDate::currentDate();
    macros_["Day"] = toBytes(QString::number(today.day()));
    macros_["Month"] = toBytes(QLocale::c().monthName(today.month(), QLocale::LongFormat));
    macros_["Year"] = toBytes(QString::number(today.year()));
}

void XhtmlDocument::setMacro(const std::string& name, const std::string& value)
{
    macros_[name] = value;
}

void XhtmlDocument::loadXhtml(const QString& fileName)
{
    const std::string name = QFile::encodeName(fileName).toStdString();
    const int descriptor = openInputFile(name);
    if (observer_ != nullptr)
        observer_->fileRead(name, descriptor >= 0, descriptor >= 0 ? 0 : errno);
    if (descriptor < 0)
        throw HException(Diag::CannotOpenXmlFile, {fileName.toLocal8Bit().toStdString()});
    // Read up to its end, whatever the file: a device that never ends
    // (/dev/zero) stops at the limit.
    QByteArray bytes;
    const FileRead read = readBounded(descriptor, MaxInputBytes, FileSizing::ReadToEnd, [&](std::size_t size) {
        bytes.resize(int(size));
        return bytes.data();
    });
    ::close(descriptor);
    if (read.tooLarge)
        throw HException(Diag::XmlFileTooLarge, {fileName.toLocal8Bit().toStdString(), MaxInputBytes >> 20});
    if (read.sizeChanged)
        throw HException(Diag::XmlFileSizeChanged, {name});
    QTextStream stream(bytes);
    const QString text = stream.readAll();
    inputUnits_ = text.size();
    removedNodes_.clear();
    result_ = parseXhtml(text, fileName, XmlPP::RunBudgetBytes, observer_, &removedNodes_, macros_);
}

void XhtmlDocument::saveHtml(const QString& fileName, int indent) const
{
    // The printed page is about as long as the text read; a longer one
    // grows its string as it needs. Large pages plan for at most 256 Mi
    // code units, unused pages of which are never touched.
    constexpr int LargestPlan = 1 << 28;
    const int plan = inputUnits_ > LargestPlan / 5 * 4 ? LargestPlan : inputUnits_ + inputUnits_ / 4;
    writeHtml(fileName, result_, indent, plan);
}

QDomDocument parseXhtml(const QString& text, const QString& fileName, std::uint64_t budgetBytes,
                        XhtmlObserver* observer, std::vector<QDomNode>* removedNodes, const MacroMap& startMacros)
{
    MacroTable table;
    XmlPP preprocessor(table);
    for (const auto& [name, value] : startMacros)
        preprocessor.macros()[name] = value;
    preprocessor.setRunBudget(budgetBytes);
    preprocessor.setObserver(observer);
    preprocessor.keepRemovedNodesIn(removedNodes);
    QXmlInputSource source;
    source.setData(text);
    DepthLimitedReader reader;
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespaces"), false);
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespace-prefixes"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-whitespace-only-CharData"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-start-end-entity"), true);
    QString message;
    int line = 0;
    int column = 0;
    if (!preprocessor.setContent(&source, &reader, false, &message, &line, &column, fileName)) {
        if (message.isEmpty())
            message = messageText(Diag::ReaderGaveNoMessage);
        if (observer != nullptr)
            observer->pageMalformed(fileName, line, column, Diagnostic(Diag::PageNotWellFormed, {toBytes(message)}));
        throw HException(Diag::CannotLoadXmlFile,
                         {fileName.toLocal8Bit().toStdString(), message.toLocal8Bit().toStdString(), line, column});
    }
    return preprocessor.document();
}
