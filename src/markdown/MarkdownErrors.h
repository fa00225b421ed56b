#pragma once

#include "platform/foundation/Error.h"

#include <QString>

#include <optional>

namespace markdown {

// The library's own failures. They travel as platform::Error values of this domain whose code
// is the case; errors of Qt or the platform layer pass through unchanged.
enum class MarkdownErrors {
    markdownToASTError,
    astRenderingError,
    htmlDataConversionError,
    nonStandardBundleFormatError,
};

inline const QString MarkdownErrorsDomain = QStringLiteral("Markdown.MarkdownErrors");

platform::Error makeMarkdownError(MarkdownErrors error);

// The case an error stands for, or nothing when it is not one of the library's own.
std::optional<MarkdownErrors> markdownErrorsCase(const platform::Error& error);

} // namespace markdown
