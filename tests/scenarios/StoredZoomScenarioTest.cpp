#include "ScenarioApp.h"

#include "document/BXWrappedPersistentDocument.h"
#include "document/model/BXDocumentPreference.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/PopUpButton.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

using scenario::ScenarioApp;

namespace {

// A notes file holding "Groceries" whose window was left at `zoom`, an SQL value as another
// program may have put there.
void writeZoomedFile(const QString& path, const QString& zoom)
{
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") });
    {
        BXWrappedPersistentDocument document;
        platform::Error error;
        ASSERT_TRUE(document.initWithContentsOfURL(
            QUrl::fromLocalFile(path), BXWrappedPersistentDocument::NotesDocumentType, &error))
            << error.toString().toStdString();
        BXDocumentPreference::setPrefInteger(125, BXDocumentPreference::WindowType,
            BXDocumentPreference::ZoomFactorName, document.managedObjectContext());
        ASSERT_TRUE(document.managedObjectContext()->save(&error))
            << error.toString().toStdString();
        document.close();
    }
    sqlite3* db = nullptr;
    const QByteArray store = (path + QStringLiteral("/StoreContent/persistentStore")).toUtf8();
    ASSERT_EQ(sqlite3_open(store.constData(), &db), SQLITE_OK);
    const QByteArray update = QStringLiteral("UPDATE ZDOCUMENTPREFERENCE SET ZPREFINTEGER = %1 "
                                             "WHERE ZPREFNAME = 'ZoomFactor'")
                                  .arg(zoom)
                                  .toUtf8();
    EXPECT_EQ(sqlite3_exec(db, update.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_close(db);
}

platform::PopUpButton* zoomPopup(BXMainWindowController* window)
{
    for (auto* popup : window->mainWindow()->findChildren<platform::PopUpButton*>()) {
        if (popup->itemWithTitle(QStringLiteral("400%")))
            return popup;
    }
    return nullptr;
}

} // namespace

// A zoom another program left in the file out of the zoom commands' range (text that the store
// reads as 0 among them) opens within it, with the note's text in view.
TEST(StoredZoomScenario, AZoomOutOfRangeOpensWithinTheRangeWithTheNoteInView)
{
    ScenarioApp app;
    const struct {
        const char* stored;
        const char* shown;
        double factor;
    } cases[] = {
        { "2147483647", "400%", 4.0 },
        { "-2147483648", "25%", 0.25 },
        { "0", "25%", 0.25 },
        { "'NaN'", "25%", 0.25 },
    };
    int file = 0;
    for (const auto& zoom : cases) {
        SCOPED_TRACE(zoom.stored);
        const QString path = app.folder() + QStringLiteral("/Zoom %1.brindlex").arg(++file);
        writeZoomedFile(path, QString::fromLatin1(zoom.stored));
        BXMainWindowController* window = app.openDocument(path);
        ASSERT_NE(window, nullptr);
        platform::PopUpButton* popup = zoomPopup(window);
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(ScenarioApp::waitUntil([&] {
            return popup->title() == QString::fromLatin1(zoom.shown);
        })) << popup->title().toStdString();
        EXPECT_DOUBLE_EQ(window->noteTextView()->zoomFactor(), zoom.factor);
        EXPECT_TRUE(ScenarioApp::waitUntil([] {
            return ScenarioApp::editorText() == QStringLiteral("Groceries");
        })) << ScenarioApp::editorText().toStdString();
        if (file == 1)
            bxtest::saveScreenshot(
                window->mainWindow()->grab().toImage(), QStringLiteral("scenario-stored-zoom"));
    }
}
