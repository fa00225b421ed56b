#pragma once

#include "platform/foundation/Error.h"

#include <QFont>
#include <QString>

#include <optional>

class QTextDocument;

namespace platform {

// Writes rich text as OpenDocument text: the package's folder (mimetype, content.xml with the
// text and its automatic styles, styles.xml with the defaults, meta.xml, META-INF/manifest.xml,
// pictures under Pictures/) is built in a temporary folder of this call's own and packed onto
// the target by ZipArchive, "mimetype" first and stored. Paragraphs keep alignment, indents,
// spacing, line-height multiple and tab stops; runs font, size, bold, italic, underline,
// strikethrough, colours and super/subscript; lists, links and pictures stay what they are.
// Reentrant.
class OdtWriter final {
public:
    OdtWriter() = delete;

    // Text that names no font takes `defaultFont`, else the system font, as the document's
    // default style.
    static bool write(const QTextDocument& document, const QString& target, Error* error = nullptr,
        const std::optional<QFont>& defaultFont = std::nullopt);
    // The unpacked package.
    static bool writeFolder(const QTextDocument& document, const QString& folder,
        Error* error = nullptr, const std::optional<QFont>& defaultFont = std::nullopt);

    static inline const QString MimeType
        = QStringLiteral("application/vnd.oasis.opendocument.text");
};

} // namespace platform
