#pragma once

#include "macros/MacroMap.h"
#include "macros/MacroTable.h"

#include <QDomDocument>
#include <QString>

#include <cstdint>

class QFile;
class QXmlInputSource;
class QXmlReader;

// Deepest chain of XML includes (a file that includes itself ends here).
constexpr int MaxIncludeDepth = 64;

// The -xhtml preprocessor: reads a document into its DOM tree and resolves
// the directive elements in place (if, ifnot, ifdef, ifndef, switch, define,
// define_macro, expand_definition, include, and the expand_attributes
// attribute). Problems that do not stop the walk go to the trace log.
// Failures that must stop the run (include chains or nesting past their
// bounds, runaway macro expansion, growth past MaxGrowthBytes) are thrown
// as HException.
class XmlPP {
public:
    // Bound on what the walk adds to the document: expanded attribute
    // values, inserted macro values and included files, counted in bytes
    // (two per character of text, and an estimate per node of an included
    // tree). It stops pages that multiply themselves, such as values
    // doubled by defines and then expanded or inserted in many places, or
    // files that include other files many times over.
    static constexpr std::uint64_t MaxGrowthBytes = std::uint64_t(1) << 30;

    explicit XmlPP(const MacroTable& table);

    // Lowers the growth bound, for tests and fuzzing.
    void setGrowthLimit(std::uint64_t bytes) { growthLimit_ = bytes; }
    // Counts bytes added to the document; throws HException past the bound.
    void grow(std::uint64_t bytes);
    virtual ~XmlPP() = default;

    // Reads the source into the document through the reader; on success
    // walks the document with the preprocessor's own macros. On failure the
    // three out parameters hold the reader's error.
    bool setContent(QXmlInputSource* source, QXmlReader* reader, bool expandFlag, QString* errorMessage,
                    int* errorLine, int* errorColumn, const QString& fileName);

    // Walks node and its following siblings. fileName is the file the nodes
    // came from (relative include names are resolved against its folder).
    // The one map is shared by the whole walk: a define is seen by all that
    // follows it in document order, at any depth.
    void processConditionals(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);

    const QDomDocument& document() const { return document_; }
    const MacroTable& table() const { return table_; }
    MacroMap& macros() { return macros_; }

private:
    QDomNode processNode(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);
    void processAttributes(QDomElement element, const MacroMap& macros, bool expandFlag);

    QDomNode walk(QDomNode node, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode drop(QDomNode node);
    QDomNode unwrap(QDomNode node, QDomNode branch, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode replace(QDomNode node, QDomNode replacement);

    QDomNode processIf(QDomElement element, bool wantMatch, const QString& fileName, MacroMap& macros,
                       bool expandFlag);
    QDomNode processSwitch(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode processDefine(QDomElement element, MacroMap& macros);
    QDomNode processExpandDefinition(QDomElement element, const MacroMap& macros);
    QDomNode processInclude(QDomElement element, const QString& fileName, MacroMap& macros, bool expandFlag);
    QDomNode includeText(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                         bool expandFlag);
    QDomNode includeXml(QDomElement element, const QString& path, const QString& fileName, MacroMap& macros,
                        bool expandFlag);
    QByteArray readIncludeFile(QFile& file);
    void walkIncludedRoot(QDomElement include, QDomElement root, const QString& path, MacroMap& macros,
                          bool expandFlag);

    QDomDocument document_;
    const MacroTable& table_;
    MacroMap macros_;
    int includeDepth_ = 0;
    std::uint64_t grownBytes_ = 0;
    std::uint64_t growthLimit_ = MaxGrowthBytes;
};

// Replaces the value of every attribute of element, in the element's
// attribute order, by its expansion with macros (system macros not searched).
void expandAttributes(XmlPP& preprocessor, QDomElement element, const MacroMap& macros);
