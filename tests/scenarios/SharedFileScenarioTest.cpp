#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTextDocument>

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
    }
    ~OtherCopy() { m_document.close(); }

    void append(const QString& title, const QString& text)
    {
        const auto notes = m_document.managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        ASSERT_TRUE(notes.has_value());
        for (const platform::ManagedObjectPtr& object : *notes) {
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
    scenario::writeNotesFile(path,
        { QStringLiteral("Trip"), QStringLiteral("Packing list"), QStringLiteral("Budget") });
    OtherCopy other(path);

    // Opening a file another copy has open says so.
    QString told;
    ScenarioApp::whenDialogShows([&told](QDialog* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            told = box->text();
        dialog->accept();
    });
    BXMainWindowController* window = app.openDocument(path);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(told, QStringLiteral("“Shared” is open in another copy of the application too."));

    ScenarioApp::clickRow(window->notesTableView(),
        int(ScenarioApp::listTitles().indexOf(QStringLiteral("Packing list"))));
    ScenarioApp::clickToTheEndOfTheText(window);
    ScenarioApp::type(QStringLiteral(", boots"));
    ScenarioApp::keys(QKeySequence::Save);
    ScenarioApp::idle(200);

    // The other copy, which read the note before that save, appends to it and saves; then this
    // one goes on and saves.
    other.append(QStringLiteral("Packing list"), QStringLiteral(", tent"));
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
    for (const QString& text : { QStringLiteral("Trip"), QStringLiteral("Budget"),
             QStringLiteral("Packing list, boots"), QStringLiteral("Packing list, tent"),
             QStringLiteral("Packing list, boots, map") })
        EXPECT_TRUE(stored.contains(text)) << text.toStdString() << " is lost: "
                                           << stored.join(u'|').toStdString();
}
