#include "document/transfer/BXFileNames.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

TEST(FileNamesTest, SafeNames)
{
    const QString longName = QString(300, u'a');
    // 127 two-byte letters fill 254 bytes; the next one would split at 255.
    const QString twoByte = QString(130, QChar(0x00E9));
    const QString emoji = QString(63, u'x') + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(50);
    struct Case {
        QString name;
        QString safe;
    };
    const Case cases[] = {
        { QStringLiteral("a/b:c"), QStringLiteral("a-b-c") },
        { QStringLiteral("."), QStringLiteral("Category") },
        { QStringLiteral(".."), QStringLiteral("Category") },
        { QStringLiteral("../up"), QStringLiteral("-up") },
        { QStringLiteral(".hidden"), QStringLiteral("hidden") },
        { QStringLiteral("tab\there\nline"), QStringLiteral("tabhereline") },
        { QString(), QStringLiteral("Category") },
        { QStringLiteral("Work"), QStringLiteral("Work") },
        { longName, QString(255, u'a') },
        { twoByte, QString(127, QChar(0x00E9)) },
        // 63 + 4 * 48 = 255: whole emoji only.
        { emoji, QString(63, u'x') + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(48) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.left(20).toStdString());
        const QString safe = BXFileNames::safeFileName(c.name, QStringLiteral("Category"));
        EXPECT_EQ(safe, c.safe);
        EXPECT_LE(safe.toUtf8().size(), 255);
    }
}

TEST(FileNamesTest, UniqueNamesInAFolder)
{
    const QString folder = bxtest::makeTempFolder();
    const auto touch = [&folder](const QString& name) {
        QFile file(folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    const QString txt = QStringLiteral("txt");
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("Note.txt"), folder, txt), "Note.txt");
    touch(QStringLiteral("Note.txt"));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("Note.txt"), folder, txt), "Note 1.txt");
    touch(QStringLiteral("Note 1.txt"));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("Note.txt"), folder, txt), "Note 2.txt");
    // Names handed out but not yet written count as taken.
    EXPECT_EQ(BXFileNames::uniqueFileName(
                  QStringLiteral("Note.txt"), folder, txt, { QStringLiteral("Note 2.txt") }),
        "Note 3.txt");
    // A dot of the title is not an extension: numbers go before the real one, or at the end.
    touch(QStringLiteral("v1.2.txt"));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("v1.2.txt"), folder, txt), "v1.2 1.txt");
    touch(QStringLiteral("v1.2"));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("v1.2"), folder), "v1.2 1");
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("Work")));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("Work"), folder), "Work 1");
    // A link to nothing still holds the name.
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/gone"), folder + QStringLiteral("/Link")));
    EXPECT_EQ(BXFileNames::uniqueFileName(QStringLiteral("Link"), folder), "Link 1");
    const QString full(255, u'n');
    touch(full);
    const QString next = BXFileNames::uniqueFileName(full, folder);
    EXPECT_EQ(next.toUtf8().size(), 255);
    EXPECT_TRUE(next.endsWith(QStringLiteral(" 1")));
    const QString fullTxt = QString(251, u'n') + QStringLiteral(".txt");
    touch(fullTxt);
    const QString nextTxt = BXFileNames::uniqueFileName(fullTxt, folder, txt);
    EXPECT_EQ(nextTxt.toUtf8().size(), 255);
    EXPECT_TRUE(nextTxt.endsWith(QStringLiteral(" 1.txt")));
}

TEST(FileNamesTest, SafeNamesKeepTheirExtensionWithinTheLimit)
{
    struct Case {
        QString name;
        QString safe;
    };
    const Case cases[] = {
        { QStringLiteral("a/b:c"), QStringLiteral("a-b-c.rtfd") },
        { QString(), QStringLiteral("Note.rtfd") },
        { QStringLiteral("."), QStringLiteral("Note.rtfd") },
        { QStringLiteral(".."), QStringLiteral("Note.rtfd") },
        { QStringLiteral(".hidden"), QStringLiteral("hidden.rtfd") },
        // 255 bytes in all, ".rtfd" included.
        { QString(300, u'a'), QString(250, u'a') + QStringLiteral(".rtfd") },
        { QString(300, QChar(0x00E9)), QString(125, QChar(0x00E9)) + QStringLiteral(".rtfd") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.left(20).toStdString());
        const QString safe
            = BXFileNames::safeFileName(c.name, QStringLiteral("Note"), QStringLiteral("rtfd"));
        EXPECT_EQ(safe, c.safe);
        EXPECT_LE(safe.toUtf8().size(), 255);
    }
}
