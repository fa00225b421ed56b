#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QUrl>

// The notes files the search benchmarks run on: notes of about 2 KB of words in several scripts
// (accented Latin, Greek, Cyrillic, Japanese), the same for the same count in every run. Each file
// is written once per process, when first asked for, into a folder that lasts until it ends.

// In the first note only, at its start.
inline const QString kRareWord = QStringLiteral("quokka");

// The text of the note numbered `index`, its words drawn from `random`.
QString searchNoteText(int index, QRandomGenerator& random);
// A notes file of `count` plain notes, drawn from one generator seeded alike every time.
QUrl searchNotesFile(int count);
// A notes file without notes.
QUrl emptyNotesFile();
