#include "xhtml/DepthLimitedReader.h"

#include "xhtml/TextBytes.h"

class DepthLimitedReader::DepthCounter {
public:
    explicit DepthCounter(int startDepth)
        : startDepth_(startDepth), depth_(startDepth), maxDepth_(int(xhtmlNestingBound()))
    {}

    void reset()
    {
        depth_ = startDepth_;
        exceeded_ = false;
    }
    // False, and remembered, when the new level is past the limit.
    bool enter()
    {
        if (++depth_ <= maxDepth_)
            return true;
        exceeded_ = true;
        return false;
    }
    void leave() { --depth_; }
    bool exceeded() const { return exceeded_; }

private:
    int startDepth_;
    int depth_;
    int maxDepth_;
    bool exceeded_ = false;
};

// Forwards every call to the DOM loader's content handler, counting elements.
class DepthLimitedReader::CountingContentHandler : public QXmlContentHandler {
public:
    CountingContentHandler(QXmlContentHandler* target, DepthCounter& counter) : target_(target), counter_(counter) {}

    void setDocumentLocator(QXmlLocator* locator) override { target_->setDocumentLocator(locator); }
    bool startDocument() override
    {
        counter_.reset();
        return target_->startDocument();
    }
    bool endDocument() override { return target_->endDocument(); }
    bool startPrefixMapping(const QString& prefix, const QString& uri) override
    {
        return target_->startPrefixMapping(prefix, uri);
    }
    bool endPrefixMapping(const QString& prefix) override { return target_->endPrefixMapping(prefix); }
    bool startElement(const QString& namespaceUri, const QString& localName, const QString& qName,
                      const QXmlAttributes& attributes) override
    {
        return counter_.enter() && target_->startElement(namespaceUri, localName, qName, attributes);
    }
    bool endElement(const QString& namespaceUri, const QString& localName, const QString& qName) override
    {
        counter_.leave();
        return target_->endElement(namespaceUri, localName, qName);
    }
    bool characters(const QString& text) override { return target_->characters(text); }
    bool ignorableWhitespace(const QString& text) override { return target_->ignorableWhitespace(text); }
    bool processingInstruction(const QString& target, const QString& data) override
    {
        return target_->processingInstruction(target, data);
    }
    bool skippedEntity(const QString& name) override { return target_->skippedEntity(name); }
    QString errorString() const override { return counter_.exceeded() ? depthErrorMessage() : target_->errorString(); }

private:
    QXmlContentHandler* target_;
    DepthCounter& counter_;
};

// Forwards every call to the DOM loader's lexical handler, counting entity
// references (each one becomes a node that holds the entity's content).
class DepthLimitedReader::CountingLexicalHandler : public QXmlLexicalHandler {
public:
    CountingLexicalHandler(QXmlLexicalHandler* target, DepthCounter& counter) : target_(target), counter_(counter) {}

    bool startDTD(const QString& name, const QString& publicId, const QString& systemId) override
    {
        return target_->startDTD(name, publicId, systemId);
    }
    bool endDTD() override { return target_->endDTD(); }
    bool startEntity(const QString& name) override { return counter_.enter() && target_->startEntity(name); }
    bool endEntity(const QString& name) override
    {
        counter_.leave();
        return target_->endEntity(name);
    }
    bool startCDATA() override { return target_->startCDATA(); }
    bool endCDATA() override { return target_->endCDATA(); }
    bool comment(const QString& text) override { return target_->comment(text); }
    QString errorString() const override { return counter_.exceeded() ? depthErrorMessage() : target_->errorString(); }

private:
    QXmlLexicalHandler* target_;
    DepthCounter& counter_;
};

DepthLimitedReader::DepthLimitedReader(int startDepth) : counter_(std::make_unique<DepthCounter>(startDepth)) {}

DepthLimitedReader::~DepthLimitedReader() = default;

void DepthLimitedReader::setContentHandler(QXmlContentHandler* handler)
{
    contentHandler_ = handler ? std::make_unique<CountingContentHandler>(handler, *counter_) : nullptr;
    QXmlSimpleReader::setContentHandler(contentHandler_.get());
}

void DepthLimitedReader::setLexicalHandler(QXmlLexicalHandler* handler)
{
    lexicalHandler_ = handler ? std::make_unique<CountingLexicalHandler>(handler, *counter_) : nullptr;
    QXmlSimpleReader::setLexicalHandler(lexicalHandler_.get());
}

bool DepthLimitedReader::depthExceeded() const
{
    return counter_->exceeded();
}

QString DepthLimitedReader::depthErrorMessage()
{
    const std::uint32_t bound = xhtmlNestingBound();
    return messageText(Diag::DomNestingTooDeep, {bound, stackNote(bound, MaxXhtmlNestingDepth)});
}
