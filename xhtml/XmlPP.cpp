#include "xhtml/XmlPP.h"

#include "diag/TraceLog.h"
#include "io/FileReading.h"
#include "macros/MacroExpansion.h"
#include "macros/ProductMacros.h"
#include "rules/Conditions.h"
#include "rules/Includes.h"
#include "rules/Limits.h"
#include "rules/Warnings.h"
#include "xhtml/DepthLimitedReader.h"
#include "xhtml/HException.h"
#include "xhtml/TextBytes.h"
#include "xhtml/XhtmlObserver.h"

#include <QFile>
#include <QTextCodec>
#include <QXmlInputSource>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

// A macro's value as text; none when the macro is not defined.
std::optional<QString> macroText(const MacroMap& macros, const QString& name)
{
    const std::string* value = findMacro(macros, toBytes(name));
    return value ? std::optional<QString>(fromBytes(*value)) : std::nullopt;
}

std::optional<std::u16string_view> optionalView(const std::optional<QString>& text)
{
    return text ? std::optional<std::u16string_view>(textView(*text)) : std::nullopt;
}

Diagnostic openFailure(const QString& path)
{
    return Diagnostic(Diag::IncludeCannotOpen, {toBytes(path)});
}

// Moves the children of from, in order, to just after anchor.
void moveChildrenAfter(QDomNode from, QDomNode anchor)
{
    QDomNode parent = anchor.parentNode();
    while (!from.firstChild().isNull()) {
        QDomNode child = from.firstChild();
        parent.insertAfter(child, anchor);
        anchor = child;
    }
}

// Without an encoding, or with one that names no known codec, the bytes up
// to the first zero byte are taken one character each (Latin-1).
QString readTextInclude(QByteArray bytes, const QString& encoding)
{
    QTextCodec* codec = encoding.isEmpty() ? nullptr : QTextCodec::codecForName(encoding.toLatin1());
    if (codec)
        return codec->toUnicode(bytes);
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromLatin1(bytes);
}

// Appends text to parent as text nodes of a few thousand characters each.
// Qt's serialiser escapes a text node by replacing its characters one at a
// time in a copy of the whole text, which takes time in the square of the
// text's length. Text nodes in a row print one
// after the other with nothing between them, and each character is escaped
// on its own, except a '>' that follows "]]": so a piece never starts right
// after a ']', and the pieces print the same bytes as the whole text would.
void appendTextInPieces(QDomDocument& document, QDomElement& parent, const QString& text)
{
    constexpr int PieceUnits = 4096;
    int start = 0;
    while (text.size() - start > PieceUnits) {
        int end = start + PieceUnits;
        while (end < text.size() && text.at(end - 1) == QLatin1Char(']'))
            ++end;
        parent.appendChild(document.createTextNode(text.mid(start, end - start)));
        start = end;
    }
    parent.appendChild(document.createTextNode(text.mid(start)));
}

// What one node of a DOM tree takes in memory, roughly (an element with
// one attribute costs about a kilobyte); a file of many small elements
// costs far more than its bytes.
constexpr std::uint64_t DomNodeBytes = 512;

// Elements, attributes and character data of the subtree.
std::uint64_t domNodeCount(const QDomNode& top)
{
    std::uint64_t count = 0;
    std::vector<QDomNode> pending{top};
    while (!pending.empty()) {
        const QDomNode node = pending.back();
        pending.pop_back();
        count += 1 + std::uint64_t(node.attributes().count());
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            pending.push_back(child);
    }
    return count;
}

}  // namespace

// Tells a checking run that the walk is in an included file, from the moment
// the file is read until it is walked.
class XmlPP::IncludeScope {
public:
    IncludeScope(XhtmlObserver* observer, const QDomElement& include, const QString& fileName,
                 const QString& includedFile)
        : observer_(observer)
    {
        if (observer_ != nullptr)
            observer_->includeEntered(include, fileName, includedFile);
    }
    ~IncludeScope()
    {
        if (observer_ != nullptr)
            observer_->includeLeft();
    }
    IncludeScope(const IncludeScope&) = delete;
    IncludeScope& operator=(const IncludeScope&) = delete;

private:
    XhtmlObserver* observer_;
};

XmlPP::XmlPP(const MacroTable& table) : table_(table), macros_(productMacros()) {}

bool XmlPP::setContent(QXmlInputSource* source, QXmlReader* reader, bool expandFlag, QString* errorMessage,
                       int* errorLine, int* errorColumn, const QString& fileName)
{
    if (!document_.setContent(source, reader, errorMessage, errorLine, errorColumn))
        return false;
    processConditionals(document_, fileName, macros_, expandFlag);
    return true;
}

void XmlPP::processConditionals(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    while (!node.isNull()) {
        try {
            node = processNode(node, fileName, macros, expandFlag);
        } catch (const HException& failure) {
            // A checking run learns where the budget ran out: at the node
            // the innermost walk was at.
            if (observer_ != nullptr && failure.id() == Diag::BudgetSpent && !budgetLocated_) {
                budgetLocated_ = true;
                observer_->fatal(node, fileName, Diagnostic(Diag::BudgetBound, {budget_.limit() >> 20}));
            }
            throw;
        }
    }
}

// Resolves one node and returns the node the walk goes on with.
QDomNode XmlPP::processNode(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    QDomElement element = node.toElement();
    if (element.isNull())
        return walk(node, fileName, macros, expandFlag);
    processAttributes(element, macros, expandFlag);
    const DirectiveRow* directive = findDirective(Vocabulary::Xhtml, textView(element.tagName()));
    if (observer_ != nullptr)
        checkAttributes(element, directive, fileName);
    const Handler handler = directive != nullptr ? handlerOf(directive->id) : nullptr;
    if (handler == nullptr)
        return keep(element, fileName, macros, expandFlag);
    return (this->*handler)(element, fileName, macros, expandFlag);
}

// case and default mean something only inside a switch, which reads them
// itself: elsewhere they are plain elements, like every name without a row.
XmlPP::Handler XmlPP::handlerOf(DirectiveId id)
{
    static constexpr auto Handlers = [] {
        std::array<Handler, std::size_t(DirectiveId::Count)> handlers{};
        auto set = [&](DirectiveId directive, Handler handler) { handlers[std::size_t(directive)] = handler; };
        set(DirectiveId::If, &XmlPP::processIf);
        set(DirectiveId::Ifnot, &XmlPP::processIfnot);
        set(DirectiveId::Ifdef, &XmlPP::processIfdef);
        set(DirectiveId::Ifndef, &XmlPP::processIfndef);
        set(DirectiveId::Switch, &XmlPP::processSwitch);
        set(DirectiveId::Define, &XmlPP::processDefine);
        set(DirectiveId::DefineMacro, &XmlPP::processDefine);
        set(DirectiveId::ExpandDefinition, &XmlPP::processExpandDefinition);
        set(DirectiveId::Include, &XmlPP::processInclude);
        return handlers;
    }();
    return Handlers[std::size_t(id)];
}

// An element that is not a directive stays, and its children are walked.
QDomNode XmlPP::keep(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    if (observer_ != nullptr)
        observer_->plainElement(element, fileName, XhtmlObserver::Plain::Walked);
    return walk(element, fileName, macros, expandFlag);
}

void XmlPP::processAttributes(QDomElement element, const MacroMap& macros, bool expandFlag)
{
    if (expandFlag) {
        expandAttributes(*this, element, macros);
        return;
    }
    const QString listName = QStringLiteral("expand_attributes");
    if (!element.hasAttributes() || !element.hasAttribute(listName))
        return;
    const QString names = element.attribute(listName);
    element.removeAttribute(listName);
    for (const std::u16string_view name : splitList<char16_t>(textView(names), u",")) {
        const QString attribute = fromTextView(name);
        element.setAttribute(attribute, expandAttribute(element, attribute, element.attribute(attribute), macros));
    }
}

QDomNode XmlPP::walk(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    if (observer_ != nullptr)
        reportUndefinedMacros(node.toElement(), fileName);
    walkChildren(node, 1, fileName, macros, expandFlag);
    return node.nextSibling();
}

// Walks the children of parent, which lie levels below the current chain.
void XmlPP::walkChildren(QDomNode parent, int levels, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    const DepthStep step(chainDepth_, levels);
    processConditionals(parent.firstChild(), fileName, macros, expandFlag);
}

void XmlPP::removeFromDocument(QDomNode node, const QDomNode& replacement)
{
    if (removedNodes_ != nullptr)
        removedNodes_->push_back(node);
    if (replacement.isNull())
        node.parentNode().removeChild(node);
    else
        node.parentNode().replaceChild(replacement, node);
}

QDomNode XmlPP::drop(QDomNode node)
{
    const QDomNode next = node.nextSibling();
    removeFromDocument(node);
    return next;
}

// Walks branch's children, moves them to just after node and removes node.
// The moved children are not walked again.
QDomNode XmlPP::unwrap(QDomNode node, QDomNode branch, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    walkChildren(branch, branch == node ? 1 : 2, fileName, macros, expandFlag);
    const QDomNode next = node.nextSibling();
    moveChildrenAfter(branch, node);
    removeFromDocument(node);
    return next;
}

QDomNode XmlPP::replace(QDomNode node, QDomNode replacement)
{
    removeFromDocument(node, replacement);
    return replacement.nextSibling();
}

// The one attribute names a macro; its value lists the values that make
// the condition match.
QDomNode XmlPP::processCondition(QDomElement element, bool wantMatch, const QString& fileName, MacroMap& macros,
                                 bool expandFlag)
{
    const QDomNamedNodeMap attributes = element.attributes();
    if (attributes.count() != 1) {
        reportWarning(element, fileName, Diagnostic(Diag::OneConditionRequired));
        return walk(element, fileName, macros, expandFlag);
    }
    const QDomAttr condition = attributes.item(0).toAttr();
    if (observer_ != nullptr)
        checkTestedMacro(element, fileName, condition.name(), macros);
    const bool matched = listHolds(textView(condition.value()), optionalView(macroText(macros, condition.name())));
    if (matched == wantMatch)
        return unwrap(element, element, fileName, macros, expandFlag);
    return drop(element);
}

QDomNode XmlPP::processDefined(QDomElement element, bool wantDefined, const QString& fileName, MacroMap& macros,
                               bool expandFlag)
{
    const bool defined = findMacro(macros, toBytes(element.attribute(QStringLiteral("name")))) != nullptr;
    return defined == wantDefined ? unwrap(element, element, fileName, macros, expandFlag) : drop(element);
}

QDomNode XmlPP::processSwitch(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    const std::optional<QString> value = macroText(macros, element.attribute(QStringLiteral("name")));
    if (observer_ != nullptr && !value && element.hasAttribute(QStringLiteral("name")))
        checkTestedMacro(element, fileName, element.attribute(QStringLiteral("name")), macros);
    SwitchChoice<QDomElement, char16_t> choice(optionalView(value));
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const QDomElement branch = child.toElement();
        if (!choice.offer(branch, textView(branch.tagName()), textView(branch.attribute(QStringLiteral("value")))))
            break;
    }
    const std::optional<QDomElement> chosen = choice.chosen();
    if (!chosen)
        return drop(element);
    return unwrap(element, *chosen, fileName, macros, expandFlag);
}

QDomNode XmlPP::processDefine(QDomElement element, const QString& fileName, MacroMap& macros, bool)
{
    const QString name = QStringLiteral("name");
    const QString value = QStringLiteral("value");
    if (element.hasAttribute(name) && element.hasAttribute(value))
        macros[toBytes(element.attribute(name))] = toBytes(element.attribute(value));
    else
        reportWarning(element, fileName, Diagnostic(Diag::DefineWithoutNameOrValue));
    return drop(element);
}

// A map entry wins over the built-in date and time values; its value is
// inserted as stored, without expanding references in it.
QDomNode XmlPP::processExpandDefinition(QDomElement element, const QString&, MacroMap& macros, bool)
{
    const QString name = element.attribute(QStringLiteral("name"));
    QString text;
    if (const std::optional<QString> value = macroText(macros, name)) {
        text = *value;
    } else {
        std::string builtin;
        if (builtinMacroValue(toBytes(name), builtin))
            text = fromBytes(builtin);
    }
    if (text.isEmpty())
        text = element.attribute(QStringLiteral("default"));
    if (text.isEmpty())
        return drop(element);
    if (element.hasAttribute(QStringLiteral("lowercase")))
        text = text.toLower();
    if (element.hasAttribute(QStringLiteral("underscore_spaces")))
        text.replace(QLatin1Char(' '), QLatin1Char('_'));
    spend(Work::InsertedText, std::uint64_t(text.size()) * sizeof(QChar));
    return replace(element, document_.createTextNode(text));
}

QDomNode XmlPP::processInclude(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
{
    const QString filenameAttribute = QStringLiteral("filename");
    if (!element.hasAttribute(filenameAttribute)) {
        reportError(element, fileName, Diagnostic(Diag::MissingFilename));
        return walk(element, fileName, macros, expandFlag);
    }
    QString path = element.attribute(filenameAttribute);
    // Only with expand_macros, and only the system macros of this load's
    // table (which has no VosselDir), are seen in a file name.
    if (element.hasAttribute(QStringLiteral("expand_macros")) && hasMacroMarker(table_, textView(path))) {
        std::uint64_t work = 0;
        path = fromBytes(expandWithSystemMacros(table_, toBytes(path), &work));
        spend(Work::MacroExpansion, work);
    }
    // Qt takes a name that starts with ':' for the path of a resource, which
    // is never relative: such a name is opened as written, from the working
    // directory.
    if (!path.startsWith(QLatin1Char(':')))
        path = fromTextView(resolveIncludeName(textView(path), textView(fileName)));
    if (element.attribute(QStringLiteral("type")) == QLatin1String("text"))
        return includeText(element, path, fileName, macros, expandFlag);
    return includeXml(element, path, fileName, macros, expandFlag);
}

// Replaces the include by an element (tag, default "pre") holding the file's
// text; the text is not parsed.
QDomNode XmlPP::includeText(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                            bool expandFlag)
{
    QByteArray bytes;
    if (!readInclude(path, false, bytes)) {
        reportError(element, fileName, openFailure(path));
        return walk(element, fileName, macros, expandFlag);
    }
    spend(Work::IncludesRead, XhtmlIncludeFileCostBytes + std::uint64_t(bytes.size()) * sizeof(QChar), 1);
    QDomDocument owner = document_;
    const QString tag = element.attribute(QStringLiteral("tag"));
    QDomElement wrapper = owner.createElement(tag.isEmpty() ? QStringLiteral("pre") : tag);
    for (const char* name : {"class", "id", "style"}) {
        const QString value = element.attribute(QLatin1String(name));
        if (!value.isEmpty())
            wrapper.setAttribute(QLatin1String(name), value);
    }
    appendTextInPieces(owner, wrapper, readTextInclude(bytes, element.attribute(QStringLiteral("encoding"))));
    return replace(element, wrapper);
}

// Replaces the include by the root element of the file (or, with no_root,
// by the root's children) after walking the root's children.
QDomNode XmlPP::includeXml(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                           bool expandFlag)
{
    if (includeDepth_ >= MaxIncludeDepth) {
        reportError(element, fileName, Diagnostic(Diag::XhtmlIncludesTooDeep, {MaxIncludeDepth, toBytes(path)}));
        return walk(element, fileName, macros, expandFlag);
    }
    // Read as Qt reads a file in text mode, which drops every carriage return.
    QByteArray bytes;
    if (!readInclude(path, true, bytes)) {
        reportError(element, fileName, openFailure(path));
        return walk(element, fileName, macros, expandFlag);
    }
    const IncludeScope scope(observer_, element, fileName, path);
    QXmlInputSource source;
    source.setData(QString::fromUtf8(bytes));
    // The features of a plain namespace-less DOM load, plus the depth limit
    // counted from where the root will sit.
    DepthLimitedReader reader(chainDepth_ - 1);
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespaces"), false);
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespace-prefixes"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-whitespace-only-CharData"), false);
    QDomDocument included;
    QString message;
    int line = 0;
    int column = 0;
    const bool noRoot = element.hasAttribute(QStringLiteral("no_root"));
    const bool parsed = included.setContent(&source, &reader, &message, &line, &column);
    std::uint64_t cost = std::uint64_t(bytes.size()) * sizeof(QChar);
    if (parsed)
        cost += domNodeCount(included.documentElement()) * DomNodeBytes;
    spend(Work::IncludesRead, XhtmlIncludeFileCostBytes + cost, 1);
    // A file that would take the page past the nesting bound is reported
    // as one that is not well-formed.
    if (!parsed) {
        reportIncludeParseFailure(message, line, column, path);
        if (noRoot)
            return unwrap(element, element, fileName, macros, expandFlag);
        return walk(element, fileName, macros, expandFlag);
    }
    QDomElement root = document_.importNode(included.documentElement(), true).toElement();
    if (observer_ != nullptr)
        observer_->imported(included.documentElement(), root, path);
    removeFromDocument(element, root);
    walkIncludedRoot(element, root, path, macros, expandFlag, !noRoot);
    const QDomNode next = root.nextSibling();
    if (noRoot) {
        moveChildrenAfter(root, root);
        removeFromDocument(root);
    }
    return next;
}

// The root itself is never dispatched as a directive. An include that
// carries macros (and asks for expansion, or sits where expansion is on)
// walks the file with its own map: the current one with those macros laid
// over it; definitions inside then change only that map.
void XmlPP::walkIncludedRoot(QDomElement include, QDomElement root, const QString& path, MacroMap& macros,
                             bool expandFlag, bool rootStays)
{
    const DepthStep level(includeDepth_, 1);
    const QString macrosAttribute = QStringLiteral("macros");
    if (usesMacrosAttribute(expandFlag, include.hasAttribute(QStringLiteral("expand_macros")),
                            include.hasAttribute(macrosAttribute))) {
        MacroMap local = macrosAttributeMap(toBytes(include.attribute(macrosAttribute)), macros);
        expandAttributes(*this, root, local);
        if (observer_ != nullptr && rootStays)
            reportUndefinedMacros(root, path);
        walkChildren(root, 1, path, local, true);
        return;
    }
    if (expandFlag)
        expandAttributes(*this, root, macros);
    if (observer_ != nullptr && rootStays)
        reportUndefinedMacros(root, path);
    walkChildren(root, 1, path, macros, expandFlag);
}

void expandAttributes(XmlPP& preprocessor, QDomElement element, const MacroMap& macros)
{
    const QDomNamedNodeMap attributes = element.attributes();
    for (int index = 0; index < attributes.count(); ++index) {
        QDomAttr attribute = attributes.item(index).toAttr();
        const QString value = attribute.value();
        if (hasMacroMarker(preprocessor.table(), textView(value)))
            attribute.setValue(preprocessor.expandAttribute(element, attribute.name(), value, macros));
    }
}

// Macro text is converted to bytes only when it holds a reference marker.
QString XmlPP::expandText(const QString& text, const MacroMap& macros, std::vector<std::string>* undefined)
{
    if (!hasMacroMarker(table_, textView(text)))
        return text;
    std::uint64_t work = 0;
    const QString expanded = fromBytes(expandMacros(table_, macros, toBytes(text), false, &work, undefined));
    spend(Work::MacroExpansion, std::uint64_t(expanded.size()) * sizeof(QChar) + work);
    return expanded;
}

// Opens and reads the file as the default mode reads its includes
// (io/FileReading.h). What the budget cannot hold is not kept: two bytes
// per byte read, as each becomes at most one character. False when the
// file cannot be opened.
bool XmlPP::readInclude(const QString& path, bool dropCarriageReturns, QByteArray& bytes)
{
    const std::string name = QFile::encodeName(path).toStdString();
    const int descriptor = openIncludeFile(name);
    if (observer_ != nullptr)
        observer_->fileRead(name, descriptor >= 0, descriptor >= 0 ? 0 : errno);
    if (descriptor < 0)
        return false;
    // A QByteArray holds less than 2 GiB, far above the budget of a run.
    const std::uint64_t room = std::min<std::uint64_t>(budget_.left() / sizeof(QChar), std::uint64_t(1) << 30);
    const FileRead read = readBounded(
        descriptor, room, FileSizing::Seek,
        [&](std::size_t size) {
            bytes.resize(int(size));
            return bytes.data();
        },
        dropCarriageReturns);
    ::close(descriptor);
    if (read.tooLarge) {
        spend(Work::IncludesRead, read.fileBytes * sizeof(QChar), 1);  // throws: the file is beyond the budget
        throw HException(Diag::BudgetSpent, {budget_.limit() >> 20, budget_.mostWork(), budget_.mostWorkAmount()});
    }
    if (read.sizeChanged)
        throw HException(Diag::IncludeSizeChanged, {name});
    bytes.truncate(int(read.storedBytes));
    return true;
}

void XmlPP::spend(Work kind, std::uint64_t bytes, std::uint64_t items)
{
    if (budget_.spend(kind, bytes, items))
        throw HException(Diag::BudgetSpent, {budget_.limit() >> 20, budget_.mostWork(), budget_.mostWorkAmount()});
}

void XmlPP::reportError(const QDomElement& element, const QString& fileName, const Diagnostic& diagnostic)
{
    if (report("error", DiagnosticErrors, diagnostic) && observer_ != nullptr)
        observer_->warning(element, fileName, diagnostic);
}

void XmlPP::reportWarning(const QDomElement& element, const QString& fileName, const Diagnostic& diagnostic)
{
    if (report("warning", DiagnosticWarnings, diagnostic) && observer_ != nullptr)
        observer_->warning(element, fileName, diagnostic);
}

// A checking run learns of a file that is not well-formed at its place in
// that file, as a problem of the file rather than of the include.
void XmlPP::reportIncludeParseFailure(const QString& message, int line, int column, const QString& path)
{
    const Diagnostic diagnostic(Diag::IncludeNotWellFormed, {toBytes(message), line, column, toBytes(path)});
    if (!report("error", DiagnosticErrors, diagnostic) || observer_ == nullptr)
        return;
    observer_->includedFileMalformed(line, column, Diagnostic(Diag::IncludedFileMalformed, {toBytes(message)}));
}

bool XmlPP::report(const char* category, unsigned bit, const Diagnostic& diagnostic)
{
    if (!(diagnosticMask & bit))
        return false;
    log(category, LogNewline, "%s", fromBytes(diagnostic.text()).toLocal8Bit().constData());
    return true;
}

void XmlPP::checkTestedMacro(const QDomElement& element, const QString& fileName, const QString& name,
                             const MacroMap& macros)
{
    const std::string bytes = toBytes(name);
    if (findMacro(macros, bytes) == nullptr)
        observer_->undefinedMacroTested(element, fileName, bytes, macros);
}

// A checking run's warnings about the attributes of a directive whose
// attributes are a fixed set, and of the branches of a switch.
void XmlPP::checkAttributes(const QDomElement& element, const DirectiveRow* directive, const QString& fileName)
{
    if (directive == nullptr || directive->form != AttributeForm::Fixed || directive->inSwitchOnly)
        return;
    auto check = [&](const QDomElement& checked, const DirectiveRow& attributes) {
        const QDomNamedNodeMap map = checked.attributes();
        std::vector<std::string> names;
        std::vector<AttributeSeen> seen;
        for (int index = 0; index < map.count(); ++index)
            names.push_back(toBytes(map.item(index).toAttr().name()));
        for (int index = 0; index < map.count(); ++index)
            seen.push_back({names[std::size_t(index)], map.item(index).toAttr().value().isEmpty()});
        for (const Diagnostic& diagnostic : attributeWarnings(Vocabulary::Xhtml, attributes, seen))
            observer_->warning(checked, fileName, diagnostic);
    };
    check(element, *directive);
    if (directive->id != DirectiveId::Switch)
        return;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const DirectiveRow* branch = findDirective(Vocabulary::Xhtml, textView(child.tagName()));
        if (branch != nullptr && branch->inSwitchOnly)
            check(child, *branch);
        else
            observer_->plainElement(child, fileName, XhtmlObserver::Plain::SwitchChild);
    }
}

QString XmlPP::expandAttribute(const QDomElement& element, const QString& name, const QString& value,
                               const MacroMap& macros)
{
    if (observer_ == nullptr)
        return expandText(value, macros);
    if (undefinedIn_ != element) {
        undefinedIn_ = element;
        undefined_.clear();
    }
    std::vector<std::string> names;
    const QString expanded = expandText(value, macros, &names);
    for (std::string& macro : names)
        undefined_.emplace_back(name, std::move(macro));
    return expanded;
}

// The element stays in the output: the references its expansion left
// undefined are warnings (an include's file name aside, which is expanded
// with the system macros later, or stays as written when the file is
// missing).
void XmlPP::reportUndefinedMacros(const QDomElement& element, const QString& fileName)
{
    if (element.isNull() || undefinedIn_ != element)
        return;
    const bool isInclude = element.tagName() == QLatin1String("include");
    for (const auto& [attribute, macro] : undefined_) {
        if (!(isInclude && attribute == QLatin1String("filename")))
            observer_->warning(element, fileName,
                               Diagnostic(Diag::UndefinedMacro, {macro, table_.marker(), toBytes(attribute)}));
    }
    undefinedIn_.clear();
    undefined_.clear();
}
