#pragma once

#include <QString>

class QTextDocument;

namespace platform {

// Fills a document from HTML read from outside through Qt's importer, in time linear in the
// HTML: nesting passes through HtmlNestingLimiter first, and every image the importer would
// read is put in after the import, since the importer lays out the whole paragraph again after
// each image it inserts (a paragraph of n images takes time in n²). Reentrant; the document is
// the caller's.
class HtmlImporter final {
public:
    HtmlImporter() = delete;

    // Replaces the document's content, as QTextDocument::setHtml does.
    static void setHtml(QTextDocument& document, const QString& html);
};

} // namespace platform
