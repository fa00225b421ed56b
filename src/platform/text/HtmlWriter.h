#pragma once

#include "TextEncoding.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as an HTML page of plain semantic tags: <p>, <h1>..<h6> for paragraphs with
// a heading level, <ul>/<ol>/<li> for lists, <b>, <i>, <u>, <s>, <sup>, <sub>, <a href="...">,
// and <span style> only for font family, size and colours, which have no tag. Images become
// <img> elements naming image files that travel with the page or holding their picture
// themselves, or are dropped.
// The Markdown exporter rewrites exactly these shapes, so they stay attribute-free.
// Reentrant; reads only the document given, so worker threads may use it.
class HtmlWriter final {
public:
    struct Options {
        // The page's encoding, named in its charset meta; characters it cannot hold are
        // written as character references.
        TextEncoding::Value encoding = TextEncoding::UTF8StringEncoding;
        // Leaves images out.
        bool dropImages = false;
        // Writes images into the page as data: URIs, for a page that travels alone; `images`
        // then names no files.
        bool inlineImages = false;
        QString title;
    };

    struct ImageFile {
        QString fileName;
        QByteArray data;
    };

    struct Page {
        QByteArray html;
        // The files the page's <img> elements name, relative to the page.
        QList<ImageFile> images;
    };

    // The page as text, before encoding; `images` receives the image files when not null.
    static QString toHtml(
        const QTextDocument& doc, const Options& options, QList<ImageFile>* images = nullptr);
    // The page encoded in options.encoding.
    static std::optional<Page> write(
        const QTextDocument& doc, const Options& options, Error* error = nullptr);
    // The folder form: `folderPath` (made when missing) receives "index.html" and the images.
    static bool writeFolder(const QTextDocument& doc, const QString& folderPath,
        const Options& options, Error* error = nullptr);

    static inline const QString FolderPageName = QStringLiteral("index.html");
};

} // namespace platform
