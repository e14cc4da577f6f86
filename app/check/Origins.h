#pragma once

#include "check/CheckReport.h"
#include "xhtml/XhtmlObserver.h"
#include "xmlpp/DirectiveObserver.h"

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Where an element of the output comes from: a file and a 1-based line.
struct Origin {
    const std::string* file;
    int line;
};

// The origins of elements by address, in one array (open addressing): a
// loop makes copies by the million, and a node per entry, as
// std::unordered_map has, costs a cache miss at every insertion.
class OriginMap {
public:
    bool empty() const { return count_ == 0; }
    const Origin* find(const void* key) const;
    // Adds or replaces.
    void set(const void* key, const Origin& origin);

private:
    struct Slot {
        const void* key = nullptr;
        Origin origin{};
    };
    std::size_t slotOf(const void* key) const;
    void grow();

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// The default mode's observer: an element that the reader made carries its
// own line and belongs to the file of the chain the walk found it in; a
// copy (loops, xmlput), which has no line, gets the origin of its source
// when it is made. The elements that an xmldef stores are never walked, so
// their origins are taken when they are stored.
class DirectiveOrigins : public DirectiveObserver {
public:
    explicit DirectiveOrigins(CheckReport& report) : report_(report) {}

    void fileRead(const std::string& path, bool opened) override;
    void warning(const std::string& file, int line, const std::string& text) override;
    void warning(const XMLElement* element, const std::string& fileName, const std::string& text) override;
    void copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName) override;
    void stored(const XMLElement* element, const std::string& fileName) override;

private:
    Origin originOf(const XMLElement* element, const std::string& fileName);

    CheckReport& report_;
    std::set<std::string> fileNames_;
    const std::string* lastFileName_ = nullptr;
    OriginMap copies_;
    OriginMap stored_;
    std::vector<std::pair<const XMLElement*, const XMLElement*>> pending_;
};

// The -xhtml mode's observer: Qt's line for a parsed element, the line of
// the original for an element imported from an included file.
class XhtmlOrigins : public XhtmlObserver {
public:
    explicit XhtmlOrigins(CheckReport& report) : report_(report) {}

    void fileRead(const std::string& path, bool opened) override;
    void warning(const std::string& file, int line, const std::string& text) override;
    void warning(const QDomNode& element, const QString& fileName, const QString& text) override;
    void imported(const QDomNode& source, const QDomNode& copy, const QString& fileName) override;

private:
    struct Imported {
        QDomNode copy;  // held, so that its node is not freed and reused
        std::string file;
        int line;
    };

    CheckReport& report_;
    std::unordered_map<const void*, Imported> imported_;
};
