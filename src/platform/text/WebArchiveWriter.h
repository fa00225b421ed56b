#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as a web archive: a binary property list whose main resource is the page
// HtmlWriter makes, in UTF-8, and whose subresources are the page's images, each under the URL
// its <img> element resolves to against the main resource's URL. Reentrant; reads only the
// document given.
class WebArchiveWriter final {
public:
    static std::optional<QByteArray> write(
        const QTextDocument& doc, const QString& title, Error* error = nullptr);

    // The main resource's URL; the page's relative image names resolve against it.
    static inline const QString MainResourceUrl = QStringLiteral("file:///index.html");
};

} // namespace platform
