#pragma once

#include <QFont>
#include <QTextCharFormat>
#include <QTextDocument>

// What an imported document leaves unsaid about its looks comes from the note font: text and
// paragraphs (empty ones included, where typing takes the paragraph's look) whose formats name
// no family or size take the note font's, and a heading's relative size becomes a step over the
// note font's size. Keeps no state; runs on the caller's thread.
class ImportedTextLooks final {
public:
    ImportedTextLooks() = delete;

    // The families a format names for `font`.
    static QStringList familiesOf(const QFont& font);
    // Gives `format` the size of `font`, scaled by the step its size adjustment (an HTML
    // heading's) makes over the text engine's default size.
    static void takeSize(QTextCharFormat& format, const QFont& font);
    // Fills in every character and paragraph format of `document` that names no family or no
    // size from `noteFont`.
    static void fillUnstated(QTextDocument& document, const QFont& noteFont);
};
