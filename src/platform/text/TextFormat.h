#pragma once

#include "TextEncoding.h"
#include "WriteLosses.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QTextDocument;

namespace platform {

// One file format of rich text as import, export and the export panel see it: what it is
// called, which extensions it takes, whether a text encoding applies, and how a document is
// written to and read from it. Formats live in TextFormatRegistry; a layer above the text
// system (Markdown) adds its own there at start-up. A value type; the functions run on any
// thread, for a document that thread owns.
struct TextFormat {
    struct WriteOptions {
        // For formats that use an encoding.
        TextEncoding::Value encoding = TextEncoding::UTF8StringEncoding;
        // Characters the encoding cannot hold become "?" instead of failing the write.
        bool allowLossy = false;
        // When not null, told what the write could not carry: characters its encoding cannot
        // hold (written as "?"), content its format has no place for.
        WriteLosses* losses = nullptr;
        // The page title, for formats that have one.
        QString title;
        // The font of text that names none, declared as the file's default where the format
        // has one; the system font when not given.
        std::optional<QFont> defaultFont;
    };

    struct ReadOptions {
        // For formats that use an encoding: the one to read in, or InvalidStringEncoding to
        // detect it.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        // Where relative references (images of a page) are resolved.
        QUrl baseUrl;
    };

    struct ReadResult {
        std::unique_ptr<QTextDocument> document;
        // The encoding the text was read in, for formats that use one.
        TextEncoding::Value encoding = TextEncoding::InvalidStringEncoding;
        // What the reader's bounds left out of the document, a sentence each, for the user.
        QStringList leftOut;
    };

    // Writes the document to `target`, a file, or a folder for package formats, replacing what
    // is there in one step (SafeWrite).
    using WriteFn = std::function<bool(const QTextDocument& document, const WriteOptions& options,
        const QString& target, Error* error)>;
    using ReadFn = std::function<std::optional<ReadResult>(
        const QByteArray& data, const ReadOptions& options, Error* error)>;
    using ReadFolderFn
        = std::function<std::optional<ReadResult>(const QString& path, Error* error)>;

    // Uniform type identifier ("public.rtf"), the key stored in preferences.
    QString typeIdentifier;
    // The document type content sniffing reports for it (TextDocumentTypes.h), or a name of
    // the format's own when sniffing cannot tell it from another.
    QString documentType;
    // Preferred extension first, lower case, without the dot.
    QStringList extensions;
    bool usesEncoding = false;
    // For a format that writes its text in one encoding whatever is chosen: that encoding.
    TextEncoding::Value writtenEncoding = TextEncoding::InvalidStringEncoding;
    // Written as a folder.
    bool isPackage = false;
    WriteFn write;
    // Empty when the format is written only.
    ReadFn read;
    // Package formats: reads the folder form.
    ReadFolderFn readFolder;
};

} // namespace platform
