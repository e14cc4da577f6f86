#pragma once

#include "rules/Limits.h"

#include <QXmlSimpleReader>

#include <memory>

// A QXmlSimpleReader that fails the parse when elements (or entity
// references, which also become tree levels) nest deeper than the -xhtml
// mode's bound (xhtmlNestingBound), included documents counted at the depth
// where they are inserted. The preprocessor, Qt's serialiser and Qt's node
// destructor all recurse once per level, so the limit must hold while the
// document is read, before the tree exists. The DOM loader installs its own content and lexical
// handlers; this reader puts a counting handler in front of each.
// startDepth is the depth at which the parsed root element will sit minus
// one (0 for a document of its own).
class DepthLimitedReader : public QXmlSimpleReader {
public:
    explicit DepthLimitedReader(int startDepth = 0);
    ~DepthLimitedReader() override;

    void setContentHandler(QXmlContentHandler* handler) override;
    void setLexicalHandler(QXmlLexicalHandler* handler) override;

    // Whether the last parse stopped at the depth limit.
    bool depthExceeded() const;

    // The parse error that the limit produces.
    static QString depthErrorMessage();

private:
    class DepthCounter;
    class CountingContentHandler;
    class CountingLexicalHandler;

    std::unique_ptr<DepthCounter> counter_;
    std::unique_ptr<CountingContentHandler> contentHandler_;
    std::unique_ptr<CountingLexicalHandler> lexicalHandler_;
};
