#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"

#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace notesfiletest;
using platform::SaveOperation;

namespace {

constexpr int kNotes = 12;

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
    for (int kill = 0; kill < 50; ++kill) {
        SCOPED_TRACE(kill);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            saveForever(url, state, fds[1]);
        }
        ::close(fds[1]);
        int finished = state;
        const int savesBeforeKill = random.bounded(1, 4);
        for (int i = 0; i < savesBeforeKill; ++i) {
            if (::read(fds[0], &finished, sizeof finished) != sizeof finished)
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
        while (::read(fds[0], &later, sizeof later) == sizeof later)
            finished = later;
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << WEXITSTATUS(status);

        QString problem;
        const int found = stateOf(url, &problem);
        ASSERT_NE(found, -1) << problem.toStdString();
        EXPECT_TRUE(found == finished || found == finished + 1)
            << "found " << found << " after " << finished;
        state = found;
    }
    EXPECT_GT(state, 50);
}

} // namespace
