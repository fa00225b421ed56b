#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class BXNote;
class QTextDocument;

// Notes files for scenarios: one written as an earlier session left it, and what a saved one
// holds, read back in a fresh document.
namespace scenario {

// A notes file as an earlier session left it: one plain note per text, and with `spare` the
// hidden empty note that new notes recycle. With `tags`, each of them a tag every note has.
// `edited` gives the notes' creation and modification dates in the order of `texts` (now for
// those it lacks).
void writeNotesFile(const QString& path, const QStringList& texts, bool spare = false,
    const QStringList& tags = {}, const QList<QDateTime>& edited = {});

// What a notes file holds, read in a fresh document after the application has saved it.
struct StoredNote {
    QString text;
    QStringList categories;
    // The lists of each paragraph (see paragraphLists()).
    QString lists;
};
// The marker formats of each paragraph's lists, outermost first, or "-" outside a list;
// paragraphs separated by commas.
QString paragraphLists(const QTextDocument& text);
// Opens the saved notes file in a fresh document and hands `visit` every note but the spare
// empty one; a file that does not open is a test failure.
void forEachStoredNote(const QString& path, const std::function<void(const BXNote&)>& visit);
// Every note except the spare empty one, in the order of their texts.
QList<StoredNote> readNotesFile(const QString& path);
QStringList storedTexts(const QString& path);
// The saved notes' titles, sorted.
QStringList storedTitles(const QString& path);

} // namespace scenario
