#pragma once

#include "TextFormat.h"

#include <QList>

#include <optional>

namespace platform {

// The one table of rich-text file formats: export picks a writer by type identifier or
// extension, import a reader by the document type content sniffing reports, and the export
// panel lists what is there. RTF, RTFD, HTML and plain text are registered from the start;
// higher layers add theirs with registerFormat(). Thread-safe.
class TextFormatRegistry final {
public:
    TextFormatRegistry() = delete;

    // Adds a format, or replaces the one with the same type identifier in its place.
    static void registerFormat(TextFormat format);

    // In registration order, the built-in ones first.
    static QList<TextFormat> formats();
    static std::optional<TextFormat> formatForType(const QString& typeIdentifier);
    // Case-insensitive, with or without the leading dot.
    static std::optional<TextFormat> formatForExtension(const QString& extension);
    // The reader for a document type that ContentSniffer reports; nullopt when no registered
    // format reads it.
    static std::optional<TextFormat> readerForDocumentType(const QString& documentType);
};

} // namespace platform
