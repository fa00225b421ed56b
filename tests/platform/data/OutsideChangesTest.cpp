#include "NotesModel.h"
#include "SqlProbe.h"

#include "platform/data/FetchRequest.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <functional>

using namespace platform;
using namespace datatest;

namespace {

constexpr int kNotes = 40;

QString noteText(int i)
{
    return QStringLiteral("note %1 ").arg(i) + QString(300, QLatin1Char('a' + i % 26));
}

void makeStore(const QString& path)
{
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(coordinator);
    for (int i = 0; i < kNotes; ++i)
        context.insertNewObjectForEntityForName(QStringLiteral("Note"))
            ->setValue(noteText(i), QStringLiteral("noteText"));
    ASSERT_TRUE(context.save(nullptr));
}

// Another program writes the file a moment after the store last did, as any later write is.
void markWrittenLater(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
}

void cutTo(const QString& path, double share)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(qint64(double(file.size()) * share)));
}

void runSql(const QString& path, const QString& sql)
{
    SqlProbe probe(path);
    ASSERT_EQ(probe.exec(sql), 0) << qPrintable(sql);
}

// Random bytes over every page but the first, whose header SQLite checks on each read.
void overwritePages(const QString& path)
{
    const qint64 pageSize = SqlProbe(path).value(QStringLiteral("PRAGMA page_size")).toLongLong();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QRandomGenerator random(53);
    for (qint64 offset = pageSize; offset < file.size(); offset += 2 * pageSize) {
        QByteArray bytes(pageSize, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.generate());
        file.seek(offset);
        file.write(bytes);
    }
    file.close();
    markWrittenLater(path);
}

void replaceByLink(const QString& path)
{
    const QString other = path + QStringLiteral(".other");
    makeStore(other);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::link(other, path));
}

struct OutsideChange {
    const char* name;
    std::function<void(const QString&)> apply;
    QString said;
};

const std::vector<OutsideChange>& outsideChanges()
{
    static const std::vector<OutsideChange> changes {
        { "cut to nothing", [](const QString& path) { cutTo(path, 0); },
            QStringLiteral("The notes store was emptied.") },
        { "cut to half", [](const QString& path) { cutTo(path, 0.5); },
            QStringLiteral("The notes store was cut short.") },
        { "notes table dropped",
            [](const QString& path) { runSql(path, QStringLiteral("DROP TABLE ZNOTE")); },
            QStringLiteral("The notes store lost some of its tables.") },
        { "metadata table dropped",
            [](const QString& path) { runSql(path, QStringLiteral("DROP TABLE Z_METADATA")); },
            QStringLiteral("The notes store lost its metadata.") },
        { "replaced by a link", replaceByLink,
            QStringLiteral("The notes store was replaced by another file.") },
        { "pages overwritten", overwritePages, QStringLiteral("The notes store is damaged.") },
    };
    return changes;
}

// The open store's notes, each loaded, with one changed and one added since the last save.
struct OpenStore {
    QString path = storePath();
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    ManagedObjectContext context;

    OpenStore()
    {
        makeStore(path);
        coordinator = openCoordinator(path);
        context.setPersistentStoreCoordinator(coordinator);
        const auto notes = context.fetchObjects(FetchRequest(QStringLiteral("Note")), nullptr);
        EXPECT_TRUE(notes && notes->size() == kNotes);
        notes->first()->setValue(QStringLiteral("changed"), QStringLiteral("noteText"));
        context.insertNewObjectForEntityForName(QStringLiteral("Note"))
            ->setValue(QStringLiteral("added"), QStringLiteral("noteText"));
    }

    QStringList textsInMemory() const
    {
        QStringList texts;
        for (const ManagedObjectPtr& note : context.registeredObjects())
            texts << note->valueForKey(QStringLiteral("noteText")).toString();
        texts.sort();
        return texts;
    }
};

QStringList storedTexts(const QString& path)
{
    QStringList texts;
    for (const QVariantList& row :
        SqlProbe(path).rows(QStringLiteral("SELECT ZNOTETEXT FROM ZNOTE")))
        texts << row.value(0).toString();
    texts.sort();
    return texts;
}

} // namespace

TEST(OutsideChanges, EachChangeIsNamedBySaveAndTheStoreStaysRefused)
{
    for (const OutsideChange& change : outsideChanges()) {
        SCOPED_TRACE(change.name);
        OpenStore open;
        change.apply(open.path);
        Error error;
        EXPECT_FALSE(open.context.save(&error));
        EXPECT_EQ(error.localizedDescription(), change.said) << qPrintable(error.toString());
        EXPECT_FALSE(error.localizedFailureReason().isEmpty());
        EXPECT_TRUE(open.coordinator->persistentStore()->isDamaged());
        // Nothing counts as saved, and a second attempt says the same.
        EXPECT_TRUE(open.context.hasChanges());
        Error again;
        EXPECT_FALSE(open.context.save(&again));
        EXPECT_EQ(again.localizedDescription(), change.said);
    }
}

TEST(OutsideChanges, ACopyElsewhereKeepsEveryNoteTheContextHolds)
{
    for (const OutsideChange& change : outsideChanges()) {
        SCOPED_TRACE(change.name);
        OpenStore open;
        const QString uuid = open.coordinator->persistentStore()->identifier();
        change.apply(open.path);
        EXPECT_FALSE(open.context.save(nullptr));

        const QString copy = storePath(QStringLiteral("kept"));
        Error error;
        ASSERT_TRUE(open.coordinator->migratePersistentStore(
            open.coordinator->persistentStore(), QUrl::fromLocalFile(copy), &error))
            << qPrintable(error.toString());
        ASSERT_TRUE(open.context.save(&error)) << qPrintable(error.toString());
        EXPECT_FALSE(open.context.hasChanges());

        EXPECT_EQ(storedTexts(copy).join(u'|').toStdString(),
            open.textsInMemory().join(u'|').toStdString());
        EXPECT_EQ(storedTexts(copy).size(), kNotes + 1);
        SqlProbe probe(copy);
        EXPECT_EQ(
            probe.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        EXPECT_EQ(probe.value(QStringLiteral("SELECT Z_UUID FROM Z_METADATA")).toString(), uuid);
        // The copy goes on taking saves, and new notes get keys of their own.
        open.context.insertNewObjectForEntityForName(QStringLiteral("Note"))
            ->setValue(QStringLiteral("later"), QStringLiteral("noteText"));
        ASSERT_TRUE(open.context.save(&error)) << qPrintable(error.toString());
        EXPECT_EQ(storedTexts(copy).size(), kNotes + 2);
    }
}

TEST(OutsideChanges, SavesOfAnotherConnectionAreNoDamage)
{
    OpenStore open;
    runSql(open.path, QStringLiteral("UPDATE ZNOTE SET ZNOTENAME = 'elsewhere' WHERE Z_PK = 2"));
    markWrittenLater(open.path);
    Error error;
    EXPECT_TRUE(open.context.save(&error)) << qPrintable(error.toString());
    EXPECT_FALSE(open.coordinator->persistentStore()->isDamaged());
    EXPECT_EQ(storedTexts(open.path).size(), kNotes + 1);
}
