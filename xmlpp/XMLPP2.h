#pragma once

#include "macros/MacroMap.h"
#include "rules/Directives.h"
#include "rules/RunBudget.h"
#include "xml/QXMLDocument.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class DirectiveObserver;
class MacroTable;
class MacroScope;

// The default mode's directive processor. It is the document at the same
// time: it reads files into itself and rewrites its own tree in place,
// resolving every directive element (if, ifnot, ifex, ifdef, ifndef,
// switch, include, define, for, xmldef, xmlput, foreach) into what it
// stands for.
//
// Bounds, each reported through reportError:
// - MaxNestingDepth levels of nesting in the walk (element nesting plus the
//   nesting added by includes and xmlput instantiations, which also stops
//   an xmldef that instantiates itself); included files are read with the
//   depth of their include, so the bound holds across files;
// - MaxIncludeDepth includes inside each other (rules/Limits.h);
// - MaxLoopIterations iterations of one for or foreach, and MaxLoopCopies
//   elements made by all loops of a run together;
// - RunBudgetBytes of work for the directives of a run together
//   (rules/RunBudget.h): expanded attribute and expression texts and the
//   work of their nested expansions, copies made by loops and xmlput,
//   included files and the trees read from them, and the macro maps copied
//   for chains that define macros.
class XMLPP2 : public QXMLDocument {
public:
    static constexpr std::uint64_t MaxLoopIterations = 10000000;
    static constexpr std::uint64_t MaxLoopCopies = 20000000;
    static constexpr std::uint64_t RunBudgetBytes = std::uint64_t(2) << 30;

    // The bounds that can be lowered, for tests and fuzzing where the
    // defaults would take long to reach.
    struct Limits {
        std::uint64_t loopIterations = MaxLoopIterations;
        std::uint64_t loopCopies = MaxLoopCopies;
        std::uint64_t budgetBytes = RunBudgetBytes;
    };

    explicit XMLPP2(bool keepText);

    void setLimits(const Limits& limits)
    {
        limits_ = limits;
        budget_.setLimit(limits.budgetBytes);
    }

    // Also makes the reader note which elements hold the table's marker in
    // an attribute value, so that expansion can pass over the others.
    void setMacroTable(const MacroTable& table);

    // A checking run's observer, told of the files read, the copies made
    // and the problems that do not stop the run (xmlpp/DirectiveObserver.h);
    // none by default.
    void setObserver(DirectiveObserver* observer);
    const MacroTable& macroTable() const { return *table_; }

    // Loads the file, builds the macro map from the "name=value;..." list
    // and resolves the directives. False when the file could not be read
    // (errorMessage and errorLine say why).
    bool processFile(const std::string& fileName, const std::string& macroList, bool expandFlag);
    // The processing step of processFile for a document already read into
    // this object (by load or parse); fileName is the name relative
    // includes are resolved against.
    void processDocument(const std::string& fileName, const std::string& macroList, bool expandFlag);

    // Resolves the directives of the sibling chain that starts at first.
    void processConditionals(XMLNode* first, const std::string& fileName, MacroMap& macros, bool expandFlag);

    // Expands macro references in every attribute value of the element.
    void expandAttributes(XMLElement* element, const MacroMap& macros);

protected:
    // Reports a directive error; the default mode prints it and exits.
    virtual void reportError(const std::string& message) = 0;

private:
    struct Chain;  // the state of one sibling chain being walked
    class IncludeScope;
    // Thrown in a checking run when the budget is spent, to the walk that
    // is at the element where it happened.
    struct BudgetReached {};

    // Reports the table's message (diag/Diagnostics.h) through reportError,
    // after telling a checking run the fault and where it is: at, reached
    // in a chain of fileName.
    void fail(const XMLElement* at, const std::string& fileName, const Diagnostic& fault, Diag id,
              std::initializer_list<DiagArg> args = {});

    // What a directive does with its element in a chain: the node the walk
    // goes on with.
    using Handler = XMLNode* (XMLPP2::*)(XMLElement* element, Chain& chain);
    // The handler of a directive of the default mode's table
    // (rules/Directives.h), or null where the default mode has none.
    static Handler handlerOf(DirectiveId id);

    void walk(XMLNode* first, const std::string& fileName, const MacroMap& macros, bool expandFlag, int depth);
    XMLNode* dispatch(XMLElement* element, Chain& chain);
    XMLNode* keep(XMLElement* element, Chain& chain);
    XMLNode* drop(XMLElement* element);
    XMLNode* unwrap(XMLElement* directive, XMLElement* body, Chain& chain, const MacroMap& macros, bool expandFlag);
    void settleRoot(XMLElement* holder, const std::string& fileName);

    // Conditionals.
    XMLNode* ifDirective(XMLElement* element, Chain& chain) { return ifCondition(element, chain, false); }
    XMLNode* ifnotDirective(XMLElement* element, Chain& chain) { return ifCondition(element, chain, true); }
    XMLNode* ifdefDirective(XMLElement* element, Chain& chain) { return ifDefined(element, chain, false); }
    XMLNode* ifndefDirective(XMLElement* element, Chain& chain) { return ifDefined(element, chain, true); }
    XMLNode* ifCondition(XMLElement* element, Chain& chain, bool negate);
    XMLNode* ifExpression(XMLElement* element, Chain& chain);
    XMLNode* ifDefined(XMLElement* element, Chain& chain, bool negate);
    XMLNode* switchBranch(XMLElement* element, Chain& chain);

    // Includes and definitions.
    XMLNode* include(XMLElement* element, Chain& chain);
    XMLElement* readInclude(const XMLElement* include, const std::string& fileName, const Chain& chain);
    XMLNode* define(XMLElement* element, Chain& chain);
    XMLNode* xmldef(XMLElement* element, Chain& chain);
    XMLNode* xmlput(XMLElement* element, Chain& chain);
    // The map of the element's macros attribute over the current map, its
    // entries spent from the budget.
    MacroMap macrosOf(const XMLElement* element, const MacroMap& current);

    // Loops.
    XMLNode* forLoop(XMLElement* element, Chain& chain);
    XMLNode* foreachLoop(XMLElement* element, Chain& chain);
    XMLNode* insertLoopCopies(XMLElement* loop, XMLNode* insertionPoint, const MacroMap& loopMacros,
                              const std::string& fileName);
    XMLElement* copyLoopBody(const XMLElement* source, const MacroMap& loopMacros, const XMLElement* loop,
                             const std::string& fileName);

    // Expands macro references, spending the result and the work of the
    // expansion from the run's budget; undefined as for expandMacros.
    std::string expand(std::string_view text, const MacroMap& macros, std::vector<std::string>* undefined = nullptr);

    // For a checking run (xmlpp/Checks.cpp): warnings through the observer.
    void warn(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic);
    void checkAttributes(const XMLElement* element, const DirectiveRow* directive, const std::string& fileName);
    // Expands an attribute's value, noting the references left undefined.
    std::string expandNotingUndefined(const XMLElement* element, const XMLAttribute& attr, const MacroMap& macros);
    // Warns about the references that the last expansion of the element
    // left undefined, now that the element stays in the output.
    void reportUndefinedMacros(const XMLElement* element, const std::string& fileName);
    // An element that stays as it is.
    [[gnu::noinline]] void noteKept(const XMLElement* element, const std::string& fileName);

    // Where the expression entry points put their failure message: nowhere
    // unless a checking run wants it for expressionFailed's warning.
    std::string* failureMessage() { return observer_ != nullptr ? &failure_ : nullptr; }
    void expressionFailed(const XMLElement* element, std::string_view attribute, std::string_view text,
                          const std::string& fileName);

    // Adds to the work of the run; reports the budget (once) when it is
    // spent.
    void spend(Work kind, std::uint64_t bytes, std::uint64_t items = 0);
    void checkBudget();
    [[gnu::noinline, gnu::cold]] void budgetSpent();

    const MacroTable* table_ = nullptr;
    std::map<std::string, XMLElement*> xmldefs_;
    int includeDepth_ = 0;
    std::uint64_t loopCopies_ = 0;
    Limits limits_;
    RunBudget budget_{RunBudgetBytes};
    bool budgetReported_ = false;

    DirectiveObserver* observer_ = nullptr;
    // The element whose attributes were expanded last, and the references
    // (attribute, macro name) that expansion left undefined.
    const XMLElement* undefinedIn_ = nullptr;
    std::vector<std::pair<std::string, std::string>> undefined_;
    std::string failure_;
};

// The memory a subtree takes in its document: nodes, attributes and their
// strings; nodes, when given, receives the number of nodes.
std::uint64_t treeBytes(const XMLNode* node, std::uint64_t* nodes = nullptr);
