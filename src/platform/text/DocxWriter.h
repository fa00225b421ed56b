#pragma once

#include "platform/foundation/Error.h"

#include <QFont>
#include <QString>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as a Word 2007 document (DOCX): the package's parts (content types,
// relationships, the document, its styles and numbering, pictures under word/media) go into a
// temporary folder of this call's own, which ZipArchive then packs onto the target in one step.
// Reentrant.
class DocxWriter final {
public:
    DocxWriter() = delete;

    // Text that names no font takes `defaultFont`, else the system font, as the document's
    // default.
    static bool write(const QTextDocument& document, const QString& target, Error* error = nullptr,
        const std::optional<QFont>& defaultFont = std::nullopt);
    // The unpacked package.
    static bool writeFolder(const QTextDocument& document, const QString& folder,
        Error* error = nullptr, const std::optional<QFont>& defaultFont = std::nullopt);
};

} // namespace platform
