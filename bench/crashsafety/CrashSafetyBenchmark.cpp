// Saves of a notes file killed (SIGKILL) at random moments, 1,000 times: after every kill the
// file must open and show, in every note, the state of the last finished save or of the one
// that was interrupted. Reports the kills that interrupted a running save loop, the children
// that ended on their own, the violations and the saves finished; a run that stops before all
// kills says why in its label.

#include "document/model/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"

#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextDocument>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using platform::SaveOperation;
using NotesFile = BXWrappedPersistentDocument;

namespace {

constexpr int kNotes = 12;
constexpr int kKills = 1000;

QString noteText(int state, int index)
{
    return QStringLiteral("state %1 note %2\n%3").arg(state).arg(index).arg(QString(400, 's'));
}

bool save(NotesFile& document, const QUrl& url, SaveOperation operation)
{
    bool saved = false;
    document.saveToURL(url, NotesFile::NotesDocumentType, operation,
        [&](const platform::Error& error) { saved = error.isNull(); });
    return saved;
}

QList<platform::ManagedObjectPtr> allNotes(NotesFile& document)
{
    return document.managedObjectContext()
        ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
        .value_or(QList<platform::ManagedObjectPtr>());
}

// The state all notes show, or -1 for a file that fails to open, a mix or a wrong count.
int stateOf(const QUrl& url)
{
    NotesFile document;
    if (!document.initWithContentsOfURL(url, NotesFile::NotesDocumentType, nullptr))
        return -1;
    const QList<platform::ManagedObjectPtr> notes = allNotes(document);
    if (notes.size() != kNotes)
        return -1;
    int state = -2;
    for (const platform::ManagedObjectPtr& note : notes) {
        const int s
            = note->valueForKey(QStringLiteral("noteTitle")).toString().section(' ', 1, 1).toInt();
        if (state != -2 && s != state)
            return -1;
        state = s;
    }
    return state;
}

[[noreturn]] void saveForever(const QUrl& url, int state, int reportFd)
{
    NotesFile document;
    if (!document.initWithContentsOfURL(url, NotesFile::NotesDocumentType, nullptr))
        ::_exit(3);
    const QList<platform::ManagedObjectPtr> notes = allNotes(document);
    for (;;) {
        ++state;
        for (const platform::ManagedObjectPtr& object : notes) {
            auto* note = static_cast<BXNote*>(object.get());
            note->updateNoteText(noteText(state, note->noteTitle().section(' ', 3, 3).toInt()));
        }
        if (!save(document, url, state % 2 ? SaveOperation::Save : SaveOperation::SaveAs))
            ::_exit(4);
        if (::write(reportFd, &state, sizeof state) != sizeof state)
            ::_exit(5);
    }
}

void BM_KillDuringSaves(benchmark::State& benchState)
{
    QTemporaryDir folder;
    const QUrl url = QUrl::fromLocalFile(folder.path() + QStringLiteral("/Crash.brindlex"));
    {
        NotesFile document;
        for (int i = 0; i < kNotes; ++i) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
            note->updateNoteText(noteText(0, i));
        }
        if (!save(document, url, SaveOperation::SaveAs)) {
            benchState.SkipWithError("first save failed");
            return;
        }
        document.close();
    }
    int violations = 0;
    int unopenable = 0;
    int state = 0;
    // Kills counted are those that found the saving child alive; a child that ended on its own
    // (it could not open or save the file) was interrupted by nothing.
    int kills = 0;
    int childFailures = 0;
    QString stoppedBecause;
    QRandomGenerator random(7);
    for (auto _ : benchState) {
        while (kills < kKills && stoppedBecause.isEmpty()) {
            int fds[2];
            if (::pipe(fds) != 0) {
                stoppedBecause = QStringLiteral("no pipe");
                break;
            }
            const pid_t child = ::fork();
            if (child < 0) {
                ::close(fds[0]);
                ::close(fds[1]);
                stoppedBecause = QStringLiteral("fork failed");
                break;
            }
            if (child == 0) {
                ::close(fds[0]);
                saveForever(url, state, fds[1]);
            }
            ::close(fds[1]);
            int finished = state;
            const int saves = random.bounded(1, 4);
            for (int i = 0; i < saves; ++i) {
                if (::read(fds[0], &finished, sizeof finished) != sizeof finished)
                    break;
            }
            const auto until = std::chrono::steady_clock::now()
                + std::chrono::microseconds(random.bounded(0, 4000));
            while (std::chrono::steady_clock::now() < until) { }
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            int later = 0;
            while (::read(fds[0], &later, sizeof later) == sizeof later)
                finished = later;
            ::close(fds[0]);
            if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
                ++kills;
            } else if (++childFailures >= 10) {
                stoppedBecause = QStringLiteral("the saving child kept failing");
            }
            const int found = stateOf(url);
            if (found < 0) {
                ++unopenable;
                stoppedBecause = QStringLiteral("the file no longer opens");
                break;
            }
            if (found != finished && found != finished + 1)
                ++violations;
            state = found;
        }
    }
    benchState.counters["kills_planned"] = kKills;
    benchState.counters["kills"] = kills;
    benchState.counters["child_failures"] = childFailures;
    benchState.counters["violations"] = violations;
    benchState.counters["unopenable"] = unopenable;
    benchState.counters["saves_finished"] = state;
    if (!stoppedBecause.isEmpty()) {
        benchState.SetLabel(QStringLiteral("stopped early after %1 of %2 kills: %3")
                                .arg(kills)
                                .arg(kKills)
                                .arg(stoppedBecause)
                                .toStdString());
    }
}
BENCHMARK(BM_KillDuringSaves)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
