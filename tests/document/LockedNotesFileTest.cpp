#include "NotesFileTestSupport.h"

#include "document/transfer/MarkdownExporter.h"
#include "document/BXDefaults.h"

#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/predicate/Predicate.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace notesfiletest;
using platform::Error;
using platform::SaveOperation;

namespace {

constexpr int kSkipped = 77;

class LockedNotesFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        NotesFile document;
        addNote(document, QStringLiteral("Groceries: milk, bread"));
        addNote(document, QStringLiteral("Meeting at noon"));
        ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());
        document.close();
    }
    void TearDown() override { setReadOnly(lockedPaths(), false); }

    QStringList lockedPaths() const
    {
        const QString package = url.toLocalFile();
        return { package + QStringLiteral("/StoreContent/persistentStore"),
            package + QStringLiteral("/StoreContent"), package };
    }

    BXNote::NotePtr noteContaining(NotesFile& document, const QString& word) const
    {
        platform::FetchRequest request(BXNote::entityName());
        request.setPredicate(platform::Predicate::predicateWithFormat(
            QStringLiteral("noteText CONTAINS[cd] %@"), { word }));
        const auto found = document.managedObjectContext()->fetchObjects(request, nullptr);
        return found && found->size() == 1 ? std::dynamic_pointer_cast<BXNote>(found->first())
                                           : nullptr;
    }

    // Reads, searches and exports the locked file, then edits it and answers the alert with
    // `button`; the number of failed checks, for use in a child process too.
    int useLockedFile(int button, const QUrl& copy = {})
    {
        platform::FakeScheduler scheduler;
        platform::FakeAlertPresenter presenter;
        int failed = 0;
        Error error;
        std::unique_ptr<NotesFile> document = open(url, &error);
        if (!document) {
            ADD_FAILURE() << error.toString().toStdString();
            return 1;
        }
        failed += !document->isLocked();
        failed += titles(*document)
            != QStringList { QStringLiteral("Groceries: milk, bread"),
                   QStringLiteral("Meeting at noon") };
        BXNote::NotePtr note = noteContaining(*document, QStringLiteral("MILK"));
        failed += !note;
        if (!note)
            return failed;
        const std::optional<QString> markdown
            = MarkdownExporter::markdownFrom(*note->attributedString());
        failed += !markdown || !markdown->contains(QStringLiteral("milk"));

        presenter.enqueueModalAnswer(button);
        if (!copy.isEmpty())
            presenter.enqueuePanelAnswer({ true, { copy } });
        note->updateNoteText(QStringLiteral("Groceries: milk, bread, eggs"));
        note->updateNoteText(QStringLiteral("Groceries: milk, bread, eggs, tea"));
        scheduler.runUntilIdle();

        // One alert for the run of edits, saying what happened and offering a copy.
        failed += presenter.shown().size() != 1;
        if (!presenter.shown().empty()) {
            const platform::Alert& alert = presenter.shown().front().alert;
            failed += !alert.messageText.contains(QStringLiteral("locked"));
            failed += alert.buttonTitles
                != QStringList { QStringLiteral("Save As…"), QStringLiteral("Cancel") };
        }
        if (copy.isEmpty()) {
            failed += note->noteText() != QStringLiteral("Groceries: milk, bread");
            failed += document->isDocumentEdited();
            const Error saveError = save(*document, url, SaveOperation::Save);
            failed += saveError.code() != platform::FileWriteNoPermissionError;
        } else {
            failed += document->fileURL() != copy || document->isLocked();
            failed += !save(*document, copy, SaveOperation::Save).isNull();
        }
        document->close();
        return failed;
    }

    QString folder = bxtest::makeTempFolder();
    QUrl url = packageURL(folder, QStringLiteral("Locked notes #1?.brindlex"));
};

TEST_F(LockedNotesFileTest, ImmutableFileOpensForReadingAndRefusesEdits)
{
    if (!setReadOnly(lockedPaths(), true))
        GTEST_SKIP() << "cannot make a folder read-only here";
    const auto before = snapshot(folder);
    const QUrl copy = packageURL(bxtest::makeTempFolder(), QStringLiteral("Copy.brindlex"));
    const struct {
        const char* name;
        int button;
        QUrl copy;
    } cases[] = {
        { "cancel", 1, {} },
        { "save as without choosing a place", 0, {} },
        { "save a copy", 0, copy },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(useLockedFile(entry.button, entry.copy), 0);
        EXPECT_EQ(snapshot(folder), before);
    }

    std::unique_ptr<NotesFile> saved = open(copy);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->isLocked());
    EXPECT_EQ(titles(*saved),
        (QStringList { QStringLiteral("Groceries: milk, bread, eggs, tea"),
            QStringLiteral("Meeting at noon") }));
    saved->close();
}

TEST_F(LockedNotesFileTest, PendingEditsGoToACopyInTheAutosaveFolderWhenAsked)
{
    if (!setReadOnly(lockedPaths(), true))
        GTEST_SKIP() << "cannot make a folder read-only here";
    const auto before = snapshot(folder);
    platform::FakeScheduler scheduler;
    platform::FakeAlertPresenter presenter;
    std::unique_ptr<NotesFile> document = open(url);
    ASSERT_TRUE(document);
    // Nothing refused yet: nothing to keep.
    EXPECT_FALSE(document->hasRefusedEdits());
    bool completed = false;
    document->saveRefusedEditsElsewhere([&](const Error& error) { completed = error.isNull(); });
    EXPECT_TRUE(completed);
    EXPECT_EQ(document->fileURL(), url);

    // An edit whose alert has not been answered, as when the application is told to quit.
    BXNote::NotePtr note = noteContaining(*document, QStringLiteral("milk"));
    ASSERT_TRUE(note);
    note->updateNoteText(QStringLiteral("Groceries: milk, bread, eggs"));
    ASSERT_TRUE(document->hasRefusedEdits());
    Error saved(platform::kCocoaErrorDomain, -1);
    document->saveRefusedEditsElsewhere([&](const Error& error) { saved = error; });
    ASSERT_TRUE(saved.isNull()) << saved.toString().toStdString();
    const QUrl copy = document->fileURL();
    EXPECT_TRUE(copy.toLocalFile().contains(QStringLiteral("/Autosave Information/")));
    EXPECT_TRUE(QFileInfo(copy.toLocalFile()).fileName().startsWith(u"Locked notes #1? "_qs));
    EXPECT_FALSE(document->isLocked());
    document->close();

    std::unique_ptr<NotesFile> reopened = open(copy);
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(titles(*reopened).contains(QStringLiteral("Groceries: milk, bread, eggs")));
    reopened->close();
    EXPECT_EQ(snapshot(folder), before);
}

// Mounts `folder` read-only on itself in a mount namespace of this process alone; the
// reason when that is not permitted.
QString bindReadOnly(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0
        || ::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr)
            != 0)
        return QStringLiteral("mount: ") + QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

TEST_F(LockedNotesFileTest, FileOnAReadOnlyMountOpensForReadingAndRefusesEdits)
{
    const auto before = snapshot(folder);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        const QByteArray reason = bindReadOnly(folder).toLocal8Bit();
        if (!reason.isEmpty()) {
            (void)!::write(pipe[1], reason.constData(), size_t(reason.size()));
            ::_exit(kSkipped);
        }
        ::_exit(useLockedFile(1));
    }
    ::close(pipe[1]);
    char reason[256] = {};
    (void)!::read(pipe[0], reason, sizeof reason - 1);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kSkipped)
        GTEST_SKIP() << "a read-only bind mount is not permitted here (" << reason << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(snapshot(folder), before);
}

} // namespace
