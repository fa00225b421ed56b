#include "AppTestSupport.h"

#include "document/model/BXNote.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <csignal>
#include <functional>

namespace {

void runSql(const QString& store, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(store).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void cutTo(const QString& store, double share)
{
    QFile file(store);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(qint64(double(file.size()) * share)));
}

void overwritePages(const QString& store)
{
    QFile file(store);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QRandomGenerator random(7);
    for (qint64 offset = 4096; offset < file.size(); offset += 2 * 4096) {
        QByteArray bytes(4096, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.generate());
        file.seek(offset);
        file.write(bytes);
    }
}

void replaceByLink(const QString& store)
{
    const QString other = QFileInfo(store).path() + QStringLiteral("/../../Other.brindlex");
    apptest::makeNotesFile(other);
    ASSERT_TRUE(QFile::remove(store));
    ASSERT_TRUE(QFile::link(other + QStringLiteral("/StoreContent/persistentStore"), store));
}

QStringList noteTexts(const QString& path)
{
    BXDocument document;
    platform::Error error;
    if (!document.initWithContentsOfURL(
            QUrl::fromLocalFile(path), BXDocument::NotesDocumentType, &error))
        return { error.toString() };
    QStringList texts;
    const auto notes = document.managedObjectContext()->fetchObjects(
        platform::FetchRequest(BXNote::entityName()), nullptr);
    for (const platform::ManagedObjectPtr& note :
        notes.value_or(QList<platform::ManagedObjectPtr>()))
        texts << std::static_pointer_cast<BXNote>(note)->noteText();
    document.close();
    return texts;
}

// Where the last quit kept the notes of `path`, as the next start will name it.
QString keptCopy(const apptest::Installation& installation, const QString& path)
{
    platform::UserDefaults defaults(installation.settingsPath());
    for (const QVariant& entry : defaults.arrayForKey(QStringLiteral("LockedDocumentCopies"))) {
        const QVariantMap copy = entry.toMap();
        if (copy.value(QStringLiteral("file")).toString() == path)
            return copy.value(QStringLiteral("copy")).toString();
    }
    return {};
}

// The processor time the process has used, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

// Until the process has used no processor time for a while: the window it opened is shown,
// with the note it selected.
bool waitUntilIdle(qint64 pid)
{
    qint64 last = -1;
    int quiet = 0;
    return QTest::qWaitFor(
        [&] {
            const qint64 now = cpuTicks(pid);
            quiet = now == last ? quiet + 1 : 0;
            last = now;
            return quiet >= 30;
        },
        30000);
}

} // namespace

TEST(DamagedStoreProcess, ATerminationKeepsTheNotesOfAStoreChangedFromOutsideAndSaysSo)
{
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> changes {
        { "cut to nothing", [](const QString& store) { cutTo(store, 0); } },
        { "cut to half", [](const QString& store) { cutTo(store, 0.5); } },
        { "notes table dropped", [](const QString& store) { runSql(store, "DROP TABLE ZNOTE"); } },
        { "metadata table dropped",
            [](const QString& store) { runSql(store, "DROP TABLE Z_METADATA"); } },
        { "replaced by a link", replaceByLink },
        { "pages overwritten", overwritePages },
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        apptest::Installation installation;
        const QString path = installation.root + QStringLiteral("/Plans.brindlex");
        const QUrl url = apptest::makeNotesFile(path);
        const QStringList written = noteTexts(path);

        QProcess process;
        installation.start(process, { path });
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return installation.recentDocuments() == QList<QUrl> { url }; }, 15000));
        ASSERT_TRUE(waitUntilIdle(process.processId()));
        change(path + QStringLiteral("/StoreContent/persistentStore"));
        ::kill(pid_t(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(15000)) << process.readAllStandardError().toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

        const QString copy = keptCopy(installation, path);
        ASSERT_FALSE(copy.isEmpty()) << process.readAllStandardError().toStdString();
        EXPECT_EQ(noteTexts(copy), written);
    }
}
