#pragma once

#include "macros/MacroMap.h"
#include "xhtml/XmlPP.h"

#include <QDomDocument>
#include <QString>

class XhtmlObserver;

// The document of an -xhtml run: read and preprocessed by loadXhtml, written
// as HTML by saveHtml. Failures are thrown as HException.
//
// Its own macros (Day, Month, Year, and the command-line items set over
// them) are set over the product macros at the start of the walk, so that
// one page gives several outputs; the page's own definitions act on top.
class XhtmlDocument {
public:
    // Largest input loadXhtml reads (a pipe or a device may never end).
    static constexpr qint64 MaxInputBytes = qint64(1) << 30;

    // Sets Day (no leading zero), Month (full English name) and Year from
    // today's local date.
    XhtmlDocument();

    void setMacro(const std::string& name, const std::string& value);
    // A checking run's observer (xhtml/XhtmlObserver.h), handed to the
    // preprocessor of each load; none by default.
    void setObserver(XhtmlObserver* observer) { observer_ = observer; }
    const MacroMap& macros() const { return macros_; }

    // Reads fileName as text (the locale's codec; a byte-order mark selects
    // the Unicode encoding it names), parses and preprocesses it; on success
    // it becomes the result document.
    void loadXhtml(const QString& fileName);

    // Writes the result document as ASCII HTML.
    void saveHtml(const QString& fileName, int indent) const;

    const QDomDocument& result() const { return result_; }

private:
    MacroMap macros_;
    QDomDocument result_;
    // What the walk took out of the result, released with it.
    std::vector<QDomNode> removedNodes_;
    XhtmlObserver* observer_ = nullptr;
    // Code units of the text last loaded: the size saveHtml plans for.
    int inputUnits_ = 0;
};

// Parses text (read from fileName) into a DOM document and preprocesses it
// with a fresh macro table and a map that starts as the product macros with
// every entry of startMacros set over them. budgetBytes bounds the work of
// the walk (XmlPP::setRunBudget); observer as for XmlPP::setObserver;
// removedNodes as for XmlPP::keepRemovedNodesIn.
QDomDocument parseXhtml(const QString& text, const QString& fileName, std::uint64_t budgetBytes = XmlPP::RunBudgetBytes,
                        XhtmlObserver* observer = nullptr, std::vector<QDomNode>* removedNodes = nullptr,
                        const MacroMap& startMacros = MacroMap());
