#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The table of diagnostics: every message either program prints (xmlpp's
// errors, the -xhtml trace-log reports, xmlpp-check's warnings, notes and
// own messages), each with its identifier and the warning name that
// controls it. Code names a message by its identifier and formats it from
// this table; it never compares texts.
//
// A text holds placeholders %1 to %9, replaced by the arguments in one pass
// (an argument that holds "%2" stays as it is). Numbers that are bounds of
// the program are arguments too, given from their constants.
//
// Adding a message: one enumerator in Diag and one row in Diagnostics, at
// the same place (a static_assert checks the order); a new warning name
// also gets a row in WarningNames.

// The names of warnings, as xmlpp-check's -W options spell them.
enum class Warning : std::uint8_t {
    None,  // not a warning: an error, a note or a part of a message
    Malformed,
    UnknownAttribute,
    UndefinedMacro,
    Expression,
    EmptyLoop,
    MissingAttribute,
    TextDropped,
    ByteEscape,
    DirectiveTypo,
    MacroTypo,
    Undef,
    UnusedMacro,
    Argument,
    Include,    // -xhtml: the walk's trace-log reports about includes
    Directive,  // -xhtml: the walk's other trace-log reports
    Count
};

struct WarningName {
    Warning warning;
    std::string_view name;
    bool onByDefault;
    std::string_view meaning;  // one line, for --list-warnings
};

inline constexpr WarningName WarningNames[] = {
    {Warning::None, "", true, ""},
    {Warning::Malformed, "malformed", true, "input that is not well-formed XML, and what the reader made of it"},
    {Warning::UnknownAttribute, "unknown-attribute", true, "a directive carries an attribute it does not know"},
    {Warning::UndefinedMacro, "undefined-macro", true, "a $(NAME) reference stays in the output as written"},
    {Warning::Expression, "expression", true, "an expression of ifex, define or for does not evaluate"},
    {Warning::EmptyLoop, "empty-loop", true, "a for or foreach makes no iteration because a value is empty"},
    {Warning::MissingAttribute, "missing-attribute", true, "a directive lacks the attribute that decides it"},
    {Warning::TextDropped, "text-dropped", true, "text inside an element, which the default mode does not keep"},
    {Warning::ByteEscape, "byte-escape", true, "a UTF-8 character in a value is written as one reference per byte"},
    {Warning::DirectiveTypo, "directive-typo", true, "an element whose name is one edit from a directive's"},
    {Warning::MacroTypo, "macro-typo", true, "a macro name that is not defined or not used, close to one that is"},
    {Warning::Undef, "undef", false, "if, ifnot or switch tests a macro that is not defined"},
    {Warning::UnusedMacro, "unused-macro", false, "a command-line macro that no file of the run refers to"},
    {Warning::Argument, "argument", true, "a command-line argument that does not do what it seems to"},
    {Warning::Include, "include", true, "-xhtml: an include the walk reports and leaves in place"},
    {Warning::Directive, "directive", true, "-xhtml: a directive the walk reports and leaves or drops"},
};

enum class Diag : std::uint16_t {
    // xmlpp's driver.
    Usage,
    LoadError,
    SaveError,
    XhtmlError,
    // Reading and writing a file (default mode): the document's message.
    CouldNotRead,
    BadTagName,
    TagNameMismatch,
    NestingTooDeep,
    FileTooLarge,
    CouldNotWrite,
    SizeChangedWhileRead,
    WrittenInPlaceEmptied,
    WrittenInPlaceEmptiedAndDated,
    OutOfMemory,
    StackBoundNote,
    // The default mode's directives, and -xhtml reports with the same text.
    OneConditionRequired,
    MissingFilename,
    IncludesTooDeep,
    IncludeReadError,
    IncludeEmpty,
    WalkTooDeep,
    RootResolvesToMany,
    DefineWithoutName,
    DefineWithoutValue,
    XmlputWithoutXmldef,
    ForUsage,
    ForNeverEnds,
    ForeachTooMany,
    LoopCopiesTooMany,
    BudgetSpent,
    BudgetIncludesRead,
    BudgetLoopCopies,
    BudgetXmlputCopies,
    BudgetMacroExpansion,
    BudgetMacroMaps,
    BudgetInsertedText,
    BudgetFiles,
    BudgetElements,
    BudgetMiB,
    BudgetKiB,
    ExcludeEntryMissing,
    // The -xhtml mode.
    CannotOpenXmlFile,
    XmlFileTooLarge,
    XmlFileSizeChanged,
    IncludeSizeChanged,
    CannotLoadXmlFile,
    ReaderGaveNoMessage,
    DomNestingTooDeep,
    CannotOpenOutput,
    CannotWriteOutput,
    DefineWithoutNameOrValue,
    IncludeCannotOpen,
    IncludeNotWellFormed,
    XhtmlIncludesTooDeep,
    // xmlpp-check's own messages.
    WarningsTreatedAsErrors,
    DependencyFileNotWritten,
    UnrecognizedOption,
    OptionNeedsArgument,
    TryHelp,
    ArgumentFileUnreadable,
    ArgumentFileTooLarge,
    ArgumentFileHoldsZero,
    DoctypeFileInXhtmlForm,
    ArgumentFileNeedsFiles,
    MacroListGivenTwice,
    DoctypeGivenTwice,
    // xmlpp-check's warnings.
    UndefinedMacro,
    ExpressionFails,
    NoIteration,
    MissingAttribute,
    EmptyAttribute,
    UnknownAttribute,
    NoElement,
    TextDropped,
    ArgumentNotInMacroList,
    NotMarkup,
    FileEndsInElement,
    ElementAfterRoot,
    TextAfterRoot,
    DuplicateAttribute,
    UnknownEntity,
    ReferenceTooLarge,
    ReferenceIsZero,
    NulByte,
    UnquotedDeclarationValue,
    UnclosedComment,
    UnclosedCdata,
    UnquotedAttribute,
    PartialEndTag,
    IncludedFileMalformed,
    ByteEscaped,
    MisspeltDirective,
    MisspeltTestedMacro,
    UndefinedTestedMacro,
    MisspeltCommandLineMacro,
    UnusedCommandLineMacro,
    UnknownWarningOption,
    // xmlpp-check's notes.
    IncludedFromHere,
    // xmlpp-check's errors at the place of a fault, printed before xmlpp's
    // own message.
    EndTagMismatch,
    BadAttributeStart,
    ConditionCount,
    CannotOpenInclude,
    IncludedFileWithoutElement,
    IncludeNestingBound,
    WalkNestingBound,
    RootIsMany,
    DefineValueMissing,
    XmlputUnknown,
    ForWithoutAttribute,
    ForWithoutChild,
    ForBound,
    ForeachBound,
    LoopCopiesBound,
    BudgetBound,
    ExcludedEntryMissing,
    PageNotWellFormed,
    Count
};

struct DiagnosticRow {
    Diag id;
    Warning warning;
    std::string_view text;
};

// clang-format off
inline constexpr DiagnosticRow Diagnostics[] = {
    {Diag::Usage, Warning::None, "%1: <infile> <outfile> [macro1=value;macro2=value;..]"},
    {Diag::LoadError, Warning::None, "load error %1 at %2"},
    {Diag::SaveError, Warning::None, "save error %1"},
    {Diag::XhtmlError, Warning::None, "error: %1"},

    {Diag::CouldNotRead, Warning::None, "couldn't read %1"},
    {Diag::BadTagName, Warning::None, "bad tagName"},
    {Diag::TagNameMismatch, Warning::None, "tagName mismatch"},
    {Diag::NestingTooDeep, Warning::None, "element nesting deeper than %1 levels%2"},
    {Diag::FileTooLarge, Warning::None, "file too large"},
    {Diag::CouldNotWrite, Warning::None, "couldn't write %1"},
    {Diag::SizeChangedWhileRead, Warning::None, "%1 changed size while it was read"},
    {Diag::WrittenInPlaceEmptied, Warning::None, " (written in place: now empty)"},
    {Diag::WrittenInPlaceEmptiedAndDated, Warning::None, " (written in place: now empty, dated 1970-01-01)"},
    {Diag::OutOfMemory, Warning::None, "out of memory while processing %1"},
    {Diag::StackBoundNote, Warning::None, " (the most a stack of %1 KiB holds)"},

    {Diag::OneConditionRequired, Warning::Directive,
     "XmlPP::processConditionals(): one condition required for <if[not]>"},
    {Diag::MissingFilename, Warning::Include, "XmlPP::processConditionals(): missing filename in <include>"},
    {Diag::IncludesTooDeep, Warning::None,
     "XmlPP::processConditionals(): include files nested deeper than %1 levels at '%2'"},
    {Diag::IncludeReadError, Warning::None, "XmlPP::processConditionals(): error \"%1\" in include file %2 line:%3"},
    {Diag::IncludeEmpty, Warning::None, "XmlPP::processConditionals(): error: include file '%1' is empty"},
    {Diag::WalkTooDeep, Warning::None,
     "XmlPP::processConditionals(): elements nested deeper than %1 levels%3 in %2"},
    {Diag::RootResolvesToMany, Warning::None,
     "XmlPP::processConditionals(): the document's root element resolves to %1 elements"},
    {Diag::DefineWithoutName, Warning::None, "XmlPP::processConditionals(): missing name in <define>"},
    {Diag::DefineWithoutValue, Warning::None, "XmlPP::processConditionals(): missing value or expression in <define>"},
    {Diag::XmlputWithoutXmldef, Warning::None, "XmlPP::processConditionals(): xmlput cannot fine xmldef named %1"},
    {Diag::ForUsage, Warning::None,
     "XmlPP::processConditionals(): <for index=\"i\" start=\"0\" end=\"32\" incr=\"1\">"},
    {Diag::ForNeverEnds, Warning::None,
     "XmlPP::processConditionals(): <for index=\"%1\"> never ends or runs more than %2 iterations"},
    {Diag::ForeachTooMany, Warning::None, "XmlPP::processConditionals(): <foreach> makes more than %1 iterations"},
    {Diag::LoopCopiesTooMany, Warning::None, "XmlPP::processConditionals(): loops make more than %1 elements"},
    {Diag::BudgetSpent, Warning::None,
     "XmlPP::processConditionals(): the directives of this run make or read more than %1 MiB; most of it: %2 (%3)"},
    {Diag::BudgetIncludesRead, Warning::None, "includes read"},
    {Diag::BudgetLoopCopies, Warning::None, "loop copies made"},
    {Diag::BudgetXmlputCopies, Warning::None, "xmlput copies made"},
    {Diag::BudgetMacroExpansion, Warning::None, "macro expansion"},
    {Diag::BudgetMacroMaps, Warning::None, "macro maps copied"},
    {Diag::BudgetInsertedText, Warning::None, "macro values inserted"},
    {Diag::BudgetFiles, Warning::None, "%1 file%2"},
    {Diag::BudgetElements, Warning::None, "%1 element%2"},
    {Diag::BudgetMiB, Warning::None, "%1 MiB"},
    {Diag::BudgetKiB, Warning::None, "%1 KiB"},
    {Diag::ExcludeEntryMissing, Warning::None,
     "XmlPP::processConditionals(): exclude_entries cannot find entry named %1"},

    {Diag::CannotOpenXmlFile, Warning::None, "cannot open xml file %1"},
    {Diag::XmlFileTooLarge, Warning::None, "xml file %1 is larger than %2 MiB"},
    {Diag::XmlFileSizeChanged, Warning::None, "xml file %1 changed size while it was read"},
    {Diag::IncludeSizeChanged, Warning::None,
     "XmlPP::processConditionals(): include file %1 changed size while it was read"},
    {Diag::CannotLoadXmlFile, Warning::None, "Cannot load xml file: %1 - %2 line: %3 column: %4"},
    {Diag::ReaderGaveNoMessage, Warning::None, "No error"},
    {Diag::DomNestingTooDeep, Warning::None, "nesting deeper than %1 levels%2"},
    {Diag::CannotOpenOutput, Warning::None, "cannot open %1"},
    {Diag::CannotWriteOutput, Warning::None, "cannot write %1"},
    {Diag::DefineWithoutNameOrValue, Warning::Directive,
     "XmlPP::processConditionals(): missing name and/or value in <define_macro>"},
    {Diag::IncludeCannotOpen, Warning::Include, "XmlPP::processConditionals could not open include file %1"},
    {Diag::IncludeNotWellFormed, Warning::Include,
     "XmlPP: error reading XML - %1 on line %2 column %3 of include file %4"},
    {Diag::XhtmlIncludesTooDeep, Warning::Include,
     "XmlPP::processConditionals(): includes nested deeper than %1 levels at include file %2"},

    {Diag::WarningsTreatedAsErrors, Warning::None,
     "xmlpp-check: %1 warning%2 treated as error%2: nothing written"},
    {Diag::DependencyFileNotWritten, Warning::None, "xmlpp-check: couldn't write dependency file %1"},
    {Diag::UnrecognizedOption, Warning::None, "unrecognized option '%1'"},
    {Diag::OptionNeedsArgument, Warning::None, "option '%1' requires an argument"},
    {Diag::TryHelp, Warning::None, "Try '%1 --help' for more information."},
    {Diag::ArgumentFileUnreadable, Warning::None, "couldn't read %1 file %2"},
    {Diag::ArgumentFileTooLarge, Warning::None, "%1 file %2 is larger than %3 MiB"},
    {Diag::ArgumentFileHoldsZero, Warning::None, "%1 file %2 holds a zero byte"},
    {Diag::DoctypeFileInXhtmlForm, Warning::None, "option '--doctype-file' is for the default mode, not -xhtml"},
    {Diag::ArgumentFileNeedsFiles, Warning::None, "option '%1' needs <infile> and <outfile>"},
    {Diag::MacroListGivenTwice, Warning::None, "option '--macros-file' and a macro list argument both given"},
    {Diag::DoctypeGivenTwice, Warning::None, "option '--doctype-file' and a DOCTYPE argument both given"},

    {Diag::UndefinedMacro, Warning::UndefinedMacro, "undefined macro '%1' is left as %2(%1) in attribute '%3'"},
    {Diag::ExpressionFails, Warning::Expression, "expression '%1' in attribute '%2' of <%3> does not evaluate: %4"},
    {Diag::NoIteration, Warning::EmptyLoop, "<%1> makes no iteration: attribute '%2' is empty"},
    {Diag::MissingAttribute, Warning::MissingAttribute, "<%1> has no attribute '%2'"},
    {Diag::EmptyAttribute, Warning::MissingAttribute, "<%1> has an empty attribute '%2'"},
    {Diag::UnknownAttribute, Warning::UnknownAttribute, "<%1> has an unknown attribute '%2'"},
    {Diag::NoElement, Warning::Malformed, "no element in this file: the output is empty"},
    {Diag::TextDropped, Warning::TextDropped,
     "text is not carried into the output (the default mode keeps elements, attributes and CDATA sections)"},
    {Diag::ArgumentNotInMacroList, Warning::Argument,
     "argument 4 '%1' is not part of the macro list, which is argument 3 alone, its items separated by ';'"},
    {Diag::NotMarkup, Warning::Malformed,
     "text before the first element ('%1'): the reader stops there and the output is empty"},
    {Diag::FileEndsInElement, Warning::Malformed,
     "the file ends before the end tag of <%1>: the elements still open are dropped"},
    {Diag::ElementAfterRoot, Warning::Malformed,
     "element <%1> after the root element <%2> takes its place: only the last outermost element is kept"},
    {Diag::TextAfterRoot, Warning::Malformed, "text after the root element <%1> is dropped"},
    {Diag::DuplicateAttribute, Warning::Malformed, "attribute '%1' is given twice in <%2>: the last value '%3' is kept"},
    {Diag::UnknownEntity, Warning::Malformed, "unknown entity '&%1;' is kept as the text '&%1;'"},
    {Diag::ReferenceTooLarge, Warning::Malformed,
     "character reference '%1' does not fit in a byte: only its low byte %2 is kept"},
    {Diag::ReferenceIsZero, Warning::Malformed,
     "character reference '%1' is the byte 0, which ends the value: the rest of the value is dropped"},
    {Diag::NulByte, Warning::Malformed, "a NUL byte ends the document here: the rest of the file (%1 bytes) is not read"},
    {Diag::UnquotedDeclarationValue, Warning::Malformed,
     "a value in the XML declaration has no quotes: the reader stops here"},
    {Diag::UnclosedComment, Warning::Malformed, "the comment is not closed: the rest of the file is not read"},
    {Diag::UnclosedCdata, Warning::Malformed, "the CDATA section is not closed: the rest of the file is not read"},
    {Diag::UnquotedAttribute, Warning::Malformed, "attribute '%1' has no quoted value and is dropped"},
    {Diag::PartialEndTag, Warning::Malformed, "end tag </%1> closes <%2>: a leading part of the name is taken"},
    {Diag::IncludedFileMalformed, Warning::Malformed,
     "not well-formed XML: %1; the <include> of this file is not carried out"},
    {Diag::ByteEscaped, Warning::ByteEscape,
     "'%1' in attribute '%2' is written as one character reference per byte (%3), so XML readers will not see '%1'"},
    {Diag::MisspeltDirective, Warning::DirectiveTypo, "unknown element <%1>; did you mean <%2>?"},
    {Diag::MisspeltTestedMacro, Warning::MacroTypo, "<%1> tests macro '%2', which is not defined; did you mean '%3'?"},
    {Diag::UndefinedTestedMacro, Warning::Undef, "<%1> tests macro '%2', which is not defined"},
    {Diag::MisspeltCommandLineMacro, Warning::MacroTypo,
     "macro '%1' given on the command line is never used; did you mean '%2'?"},
    {Diag::UnusedCommandLineMacro, Warning::UnusedMacro, "macro '%1' given on the command line is never used"},
    {Diag::UnknownWarningOption, Warning::None, "unknown warning option '%1'; --list-warnings lists the names"},

    {Diag::IncludedFromHere, Warning::None, "included from here"},

    {Diag::EndTagMismatch, Warning::None, "end tag </%1> does not match <%2>, which is open since line %3"},
    {Diag::BadAttributeStart, Warning::None, "'%1' cannot start an attribute name in the start tag of <%2>"},
    {Diag::ConditionCount, Warning::None, "<%1> needs exactly one attribute, the macro it tests; it has %2"},
    {Diag::CannotOpenInclude, Warning::None, "cannot open included file '%1': %2"},
    {Diag::IncludedFileWithoutElement, Warning::None, "included file '%1' holds no element"},
    {Diag::IncludeNestingBound, Warning::None, "include files nested deeper than %1 levels at '%2'"},
    {Diag::WalkNestingBound, Warning::None, "elements nested deeper than %1 levels, includes and xmlput counted"},
    {Diag::RootIsMany, Warning::None, "the root element resolves to %1 elements, and a document holds one"},
    {Diag::DefineValueMissing, Warning::None, "<define> has none of 'value', 'expression' and 'hex_expression'"},
    {Diag::XmlputUnknown, Warning::None, "<xmlput> names '%1', which no <xmldef> walked before it stores"},
    {Diag::ForWithoutAttribute, Warning::None, "<for> has no attribute '%1': it needs 'index', 'start', 'end' and 'incr'"},
    {Diag::ForWithoutChild, Warning::None, "<for> has no child element to repeat"},
    {Diag::ForBound, Warning::None, "<for index=\"%1\"> never ends or runs more than %2 iterations"},
    {Diag::ForeachBound, Warning::None, "<foreach> makes more than %1 iterations"},
    {Diag::LoopCopiesBound, Warning::None, "loops make more than %1 elements"},
    {Diag::BudgetBound, Warning::None, "the directives of this run make or read more than %1 MiB by here"},
    {Diag::ExcludedEntryMissing, Warning::None, "exclude_entries names '%1', which the list '%2' does not hold"},
    {Diag::PageNotWellFormed, Warning::None, "not well-formed XML: %1"},
};
// clang-format on

constexpr bool diagnosticRowsInOrder()
{
    std::size_t index = 0;
    for (const DiagnosticRow& row : Diagnostics)
        if (std::size_t(row.id) != index++)
            return false;
    return index == std::size_t(Diag::Count);
}
static_assert(diagnosticRowsInOrder(), "one row per Diag, in the order of the enumeration");

constexpr bool warningRowsInOrder()
{
    std::size_t index = 0;
    for (const WarningName& row : WarningNames)
        if (std::size_t(row.warning) != index++)
            return false;
    return index == std::size_t(Warning::Count);
}
static_assert(warningRowsInOrder(), "one row per Warning, in the order of the enumeration");

constexpr const DiagnosticRow& diagnosticRow(Diag id)
{
    return Diagnostics[std::size_t(id)];
}

constexpr const WarningName& warningName(Warning warning)
{
    return WarningNames[std::size_t(warning)];
}

// An argument of a message: text as it is, a number in decimal (a char is
// a character, not a number).
class DiagArg {
public:
    DiagArg(std::string_view text) : text_(text) {}
    DiagArg(const std::string& text) : text_(text) {}
    DiagArg(const char* text) : text_(text) {}
    DiagArg(char character) : text_(1, character) {}
    template <class Number, class = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, char> &&
                                                     !std::is_same_v<Number, bool>>>
    DiagArg(Number number) : text_(std::to_string(number))
    {}

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The row's text with its placeholders replaced by the arguments (a
// placeholder without an argument becomes empty).
std::string formatMessage(Diag id, std::initializer_list<DiagArg> args = {});
std::string formatMessage(Diag id, const std::vector<std::string>& args);

// Prints the message and a line feed on standard error.
void printMessage(Diag id, std::initializer_list<DiagArg> args = {});

// A message and its arguments, as a walker hands it to a checking run.
struct Diagnostic {
    Diag id;
    std::vector<std::string> args;

    Diagnostic(Diag diag, std::initializer_list<DiagArg> arguments = {}) : id(diag)
    {
        for (const DiagArg& arg : arguments)
            args.push_back(arg.text());
    }
    std::string text() const { return formatMessage(id, args); }
    Warning warning() const { return diagnosticRow(id).warning; }
};
