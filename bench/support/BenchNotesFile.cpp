#include "BenchNotesFile.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QTextDocument>

QString benchParagraphs(const QString& title, int size, const QString& paragraph)
{
    QString text = title + QLatin1Char('\n');
    while (text.size() < size)
        text += paragraph;
    return text;
}

void benchAddNote(BXDocument& document, const QString& text, bool rich)
{
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    if (rich) {
        std::unique_ptr<QTextDocument> styled = platform::AttributedText::makeDocument();
        styled->setPlainText(text);
        note->setAttributedString(*styled);
    } else {
        note->updateNoteText(text);
    }
    note->setTrashFlag(false);
}

BenchNotesFile::BenchNotesFile(
    const QString& name, const std::function<void(BXDocument&)>& fill)
    : url(QUrl::fromLocalFile(folder.filePath(name)))
{
    platform::FakeScheduler scheduler;
    BXDocument document;
    fill(document);
    bool saved = false;
    document.saveToURL(url, BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
        [&](const platform::Error& error) { saved = error.isNull(); });
    scheduler.runUntilIdle();
    document.close();
    if (!saved)
        qFatal("the benchmark's notes file could not be written");
}

BenchMainWindow::~BenchMainWindow()
{
    if (!document)
        return;
    document->close();
    document.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool BenchMainWindow::open(const QUrl& url)
{
    // The main window's controller, as the application registers it.
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    document = std::make_unique<BXDocument>();
    if (!document->initWithContentsOfURL(url, BXDocument::NotesDocumentType, nullptr))
        return false;
    document->makeWindowControllers();
    controller = dynamic_cast<BXMainWindowController*>(document->windowControllers().value(0));
    if (!controller)
        return false;
    controller->showWindow();
    QApplication::processEvents();
    return true;
}

qsizetype BenchMainWindow::listed() const
{
    return controller->notesController()->arrangedObjects().size();
}

std::shared_ptr<BXNote> BenchMainWindow::noteTitled(const QString& title) const
{
    for (const platform::ManagedObjectPtr& object :
        controller->notesController()->arrangedObjects()) {
        if (static_cast<BXNote*>(object.get())->noteTitle() == title)
            return std::static_pointer_cast<BXNote>(object);
    }
    return nullptr;
}

QList<std::shared_ptr<BXNote>> BenchMainWindow::notesTitledWith(const QString& prefix) const
{
    QList<std::shared_ptr<BXNote>> found;
    for (const platform::ManagedObjectPtr& object :
        controller->notesController()->arrangedObjects()) {
        auto note = std::static_pointer_cast<BXNote>(object);
        if (note->noteTitle().startsWith(prefix))
            found << note;
    }
    return found;
}
