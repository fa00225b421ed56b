#pragma once

#include <QString>

// Note-like Markdown of at least `bytes` UTF-8 bytes: headings, paragraphs with emphasis and
// links, lists, quotes and code.
QString sampleMarkdown(qsizetype bytes);
