#pragma once

#include <QTextDocument>

#include <memory>

namespace platform {

// A document for readers and writers to build and take apart lists in: its lists are
// UntrackedTextLists, so that a list of any length costs time in proportion to its items.
// Lists in it are numbered by walking the blocks, never by asking the list (see
// UntrackedTextList); once a reader has turned them into marker runs it is a document like any
// other. Any thread, as QTextDocument.
class ConversionDocument final : public QTextDocument {
    Q_OBJECT
public:
    using QTextDocument::QTextDocument;

    // An empty one, without undo, as AttributedText::makeDocument() makes them.
    static std::unique_ptr<ConversionDocument> make();

    // A copy of `source` with its text, formats, attachments' bytes and document settings.
    static std::unique_ptr<ConversionDocument> copyOf(const QTextDocument& source);

protected:
    QTextObject* createObject(const QTextFormat& format) override;
};

} // namespace platform
