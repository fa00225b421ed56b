#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/transfer/BXNoteExport.h"
#include "document/transfer/BXNoteImport.h"

#include "platform/foundation/TypeIdentifier.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace notesfiletest;
using platform::SaveOperation;
using platform::TypeIdentifier;

namespace {

constexpr int kNotes = 12;

// Forks a child that runs `body` with the writing end of a pipe (and never returns); the
// parent gets the child and the reading end.
std::pair<pid_t, int> forkReporting(const std::function<void(int reportFd)>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return { -1, -1 };
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        body(fds[1]);
        ::_exit(6);
    }
    ::close(fds[1]);
    return { child, fds[0] };
}

// How many times each loop kills its child: BX_KILL_CYCLES when set (for longer runs), else
// `usual`.
int killCycles(int usual)
{
    const int asked = qEnvironmentVariableIntValue("BX_KILL_CYCLES");
    return asked > 0 ? asked : usual;
}

QString noteText(int state, int index)
{
    return QStringLiteral("state %1 note %2\n%3").arg(state).arg(index).arg(QString(400, 's'));
}

// The state every note of the file shows; -1 for a mix, a wrong count or a file that fails.
int stateOf(const QUrl& url, QString* problem)
{
    platform::Error error;
    std::unique_ptr<NotesFile> document = open(url, &error);
    if (!document) {
        *problem = error.toString();
        return -1;
    }
    const QStringList all = titles(*document);
    document->close();
    if (all.size() != kNotes) {
        *problem = QStringLiteral("%1 notes").arg(all.size());
        return -1;
    }
    const int state = all.first().section(QLatin1Char(' '), 1, 1).toInt();
    for (const QString& title : all) {
        if (title.section(QLatin1Char(' '), 1, 1).toInt() != state) {
            *problem = QStringLiteral("mixed states: ") + all.join(QStringLiteral(", "));
            return -1;
        }
    }
    return state;
}

// Child: rewrites every note and saves, in place and as a whole new package by turns, telling
// the parent each state that finished saving. Never returns.
[[noreturn]] void saveForever(const QUrl& url, int state, int reportFd)
{
    std::unique_ptr<NotesFile> document = open(url);
    if (!document)
        ::_exit(3);
    const auto notes = document->managedObjectContext()->fetchObjects(
        platform::FetchRequest(BXNote::entityName()), nullptr);
    for (;;) {
        ++state;
        for (const platform::ManagedObjectPtr& object : *notes) {
            auto* note = static_cast<BXNote*>(object.get());
            const int index = note->noteTitle().section(QLatin1Char(' '), 3, 3).toInt();
            note->updateNoteText(noteText(state, index));
        }
        const SaveOperation operation = state % 2 ? SaveOperation::Save : SaveOperation::SaveAs;
        if (!save(*document, url, operation).isNull())
            ::_exit(4);
        if (::write(reportFd, &state, sizeof state) != sizeof state)
            ::_exit(5);
    }
}

TEST(NotesFileCrashSafety, KilledSavesLeaveTheStateBeforeOrAfter)
{
    BXDefaults::registerDefaults();
    platform::FakeScheduler scheduler;
    const QString folder = bxtest::makeTempFolder();
    const QUrl url = packageURL(folder, QStringLiteral("Crash.brindlex"));
    {
        NotesFile document;
        for (int i = 0; i < kNotes; ++i)
            addNote(document, noteText(0, i));
        ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());
        document.close();
    }

    int state = 0;
    QRandomGenerator random(20261207);
    const int cycles = killCycles(50);
    for (int kill = 0; kill < cycles; ++kill) {
        SCOPED_TRACE(kill);
        const auto [child, reports] = forkReporting([&](int fd) { saveForever(url, state, fd); });
        ASSERT_GE(child, 0);
        int finished = state;
        const int savesBeforeKill = random.bounded(1, 4);
        for (int i = 0; i < savesBeforeKill; ++i) {
            if (::read(reports, &finished, sizeof finished) != sizeof finished)
                break;
        }
        // Strike at a random moment within the next save.
        const auto until
            = std::chrono::steady_clock::now() + std::chrono::microseconds(random.bounded(0, 4000));
        while (std::chrono::steady_clock::now() < until) { }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        int later = 0;
        while (::read(reports, &later, sizeof later) == sizeof later)
            finished = later;
        ::close(reports);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);

        QString problem;
        const int found = stateOf(url, &problem);
        ASSERT_NE(found, -1) << problem.toStdString();
        EXPECT_TRUE(found == finished || found == finished + 1)
            << "found " << found << " after " << finished;
        state = found;
    }
    EXPECT_GT(state, cycles);
}

constexpr int kImportedFiles = 150;

// Child: imports the same files into the notes file again and again, telling the parent each
// import that finished. Never returns.
[[noreturn]] void importForever(const QUrl& url, const QStringList& files, int reportFd)
{
    std::unique_ptr<NotesFile> document = open(url);
    if (!document)
        ::_exit(3);
    for (int finished = 1;; ++finished) {
        BXNoteImport import(document->persistentStoreCoordinator(), files, {});
        const BXNoteImport::Outcome outcome = import.run(nullptr);
        if (outcome.noteIDs.size() != files.size())
            ::_exit(4);
        if (::write(reportFd, &finished, sizeof finished) != sizeof finished)
            ::_exit(5);
    }
}

TEST(NotesFileCrashSafety, KilledImportsLandWholeOrNotAtAll)
{
    BXDefaults::registerDefaults();
    platform::FakeScheduler scheduler;
    const QString folder = bxtest::makeTempFolder();
    const QUrl url = packageURL(folder, QStringLiteral("Imports.brindlex"));
    {
        NotesFile document;
        ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());
        document.close();
    }
    QStringList files;
    for (int i = 0; i < kImportedFiles; ++i) {
        const QString path = folder + QStringLiteral("/file %1.txt").arg(i);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("Imported %1\n%2").arg(i).arg(QString(300, 'i')).toUtf8());
        files << path;
    }

    int imported = 0;
    QRandomGenerator random(20260314);
    const int cycles = killCycles(12);
    for (int kill = 0; kill < cycles; ++kill) {
        SCOPED_TRACE(kill);
        const auto [child, reports] = forkReporting([&](int fd) { importForever(url, files, fd); });
        ASSERT_GE(child, 0);
        // Anywhere from the opening to the third import's end.
        ::usleep(random.bounded(1000u, 400000u));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        int finished = 0;
        int report = 0;
        while (::read(reports, &report, sizeof report) == sizeof report)
            finished = report;
        ::close(reports);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);

        platform::Error error;
        std::unique_ptr<NotesFile> document = open(url, &error);
        ASSERT_NE(document, nullptr) << error.toString().toStdString();
        const qsizetype count = titles(*document).size();
        document->close();
        // The imports reported, and perhaps the one whose report the kill cut off.
        EXPECT_TRUE(count == (imported + finished) * kImportedFiles
            || count == (imported + finished + 1) * kImportedFiles)
            << count << " notes after " << imported + finished << " whole imports";
        imported = int(count / kImportedFiles);
    }
}

// Child: exports one note into `folder` as RTF and as RTFD, by turns, forever.
[[noreturn]] void exportForever(const QString& folder)
{
    BXNoteExport::Snapshot note { QStringLiteral("Letter"),
        QStringLiteral("Letter\n") + QString(20000, 'l'), {} };
    for (int turn = 0;; ++turn) {
        const bool rtf = turn % 2 == 0;
        if (!BXNoteExport::write(note, rtf ? TypeIdentifier::Rtf : TypeIdentifier::Rtfd,
                platform::TextEncoding::UTF8StringEncoding,
                folder + (rtf ? QStringLiteral("/Letter.rtf") : QStringLiteral("/Letter.rtfd")),
                nullptr))
            ::_exit(4);
    }
}

QStringList temporaries(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral(".*.tmp") },
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(NotesFileCrashSafety, KilledExportsLeaveNoTemporaryForLong)
{
    const QString folder = bxtest::makeTempFolder();
    QRandomGenerator random(20260315);
    const int cycles = killCycles(20);
    for (int kill = 0; kill < cycles; ++kill) {
        SCOPED_TRACE(kill);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            exportForever(folder);
        ::usleep(random.bounded(2000u, 60000u));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);
        // Each write of a name clears what a killed one left, so none ever piles up.
        const QStringList left = temporaries(folder);
        EXPECT_LE(left.filter(QStringLiteral(".Letter.rtf.")).size(), 1)
            << left.join(u' ').toStdString();
        EXPECT_LE(left.filter(QStringLiteral(".Letter.rtfd.")).size(), 1)
            << left.join(u' ').toStdString();
    }
    // The next export of each name clears what an interrupted one left.
    for (const QString& name : { QStringLiteral("Letter.rtf"), QStringLiteral("Letter.rtfd") })
        ASSERT_TRUE(BXNoteExport::write({ QStringLiteral("Letter"), QStringLiteral("Letter"), {} },
            name.endsWith(u'd') ? TypeIdentifier::Rtfd : TypeIdentifier::Rtf,
            platform::TextEncoding::UTF8StringEncoding, folder + QLatin1Char('/') + name, nullptr));
    EXPECT_EQ(temporaries(folder), QStringList());
}

} // namespace
