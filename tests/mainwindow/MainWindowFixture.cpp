#include "MainWindowFixture.h"

#include "lists/tags/BXAddCategoryPopoverViewController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXTagsController.h"

#include "document/BXDefaults.h"

#include "platform/foundation/Error.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

using platform::Error;

void MainWindowFixture::SetUp()
{
    BXDefaults::registerDefaults();
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    fileURL = QUrl::fromLocalFile(bxtest::makeTempFolder() + QStringLiteral("/Notes.brindlex"));
}

void MainWindowFixture::TearDown()
{
    closeWindow();
    BXDocument::setWindowControllerFactory({});
}

void MainWindowFixture::makeFile(const QStringList& texts)
{
    BXDocument made;
    for (const QString& text : texts) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(made.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
        rich->setPlainText(text);
        note->setAttributedString(*rich);
        note->setTrashFlag(false);
    }
    Error result(platform::kCocoaErrorDomain, -1, QStringLiteral("never completed"));
    made.saveToURL(fileURL, BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
        [&](const Error& error) { result = error; });
    settle();
    ASSERT_TRUE(result.isNull()) << result.toString().toStdString();
    made.close();
}

void MainWindowFixture::openWindow()
{
    document = std::make_unique<BXDocument>();
    Error error;
    ASSERT_TRUE(document->initWithContentsOfURL(fileURL, BXDocument::NotesDocumentType, &error))
        << error.toString().toStdString();
    document->makeWindowControllers();
    settle();
    ASSERT_FALSE(document->windowControllers().isEmpty());
    controller = dynamic_cast<BXMainWindowController*>(document->windowControllers().first());
    ASSERT_TRUE(controller);
    textView = controller->noteTextView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->mainWindow()));
    QApplication::setActiveWindow(controller->mainWindow());
    settle();
}

void MainWindowFixture::closeWindow()
{
    textView = nullptr;
    if (document)
        document->close();
    document.reset();
    settle();
}

void MainWindowFixture::save()
{
    Error result(platform::kCocoaErrorDomain, -1, QStringLiteral("never completed"));
    document->saveToURL(fileURL, BXDocument::NotesDocumentType, platform::SaveOperation::Save,
        [&](const Error& error) { result = error; });
    settle();
    ASSERT_TRUE(result.isNull()) << result.toString().toStdString();
}

std::shared_ptr<BXNote> MainWindowFixture::noteTitled(const QString& title) const
{
    for (const platform::ManagedObjectPtr& object :
        controller->notesController()->arrangedObjects()) {
        auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && note->noteTitle() == title)
            return note;
    }
    return nullptr;
}

void MainWindowFixture::select(const QList<std::shared_ptr<BXNote>>& notes)
{
    BXMainWindowController::Notes objects;
    for (const auto& note : notes)
        objects << note;
    ASSERT_TRUE(controller->notesController()->setSelectedObjects(objects));
    settle();
}

bool MainWindowFixture::confirmNewTag(QWidget* tagsField)
{
    QTest::keyClick(tagsField, Qt::Key_Return);
    settle(BXTagsController::kDeferredDelay);
    BXAddCategoryPopoverViewController* question
        = controller->tagsController()->addCategoryPopoverViewController();
    if (!question || !question->popoverVisible())
        return false;
    QTest::mouseClick(question->okButton(), Qt::LeftButton);
    settle();
    return true;
}

void MainWindowFixture::settle(double seconds)
{
    QCoreApplication::processEvents();
    scheduler.advance(seconds);
    scheduler.runUntilIdle();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MainWindowFixture::typeText(const QString& text)
{
    textView->setFocus();
    QTest::keyClicks(textView, text);
}

void MainWindowFixture::screenshot(const QString& name)
{
    QCoreApplication::processEvents();
    controller->mainWindow()->grab().save(
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}
