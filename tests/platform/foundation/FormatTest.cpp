#include "platform/foundation/Error.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Format, PlaceholdersOfMessagesAndStringTables)
{
    struct Case {
        QString format;
        QVariantList args;
        QString expected;
    } cases[] = {
        {"unable to write %@. error: %@", {"a.rtf", "disk full"}, "unable to write a.rtf. error: disk full"},
        {"%d notes", {3}, "3 notes"},
        {"%lu of %ld", {7u, -2}, "7 of -2"},
        {"%.2f%%", {12.345}, "12.35%"},
        {"%2$@ before %1$@", {"one", "two"}, "two before one"},
        {"%@ and %@", {"only"}, "only and (null)"},
        {"trailing %", {}, "trailing %"},
        {"%03d", {7}, "007"},
        {"Undone\n%@", {"Add Note"}, "Undone\nAdd Note"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(formatString(c.format, c.args), c.expected);
    }
}

TEST(Format, LongNamesAreCutInTheMiddle)
{
    EXPECT_EQ(elidedMiddle(QStringLiteral("short.md"), 10), QStringLiteral("short.md"));
    EXPECT_EQ(elidedMiddle(QStringLiteral("abcdefghijkl"), 7), QStringLiteral("abc\u2026jkl"));
    const QString huge = QString(60 * 1024 * 1024, QLatin1Char('a')) + QStringLiteral(".md");
    const QString shown = elidedMiddle(huge, 120);
    EXPECT_EQ(shown.size(), 120);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("aaa.md")));
}

TEST(Format, ErrorsDescribeThemselvesWithTheirCause)
{
    Error inner(kPOSIXErrorDomain, 28, "No space left on device");
    Error outer(kCocoaErrorDomain, FileWriteOutOfSpaceError, "The file couldn't be saved.");
    outer.setUnderlyingError(inner);
    const QString text = format("unable to write %@. error: %@", QUrl("file:///tmp/x"), outer);
    EXPECT_TRUE(text.contains("file:///tmp/x"));
    EXPECT_TRUE(text.contains("The file couldn't be saved."));
    EXPECT_TRUE(text.contains("No space left on device"));
    ASSERT_NE(outer.underlyingError(), nullptr);
    EXPECT_EQ(outer.underlyingError()->code(), 28);

    Error none;
    EXPECT_TRUE(none.isNull());
    EXPECT_FALSE(Error::set(nullptr, outer));
    Error out;
    Error::set(&out, outer);
    EXPECT_EQ(out.code(), FileWriteOutOfSpaceError);
    EXPECT_FALSE(Error(kCocoaErrorDomain, 1).localizedDescription().isEmpty());
}

TEST(Localized, EnglishKeysAreTheirOwnDefault)
{
    EXPECT_EQ(localized("Can't open this notes file."), "Can't open this notes file.");
    EXPECT_EQ(localizedFormat("%@ notes", 4), "4 notes");
}

TEST(Log, CaptureCollectsFormattedLines)
{
    LogCapture outer;
    {
        LogCapture inner;
        log("failed trasforming data: %@", "oops");
        EXPECT_TRUE(inner.contains("failed trasforming data: oops"));
    }
    EXPECT_TRUE(outer.lines().isEmpty());
    log("second %d", 2);
    EXPECT_EQ(outer.lines(), QStringList{"second 2"});
}
