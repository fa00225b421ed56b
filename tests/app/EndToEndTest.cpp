#include "AppTestSupport.h"

#include "app/BXRecentDocumentEntry.h"
#include "app/BXRecentDocumentsList.h"
#include "app/BXRecentDocumentsWindowController.h"
#include "document/model/BXNote.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <csignal>

namespace {

int noteCount(const QUrl& url)
{
    BXDocument document;
    platform::Error error;
    if (!document.initWithContentsOfURL(url, BXDocument::NotesDocumentType, &error))
        return -1;
    const auto notes = document.managedObjectContext()->fetchObjects(
        platform::FetchRequest(BXNote::entityName()), nullptr);
    const int count = notes ? int(notes->size()) : -1;
    document.close();
    return count;
}

} // namespace

TEST(EndToEndTest, ASecondLaunchHandsOverItsFileAndATerminationSignalEndsCleanly)
{
    apptest::Installation installation;
    const QUrl one = apptest::makeNotesFile(installation.root + QStringLiteral("/One.brindlex"));
    const QUrl two = apptest::makeNotesFile(installation.root + QStringLiteral("/Two.brindlex"));

    QProcess first;
    ASSERT_TRUE(installation.open(first, one)) << first.readAllStandardError().toStdString();

    QProcess second;
    installation.start(second, { two.toString() });
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return installation.recentDocuments() == QList<QUrl>({ two, one });
        },
        15000));

    ::kill(pid_t(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(15000)) << first.readAllStandardError().toStdString();
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(noteCount(one), 1);
    EXPECT_EQ(noteCount(two), 1);

    // The next start finds both in its recent-documents window.
    platform::FakeWindowTracker tracker;
    platform::UserDefaults defaults(installation.settingsPath());
    platform::MemoryPressureSource memoryPressure;
    BXDocumentController controller(defaults, memoryPressure);
    BXRecentDocumentsWindowController recents(controller);
    QList<QUrl> listed;
    for (const auto& entry : recents.list().recentsArrayController().arrangedObjects())
        listed.append(std::static_pointer_cast<BXRecentDocumentEntry>(entry)->url());
    EXPECT_EQ(listed, QList<QUrl>({ two, one }));
}

// Another program holds the open file's store: a second launch handing the file over is
// answered, and a termination signal ends the process with the file as it was.
TEST(EndToEndTest, AFileAnotherProgramHoldsNeitherStopsAHandOverNorATerminationSignal)
{
    apptest::Installation installation;
    const QUrl one = apptest::makeNotesFile(installation.root + QStringLiteral("/One.brindlex"));
    QProcess first;
    ASSERT_TRUE(installation.open(first, one)) << first.readAllStandardError().toStdString();

    sqlite3* other = nullptr;
    const QByteArray store
        = (one.toLocalFile() + QStringLiteral("/StoreContent/persistentStore")).toUtf8();
    ASSERT_EQ(sqlite3_open(store.constData(), &other), SQLITE_OK);
    sqlite3_busy_timeout(other, 10000);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QProcess second;
    installation.start(second, { one.toLocalFile() });
    EXPECT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);

    ::kill(pid_t(first.processId()), SIGTERM);
    const bool ended = first.waitForFinished(15000);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(ended) << "still waiting for the lock";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(noteCount(one), 1);
}

namespace {

// Whether the process has put a handler on SIGTERM yet: until then the signal would kill it.
bool catchesTermination(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
    return false;
}

} // namespace

TEST(EndToEndTest, ATerminationSignalEndsALaunchWaitingAtTheWrongPlaceAlert)
{
    apptest::Installation installation;
    installation.environment.remove(QStringLiteral("BRINDLEX_ANY_LOCATION"));
    QProcess process;
    installation.start(process, {});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return catchesTermination(process.processId()); }, 15000));

    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(15000)) << "still waiting at the alert";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
}
