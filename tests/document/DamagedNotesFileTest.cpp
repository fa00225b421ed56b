#include "NotesFileTestSupport.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sqlite3.h>

using namespace notesfiletest;
using platform::SaveOperation;

namespace {

QString storeOf(const QString& package)
{
    return package + QStringLiteral("/StoreContent/persistentStore");
}

} // namespace

TEST(DamagedNotesFile, OpeningSaysWhatIsAtThePlaceInsteadOfANotesFile)
{
    const QString folder = bxtest::makeTempFolder();
    const QString loop = folder + QStringLiteral("/Loop.brindlex");
    ASSERT_TRUE(QFile::link(loop, loop));
    const QString dangling = folder + QStringLiteral("/Gone.brindlex");
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nowhere"), dangling));
    const QString device = folder + QStringLiteral("/Zero.brindlex");
    ASSERT_TRUE(QDir().mkpath(device + QStringLiteral("/StoreContent")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), storeOf(device)));
    const QString looping = folder + QStringLiteral("/Looping store.brindlex");
    ASSERT_TRUE(QDir().mkpath(looping + QStringLiteral("/StoreContent")));
    ASSERT_TRUE(QFile::link(storeOf(looping), storeOf(looping)));
    const QString missing = folder + QStringLiteral("/Missing.brindlex");

    const struct {
        QString path;
        QString reason;
    } cases[] {
        { loop, QStringLiteral("“Loop.brindlex” is a link that leads back to itself.") },
        { dangling,
            QStringLiteral("“Gone.brindlex” is a link to something that is no longer there.") },
        { device,
            QStringLiteral(
                "The notes store in “Zero.brindlex” is not a file but a device or a folder.") },
        { looping,
            QStringLiteral("The notes store in “Looping store.brindlex” is a link that leads back "
                           "to itself.") },
        { missing, QStringLiteral("There is nothing at “%1”.").arg(missing) },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.path.toStdString());
        platform::Error error;
        EXPECT_EQ(open(QUrl::fromLocalFile(entry.path), &error), nullptr);
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("Can't open this notes file."));
        EXPECT_EQ(error.localizedFailureReason(), entry.reason);
    }
}

TEST(DamagedNotesFile, ASaveAfterTheMetadataTableWasDroppedNamesThatAndNotReadOnly)
{
    const QUrl url = packageURL(bxtest::makeTempFolder(), QStringLiteral("Plans"));
    NotesFile document;
    addNote(document, QStringLiteral("Garden"));
    ASSERT_TRUE(save(document, url, SaveOperation::SaveAs).isNull());

    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open(QFile::encodeName(storeOf(url.toLocalFile())).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DROP TABLE Z_METADATA", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    addNote(document, QStringLiteral("Roses"));
    const platform::Error error = save(document, url, SaveOperation::Save);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("The notes store lost its metadata."))
        << error.toString().toStdString();
    EXPECT_EQ(error.localizedFailureReason(),
        QStringLiteral("Another program removed the table that names the store. The notes in "
                       "its window are kept there until you save them in another place."));
    EXPECT_TRUE(document.isFileGone());

    // Saved elsewhere, every note comes along.
    const QUrl kept = packageURL(bxtest::makeTempFolder(), QStringLiteral("Kept"));
    ASSERT_TRUE(save(document, kept, SaveOperation::SaveAs).isNull());
    document.close();
    const std::unique_ptr<NotesFile> reopened = open(kept);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(
        titles(*reopened), QStringList({ QStringLiteral("Garden"), QStringLiteral("Roses") }));
    reopened->close();
}
