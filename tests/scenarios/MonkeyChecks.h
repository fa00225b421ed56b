#pragma once

#include "document/model/BXNote.h"

#include <QString>

class BXDocument;
class BXMainWindowController;
class QTextDocument;

namespace platform {
class Document;
class TextView;
} // namespace platform

// What the random-input test checks after each action: the invariants a user relies on in
// whatever state the window is, and the snapshots the promises of single actions compare.
class MonkeyChecks final {
public:
    MonkeyChecks() = delete;

    // The names of the note's tags, sorted.
    static QStringList categoryNames(const BXNote& note);
    // The text a view shows, character for character (blank lines and separators included).
    static QString shownText(const platform::TextView* view);
    // Each paragraph's runs as "[b i u size]text", joined by " | ": what bold, italic,
    // underline and size a reader sees.
    static QString styledRuns(const QTextDocument& text);
    // Every note (text, title, styled runs, tags, in the trash or not) and every category name:
    // what any step that undo names changes.
    static QString documentState(const BXDocument& document);
    // The first invariant broken in the front window (list rows, titles, the text and its
    // styles and lists against the stored note, note windows); empty when all hold.
    static QString brokenInvariant();
};
