#include "platform/foundation/SafeWrite.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>

using platform::Error;
using platform::SafeWrite;

namespace {

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(SafeWrite, FileIsReplacedWholeAndNoTemporaryStays)
{
    const QString folder = bxtest::makeTempFolder();
    const QString path = folder + QStringLiteral("/note.txt");
    ASSERT_TRUE(SafeWrite::writeFile(path, "first", QStringLiteral("Not saved."), nullptr));
    ASSERT_TRUE(SafeWrite::writeFile(path, "second", QStringLiteral("Not saved."), nullptr));
    EXPECT_EQ(contentsOf(path), "second");
    EXPECT_EQ(entriesOf(folder), QStringList { QStringLiteral("note.txt") });
}

TEST(SafeWrite, FolderIsSwappedInWholeAndAFailedFillLeavesTheOldOne)
{
    const QString folder = bxtest::makeTempFolder();
    const QString path = folder + QStringLiteral("/Export.rtfd");
    const auto fillWith = [](QStringList names) {
        return [names](const QString& into, Error* error) {
            for (const QString& name : names) {
                if (!SafeWrite::writeFile(
                        into + QLatin1Char('/') + name, name.toUtf8(), QStringLiteral("x"), error))
                    return false;
            }
            return true;
        };
    };
    ASSERT_TRUE(SafeWrite::writeFolder(path,
        fillWith({ QStringLiteral("TXT.rtf"), QStringLiteral("old.png") }), QStringLiteral("x"),
        nullptr));
    ASSERT_TRUE(SafeWrite::writeFolder(
        path, fillWith({ QStringLiteral("TXT.rtf") }), QStringLiteral("x"), nullptr));
    // A stale attachment of the old folder does not survive the new one.
    EXPECT_EQ(entriesOf(path), QStringList { QStringLiteral("TXT.rtf") });

    Error error;
    EXPECT_FALSE(SafeWrite::writeFolder(
        path,
        [](const QString&, Error* failure) {
            return Error::set(failure, Error::fromErrno(ENOSPC, QStringLiteral("Full.")));
        },
        QStringLiteral("x"), &error));
    EXPECT_TRUE(error.is(platform::kCocoaErrorDomain, platform::FileWriteOutOfSpaceError));
    EXPECT_EQ(contentsOf(path + QStringLiteral("/TXT.rtf")), "TXT.rtf");
    EXPECT_EQ(entriesOf(folder), QStringList { QStringLiteral("Export.rtfd") });
}

TEST(SafeWrite, FailuresNameTheWriteAndKeepTheSystemsReason)
{
    const QString missing = bxtest::makeTempFolder() + QStringLiteral("/gone/file.txt");
    Error error;
    EXPECT_FALSE(
        SafeWrite::writeFile(missing, "x", QStringLiteral("The file could not be saved."), &error));
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("The file could not be saved."));
    ASSERT_NE(error.underlyingError(), nullptr);
    EXPECT_TRUE(error.underlyingError()->is(platform::kPOSIXErrorDomain, ENOENT));

    const struct {
        int errorNumber;
        int code;
    } codes[] = {
        { ENOSPC, platform::FileWriteOutOfSpaceError },
        { EDQUOT, platform::FileWriteOutOfSpaceError },
        { EROFS, platform::FileWriteNoPermissionError },
        { EACCES, platform::FileWriteNoPermissionError },
        { EIO, platform::FileWriteUnknownError },
    };
    for (const auto& c : codes) {
        SCOPED_TRACE(c.errorNumber);
        const Error mapped = Error::fromErrno(c.errorNumber, QStringLiteral("d"));
        EXPECT_EQ(mapped.code(), c.code);
        EXPECT_FALSE(mapped.localizedFailureReason().isEmpty());
    }
}
