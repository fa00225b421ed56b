#include "MarkdownOptions.h"

#include <cmark.h>

namespace markdown {

// The raw values are cmark's own option bits; a cmark release that moved one would break
// every stored caller's meaning, so the build stops instead.
static_assert(MarkdownOptions::defaultOptions.rawValue == CMARK_OPT_DEFAULT);
static_assert(MarkdownOptions::sourcePos.rawValue == CMARK_OPT_SOURCEPOS);
static_assert(MarkdownOptions::hardBreaks.rawValue == CMARK_OPT_HARDBREAKS);
static_assert(MarkdownOptions::safe.rawValue == CMARK_OPT_SAFE);
static_assert(MarkdownOptions::normalize.rawValue == CMARK_OPT_NORMALIZE);
static_assert(MarkdownOptions::validateUTF8.rawValue == CMARK_OPT_VALIDATE_UTF8);
static_assert(MarkdownOptions::smart.rawValue == CMARK_OPT_SMART);
static_assert(MarkdownOptions::unsafe.rawValue == CMARK_OPT_UNSAFE);
static_assert(MarkdownOptions::smartUnsafe == (MarkdownOptions::smart | MarkdownOptions::unsafe));

} // namespace markdown
