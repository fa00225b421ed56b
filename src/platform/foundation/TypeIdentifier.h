#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The file types the application writes, named by reverse-DNS type identifiers as stored in
// the user defaults: each with its parent types (conformance follows them transitively) and
// the extension its files get. The table is small and fixed; a type outside it conforms only
// to itself and has no extension.
class TypeIdentifier final {
public:
    static const QString PlainText;
    static const QString TraditionalPlainText;
    static const QString Rtf;
    static const QString Rtfd;
    static const QString Html;
    static const QString WebArchive;
    static const QString WordDocument;
    static const QString OfficeOpenXmlDocument;
    static const QString WordXml;
    static const QString OpenDocumentText;
    // Markdown is text but deliberately not plain text: plain-text handling (encoding choice,
    // "txt" extension) must not capture it.
    static const QString Markdown;

    static bool isKnown(const QString& type);
    static QStringList parents(const QString& type);
    // True when `type` is `ancestor` or reaches it through its parents.
    static bool conformsTo(const QString& type, const QString& ancestor);
    // Without the dot; empty for a type outside the table or one with no extension of its own.
    static QString preferredExtension(const QString& type);
};

} // namespace platform
