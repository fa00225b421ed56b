#include "NotesFileTestSupport.h"

#include "document/model/BXCategory.h"
#include "document/BXDocument.h"
#include "document/model/BXDocumentPreference.h"
#include "document/password/PasswordHash.h"
#include "support/FakePasswordDialogRunner.h"
#include "ui/BXPasswordController.h"

#include "document/BXDefaults.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QMetaMethod>
#include <QSignalSpy>

using platform::Error;
using platform::ManagedObjectContext;
using platform::NotificationCenter;
using platform::SaveOperation;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        PasswordHash::setUsesInteractiveLimits(true);
        BXPasswordController::install();
    }

    static BXPasswordController* sheetOf(const BXDocument& document)
    {
        return dynamic_cast<BXPasswordController*>(document.passwordController());
    }

    QUrl url(const QString& name) const { return notesfiletest::packageURL(folder, name); }

    // A saved notes file, guarded by `password` when one is given (set before the first save).
    QUrl makeFile(const QString& name, const std::optional<QString>& password = std::nullopt)
    {
        BXDocument document;
        if (password)
            document.setRequirePassword(true, password);
        notesfiletest::addNote(document, QStringLiteral("A note"));
        const QUrl target = url(name);
        const Error error = notesfiletest::save(document, target, SaveOperation::SaveAs);
        EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
        document.close();
        return target;
    }

    std::unique_ptr<BXDocument> open(const QUrl& target, Error* error = nullptr)
    {
        auto document = std::make_unique<BXDocument>();
        Error failure;
        const bool opened
            = document->initWithContentsOfURL(target, BXDocument::NotesDocumentType, &failure);
        if (error)
            *error = failure;
        if (!opened) {
            EXPECT_TRUE(document->isClosed());
            EXPECT_TRUE(document->windowControllers().isEmpty());
            return nullptr;
        }
        return document;
    }

    bool opensWith(const QUrl& target, const QStringList& entries)
    {
        runner.enqueueEntries(entries);
        auto document = open(target);
        return document != nullptr;
    }

    QByteArray packageBytes(const QUrl& target) const
    {
        QByteArray bytes;
        QDirIterator it(
            target.toLocalFile(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            bytes += notesfiletest::fileBytes(it.next());
        return bytes;
    }

    platform::FakeScheduler scheduler;
    FakePasswordDialogRunner runner { scheduler };
    QString folder = bxtest::makeTempFolder();
};

int objectsDidChangeCount(ManagedObjectContext* context, const std::function<void()>& during,
    QVariantList* inserted = nullptr)
{
    int count = 0;
    int token = 0;
    NotificationCenter::defaultCenter().addObserver(&token,
        ManagedObjectContext::ObjectsDidChangeNotification, context,
        [&](const platform::Notification& notification) {
            ++count;
            if (inserted)
                *inserted += notification.userInfo.value(ManagedObjectContext::InsertedObjectsKey)
                                 .toList();
        });
    during();
    NotificationCenter::defaultCenter().removeObserver(&token);
    return count;
}

TEST_F(DocumentTest, OpeningAGuardedFileAsksForItsPasswordBeforeAnyWindow)
{
    const QUrl guarded = makeFile(QStringLiteral("Guarded"), QStringLiteral("Tr0ub4dor"));
    const QString right = QStringLiteral("Tr0ub4dor");
    const QString wrong = QStringLiteral("tr0ub4dor");
    struct Case {
        const char* name;
        QStringList entries;
        bool cancel;
        bool opens;
    };
    const Case cases[] = {
        { "right password", { right }, false, true },
        { "three wrong then right", { wrong, wrong, wrong, right }, false, true },
        { "four wrong", { wrong, wrong, wrong, wrong }, false, false },
        { "cancel", {}, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner.enqueueEntries(c.entries);
        if (c.cancel)
            runner.enqueueCancel();
        const int runsBefore = runner.runCount();
        Error error;
        auto document = open(guarded, &error);
        EXPECT_EQ(runner.runCount(), runsBefore + 1);
        EXPECT_EQ(document != nullptr, c.opens);
        if (c.opens) {
            EXPECT_TRUE(error.isNull());
            EXPECT_TRUE(document->requirePassword());
            EXPECT_EQ(notesfiletest::titles(*document), QStringList { QStringLiteral("A note") });
        } else if (c.cancel) {
            EXPECT_TRUE(error.isUserCancelled()) << error.toString().toStdString();
        } else {
            EXPECT_TRUE(error.is(platform::kOSStatusErrorDomain, 666));
            EXPECT_EQ(error.localizedDescription(), QStringLiteral("Can't open this notes file."));
            EXPECT_EQ(error.localizedFailureReason(),
                QStringLiteral("Sorry, the password you entered is incorrect."));
        }
    }

    const int runsBefore = runner.runCount();
    EXPECT_NE(open(makeFile(QStringLiteral("Open"))), nullptr);
    EXPECT_EQ(runner.runCount(), runsBefore) << "an unguarded file asks nothing";
}

TEST_F(DocumentTest, PasswordIsSetChangedAndRemovedAcrossReopening)
{
    const QUrl target = makeFile(QStringLiteral("Lifecycle"));
    const QString first = QStringLiteral("Swordfish-7193");
    {
        auto document = open(target);
        ASSERT_NE(document, nullptr);
        QSignalSpy changes(document.get(), &BXDocument::requirePasswordChanged);
        document->toggleLock();
        BXPasswordController* sheet = sheetOf(*document);
        ASSERT_NE(sheet, nullptr);
        for (int i = 0; i < 2; ++i) {
            sheet->passwordField()->setText(first);
            sheet->okPressed();
            FakePasswordDialogRunner::waitForAnswer(*sheet);
        }
        EXPECT_TRUE(document->requirePassword());
        EXPECT_EQ(changes.count(), 1);
        EXPECT_TRUE(document->password().startsWith(QStringLiteral("$argon2id$")));
        EXPECT_EQ(document->passwordController(), nullptr);
        document->close();
    }
    const QByteArray bytes = packageBytes(target);
    EXPECT_TRUE(bytes.contains("$argon2id$"));
    EXPECT_FALSE(bytes.contains(first.toUtf8()));
    EXPECT_FALSE(
        bytes.contains(QByteArray(reinterpret_cast<const char*>(first.utf16()), first.size() * 2)));

    EXPECT_FALSE(opensWith(target,
        { QStringLiteral("wrong"), QStringLiteral("wrong"), QStringLiteral("wrong"),
            QStringLiteral("wrong") }));
    {
        runner.enqueueEntry(first);
        auto document = open(target);
        ASSERT_NE(document, nullptr);
        document->setRequirePassword(true, QStringLiteral("second"));
        document->close();
    }
    EXPECT_FALSE(opensWith(target, { first, first, first, first }));
    {
        runner.enqueueEntry(QStringLiteral("second"));
        auto document = open(target);
        ASSERT_NE(document, nullptr);
        // Removing asks nothing and takes effect at once.
        document->toggleLock();
        EXPECT_FALSE(document->requirePassword());
        EXPECT_EQ(document->password(), QString());
        EXPECT_FALSE(sheetOf(*document) && sheetOf(*document)->isSheet());
        document->close();
    }
    const int runsBefore = runner.runCount();
    auto reopened = open(target);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(runner.runCount(), runsBefore);
    EXPECT_EQ(
        BXDocumentPreference::prefStringForType(BXDocumentPreference::SecurityType,
            BXDocumentPreference::PasswordName, QStringLiteral("unset"), reopened->prefsContext()),
        QString());
}

TEST_F(DocumentTest, GuardedFileStaysShutWhenNoPasswordWindowIsInstalled)
{
    const QUrl guarded = makeFile(QStringLiteral("Unattended"), QStringLiteral("secret"));
    BXPasswordPrompt::setMaker({});
    Error error;
    EXPECT_EQ(open(guarded, &error), nullptr);
    EXPECT_TRUE(error.is(platform::kOSStatusErrorDomain, 666));
    BXPasswordController::install();
}

TEST_F(DocumentTest, CancellingTheNewPasswordLeavesTheFileUnguarded)
{
    auto document = open(makeFile(QStringLiteral("Cancelled")));
    ASSERT_NE(document, nullptr);
    document->toggleLock();
    sheetOf(*document)->passwordField()->setText(QStringLiteral("x"));
    sheetOf(*document)->okPressed();
    sheetOf(*document)->cancelPressed();
    EXPECT_FALSE(document->requirePassword());
    document->close();
    EXPECT_TRUE(opensWith(url(QStringLiteral("Cancelled")), {}));
}

TEST_F(DocumentTest, EmptyPasswordGuardsTheFileAndOpensWithAnEmptyEntry)
{
    const QUrl target = makeFile(QStringLiteral("Empty"), QString());
    EXPECT_FALSE(opensWith(target, {}));
    EXPECT_FALSE(opensWith(target,
        { QStringLiteral(" "), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
    EXPECT_TRUE(opensWith(target, { QString() }));
}

TEST_F(DocumentTest, PasswordStoredAsTypedByOlderFilesStillOpensAndIsHashedWhenReplaced)
{
    const QUrl target = makeFile(QStringLiteral("Plain"));
    {
        auto document = open(target);
        ASSERT_NE(document, nullptr);
        ManagedObjectContext* prefs = document->prefsContext();
        BXDocumentPreference::setPrefBoolean(true, BXDocumentPreference::SecurityType,
            BXDocumentPreference::RequirePasswordName, prefs);
        BXDocumentPreference::setPrefString(QStringLiteral("letmein"),
            BXDocumentPreference::SecurityType, BXDocumentPreference::PasswordName, prefs);
        ASSERT_TRUE(prefs->save(nullptr));
        document->close();
    }
    EXPECT_FALSE(opensWith(target,
        { QStringLiteral("letmein!"), QStringLiteral("LETMEIN"), QStringLiteral("letmei"),
            QString() }));
    runner.enqueueEntry(QStringLiteral("letmein"));
    auto document = open(target);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->password(), QStringLiteral("letmein"));
    document->setRequirePassword(true, QStringLiteral("letmein"));
    EXPECT_TRUE(document->password().startsWith(QStringLiteral("$argon2id$")));
    document->close();
    EXPECT_FALSE(packageBytes(target).contains("letmein"));
    EXPECT_TRUE(opensWith(target, { QStringLiteral("letmein") }));
}

TEST_F(DocumentTest, NewDocumentsGetTheFourDefaultCategoriesAndOpenedOnesNone)
{
    BXDocument fresh;
    fresh.loadPreferences();
    QStringList names;
    for (const platform::ManagedObjectPtr& object : fresh.managedObjectContext()->insertedObjects())
        if (auto category = std::dynamic_pointer_cast<BXCategory>(object))
            names << category->categoryName();
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("Home"), QStringLiteral("Family"), QStringLiteral("Friends"),
            QStringLiteral("Work") }));

    auto opened = open(makeFile(QStringLiteral("Opened")));
    ASSERT_NE(opened, nullptr);
    opened->loadPreferences();
    EXPECT_TRUE(opened->managedObjectContext()->insertedObjects().isEmpty());
}

TEST_F(DocumentTest, UndoAndRedoAnnounceTheirActionOverTheirOwnDocumentAfterATenthOfASecond)
{
    BXDocument first;
    BXDocument second;
    QSignalSpy firstMessages(&first, &BXDocument::undoMessageReady);
    QSignalSpy secondMessages(&second, &BXDocument::undoMessageReady);

    notesfiletest::addNote(first, QStringLiteral("Shopping"));
    first.undoManager()->setActionName(QStringLiteral("Add Note"));
    scheduler.runUntilIdle();
    first.undoManager()->undo();
    scheduler.advance(0.09);
    EXPECT_EQ(firstMessages.count(), 0);
    scheduler.advance(0.02);
    ASSERT_EQ(firstMessages.count(), 1);
    EXPECT_EQ(firstMessages.at(0).at(0).toString(), QStringLiteral("Undone\nAdd Note"));

    first.undoManager()->redo();
    scheduler.advance(0.2);
    ASSERT_EQ(firstMessages.count(), 2);
    EXPECT_EQ(firstMessages.at(1).at(0).toString(), QStringLiteral("Redone\nAdd Note"));
    EXPECT_EQ(secondMessages.count(), 0);
}

TEST_F(DocumentTest, SavesOfOtherContextsOnTheSameFileAreMergedOutsideUndo)
{
    auto document = open(makeFile(QStringLiteral("Merge")));
    ASSERT_NE(document, nullptr);
    ManagedObjectContext* main = document->managedObjectContext();
    const auto notes = main->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr);
    ASSERT_TRUE(notes && notes->size() == 1);
    auto existing = std::dynamic_pointer_cast<BXNote>(notes->first());
    ASSERT_NE(existing, nullptr);
    scheduler.runUntilIdle();

    ManagedObjectContext importer(ManagedObjectContext::ConcurrencyType::PrivateQueue);
    importer.setPersistentStoreCoordinator(document->persistentStoreCoordinator());
    QVariantList inserted;
    const int reports = objectsDidChangeCount(
        main,
        [&] {
            importer.performAndWait([&] {
                auto note = BXNote::newNoteInManagedObjectContext(&importer, {}, {});
                note->setNoteTitle(QStringLiteral("Imported"));
                auto mine = std::dynamic_pointer_cast<BXNote>(
                    importer.existingObjectWithID(existing->objectID(), nullptr));
                mine->setNoteTitle(QStringLiteral("Renamed elsewhere"));
                ASSERT_TRUE(importer.save(nullptr));
            });
            EXPECT_EQ(existing->noteTitle(), QStringLiteral("A note")) << "merged on a later turn";
            scheduler.runUntilIdle();
        },
        &inserted);

    EXPECT_GE(reports, 1);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.first().value<platform::ManagedObjectPtr>()->valueForKey(
                  QStringLiteral("noteTitle")),
        QStringLiteral("Imported"));
    EXPECT_EQ(existing->noteTitle(), QStringLiteral("Renamed elsewhere"));
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_TRUE(document->undoManager()->isUndoRegistrationEnabled());

    // The document's own preference saves are not merged into the main context.
    const int prefReports = objectsDidChangeCount(main, [&] {
        document->setRequirePassword(false, std::nullopt);
        scheduler.runUntilIdle();
    });
    EXPECT_EQ(prefReports, 0);
}

TEST_F(DocumentTest, TwoOpenDocumentsDoNotMergeEachOthersSaves)
{
    auto first = open(makeFile(QStringLiteral("First")));
    auto second = open(makeFile(QStringLiteral("Second")));
    ASSERT_TRUE(first && second);
    scheduler.runUntilIdle();

    const int firstReports = objectsDidChangeCount(first->managedObjectContext(), [&] {
        const int secondReports = objectsDidChangeCount(second->managedObjectContext(), [&] {
            ManagedObjectContext importer(ManagedObjectContext::ConcurrencyType::PrivateQueue);
            importer.setPersistentStoreCoordinator(second->persistentStoreCoordinator());
            importer.performAndWait([&] {
                BXNote::newNoteInManagedObjectContext(&importer, {}, {});
                ASSERT_TRUE(importer.save(nullptr));
            });
            scheduler.runUntilIdle();
        });
        EXPECT_EQ(secondReports, 1);
    });
    EXPECT_EQ(firstReports, 0);
}

TEST_F(DocumentTest, PreferencesContextSharesTheStoreWithoutUndo)
{
    BXDocument document;
    ManagedObjectContext* prefs = document.prefsContext();
    EXPECT_EQ(prefs, document.prefsContext());
    EXPECT_EQ(prefs->concurrencyType(), ManagedObjectContext::ConcurrencyType::MainQueue);
    EXPECT_EQ(prefs->persistentStoreCoordinator(), document.persistentStoreCoordinator());
    EXPECT_EQ(prefs->undoManager(), nullptr);
}

TEST_F(DocumentTest, CleanupRunsOnceAndIsReArmedAfterAnAbandonedClose)
{
    auto document = open(makeFile(QStringLiteral("Cleanup")));
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(document->isClean());
    std::optional<bool> decision;
    document->canCloseDocument([&](bool shouldClose) { decision = shouldClose; });
    scheduler.runUntilIdle();
    EXPECT_TRUE(document->isClean());
    scheduler.advance(1.9);
    EXPECT_TRUE(document->isClean());
    scheduler.advance(0.2);
    EXPECT_FALSE(document->isClean());

    // Quitting cleans up before the event loop ends.
    QMetaMethod::fromSignal(&QCoreApplication::aboutToQuit).invoke(QCoreApplication::instance());
    EXPECT_TRUE(document->isClean());
}

TEST_F(DocumentTest, ExportSettingsFollowTheUserDefaults)
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setString(ExportFileType, QStringLiteral("rtf"));
    defaults.setInteger(ExportFileEncoding, 4);
    BXDocument document;
    EXPECT_EQ(document.formatForExport(), QStringLiteral("rtf"));
    EXPECT_EQ(document.encodingForExport(), 4u);
    defaults.setString(ExportFileType, QStringLiteral("html"));
    defaults.setInteger(ExportFileEncoding, 30);
    EXPECT_EQ(document.formatForExport(), QStringLiteral("html"));
    EXPECT_EQ(document.encodingForExport(), 30u);
    defaults.removeObject(ExportFileType);
    defaults.removeObject(ExportFileEncoding);
}

} // namespace
