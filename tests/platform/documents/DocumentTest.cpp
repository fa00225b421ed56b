#include "platform/documents/Document.h"
#include "platform/data/PersistentStore.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QWidget>

using namespace platform;

namespace {

std::shared_ptr<const ManagedObjectModel> itemModel()
{
    static const std::shared_ptr<const ManagedObjectModel> model = [] {
        auto m = std::make_shared<ManagedObjectModel>();
        m->addEntity(QStringLiteral("Item"))
            .addAttribute(QStringLiteral("name"), AttributeDescription::Type::String);
        m->finish();
        return m;
    }();
    return model;
}

// A document whose file is the store itself; records the operations it was asked to write.
class StoreFileDocument final : public Document {
public:
    StoreFileDocument() : Document(itemModel()) { }

    bool readFromURL(const QUrl& url, const QString& type, Error* error) override
    {
        return configurePersistentStoreCoordinatorForURL(url, type, {}, {}, error);
    }
    bool writeSafelyToURL(
        const QUrl& url, const QString& type, SaveOperation operation, Error* error) override
    {
        operations.append(operation);
        if (failWrites)
            return Error::set(error, Error(kCocoaErrorDomain, FileWriteOutOfSpaceError));
        const auto& coordinator = persistentStoreCoordinator();
        if (!coordinator->persistentStoreForURL(url)) {
            if (const auto store = coordinator->persistentStore())
                coordinator->migratePersistentStore(store, url, error);
            else if (!configurePersistentStoreCoordinatorForURL(url, type, {}, {}, error))
                return false;
        }
        return managedObjectContext()->save(error);
    }
    QWidget* windowForSheet() const override { return sheetWindow; }

    ManagedObjectPtr addItem(const QString& name)
    {
        ManagedObjectPtr item
            = managedObjectContext()->insertNewObjectForEntityForName(QStringLiteral("Item"));
        item->setValue(name, QStringLiteral("name"));
        return item;
    }

    QList<SaveOperation> operations;
    bool failWrites = false;
    QWidget* sheetWindow = nullptr;
};

QUrl fileIn(const QString& folder, const QString& name)
{
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
}

class DocumentTest : public ::testing::Test {
protected:
    void saveAs(const QUrl& url)
    {
        Error result(kCocoaErrorDomain, -1);
        document.saveToURL(url, QStringLiteral("items"), SaveOperation::Save,
            [&](const Error& error) { result = error; });
        ASSERT_TRUE(result.isNull()) << qPrintable(result.toString());
    }

    FakeScheduler scheduler;
    StoreFileDocument document;
    QString folder = bxtest::makeTempFolder();
};

TEST_F(DocumentTest, ChangeCountFollowsUndoGroups)
{
    QSignalSpy edited(&document, &Document::documentEditedChanged);
    EXPECT_FALSE(document.isDocumentEdited());
    document.addItem(QStringLiteral("a"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_TRUE(document.hasUnautosavedChanges());

    document.undoManager()->undo();
    EXPECT_FALSE(document.isDocumentEdited());
    document.undoManager()->redo();
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(edited.count(), 3);

    saveAs(fileIn(folder, QStringLiteral("items.sqlite")));
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_FALSE(document.hasUnautosavedChanges());
    // Undoing past the save point is an edit too.
    document.undoManager()->undo();
    EXPECT_TRUE(document.isDocumentEdited());

    // A group that only changes a selection does not count.
    saveAs(document.fileURL());
    document.undoManager()->registerUndo(this, [] {});
    document.undoManager()->setActionIsDiscardable(true);
    scheduler.runUntilIdle();
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(DocumentTest, FirstSaveOfAnUntitledDocumentIsASaveAs)
{
    document.addItem(QStringLiteral("a"));
    document.setDraft(true);
    const QUrl url = fileIn(folder, QStringLiteral("first.sqlite"));
    saveAs(url);
    EXPECT_EQ(document.operations, QList { SaveOperation::SaveAs });
    EXPECT_EQ(document.fileURL(), url);
    EXPECT_EQ(document.fileType(), QStringLiteral("items"));
    EXPECT_FALSE(document.isDraft());
    EXPECT_TRUE(QFileInfo::exists(url.toLocalFile()));

    // Copies of a titled document are never written: they would leave the copy stale.
    for (const SaveOperation operation :
        { SaveOperation::SaveTo, SaveOperation::AutosaveElsewhere }) {
        Error result;
        document.saveToURL(fileIn(folder, QStringLiteral("copy.sqlite")), QStringLiteral("items"),
            operation, [&](const Error& error) { result = error; });
        EXPECT_FALSE(result.isNull());
    }
    EXPECT_EQ(document.operations.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/copy.sqlite")));
}

TEST_F(DocumentTest, AutosaveRunsSoonAfterChangesAndNeverLaterThanFiveSeconds)
{
    saveAs(fileIn(folder, QStringLiteral("auto.sqlite")));
    document.operations.clear();

    document.addItem(QStringLiteral("a"));
    scheduler.runUntilIdle();
    scheduler.advance(Document::kAutosaveDelay - 0.1);
    EXPECT_TRUE(document.operations.isEmpty());
    scheduler.advance(0.1);
    EXPECT_EQ(document.operations, QList { SaveOperation::AutosaveInPlace });
    EXPECT_FALSE(document.hasUnautosavedChanges());
    EXPECT_FALSE(document.managedObjectContext()->hasChanges());

    // Steady typing postpones the autosave, but not past the longest delay.
    document.operations.clear();
    double elapsed = 0;
    while (document.operations.isEmpty() && elapsed < 20) {
        document.addItem(QStringLiteral("b"));
        scheduler.runUntilIdle();
        scheduler.advance(1.0);
        elapsed += 1.0;
    }
    EXPECT_EQ(document.operations, QList { SaveOperation::AutosaveInPlace });
    EXPECT_LE(elapsed, Document::kLongestAutosaveDelay);
}

TEST_F(DocumentTest, FailedAutosaveKeepsTheChangesAndTriesAgain)
{
    saveAs(fileIn(folder, QStringLiteral("retry.sqlite")));
    document.failWrites = true;
    document.addItem(QStringLiteral("a"));
    scheduler.runUntilIdle();
    scheduler.advance(Document::kLongestAutosaveDelay);
    EXPECT_TRUE(document.hasUnautosavedChanges());
    EXPECT_TRUE(document.managedObjectContext()->hasChanges());

    document.failWrites = false;
    scheduler.advance(Document::kLongestAutosaveDelay);
    EXPECT_FALSE(document.hasUnautosavedChanges());
}

// A disk that stays full fails every retry: the user hears of it once, in a sheet on the
// document's window, and once more only after a save has gone through in between.
TEST_F(DocumentTest, FailedAutosavesAreToldOnceUntilASaveSucceeds)
{
    FakeAlertPresenter alerts;
    QWidget window;
    document.sheetWindow = &window;
    saveAs(fileIn(folder, QStringLiteral("Groceries.sqlite")));
    const auto failFor = [&](int autosaves) {
        document.failWrites = true;
        document.addItem(QStringLiteral("x"));
        scheduler.runUntilIdle();
        for (int i = 0; i < autosaves; ++i)
            scheduler.advance(Document::kLongestAutosaveDelay);
        EXPECT_TRUE(document.hasUnautosavedChanges());
    };

    failFor(3);
    ASSERT_EQ(alerts.shown().size(), 1U);
    EXPECT_TRUE(alerts.shown()[0].isSheet);
    EXPECT_EQ(alerts.shown()[0].window, &window);
    EXPECT_TRUE(alerts.shown()[0].alert.messageText.contains(QStringLiteral("“Groceries”")));
    EXPECT_TRUE(alerts.shown()[0].alert.informativeText.contains(QStringLiteral("kept")));
    EXPECT_TRUE(alerts.answerSheet(&window, 0));

    document.failWrites = false;
    scheduler.advance(Document::kLongestAutosaveDelay);
    EXPECT_FALSE(document.hasUnautosavedChanges());
    failFor(2);
    EXPECT_EQ(alerts.shown().size(), 2U);
}

TEST_F(DocumentTest, FileAccessIsSerialised)
{
    QStringList order;
    std::function<void()> endFirst;
    document.performAsynchronousFileAccessUsingBlock([&](std::function<void()> done) {
        order << QStringLiteral("first");
        endFirst = done;
    });
    document.performAsynchronousFileAccessUsingBlock([&](std::function<void()> done) {
        order << QStringLiteral("second");
        done();
    });
    EXPECT_EQ(order, QStringList { QStringLiteral("first") });
    endFirst();
    endFirst();
    EXPECT_EQ(order, (QStringList { QStringLiteral("first"), QStringLiteral("second") }));
}

TEST_F(DocumentTest, ClosingWindowsSavesAndTheLastOneClosesTheDocument)
{
    saveAs(fileIn(folder, QStringLiteral("windows.sqlite")));
    WindowController main;
    WindowController note;
    document.addWindowController(&main);
    document.addWindowController(&note);
    EXPECT_EQ(note.document(), &document);

    document.addItem(QStringLiteral("a"));
    scheduler.runUntilIdle();
    document.operations.clear();
    note.close();
    EXPECT_EQ(document.operations, QList { SaveOperation::AutosaveInPlace });
    EXPECT_EQ(document.windowControllers(), QList<WindowController*> { &main });
    EXPECT_EQ(note.document(), nullptr);

    QSignalSpy closed(&document, &Document::didClose);
    document.addItem(QStringLiteral("b"));
    scheduler.runUntilIdle();
    main.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(document.isClosed());
    EXPECT_FALSE(document.persistentStoreCoordinator()->hasStore());
    EXPECT_EQ(document.operations.size(), 2);
}

TEST_F(DocumentTest, UntitledEditedDocumentIsNotClosedSilently)
{
    document.addItem(QStringLiteral("a"));
    scheduler.runUntilIdle();
    std::optional<bool> answer;
    document.canCloseDocument([&](bool shouldClose) { answer = shouldClose; });
    ASSERT_TRUE(answer);
    EXPECT_FALSE(*answer);

    // Its autosave goes elsewhere and leaves it untitled.
    Error result(kCocoaErrorDomain, -1);
    document.autosaveWithImplicitCancellability(true, [&](const Error& error) { result = error; });
    EXPECT_TRUE(result.isNull()) << qPrintable(result.toString());
    EXPECT_EQ(document.operations, QList { SaveOperation::AutosaveElsewhere });
    EXPECT_TRUE(document.fileURL().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(document.autosavedContentsFileURL().toLocalFile()));
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_FALSE(document.hasUnautosavedChanges());
}

} // namespace
