#pragma once

#include <QString>

#include <optional>

class QTextDocument;

// Turns a note's rich text into Markdown for export: the text is written as HTML of plain
// semantic tags and a fixed, ordered list of textual rewrites turns those tags into Markdown;
// lists become Markdown lists, nested ones indented under their items and numbered ones
// numbered. Keeps no state; any thread may call it for a document it owns.
class MarkdownExporter final {
public:
    MarkdownExporter() = delete;

    // The Markdown text, or nothing when the HTML cannot be written or read back.
    static std::optional<QString> markdownFrom(const QTextDocument& text);

    // The rewriting alone, over HTML already written: drops the head, runs the rewrites and the
    // list conversion in order and trims white space at both ends. Nothing when a pattern
    // cannot run.
    static std::optional<QString> markdownFromHTML(const QString& html);

    // Adds Markdown ("net.daringfireball.markdown", "md", UTF-8) to the text format registry,
    // written here and read by MarkdownImporter. Called at start-up; calling it again does no
    // harm.
    static void registerTextFormat();
};
