#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Log.h"
#include "platform/predicate/Predicate.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

using namespace notesfiletest;
using platform::Error;
using platform::ManagedObjectPtr;
using platform::SaveOperation;

namespace {

class NotesFileTest : public ::testing::Test {
protected:
    void SetUp() override { BXDefaults::registerDefaults(); }

    QString storePath(const QUrl& url) const
    {
        return url.toLocalFile() + QStringLiteral("/StoreContent/persistentStore");
    }
    QStringList temporaryLeftovers() const
    {
        return QDir(folder).entryList(
            { QStringLiteral(".*.tmp*") }, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    platform::FakeScheduler scheduler;
    QString folder = bxtest::makeTempFolder();
};

QVariantMap values(const ManagedObjectPtr& object)
{
    QVariantMap result;
    for (const platform::AttributeDescription* attribute : object->entity()->attributes()) {
        QVariant value = object->valueForKey(attribute->name());
        if (value.metaType() == QMetaType::fromType<platform::PredicateRef>()
            && value.value<platform::PredicateRef>())
            value = value.value<platform::PredicateRef>()->predicateFormat();
        result.insert(attribute->name(), value);
    }
    return result;
}

TEST_F(NotesFileTest, EveryAttributeSurvivesSaveCloseAndReopen)
{
    const QUrl url = packageURL(folder, QStringLiteral("All.brindlex"));
    QList<QVariantMap> expected;
    {
        NotesFile document;
        auto* context = document.managedObjectContext();
        ManagedObjectPtr work
            = context->insertNewObjectForEntityForName(QStringLiteral("Category"));
        work->setValue(QStringLiteral("Work"), QStringLiteral("categoryName"));
        work->setValue(3, QStringLiteral("position"));
        ManagedObjectPtr recent
            = context->insertNewObjectForEntityForName(QStringLiteral("FetchedNotesCategory"));
        recent->setValue(QStringLiteral("RecentNotesCategory"), QStringLiteral("categoryID"));
        recent->setValue(
            QVariant::fromValue(platform::PredicateRef(platform::Predicate::predicateWithFormat(
                QStringLiteral("noteModified >= $dateBeforeNow")))),
            QStringLiteral("predicate"));
        ManagedObjectPtr preference
            = context->insertNewObjectForEntityForName(QStringLiteral("DocumentPreference"));
        preference->setValue(QStringLiteral("Window"), QStringLiteral("prefType"));
        preference->setValue(QStringLiteral("ZoomFactor"), QStringLiteral("prefName"));
        preference->setValue(150, QStringLiteral("prefInteger"));
        preference->setValue(QStringLiteral("s"), QStringLiteral("prefString"));
        preference->setValue(true, QStringLiteral("prefBoolean"));
        preference->setValue(QByteArray("blob"), QStringLiteral("prefBlob"));
        preference->setValue(QByteArray("pict"), QStringLiteral("prefPict"));

        BXNote::NotePtr note = addNote(document, QStringLiteral("Title line\nBody ☃"));
        note->setNoteTitle(QStringLiteral("Renamed"));
        note->setCategories({ work });
        note->setSelectedRange({ 4, 2 });
        note->setWindowFrame(QRectF(10, 20, 640, 480.5));
        note->setLastImportFlag(true);
        note->setValue(true, QStringLiteral("omitFlag"));
        note->setValue(true, QStringLiteral("selFlag"));
        note->setValue(7, QStringLiteral("label"));
        note->setValue(true, QStringLiteral("windowRulerVisible"));
        note->setValue(false, QStringLiteral("windowTagsVisible"));
        BXNote::newEmptyNoteInManagedObjectContext(context);

        ASSERT_TRUE(save(document, url, SaveOperation::Save).isNull());
        for (const ManagedObjectPtr& object : { ManagedObjectPtr(note), work, recent, preference })
            expected << values(object);
        document.close();
    }
    EXPECT_TRUE(QFileInfo(storePath(url)).isFile());
    EXPECT_TRUE(temporaryLeftovers().isEmpty());

    Error error;
    std::unique_ptr<NotesFile> reopened = open(url, &error);
    ASSERT_TRUE(reopened) << qPrintable(error.toString());
    auto* context = reopened->managedObjectContext();
    platform::FetchRequest notes(BXNote::entityName());
    notes.setPredicate(
        platform::Predicate::predicateWithFormat(QStringLiteral("trashFlag != YES")));
    const auto note = context->fetchObjects(notes, nullptr);
    const auto categories
        = context->fetchObjects(platform::FetchRequest(QStringLiteral("Category")), nullptr);
    const auto preferences = context->fetchObjects(
        platform::FetchRequest(QStringLiteral("DocumentPreference")), nullptr);
    ASSERT_TRUE(note && categories && preferences);
    ASSERT_EQ(note->size(), 1);
    ASSERT_EQ(categories->size(), 2);
    const ManagedObjectPtr work = categories->at(0)->entity()->name() == QStringLiteral("Category")
        ? categories->at(0)
        : categories->at(1);
    const ManagedObjectPtr recent
        = work == categories->at(0) ? categories->at(1) : categories->at(0);
    const QList<ManagedObjectPtr> reread { note->first(), work, recent, preferences->first() };
    for (int i = 0; i < reread.size(); ++i) {
        SCOPED_TRACE(reread[i]->entity()->name().toStdString());
        EXPECT_EQ(values(reread[i]), expected[i]);
    }
    auto* reopenedNote = static_cast<BXNote*>(note->first().get());
    EXPECT_EQ(reopenedNote->categories(), QList<ManagedObjectPtr> { work });
    EXPECT_EQ(reopenedNote->selectedRange(), (BXNote::Range { 4, 2 }));
    EXPECT_EQ(reopenedNote->windowFrame(), QRectF(10, 20, 640, 480.5));
    EXPECT_EQ(
        context->countForFetchRequest(platform::FetchRequest(BXNote::entityName()), nullptr), 2);
}

TEST_F(NotesFileTest, SaveAsOntoAnExistingItemReplacesItWholeAndKeepsTheOldPackage)
{
    const QUrl first = packageURL(folder, QStringLiteral("First.brindlex"));
    const QUrl target = packageURL(folder, QStringLiteral("Target.brindlex"));
    NotesFile other;
    addNote(other, QStringLiteral("Other note"));
    ASSERT_TRUE(save(other, target, SaveOperation::SaveAs).isNull());
    QFile stray(target.toLocalFile() + QStringLiteral("/stray.txt"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    other.close();

    NotesFile document;
    addNote(document, QStringLiteral("Mine"));
    ASSERT_TRUE(save(document, first, SaveOperation::SaveAs).isNull());
    addNote(document, QStringLiteral("Unsaved before save as"));
    const auto before = snapshot(first.toLocalFile());

    platform::LogCapture log;
    const Error error = save(document, target, SaveOperation::SaveAs);
    ASSERT_TRUE(error.isNull()) << qPrintable(error.toString());
    EXPECT_EQ(document.fileURL(), target);
    EXPECT_FALSE(QFileInfo::exists(target.toLocalFile() + QStringLiteral("/stray.txt")));
    EXPECT_EQ(snapshot(first.toLocalFile()), before);
    EXPECT_TRUE(temporaryLeftovers().isEmpty()) << temporaryLeftovers().join(' ').toStdString();

    // The document goes on in the new package; the old one stays as it was.
    addNote(document, QStringLiteral("After save as"));
    EXPECT_FALSE(save(document, first, SaveOperation::Save).isNull());
    ASSERT_TRUE(save(document, target, SaveOperation::Save).isNull());
    EXPECT_EQ(snapshot(first.toLocalFile()), before);
    document.close();

    std::unique_ptr<NotesFile> old = open(first);
    ASSERT_TRUE(old);
    EXPECT_EQ(titles(*old), QStringList { QStringLiteral("Mine") });
    std::unique_ptr<NotesFile> replaced = open(target);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(titles(*replaced),
        (QStringList { QStringLiteral("After save as"), QStringLiteral("Mine"),
            QStringLiteral("Unsaved before save as") }));
}

TEST_F(NotesFileTest, MovesRepointTheStoreAndAnUnsavedDocumentIsSavedThere)
{
    const QUrl fresh = packageURL(folder, QStringLiteral("Fresh.brindlex"));
    NotesFile untitled;
    addNote(untitled, QStringLiteral("Never saved"));
    Error result(platform::kCocoaErrorDomain, -1);
    untitled.moveToURL(fresh, [&](const Error& error) { result = error; });
    ASSERT_TRUE(result.isNull()) << qPrintable(result.toString());
    EXPECT_EQ(untitled.fileURL(), fresh);
    EXPECT_TRUE(QFileInfo(storePath(fresh)).isFile());

    const QUrl moved = packageURL(folder, QStringLiteral("Moved.brindlex"));
    untitled.setDraft(true);
    untitled.moveToURL(moved, [&](const Error& error) { result = error; });
    ASSERT_TRUE(result.isNull()) << qPrintable(result.toString());
    EXPECT_FALSE(QFileInfo::exists(fresh.toLocalFile()));
    EXPECT_EQ(untitled.fileURL(), moved);
    EXPECT_FALSE(untitled.isDraft());
    addNote(untitled, QStringLiteral("Written after the move"));
    ASSERT_TRUE(save(untitled, moved, SaveOperation::Save).isNull());

    // A move onto an existing item fails and changes nothing.
    const QUrl blocker = packageURL(folder, QStringLiteral("Blocker"));
    QDir().mkpath(blocker.toLocalFile());
    platform::LogCapture log;
    untitled.moveToURL(blocker, [&](const Error& error) { result = error; });
    EXPECT_FALSE(result.isNull());
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to move")));
    EXPECT_EQ(untitled.fileURL(), moved);
    untitled.close();

    std::unique_ptr<NotesFile> reopened = open(moved);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(titles(*reopened),
        (QStringList { QStringLiteral("Never saved"), QStringLiteral("Written after the move") }));
}

TEST_F(NotesFileTest, FailedSaveDuringAMoveIsReported)
{
    NotesFile untitled;
    addNote(untitled, QStringLiteral("Nowhere to go"));
    Error result;
    platform::LogCapture log;
    untitled.moveToURL(packageURL(folder, QStringLiteral("missing/folder/X.brindlex")),
        [&](const Error& error) { result = error; });
    EXPECT_FALSE(result.isNull());
    EXPECT_TRUE(log.contains(QStringLiteral("Error moving url")));
    EXPECT_TRUE(untitled.fileURL().isEmpty());
    EXPECT_FALSE(untitled.persistentStoreCoordinator()->hasStore());
    EXPECT_EQ(titles(untitled), QStringList { QStringLiteral("Nowhere to go") });
}

TEST_F(NotesFileTest, EverySaveSetsTheModificationDate)
{
    const QUrl url = packageURL(folder, QStringLiteral("Dated.brindlex"));
    NotesFile document;
    addNote(document, QStringLiteral("one"));
    for (const SaveOperation operation :
        { SaveOperation::SaveAs, SaveOperation::Save, SaveOperation::AutosaveInPlace }) {
        SCOPED_TRACE(int(operation));
        QFile(url.toLocalFile())
            .setFileTime(
                QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        addNote(document, QStringLiteral("more"));
        scheduler.runUntilIdle();
        ASSERT_TRUE(save(document, url, operation).isNull());
        EXPECT_GE(QFileInfo(url.toLocalFile()).lastModified(), before);
        EXPECT_GE(document.fileModificationDate(), before);
    }
}

TEST_F(NotesFileTest, FoldersThatAreNotNotesFilesAreRefusedUntouched)
{
    const QString plainFolder = folder + QStringLiteral("/Plain");
    QDir().mkpath(plainFolder + QStringLiteral("/Sub"));
    const QString noStore = folder + QStringLiteral("/NoStore.brindlex");
    QDir().mkpath(noStore + QStringLiteral("/StoreContent"));
    const QString plainFile = folder + QStringLiteral("/file.brindlex");
    QFile file(plainFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();

    for (const QString& path : { plainFolder, noStore, plainFile }) {
        SCOPED_TRACE(path.toStdString());
        const auto before = snapshot(path);
        Error error;
        EXPECT_EQ(open(QUrl::fromLocalFile(path), &error), nullptr);
        EXPECT_EQ(error.code(), platform::FileReadCorruptFileError);
        EXPECT_TRUE(error.localizedFailureReason().contains(QStringLiteral("not a notes file")));
        EXPECT_EQ(snapshot(path), before);
    }
    Error missing;
    EXPECT_EQ(open(packageURL(folder, QStringLiteral("absent.brindlex")), &missing), nullptr);
    EXPECT_EQ(missing.code(), platform::FileNoSuchFileError);
}

TEST_F(NotesFileTest, DamagedOrForeignStoresAreRefusedUntouched)
{
    auto makePackage = [&](const QString& name, const std::function<void(const QString&)>& fill) {
        const QString path = folder + QLatin1Char('/') + name;
        QDir().mkpath(path + QStringLiteral("/StoreContent"));
        fill(path + QStringLiteral("/StoreContent/persistentStore"));
        return path;
    };
    const QString garbage = makePackage(QStringLiteral("Garbage.brindlex"), [](const QString& p) {
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(8192, '\x5a'));
    });
    const QString foreign = makePackage(QStringLiteral("Foreign.brindlex"), [](const QString& p) {
        sqlite3* db = nullptr;
        sqlite3_open(p.toUtf8().constData(), &db);
        sqlite3_exec(db, "CREATE TABLE recipes (name TEXT); INSERT INTO recipes VALUES ('x');",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
    });
    const QUrl good = packageURL(folder, QStringLiteral("Truncated.brindlex"));
    {
        NotesFile document;
        for (int i = 0; i < 50; ++i)
            addNote(document, QString(2000, QLatin1Char('a' + i % 26)));
        ASSERT_TRUE(save(document, good, SaveOperation::SaveAs).isNull());
        document.close();
    }
    QFile truncated(storePath(good));
    ASSERT_TRUE(truncated.resize(truncated.size() / 3));

    for (const QString& path : { garbage, foreign, good.toLocalFile() }) {
        SCOPED_TRACE(path.toStdString());
        const auto before = snapshot(path);
        Error error;
        std::unique_ptr<NotesFile> document = open(QUrl::fromLocalFile(path), &error);
        if (document) {
            // Damage beyond the first pages shows when the notes are read.
            Error fetchError;
            EXPECT_FALSE(document->managedObjectContext()->fetchObjects(
                platform::FetchRequest(BXNote::entityName()), &fetchError));
            EXPECT_FALSE(fetchError.isNull());
            document->close();
        } else {
            EXPECT_FALSE(error.isNull());
            EXPECT_FALSE(error.localizedDescription().isEmpty());
        }
        EXPECT_EQ(snapshot(path), before);
    }
}

// Makes the package read-only the way a locked volume is: immutable, which binds the
// superuser too. Falls back on permissions where the flag is not available.
bool setReadOnly(const QStringList& paths, bool readOnly)
{
    bool flagged = true;
    for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
            flagged = false;
        } else {
            flags = readOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            flagged = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 && flagged;
        }
        if (fd >= 0)
            ::close(fd);
        QFile::setPermissions(path,
            readOnly ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                     : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return flagged || !QFileInfo(paths.first()).isWritable();
}

TEST_F(NotesFileTest, ReadOnlyPackageRefusesSavesAndKeepsTheChanges)
{
    const QUrl url = packageURL(folder, QStringLiteral("Locked.brindlex"));
    NotesFile document;
    addNote(document, QStringLiteral("kept"));
    ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());
    const QStringList paths { storePath(url), url.toLocalFile() + QStringLiteral("/StoreContent"),
        url.toLocalFile() };
    if (!setReadOnly(paths, true)) {
        setReadOnly(paths, false);
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    const auto before = snapshot(url.toLocalFile());

    addNote(document, QStringLiteral("new"));
    const Error saveError = save(document, url, SaveOperation::Save);
    EXPECT_FALSE(saveError.isNull());
    EXPECT_TRUE(document.managedObjectContext()->hasChanges());
    EXPECT_EQ(titles(document).size(), 2);
    EXPECT_TRUE(document.isDocumentEdited() || document.hasUnautosavedChanges()
        || document.managedObjectContext()->hasChanges());
    document.close();

    Error openError;
    std::unique_ptr<NotesFile> reopened = open(url, &openError);
    if (reopened) {
        EXPECT_EQ(titles(*reopened), QStringList { QStringLiteral("kept") });
        reopened->close();
    } else {
        EXPECT_FALSE(openError.localizedDescription().isEmpty());
    }
    EXPECT_EQ(snapshot(url.toLocalFile()), before);
    setReadOnly(paths, false);
}

// Runs `work` in a child process whose files may not grow beyond `limit` bytes, the way a
// full disk stops writes; the child's exit code is the number of failed checks.
int runWithFileSizeLimit(rlim_t limit, const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap { limit, limit };
        ::setrlimit(RLIMIT_FSIZE, &cap);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(NotesFileTest, FullDiskFailsTheSaveAndLosesNothing)
{
    const QUrl url = packageURL(folder, QStringLiteral("Full.brindlex"));
    {
        NotesFile document;
        addNote(document, QStringLiteral("small"));
        ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());
        document.close();
    }
    const auto before = snapshot(url.toLocalFile());
    const qint64 size = QFileInfo(storePath(url)).size();
    const QUrl copy = packageURL(folder, QStringLiteral("Copy.brindlex"));

    const int failures = runWithFileSizeLimit(rlim_t(size + 4096), [&] {
        int failed = 0;
        std::unique_ptr<NotesFile> document = open(url);
        if (!document)
            return 50;
        addNote(*document, QString(300000, QLatin1Char('x')));
        failed += save(*document, url, SaveOperation::Save).isNull();
        failed += !document->managedObjectContext()->hasChanges();
        failed += titles(*document).size() != 2;
        // A save as that cannot be completed leaves the document where it was.
        failed += save(*document, copy, SaveOperation::SaveAs).isNull();
        failed += document->fileURL() != url;
        failed += titles(*document).size() != 2;
        return failed;
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(snapshot(url.toLocalFile()), before);
    EXPECT_FALSE(QFileInfo::exists(copy.toLocalFile()));
    EXPECT_TRUE(temporaryLeftovers().isEmpty()) << temporaryLeftovers().join(' ').toStdString();
}

} // namespace
