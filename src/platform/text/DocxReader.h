#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>

#include <memory>

class QTextDocument;

namespace platform {

// Reads a Word 2007 document (DOCX) into rich text: the main document part that the package's
// relationships name, with its styles, numbering, links and pictures (WordXmlReader). A damaged
// archive or part, or a package without a Word document, is refused with an error. Reentrant.
class DocxReader final {
public:
    DocxReader() = delete;

    static std::unique_ptr<QTextDocument> read(const QByteArray& data, Error* error = nullptr);
};

} // namespace platform
