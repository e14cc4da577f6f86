#include "check/Origins.h"

#include "rules/Typos.h"
#include "xml/XMLNode.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

const XMLElement* firstElementChild(const XMLNode* node)
{
    const XMLNode* child = node->firstChild();
    while (child != nullptr && !child->isElement())
        child = child->nextSibling();
    return child != nullptr ? child->toElement() : nullptr;
}

const XMLElement* nextElementSibling(const XMLNode* node)
{
    const XMLNode* sibling = node->nextSibling();
    while (sibling != nullptr && !sibling->isElement())
        sibling = sibling->nextSibling();
    return sibling != nullptr ? sibling->toElement() : nullptr;
}

bool isNull(const XMLElement* element)
{
    return element == nullptr;
}

bool isNull(const QDomElement& element)
{
    return element.isNull();
}

// Visits the pairs of elements at the same place in two trees of the same
// shape (element children only), the tops first; pending is room for the
// walk, reused from call to call.
template <class Node, class FirstChild, class NextSibling, class Visit>
void visitPairs(Node source, Node copy, FirstChild firstChild, NextSibling nextSibling, Visit visit,
                std::vector<std::pair<Node, Node>>& pending)
{
    pending.assign(1, {source, copy});
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        visit(from, to);
        auto fromChild = firstChild(from);
        auto toChild = firstChild(to);
        for (; !isNull(fromChild) && !isNull(toChild);
             fromChild = nextSibling(fromChild), toChild = nextSibling(toChild))
            pending.emplace_back(fromChild, toChild);
    }
}

// The key of a DOM node: its private record, the same for every handle.
class DomNodeKey : public QDomNode {
public:
    explicit DomNodeKey(const QDomNode& node) : QDomNode(node) {}
    const void* key() const { return impl; }
};

std::string localName(const QString& fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

// Elements whose copies may test a loop macro, or carry loops of their own.
bool testsOrLoops(std::string_view tag)
{
    return tag == "if" || tag == "ifnot" || tag == "switch" || tag == "for" || tag == "foreach";
}

// Whether any byte is above 0x7F (the test of every text a checking run
// reads).
bool hasHighBytes(std::string_view text)
{
    unsigned char seen = 0;
    for (const char c : text)
        seen |= static_cast<unsigned char>(c);
    return (seen & 0x80) != 0;
}

// The length of a valid UTF-8 sequence of two or more bytes at text[at], or
// 0.
std::size_t multiByteCharacter(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

}  // namespace

template <class Value>
std::size_t AddressMap<Value>::slotOf(const void* key) const
{
    // A multiplicative hash of the address; the table's size is a power of two.
    const auto bits = std::uint64_t(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B97F4A7C15ull;
    return std::size_t(bits >> 32) & (slots_.size() - 1);
}

template <class Value>
const Value* AddressMap<Value>::find(const void* key) const
{
    if (slots_.empty())
        return nullptr;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & (slots_.size() - 1)) {
        if (slots_[slot].key == key)
            return &slots_[slot].value;
        if (slots_[slot].key == nullptr)
            return nullptr;
    }
}

template <class Value>
void AddressMap<Value>::set(const void* key, const Value& value)
{
    if ((count_ + 1) * 2 > slots_.size())
        grow();
    std::size_t slot = slotOf(key);
    while (slots_[slot].key != nullptr && slots_[slot].key != key)
        slot = (slot + 1) & (slots_.size() - 1);
    if (slots_[slot].key == nullptr)
        ++count_;
    slots_[slot] = Slot{key, value};
}

template <class Value>
void AddressMap<Value>::grow()
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(old.size() * 2, 1024), Slot{});
    count_ = 0;
    for (const Slot& entry : old)
        if (entry.key != nullptr)
            set(entry.key, entry.value);
}

template class AddressMap<const Origin*>;
template class AddressMap<const LoopScope*>;

// Findings: what both modes share.

const std::string* Findings::fileName(const std::string& name)
{
    // Loops copy many elements of one file in a row.
    if (lastFileName_ == nullptr || *lastFileName_ != name)
        lastFileName_ = &*fileNames_.insert(name).first;
    return lastFileName_;
}

const IncludeSite* Findings::siteOf(const void* key) const
{
    for (auto entry = stack_.rbegin(); entry != stack_.rend(); ++entry)
        if (entry->first == key)
            return entry->second;
    return nullptr;
}

void Findings::enter(const void* key, const Origin& at)
{
    sites_.push_back(IncludeSite{at});
    stack_.emplace_back(key, &sites_.back());
}

void Findings::leave()
{
    if (!stack_.empty())
        stack_.pop_back();
}

std::vector<Place> Findings::notes(const IncludeSite* site)
{
    std::vector<Place> places;
    for (; site != nullptr; site = site->at.site)
        places.push_back(placeOf(site->at));
    return places;
}

void Findings::warn(const Origin& origin, const Diagnostic& diagnostic)
{
    if (report_.wants(diagnostic.warning()))
        report_.warning(placeOf(origin), notes(origin.site), diagnostic);
}

void Findings::warnAt(const Place& place, const IncludeSite* site, const Diagnostic& diagnostic)
{
    if (report_.wants(diagnostic.warning()))
        report_.warning(place, notes(site), diagnostic);
}

void Findings::fault(const Origin& origin, const Diagnostic& diagnostic)
{
    report_.fault(origin.file != nullptr ? placeOf(origin) : Place{}, notes(origin.site), diagnostic);
}

void Findings::undefinedMacro(const Origin& origin, std::string_view tag, std::string_view name, const MacroMap& macros,
                              const LoopScope* loops)
{
    bool loopMacro = false;
    for (; loops != nullptr && !loopMacro; loops = loops->outer)
        loopMacro = std::find(loops->names.begin(), loops->names.end(), name) != loops->names.end();
    if (!loopMacro && report_.wants(Warning::MacroTypo)) {
        std::vector<std::string_view> defined;
        for (const auto& entry : macros)
            defined.push_back(entry.first);
        if (const std::optional<std::string> close = closestMacroName(name, defined)) {
            warn(origin, Diagnostic(Diag::MisspeltTestedMacro, {tag, name, *close}));
            return;
        }
    }
    warn(origin, Diagnostic(Diag::UndefinedTestedMacro, {tag, name}));
}

void Findings::misspeltDirective(const Origin& origin, Vocabulary mode, std::string_view tag,
                                 const std::vector<std::string_view>& attributes, bool childOfSwitch)
{
    if (const DirectiveRow* directive = ::misspeltDirective(mode, tag, attributes, childOfSwitch))
        warn(origin, Diagnostic(Diag::MisspeltDirective, {tag, directive->name}));
}

// DirectiveOrigins: the default mode.

void DirectiveOrigins::fileRead(const std::string& path, bool, int)
{
    report_.fileRead(path);
    reading_ = fileName(path);
    readingSite_ = currentSite();
}

void DirectiveOrigins::textRead(std::string_view text)
{
    if (reading_ == nullptr)
        return;  // a text parsed without a file
    TextFacts& facts = facts_[reading_];
    facts.startsWithLineFeed = !text.empty() && text[0] == '\n';
    facts.highBytes = hasHighBytes(text);
    highBytesRead_ = highBytesRead_ || facts.highBytes;
}

void DirectiveOrigins::macroListGiven(std::string_view list)
{
    highBytesRead_ = highBytesRead_ || hasHighBytes(list);
}

void DirectiveOrigins::readProblem(const ReadPlace& place, const Diagnostic& diagnostic, bool failed)
{
    if (reading_ == nullptr)
        return;
    TextFacts& facts = facts_[reading_];
    Place where{reading_, {}};
    if (place.offset >= 0)
        where.position = sources_.atOffset(*reading_, place.offset);
    if (where.position.line == 0 && !place.tag.empty())
        where.position = sources_.startTag(*reading_, place.line, facts.startsWithLineFeed, place.tag, -1);
    else if (where.position.line == 0 && place.line >= 0)
        where.position.line = place.line + (facts.startsWithLineFeed ? 1 : 0) + 1;
    if (failed) {
        report_.fault(where, notes(readingSite_), diagnostic);
        return;
    }
    facts.malformed = facts.malformed || diagnostic.warning() == Warning::Malformed;
    warnAt(where, readingSite_, diagnostic);
}

Place DirectiveOrigins::placeOf(const Origin& origin)
{
    if (origin.file == nullptr || origin.line < 0)
        return Place{origin.file, {}};
    return Place{origin.file, sources_.startTag(*origin.file, origin.line, facts_[origin.file].startsWithLineFeed,
                                                origin.tag, origin.hint)};
}

// A copy has no line of its own; an element that an xmldef stored has the
// file of the xmldef; any other element belongs to the chain's file, in the
// include that the chain's file name object was entered with.
Origin DirectiveOrigins::originOf(const XMLElement* element, const std::string& fileName)
{
    if (element == nullptr)
        return Origin{fileName.empty() ? nullptr : this->fileName(fileName), -1, 0, {}, -1, siteOf(&fileName)};
    const AddressMap<const Origin*>& known = element->line() < 0 ? copies_ : stored_;
    if (!known.empty()) {
        if (const Origin* const* found = known.find(element))
            return **found;
    }
    return Origin{this->fileName(fileName),    element->line(),  0, element->tagName(),
                  element->firstValueOffset(), siteOf(&fileName)};
}

// The origin of an element, kept for the copies made of it.
const Origin* DirectiveOrigins::lasting(const XMLElement* element, const std::string& fileName)
{
    if (element->line() < 0) {
        if (const Origin* const* found = copies_.find(element))
            return *found;
    } else if (const Origin* const* found = (stored_.empty() ? nullptr : stored_.find(element))) {
        return *found;
    } else if (const Origin* const* read = readOrigins_.find(element)) {
        return *read;
    }
    origins_.push_back(originOf(element, fileName));
    if (element->line() >= 0)
        readOrigins_.set(element, &origins_.back());
    return &origins_.back();
}

void DirectiveOrigins::warning(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic)
{
    if (!report_.wants(diagnostic.warning()))
        return;
    Origin origin = originOf(element, fileName);
    if (element == nullptr) {
        // About the file itself: once its read said what is wrong with it,
        // that is enough.
        if (diagnostic.id == Diag::NoElement && facts_[origin.file].malformed)
            return;
        report_.warning(Place{origin.file, {1, 0}}, notes(origin.site), diagnostic);
        return;
    }
    warn(origin, diagnostic);
}

void DirectiveOrigins::fatal(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic)
{
    fault(originOf(element, fileName), diagnostic);
}

void DirectiveOrigins::plainElement(const XMLElement* element, const std::string& fileName, Plain how)
{
    const bool mayBeTypo = how == Plain::SwitchChild || (how == Plain::Walked && mayMisspell(element));
    if (mayBeTypo && report_.wants(Warning::DirectiveTypo)) {
        std::vector<std::string_view> names;
        for (const XMLAttribute& attr : element->attributes())
            names.push_back(attr.name());
        misspeltDirective(originOf(element, fileName), Vocabulary::Default, element->tagName(), names,
                          how == Plain::SwitchChild);
    }
    // Values hold bytes above 0x7F only when some text of the run does.
    if (how != Plain::SwitchChild && highBytesRead_ && report_.wants(Warning::ByteEscape)) {
        const Origin origin = originOf(element, fileName);
        if (escapedIn_.count(origin.file) == 0 && (facts_[origin.file].highBytes || element->mayHoldWatchedByte()))
            checkBytes(element, origin);
    }
}

// Only a name of four characters or more that is one edit from a directive
// and not an element of HTML can be a misspelling; the answer is kept for
// the name's bytes.
bool DirectiveOrigins::mayMisspell(const XMLElement* element)
{
    const std::string_view tag = element->tagName();
    if (tag.size() < 4)
        return false;
    TagAnswer& cached = tagAnswers_[(reinterpret_cast<std::uintptr_t>(tag.data()) >> 3) % tagAnswers_.size()];
    if (cached.name != tag.data()) {
        cached.name = tag.data();
        cached.could = couldMisspellDirective(Vocabulary::Default, tag);
    }
    return cached.could;
}

// The first value of the file that holds a UTF-8 character, which the
// writer puts out as one character reference per byte.
void DirectiveOrigins::checkBytes(const XMLElement* element, const Origin& origin)
{
    for (const XMLAttribute& attr : element->attributes()) {
        const std::string_view value = attr.text();
        for (std::size_t at = 0; at < value.size(); ++at) {
            if (static_cast<unsigned char>(value[at]) < 0x80)
                continue;
            const std::size_t length = multiByteCharacter(value, at);
            if (length == 0)
                continue;
            std::string references;
            for (std::size_t i = 0; i < length; ++i) {
                char reference[16];
                std::snprintf(reference, sizeof reference, "&#x%x;",
                              unsigned(static_cast<unsigned char>(value[at + i])));
                references += reference;
            }
            escapedIn_.insert(origin.file);
            warn(origin, Diagnostic(Diag::ByteEscaped, {value.substr(at, length), attr.name(), references}));
            return;
        }
    }
}

void DirectiveOrigins::undefinedMacroTested(const XMLElement* element, const std::string& fileName,
                                            std::string_view name, const MacroMap& macros)
{
    if (!report_.wants(Warning::MacroTypo) && !report_.wants(Warning::Undef))
        return;
    const LoopScope* const* loops = loopsOf_.find(element);
    undefinedMacro(originOf(element, fileName), element->tagName(), name, macros, loops ? *loops : nullptr);
}

void DirectiveOrigins::includeEntered(const XMLElement* include, const std::string& fileName,
                                      const std::string& includedFile)
{
    enter(&includedFile, originOf(include, fileName));
}

void DirectiveOrigins::includeLeft()
{
    leave();
}

// The scope of the loop macros for the copies of one iteration: the names
// are the same in every iteration of a loop, so the last scope made is
// mostly the one wanted.
const LoopScope* DirectiveOrigins::loopScope(const LoopScope* outer, const MacroMap& loopMacros)
{
    auto sameNames = [&](const LoopScope& scope) {
        if (scope.outer != outer || scope.names.size() != loopMacros.size())
            return false;
        auto name = scope.names.begin();
        for (const auto& entry : loopMacros)
            if (*name++ != entry.first)
                return false;
        return true;
    };
    if (!scopes_.empty() && sameNames(scopes_.back()))
        return &scopes_.back();
    LoopScope scope{{}, outer};
    for (const auto& entry : loopMacros)
        scope.names.push_back(entry.first);
    scopes_.push_back(std::move(scope));
    return &scopes_.back();
}

void DirectiveOrigins::copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName,
                              const MacroMap* loopMacros)
{
    const LoopScope* scope = nullptr;
    visitPairs(
        source, copy, firstElementChild, nextElementSibling,
        [&](const XMLElement* from, const XMLElement* to) {
            copies_.set(to, lasting(from, fileName));
            // Only a test of a macro needs the loop macros around it.
            if (loopMacros != nullptr && testsOrLoops(to->tagName())) {
                if (scope == nullptr) {
                    const LoopScope* const* outer = source->parent() ? loopsOf_.find(source->parent()) : nullptr;
                    scope = loopScope(outer ? *outer : nullptr, *loopMacros);
                }
                loopsOf_.set(to, scope);
            }
        },
        pending_);
}

void DirectiveOrigins::stored(const XMLElement* element, const std::string& fileName)
{
    visitPairs(
        element, element, firstElementChild, nextElementSibling,
        [&](const XMLElement* from, const XMLElement*) {
            if (from->line() >= 0)
                stored_.set(from, lasting(from, fileName));
        },
        pending_);
}

// XhtmlOrigins: the -xhtml mode.

void XhtmlOrigins::fileRead(const std::string& path, bool, int)
{
    report_.fileRead(path);
    if (page_ == nullptr)
        page_ = fileName(path);
}

std::string_view XhtmlOrigins::tagText(const QString& tag)
{
    return *tags_.insert(tag.toStdString()).first;
}

Place XhtmlOrigins::placeOf(const Origin& origin)
{
    if (origin.tag.empty())
        return Place{origin.file, {origin.line > 0 ? origin.line : 0, origin.column > 0 ? origin.column : 0}};
    return Place{origin.file, sources_.qtStartTag(*origin.file, origin.file == page_, origin.line, origin.column,
                                                  QString::fromStdString(std::string(origin.tag)))};
}

Origin XhtmlOrigins::originOf(const QDomNode& element, const QString& fileName)
{
    if (element.lineNumber() < 0) {
        const auto found = imported_.find(DomNodeKey(element).key());
        if (found != imported_.end())
            return found->second.origin;
    }
    const QString tag = element.isElement() ? element.toElement().tagName() : QString();
    return Origin{this->fileName(localName(fileName)),
                  std::max(element.lineNumber(), 1),
                  std::max(element.columnNumber(), 0),
                  tagText(tag),
                  -1,
                  siteOf(&fileName)};
}

void XhtmlOrigins::warning(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic)
{
    if (report_.wants(diagnostic.warning()))
        warn(originOf(element, fileName), diagnostic);
}

void XhtmlOrigins::fatal(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic)
{
    fault(originOf(element, fileName), diagnostic);
}

void XhtmlOrigins::pageMalformed(const QString& fileName, int line, int column, const Diagnostic& diagnostic)
{
    fault(Origin{this->fileName(localName(fileName)), line, column, {}, -1, nullptr}, diagnostic);
}

void XhtmlOrigins::includedFileMalformed(int line, int column, const Diagnostic& diagnostic)
{
    if (!includedFiles_.empty())
        warn(Origin{includedFiles_.back(), line, column, {}, -1, currentSite()}, diagnostic);
}

void XhtmlOrigins::plainElement(const QDomElement& element, const QString& fileName, Plain how)
{
    if (!report_.wants(Warning::DirectiveTypo))
        return;
    const QString tag = element.tagName();
    const bool childOfSwitch = how == Plain::SwitchChild;
    auto known = tagCouldMisspell_.constFind(tag);
    if (known == tagCouldMisspell_.constEnd())
        known = tagCouldMisspell_.insert(tag, couldMisspellDirective(Vocabulary::Xhtml, tag.toStdString()));
    if (!known.value() && !childOfSwitch)
        return;
    const QDomNamedNodeMap map = element.attributes();
    std::vector<std::string> names;
    for (int index = 0; index < map.count(); ++index)
        names.push_back(map.item(index).toAttr().name().toStdString());
    const std::vector<std::string_view> views(names.begin(), names.end());
    misspeltDirective(originOf(element, fileName), Vocabulary::Xhtml, tag.toStdString(), views, childOfSwitch);
}

void XhtmlOrigins::undefinedMacroTested(const QDomNode& element, const QString& fileName, std::string_view name,
                                        const MacroMap& macros)
{
    if (report_.wants(Warning::MacroTypo) || report_.wants(Warning::Undef))
        undefinedMacro(originOf(element, fileName), element.toElement().tagName().toStdString(), name, macros, nullptr);
}

void XhtmlOrigins::includeEntered(const QDomNode& include, const QString& fileName, const QString& includedFile)
{
    enter(&includedFile, originOf(include, fileName));
    includedFiles_.push_back(this->fileName(localName(includedFile)));
}

void XhtmlOrigins::includeLeft()
{
    leave();
    if (!includedFiles_.empty())
        includedFiles_.pop_back();
}

void XhtmlOrigins::imported(const QDomNode& source, const QDomNode& copy, const QString& fileName)
{
    std::vector<std::pair<QDomElement, QDomElement>> pending;
    visitPairs(
        source.toElement(), copy.toElement(), [](const QDomElement& node) { return node.firstChildElement(); },
        [](const QDomElement& node) { return node.nextSiblingElement(); },
        [&](const QDomElement& from, const QDomElement& to) {
            imported_[DomNodeKey(to).key()] = Imported{to, originOf(from, fileName)};
        },
        pending);
}
