#pragma once

#include "check/CheckReport.h"
#include "check/SourceText.h"
#include "rules/Directives.h"
#include "xhtml/XhtmlObserver.h"
#include "xmlpp/DirectiveObserver.h"

#include <QHash>

#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct IncludeSite;

// Where an element of the output comes from, as its reader left it: the
// file, the line (the default mode's reader counts line feeds from 0; Qt
// gives the 1-based line where the start tag ends, and its column), the
// name of the start tag and, in the default mode, an offset inside the
// start tag when one is known; and the include that brought the file in.
// Columns are found from these when a diagnostic is printed
// (check/SourceText.h).
struct Origin {
    const std::string* file = nullptr;
    int line = -1;
    int column = 0;
    std::string_view tag;
    std::int64_t hint = -1;
    const IncludeSite* site = nullptr;
};

// An include element that brought a file in; through its own origin, the
// includes around it.
struct IncludeSite {
    Origin at;
};

// The macros that the loops around an element made by loops set for their
// copies: each loop's names, innermost first.
struct LoopScope {
    std::vector<std::string> names;
    const LoopScope* outer;
};

// Values by address, in one array (open addressing): a loop makes copies
// by the million, and a node per entry, as std::unordered_map has, costs a
// cache miss at every insertion.
template <class Value>
class AddressMap {
public:
    bool empty() const { return count_ == 0; }
    const Value* find(const void* key) const;
    // Adds or replaces.
    void set(const void* key, const Value& value);

private:
    struct Slot {
        const void* key = nullptr;
        Value value{};
    };
    std::size_t slotOf(const void* key) const;
    void grow();

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// What both modes' observers share: the report, the texts for columns, the
// file names, the includes being walked, and the hints for macro names.
class Findings {
public:
    Findings(CheckReport& report, SourceTexts& sources) : report_(report), sources_(sources) {}
    virtual ~Findings() = default;

protected:
    const std::string* fileName(const std::string& name);
    // The include being walked whose chains have the file name object key,
    // or null (the input).
    const IncludeSite* siteOf(const void* key) const;
    const IncludeSite* currentSite() const { return stack_.empty() ? nullptr : stack_.back().second; }
    void enter(const void* key, const Origin& at);
    void leave();

    // The place of an origin in this mode.
    virtual Place placeOf(const Origin& origin) = 0;
    void warn(const Origin& origin, const Diagnostic& diagnostic);
    void fault(const Origin& origin, const Diagnostic& diagnostic);
    void warnAt(const Place& place, const IncludeSite* site, const Diagnostic& diagnostic);
    std::vector<Place> notes(const IncludeSite* site);

    // if, ifnot or switch tests a macro that macros lacks: a hint when a
    // defined name is close, else (off by default) that it is not defined.
    void undefinedMacro(const Origin& origin, std::string_view tag, std::string_view name, const MacroMap& macros,
                        const LoopScope* loops);
    // An element that is not a directive, with the names of its attributes.
    void misspeltDirective(const Origin& origin, Vocabulary mode, std::string_view tag,
                           const std::vector<std::string_view>& attributes, bool childOfSwitch);

    CheckReport& report_;
    SourceTexts& sources_;

private:
    std::set<std::string> fileNames_;
    const std::string* lastFileName_ = nullptr;
    std::deque<IncludeSite> sites_;
    std::vector<std::pair<const void*, const IncludeSite*>> stack_;
};

// The default mode's observer: an element that the reader made carries its
// own line and belongs to the file of the chain the walk found it in; a
// copy (loops, xmlput), which has no line, gets the origin of its source
// when it is made. The elements that an xmldef stores are never walked, so
// their origins are taken when they are stored.
class DirectiveOrigins : public DirectiveObserver, private Findings {
public:
    DirectiveOrigins(CheckReport& report, SourceTexts& sources) : Findings(report, sources) {}

    void fileRead(const std::string& path, bool opened, int error) override;
    void textRead(std::string_view text) override;
    void readProblem(const ReadPlace& place, const Diagnostic& diagnostic, bool failed) override;
    void warning(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic) override;
    void fatal(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic) override;
    void plainElement(const XMLElement* element, const std::string& fileName, Plain how) override;
    void undefinedMacroTested(const XMLElement* element, const std::string& fileName, std::string_view name,
                              const MacroMap& macros) override;
    void includeEntered(const XMLElement* include, const std::string& fileName,
                        const std::string& includedFile) override;
    void includeLeft() override;
    void copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName,
                const MacroMap* loopMacros) override;
    void stored(const XMLElement* element, const std::string& fileName) override;

    // The macro list of the command line, whose values reach the output.
    void macroListGiven(std::string_view list);

private:
    // What the reader saw of a file.
    struct TextFacts {
        bool startsWithLineFeed = false;
        bool highBytes = false;  // a byte above 0x7F somewhere
        bool malformed = false;  // a malformed warning was given
    };

    Place placeOf(const Origin& origin) override;
    Origin originOf(const XMLElement* element, const std::string& fileName);
    const Origin* lasting(const XMLElement* element, const std::string& fileName);
    const LoopScope* loopScope(const LoopScope* outer, const MacroMap& loopMacros);
    void checkBytes(const XMLElement* element, const Origin& origin);
    bool mayMisspell(const XMLElement* element);

    std::unordered_map<const std::string*, TextFacts> facts_;
    const std::string* reading_ = nullptr;
    const IncludeSite* readingSite_ = nullptr;
    std::deque<Origin> origins_;
    AddressMap<const Origin*> copies_;
    AddressMap<const Origin*> stored_;
    AddressMap<const Origin*> readOrigins_;
    AddressMap<const LoopScope*> loopsOf_;
    std::deque<LoopScope> scopes_;
    std::set<const std::string*> escapedIn_;
    std::vector<std::pair<const XMLElement*, const XMLElement*>> pending_;
    // Whether a tag name (by its bytes in the document's name table) could
    // misspell a directive: elements of one kind share the bytes of their
    // name, and a document has few kinds.
    struct TagAnswer {
        const char* name = nullptr;
        bool could = false;
    };
    std::array<TagAnswer, 64> tagAnswers_{};
    bool highBytesRead_ = false;
};

// The -xhtml mode's observer: Qt's line and column for a parsed element,
// those of the original for an element imported from an included file.
class XhtmlOrigins : public XhtmlObserver, private Findings {
public:
    XhtmlOrigins(CheckReport& report, SourceTexts& sources) : Findings(report, sources) {}

    void fileRead(const std::string& path, bool opened, int error) override;
    void warning(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic) override;
    void fatal(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic) override;
    void pageMalformed(const QString& fileName, int line, int column, const Diagnostic& diagnostic) override;
    void includedFileMalformed(int line, int column, const Diagnostic& diagnostic) override;
    void plainElement(const QDomElement& element, const QString& fileName, Plain how) override;
    void undefinedMacroTested(const QDomNode& element, const QString& fileName, std::string_view name,
                              const MacroMap& macros) override;
    void includeEntered(const QDomNode& include, const QString& fileName, const QString& includedFile) override;
    void includeLeft() override;
    void imported(const QDomNode& source, const QDomNode& copy, const QString& fileName) override;

private:
    struct Imported {
        QDomNode copy;  // held, so that its node is not freed and reused
        Origin origin;
    };

    Place placeOf(const Origin& origin) override;
    Origin originOf(const QDomNode& element, const QString& fileName);
    std::string_view tagText(const QString& tag);

    std::unordered_map<const void*, Imported> imported_;
    std::set<std::string> tags_;
    const std::string* page_ = nullptr;  // the first file read
    std::vector<const std::string*> includedFiles_;
    QHash<QString, bool> tagCouldMisspell_;
};
