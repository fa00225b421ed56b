#include "platform/text/TextDifference.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SharedTextStorage.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;
using platform::TextDifference;

namespace {

std::unique_ptr<QTextDocument> plain(const QString& text)
{
    std::unique_ptr<QTextDocument> doc = AttributedText::makeDocument();
    QTextCursor(doc.get()).insertText(text);
    return doc;
}

struct CaretCase {
    const char* name;
    QString before;
    QString after;
    int caret;
    int expected;
};

} // namespace

// A view's caret rides on its characters when the text it shows takes another's: the view
// shows a mirror, which follows the storage change by change.
TEST(TextDifference, ACaretInAViewStaysOnItsCharacters)
{
    const CaretCase cases[] = {
        { "changed after the caret", QStringLiteral("abc def"), QStringLiteral("abc xyz"), 3, 3 },
        { "inserted before the caret", QStringLiteral("hello world"),
            QStringLiteral("oh hello world"), 8, 11 },
        { "removed around the caret", QStringLiteral("one two three"), QStringLiteral("one three"),
            6, 5 },
        { "the caret's word replaced", QStringLiteral("Packing list, boots"),
            QStringLiteral("Packing list, tent"), 19, 18 },
        { "a paragraph inserted before", QStringLiteral("a\nb"), QStringLiteral("a\nx\nb"), 3, 5 },
        { "unchanged", QStringLiteral("same"), QStringLiteral("same"), 2, 2 },
        { "emptied", QStringLiteral("gone"), QString(), 2, 0 },
    };
    for (const CaretCase& test : cases) {
        SCOPED_TRACE(test.name);
        std::unique_ptr<QTextDocument> storage = plain(test.before);
        std::unique_ptr<QTextDocument> mirror
            = platform::SharedTextStorage::of(storage.get())->makeMirror(nullptr);
        QTextCursor caret(mirror.get());
        caret.setPosition(test.caret);
        const std::unique_ptr<QTextDocument> source = plain(test.after);
        TextDifference::replaceDifferingPart(*storage, *source);
        EXPECT_EQ(AttributedText::string(*storage), test.after);
        EXPECT_EQ(AttributedText::string(*mirror), test.after);
        EXPECT_EQ(caret.position(), test.expected);
    }
}

TEST(TextDifference, AttributesChangedOutsideTheChangedCharactersAreTakenToo)
{
    std::unique_ptr<QTextDocument> target = plain(QStringLiteral("bold here, plain there"));
    std::unique_ptr<QTextDocument> source = plain(QStringLiteral("bold here, plain where"));
    QTextCursor bold(source.get());
    bold.setPosition(0);
    bold.setPosition(4, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    bold.mergeCharFormat(format);
    ASSERT_FALSE(TextDifference::sameFormattedText(*target, *source));

    TextDifference::replaceDifferingPart(*target, *source);
    EXPECT_TRUE(TextDifference::sameFormattedText(*target, *source));
    EXPECT_EQ(AttributedText::string(*target), QStringLiteral("bold here, plain where"));
}

TEST(TextDifference, SameFormattedTextIgnoresHowTheRunsAreCut)
{
    std::unique_ptr<QTextDocument> whole = plain(QStringLiteral("one run"));
    std::unique_ptr<QTextDocument> pieces = plain(QStringLiteral("one"));
    QTextCursor end(pieces.get());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral(" run"));
    EXPECT_TRUE(TextDifference::sameFormattedText(*whole, *pieces));
    EXPECT_FALSE(TextDifference::sameFormattedText(*whole, *plain(QStringLiteral("one ruN"))));
    EXPECT_FALSE(TextDifference::sameFormattedText(*whole, *plain(QStringLiteral("one\nrun"))));
}
