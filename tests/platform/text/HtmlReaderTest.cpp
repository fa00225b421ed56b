#include "RichTextTestSupport.h"

#include "platform/text/HtmlNestingLimiter.h"
#include "platform/text/HtmlReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextDocument>

using platform::HtmlNestingLimiter;
using platform::HtmlReader;
using platform::TextEncoding;

namespace {

QString repeated(const char* piece, int count)
{
    return QString::fromLatin1(piece).repeated(count);
}

} // namespace

TEST(HtmlNestingLimiter, DropsOnlyTagsBeyondTheLimitInPairs)
{
    struct Case {
        const char* label;
        QString html;
        QString expected; // null: unchanged
    };
    const Case cases[] = {
        { "shallow nesting", repeated("<div>a", 3) + repeated("</div>", 3), QString() },
        { "deep nesting", repeated("<div>a", 5) + repeated("</div>", 5),
            repeated("<div>a", 3) + QStringLiteral("aa") + repeated("</div>", 3) },
        { "mixed case names close their match", QStringLiteral("<B><i><u><s>x</S></U></I></b>"),
            QStringLiteral("<B><i><u>x</U></I></b>") },
        { "closing an outer element closes the inner ones",
            QStringLiteral("<div><b><i><u>x</div><span><em>y</em></span>"),
            QStringLiteral("<div><b><i>x</i></b></div><span><em>y</em></span>") },
        { "unclosed paragraphs and items are siblings, their end tags written",
            QStringLiteral("<ul>") + repeated("<li><p>x", 6) + QStringLiteral("</ul>"),
            QStringLiteral("<ul><li><p>x") + repeated("</p></li><li><p>x", 5)
                + QStringLiteral("</p></li></ul>") },
        { "unclosed cells and rows are siblings",
            QStringLiteral("<table>") + repeated("<tr><td>a<th>b", 2) + QStringLiteral("</table>"),
            QStringLiteral("<table><tr><td>a</td><th>b</th></tr><tr><td>a</td><th>b</th></tr>"
                           "</table>") },
        { "a cell outside a table gets one, as the importer would give it",
            repeated("<td>a</td></tr>", 3),
            QStringLiteral("<table><tr><td>a</td></tr>") + repeated("<tr><td>a</td></tr>", 2) },
        { "a \"<\" that starts no tag is text",
            QStringLiteral("a < b <3 <") + QChar(0) + QStringLiteral("p <\u00E9 </ x <"),
            QStringLiteral("a &lt; b &lt;3 &lt;") + QChar(0)
                + QStringLiteral("p &lt;\u00E9 &lt;/ x &lt;") },
        { "declarations and instructions go", QStringLiteral("<!DOCTYPE html><?xml x?>a"),
            QStringLiteral("a") },
        { "void, self-closing and unknown closing tags do not nest",
            repeated("<br><img src=a><hr/><x/></nothing>", 5), QString() },
        { "a slash anywhere after the name closes, a quoted one does not",
            repeated("<x</y>a<z<w>", 3) + repeated("<div title=\"/>\">", 2),
            repeated("<x</y>a<z<w>", 3) },
        { "comments go with the tags they hide, scripts do not hide theirs",
            QStringLiteral("<!-- <div><div><div><div> --><script><div><div><div><div></script>"),
            QStringLiteral("<script><div><div></div></div></script>") },
        // The importer would drop the space after each, running the words together.
        { "the words around comments stay apart",
            QStringLiteral("keep <!-- x -->bold<!-- y --> words<!x> apart <!-- open"),
            QStringLiteral("keep bold words apart <!-- open") },
        { "unterminated tag ends the scan", repeated("<div>", 3) + QStringLiteral("<div"),
            QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString expected = c.expected.isNull() ? c.html : c.expected;
        EXPECT_EQ(HtmlNestingLimiter::limited(c.html, 3).toStdString(), expected.toStdString());
    }
}

// Each element was matched against every rule of every style element, so a page of many of both
// took minutes.
TEST(HtmlNestingLimiter, KeepsStyleSheetsWithinWhatTheImporterCanMatch)
{
    const QString small = QStringLiteral("<style>p { color: red }</style>");
    const QString large
        = QStringLiteral("<style>") + repeated(".c{}", 750) + QStringLiteral("</style>");
    const QString body = repeated("<b>x</b>", 10000);
    EXPECT_EQ(HtmlNestingLimiter::limited(small + large + large + body).toStdString(),
        (small + large + body).toStdString());
    EXPECT_EQ(HtmlNestingLimiter::limited(small + large + small).toStdString(),
        (small + large + small).toStdString());
    // Without an end tag the importer takes the text up to the next tag for its rules, and
    // holds all that follows inside the element, one level deeper.
    const QString open = QStringLiteral("<style>") + repeated(".c{}", 750);
    const QString shorter = repeated("<b>x</b>", 7000);
    EXPECT_EQ(HtmlNestingLimiter::limited(open + open + QStringLiteral("<p>x</p>") + shorter)
                  .toStdString(),
        (open + QStringLiteral("<p>x</p>") + shorter).toStdString());
    // Each element is matched again for every one around it.
    const QString deep = repeated("<div>", 100) + body;
    EXPECT_EQ(HtmlNestingLimiter::limited(small + deep).toStdString(), deep.toStdString());
}

// Deep nesting made reading take time growing with the square of the depth; the content of
// every level must still arrive.
TEST(HtmlReader, DeeplyNestedBlocksKeepTheirContent)
{
    constexpr int depth = 20000;
    const QByteArray html
        = (repeated("<blockquote><div>x", depth) + repeated("</div></blockquote>", depth)).toUtf8();
    const auto result = HtmlReader::read(html, {});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->document->toPlainText().count(QLatin1Char('x')), depth);
}

TEST(HtmlReader, PageDeclaringShiftJisX0213Reads)
{
    QFile file(QStringLiteral(BX_TEST_DATA_DIR "/shift_jisx0213.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto result = HtmlReader::read(file.readAll(), {});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->encoding, TextEncoding::Value(0x80000628));
    EXPECT_EQ(result->document->toPlainText().trimmed(),
        QString(29, QChar(0x65E5))
            + QString::fromUtf8("\u304B\u309A\u304D\u309A\u304F\u309A\u672C\u8A9E\u306E"
                                "\u30C6\u30AD\u30B9\u30C8"));
}

// A page of more text and markup than the bound is refused at once: the importer would take
// gigabytes for it. A picture written into the page, however long, is not markup.
TEST(HtmlReader, PagesOverTheBoundAreRefusedTheirPicturesNotCounted)
{
    const qsizetype bound = HtmlReader::maximumMarkupLength;
    platform::Error error;
    const QByteArray text = "<p>" + QByteArray(bound, 'x');
    EXPECT_FALSE(HtmlReader::read(text, {}, &error));
    EXPECT_EQ(error.code(), platform::FileReadTooLargeError);

    // Bytes after a picture's end are no part of it.
    const QByteArray picture = "<p>x <img src=\"data:image/png;base64,"
        + bxtest::pngBytes(QSize(2, 2), Qt::red).toBase64() + QByteArray(bound, 'A') + "\">";
    const auto read = HtmlReader::read(picture, {}, &error);
    ASSERT_TRUE(read) << error.toString().toStdString();
    EXPECT_EQ(read->document->toPlainText(), QStringLiteral("x \uFFFC"));
}
