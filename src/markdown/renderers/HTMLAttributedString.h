#pragma once

#include "platform/foundation/Error.h"

#include <QString>
#include <QTextDocument>

#include <memory>

namespace markdown {

// Reads an HTML string into rich text with Qt's HTML importer. The style sheet's font names
// Helvetica and Menlo are mapped to an installed sans-serif and monospace family when no family
// of that name is installed, so code keeps a fixed pitch. Elements nested deeper than 128
// levels are read at that level. Runs on the caller's thread; needs the
// application object for fonts.
class HTMLAttributedString final {
public:
    HTMLAttributedString() = delete;

    // Fails with htmlDataConversionError when the string has no exact UTF-8 form (unpaired
    // surrogates).
    static std::unique_ptr<QTextDocument> fromHTMLString(
        const QString& htmlString, platform::Error* error = nullptr);

    // Maps the default style sheet's font names to installed families, once per process.
    static void substituteStylesheetFamilies();
};

} // namespace markdown
