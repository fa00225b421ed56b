#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>

using scenario::ScenarioApp;

namespace {

// The same file opened by another copy of the application (another user, another session),
// which edits and saves through the model as that copy's own window would.
class OtherCopy final {
public:
    explicit OtherCopy(const QString& path)
    {
        platform::Error error;
        EXPECT_TRUE(m_document.initWithContentsOfURL(
            QUrl::fromLocalFile(path), BXDocument::NotesDocumentType, &error))
            << error.toString().toStdString();
        // Its window lists the notes as they are now.
        m_notes = m_document.managedObjectContext()
                      ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
                      .value_or(QList<platform::ManagedObjectPtr>());
        for (const platform::ManagedObjectPtr& note : std::as_const(m_notes))
            static_cast<void>(std::static_pointer_cast<BXNote>(note)->noteText());
    }
    ~OtherCopy() { m_document.close(); }

    void append(const QString& title, const QString& text)
    {
        for (const platform::ManagedObjectPtr& object : std::as_const(m_notes)) {
            auto note = std::static_pointer_cast<BXNote>(object);
            if (note->noteTitle() != title)
                continue;
            std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
            rich->setPlainText(note->noteText() + text);
            note->setAttributedString(*rich);
        }
        bool saved = false;
        m_document.saveToURL(m_document.fileURL(), BXDocument::NotesDocumentType,
            platform::SaveOperation::Save, [&](const platform::Error& error) {
                EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
                saved = true;
            });
        ASSERT_TRUE(saved);
    }

private:
    BXDocument m_document;
    QList<platform::ManagedObjectPtr> m_notes;
};

QStringList visibleMessageTexts()
{
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            texts << box->text();
    }
    return texts;
}

} // namespace

TEST(SharedFileScenario, BothCopiesEditsOfOneNoteAreKeptAndTheUserIsTold)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Shared.brindlex");
    scenario::writeNotesFile(
        path, { QStringLiteral("Trip"), QStringLiteral("Packing list"), QStringLiteral("Budget") });
    OtherCopy other(path);

    // Opening a file another copy has open says so.
    QString told;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&told] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                told = box->text();
                if (!box->buttons().isEmpty())
                    box->buttons().first()->click();
            }
        }
    });
    answer.start(50);
    BXMainWindowController* window = app.openDocument(path);
    answer.stop();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(told, QStringLiteral("“Shared” is open in another copy of the application too."));

    ScenarioApp::clickRow(window->notesTableView(),
        int(ScenarioApp::listTitles().indexOf(QStringLiteral("Packing list"))));
    // The user clicks into the note once it is on screen, a moment after the row.
    ASSERT_TRUE(ScenarioApp::waitUntil([window] { return !window->isTextSwapPending(); }));
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(", boots"));
    ScenarioApp::keys(QKeySequence::Save);
    ScenarioApp::idle(200);

    // The other copy, which read the note before that save, appends to it and saves; then this
    // one goes on and saves.
    other.append(QStringLiteral("Packing list"), QStringLiteral(", tent"));
    // The other copy's user is told in the other copy's window, here in this process.
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return visibleMessageTexts().contains(QStringLiteral(
            "“Packing list, tent” was also changed in another window of this file."));
    })) << visibleMessageTexts().join(u'|').toStdString();
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(shown); box && box->isVisible())
            ScenarioApp::click(box->buttons().first());
    }
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(", map"));
    ScenarioApp::keys(QKeySequence::Save);

    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return visibleMessageTexts().contains(
            QStringLiteral("“Packing list, boots, map” was also changed in another window of "
                           "this file."));
    })) << visibleMessageTexts().join(u'|').toStdString();
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().contains(QStringLiteral("Packing list, tent"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
    // Every text either copy saved is in the file, this copy's latest in its own note.
    const QStringList stored = scenario::storedTexts(path);
    for (const QString& text :
        { QStringLiteral("Trip"), QStringLiteral("Budget"), QStringLiteral("Packing list, boots"),
            QStringLiteral("Packing list, tent"), QStringLiteral("Packing list, boots, map") })
        EXPECT_TRUE(stored.contains(text))
            << text.toStdString() << " is lost: " << stored.join(u'|').toStdString();
}
