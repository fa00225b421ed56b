#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>

class BXDocument;
class BXMainWindowController;
class BXNote;

// `title` on its own line, then `paragraph` repeated until the text holds `size` characters.
QString benchParagraphs(const QString& title, int size, const QString& paragraph);

// A listed note holding `text`: rich text (a styled document) or plain.
void benchAddNote(BXDocument& document, const QString& text, bool rich);

// A notes file in a folder of its own that lasts as long as the value, filled once by `fill`.
// Ends the run when it cannot be written.
struct BenchNotesFile {
    BenchNotesFile(const QString& name, const std::function<void(BXDocument&)>& fill);

    QTemporaryDir folder;
    QUrl url;
};

// A notes file open in its main window, set up as opening a file sets it up, shown and settled.
struct BenchMainWindow {
    ~BenchMainWindow();

    // False when the file does not open.
    bool open(const QUrl& url);
    qsizetype listed() const;
    std::shared_ptr<BXNote> noteTitled(const QString& title) const;
    QList<std::shared_ptr<BXNote>> notesTitledWith(const QString& prefix) const;

    std::unique_ptr<BXDocument> document;
    QPointer<BXMainWindowController> controller;
};
