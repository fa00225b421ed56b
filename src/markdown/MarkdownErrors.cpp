#include "MarkdownErrors.h"

namespace markdown {

namespace {

QString caseName(MarkdownErrors error)
{
    switch (error) {
    case MarkdownErrors::markdownToASTError:
        return QStringLiteral("markdownToASTError");
    case MarkdownErrors::astRenderingError:
        return QStringLiteral("astRenderingError");
    case MarkdownErrors::htmlDataConversionError:
        return QStringLiteral("htmlDataConversionError");
    case MarkdownErrors::nonStandardBundleFormatError:
        return QStringLiteral("nonStandardBundleFormatError");
    }
    return {};
}

} // namespace

platform::Error makeMarkdownError(MarkdownErrors error)
{
    return platform::Error(MarkdownErrorsDomain, static_cast<int>(error),
        MarkdownErrorsDomain + QLatin1Char('.') + caseName(error));
}

std::optional<MarkdownErrors> markdownErrorsCase(const platform::Error& error)
{
    const int last = static_cast<int>(MarkdownErrors::nonStandardBundleFormatError);
    if (error.domain() != MarkdownErrorsDomain || error.code() < 0 || error.code() > last)
        return std::nullopt;
    return static_cast<MarkdownErrors>(error.code());
}

} // namespace markdown
