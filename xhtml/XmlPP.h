#pragma once

#include "diag/Diagnostics.h"
#include "macros/MacroMap.h"
#include "macros/MacroTable.h"
#include "rules/Directives.h"
#include "rules/RunBudget.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QXmlInputSource;
class QXmlReader;
class XhtmlObserver;

// The -xhtml preprocessor: reads a document into its DOM tree and resolves
// the directive elements in place (if, ifnot, ifdef, ifndef, switch, define,
// define_macro, expand_definition, include, and the expand_attributes
// attribute). Problems that do not stop the walk go to the trace log,
// among them an include nested deeper than MaxIncludeDepth and an included
// file that would take the page deeper than MaxNestingDepth (rules/Limits.h;
// reported as an include that failed, and as a file that is not
// well-formed). Only the run's budget, once spent, stops the walk: it is
// thrown as HException.
class XmlPP {
public:
    // Bound on the work of the walk (rules/RunBudget.h): expanded attribute
    // values and the work of their nested expansions, inserted macro
    // values, and included files and the trees read from them, counted in
    // bytes (two per character of text, and an estimate per node of an
    // included tree).
    static constexpr std::uint64_t RunBudgetBytes = std::uint64_t(1) << 30;

    explicit XmlPP(const MacroTable& table);

    // Lowers the budget, for tests and fuzzing.
    void setRunBudget(std::uint64_t bytes) { budget_.setLimit(bytes); }
    // A checking run's observer (xhtml/XhtmlObserver.h): told of the files
    // read, and of every trace-log report and other problem as a warning at
    // its element. None by default.
    void setObserver(XhtmlObserver* observer) { observer_ = observer; }
    // Nodes the walk takes out of the document are put in holder instead of
    // being released at once. Their memory then goes back with the document
    // after it is written: released during the walk, a page's dropped
    // directives leave a million small free blocks that the first large
    // allocation of the serialisation must merge (a fifteenth of the run).
    void keepRemovedNodesIn(std::vector<QDomNode>* holder) { removedNodes_ = holder; }
    // Adds to the work of the walk; throws HException once the budget is
    // spent.
    void spend(Work kind, std::uint64_t bytes, std::uint64_t items = 0);
    // Expands macro references in text (system macros not searched),
    // spending the result and the work of the expansion; undefined as for
    // expandMacros.
    QString expandText(const QString& text, const MacroMap& macros, std::vector<std::string>* undefined = nullptr);
    // expandText for the value of an element's attribute; a checking run
    // notes the references it leaves undefined.
    QString expandAttribute(const QDomElement& element, const QString& name, const QString& value,
                            const MacroMap& macros);
    virtual ~XmlPP() = default;

    // Reads the source into the document through the reader; on success
    // walks the document with the preprocessor's own macros. On failure the
    // three out parameters hold the reader's error.
    bool setContent(QXmlInputSource* source, QXmlReader* reader, bool expandFlag, QString* errorMessage, int* errorLine,
                    int* errorColumn, const QString& fileName);

    // Walks node and its following siblings, nodes of this preprocessor's
    // document. fileName is the file the nodes came from (relative include
    // names are resolved against its folder).
    // The one map is shared by the whole walk: a define is seen by all that
    // follows it in document order, at any depth.
    void processConditionals(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);

    const QDomDocument& document() const { return document_; }
    const MacroTable& table() const { return table_; }
    MacroMap& macros() { return macros_; }

private:
    class IncludeScope;

    // What a directive does with its element: the node the walk goes on with.
    using Handler = QDomNode (XmlPP::*)(QDomElement element, const QString& fileName, MacroMap& macros,
                                        bool expandFlag);
    // The handler of a directive of the -xhtml mode's table
    // (rules/Directives.h), or null where the mode has none.
    static Handler handlerOf(DirectiveId id);

    QDomNode processNode(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode keep(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    void processAttributes(QDomElement element, const MacroMap& macros, bool expandFlag);

    QDomNode walk(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);
    void walkChildren(QDomNode parent, int levels, const QString& fileName, MacroMap& macros, bool expandFlag);
    // Takes node out of the document, putting replacement (if any) in its
    // place.
    void removeFromDocument(QDomNode node, const QDomNode& replacement = QDomNode());
    QDomNode drop(QDomNode node);
    QDomNode unwrap(QDomNode node, QDomNode branch, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode replace(QDomNode node, QDomNode replacement);

    QDomNode processIf(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
    {
        return processCondition(element, true, fileName, macros, expandFlag);
    }
    QDomNode processIfnot(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
    {
        return processCondition(element, false, fileName, macros, expandFlag);
    }
    QDomNode processCondition(QDomElement element, bool wantMatch, const QString& fileName, MacroMap& macros,
                              bool expandFlag);
    QDomNode processIfdef(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
    {
        return processDefined(element, true, fileName, macros, expandFlag);
    }
    QDomNode processIfndef(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag)
    {
        return processDefined(element, false, fileName, macros, expandFlag);
    }
    QDomNode processDefined(QDomElement element, bool wantDefined, const QString& fileName, MacroMap& macros,
                            bool expandFlag);
    QDomNode processSwitch(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode processDefine(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode processExpandDefinition(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode processInclude(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode includeText(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                         bool expandFlag);
    QDomNode includeXml(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                        bool expandFlag);
    bool readInclude(const QString& path, bool dropCarriageReturns, QByteArray& bytes);
    void walkIncludedRoot(QDomElement include, QDomElement root, const QString& path, MacroMap& macros, bool expandFlag,
                          bool rootStays);

    // Trace-log reports (category "error" or "warning"), which a checking
    // run also receives as warnings at the element; report tells whether
    // the mask lets the report through.
    void reportError(const QDomElement& element, const QString& fileName, const Diagnostic& diagnostic);
    void reportWarning(const QDomElement& element, const QString& fileName, const Diagnostic& diagnostic);
    void reportIncludeParseFailure(const QString& message, int line, int column, const QString& path);
    bool report(const char* category, unsigned bit, const Diagnostic& diagnostic);
    // For a checking run only.
    void checkAttributes(const QDomElement& element, const DirectiveRow* directive, const QString& fileName);
    void reportUndefinedMacros(const QDomElement& element, const QString& fileName);
    void checkTestedMacro(const QDomElement& element, const QString& fileName, const QString& name,
                          const MacroMap& macros);

    QDomDocument document_;
    const MacroTable& table_;
    MacroMap macros_;
    int includeDepth_ = 0;
    // The depth in the document of the sibling chain being walked (1 for
    // the document element's chain); an included root sits this deep.
    int chainDepth_ = 0;
    RunBudget budget_{RunBudgetBytes};

    XhtmlObserver* observer_ = nullptr;
    // A checking run has been told where the budget ran out.
    bool budgetLocated_ = false;
    std::vector<QDomNode>* removedNodes_ = nullptr;
    // The element whose attributes were expanded last, and the references
    // (attribute, macro name) that expansion left undefined.
    QDomNode undefinedIn_;
    std::vector<std::pair<QString, std::string>> undefined_;
};

// Replaces the value of every attribute of element, in the element's
// attribute order, by its expansion with macros (system macros not searched).
void expandAttributes(XmlPP& preprocessor, QDomElement element, const MacroMap& macros);
