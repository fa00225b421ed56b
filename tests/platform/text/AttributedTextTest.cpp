#include "RichTextTestSupport.h"

#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

using namespace platform;

namespace {

using A = AttributedText;

// "Hello " plain, "bold" bold, " world" red; second paragraph "Two" with an attachment.
std::unique_ptr<QTextDocument> sampleDocument()
{
    auto doc = A::makeDocument();
    QTextCursor cursor(doc.get());
    cursor.insertText(QStringLiteral("Hello "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("bold"), bold);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    cursor.insertText(QStringLiteral(" world"), red);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(QStringLiteral("Two "));
    cursor.setCharFormat(QTextCharFormat());
    A::insertAttachment(cursor, { QByteArray("png bytes"), QStringLiteral("a.png"), { 20, 10 } });
    return doc;
}

TEST(AttributedText, PlainStringUsesNewlinesAndObjectReplacement)
{
    const auto doc = sampleDocument();
    EXPECT_EQ(A::string(*doc), QStringLiteral("Hello bold world\nTwo \uFFFC"));
    EXPECT_EQ(A::length(*doc), A::string(*doc).size());
    EXPECT_TRUE(A::containsAttachments(*doc));

    const auto stripped = A::copyRemovingAttachments(*doc);
    EXPECT_EQ(A::string(*stripped), QStringLiteral("Hello bold world\nTwo "));
    EXPECT_FALSE(A::containsAttachments(*stripped));
    EXPECT_TRUE(A::containsAttachments(*doc)); // the original keeps it
}

TEST(AttributedText, EffectiveRangesAndRuns)
{
    const auto doc = sampleDocument();
    TextRange range;
    QVariant font = A::attribute(*doc, A::FontAttributeName, 7, &range);
    EXPECT_TRUE(font.value<QFont>().bold());
    EXPECT_EQ(range, (TextRange { 6, 4 }));

    const QVariantMap red = A::attributes(*doc, 12, &range);
    EXPECT_EQ(red.value(A::ForegroundColorAttributeName).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(range, (TextRange { 10, 6 }));

    // Runs of the colour cover the whole string, absent values included.
    std::vector<std::pair<bool, TextRange>> runs;
    A::enumerateAttribute(*doc, A::ForegroundColorAttributeName, { 0, A::length(*doc) },
        [&](const QVariant& value, TextRange run, bool*) {
            runs.push_back({ value.isValid(), run });
        });
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (std::pair { false, TextRange { 0, 10 } }));
    EXPECT_EQ(runs[1], (std::pair { true, TextRange { 10, 6 } }));
    EXPECT_FALSE(runs[2].first);
    EXPECT_EQ(runs[2].second.end(), A::length(*doc));

    const QVariant attachment = A::attribute(*doc, A::AttachmentAttributeName, 21);
    const TextAttachment value = attachment.value<TextAttachment>();
    EXPECT_EQ(value.contents, QByteArray("png bytes"));
    EXPECT_EQ(value.fileName, QStringLiteral("a.png"));
    EXPECT_EQ(value.size, QSizeF(20, 10));
}

TEST(AttributedText, AddAndRemoveEachAttribute)
{
    struct Case {
        QString name;
        QVariant value;
    };
    ParagraphStyle style;
    style.alignment = TextAlignment::Center;
    style.lineHeightMultiple = 1.35;
    style.headIndent = 18;
    style.firstLineHeadIndent = 36;
    style.tailIndent = -12;
    style.paragraphSpacingBefore = 6;
    style.paragraphSpacing = 3.5;
    style.defaultTabInterval = 28;
    style.tabStops = { { TextTabType::Right, 100.5 }, { TextTabType::Decimal, 200 } };
    QFont font(QStringLiteral("Menlo"));
    font.setPointSizeF(13.5);
    font.setItalic(true);
    const int custom = A::registerAttribute(QStringLiteral("TestTagAttribute"));
    EXPECT_EQ(A::registerAttribute(QStringLiteral("TestTagAttribute")), custom);
    const std::vector<Case> cases = {
        { A::FontAttributeName, font },
        { A::ForegroundColorAttributeName, QColor(10, 20, 30) },
        { A::BackgroundColorAttributeName, QColor(10, 20, 30, 128) },
        { A::UnderlineStyleAttributeName, 0x0209 },
        { A::UnderlineColorAttributeName, QColor(Qt::blue) },
        { A::StrikethroughStyleAttributeName, 1 },
        { A::StrikethroughColorAttributeName, QColor(Qt::green) },
        { A::LinkAttributeName, QUrl(QStringLiteral("https://example.org/x")) },
        { A::BaselineOffsetAttributeName, 3.5 },
        { A::SuperscriptAttributeName, -1 },
        { A::ParagraphStyleAttributeName, QVariant::fromValue(style) },
        { QStringLiteral("TestTagAttribute"), QStringLiteral("tag") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        auto doc = sampleDocument();
        A::addAttribute(*doc, c.name, c.value, { 2, 3 });
        EXPECT_EQ(A::attribute(*doc, c.name, 3), c.value);
        EXPECT_EQ(A::attribute(*doc, c.name, 2), c.value);
        if (c.name != A::ParagraphStyleAttributeName) {
            TextRange range;
            A::attribute(*doc, c.name, 3, &range);
            EXPECT_EQ(range, (TextRange { 2, 3 }));
            EXPECT_FALSE(A::attribute(*doc, c.name, 5).isValid());
        }
        // Other attributes stay where they were.
        EXPECT_EQ(A::attribute(*doc, A::ForegroundColorAttributeName, 12).value<QColor>(),
            QColor(Qt::red));
        A::removeAttribute(*doc, c.name, { 0, A::length(*doc) });
        EXPECT_FALSE(A::attribute(*doc, c.name, 3).isValid());
    }
}

TEST(AttributedText, TabStopsCountFromTheLeadingMargin)
{
    struct Case {
        const char* name;
        double firstLineHeadIndent;
        double headIndent;
        double tab;
    };
    const Case cases[] = {
        { "no indent", 0, 0, 30 },
        { "first line indented", 12, 0, 30 },
        { "hanging indent", 6, 30, 30 },
        { "indented past the tab", 40, 40, 60 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        auto doc = A::makeDocument();
        QTextCursor cursor(doc.get());
        QTextBlockFormat format;
        ParagraphStyle style;
        style.firstLineHeadIndent = test.firstLineHeadIndent;
        style.headIndent = test.headIndent;
        style.tabStops = { { TextTabType::Left, test.tab } };
        A::setParagraphStyle(format, style);
        cursor.setBlockFormat(format);
        cursor.insertText(QStringLiteral("a\tb"));
        EXPECT_EQ(A::paragraphStyle(doc->firstBlock().blockFormat()), style);

        doc->documentLayout(); // lays the document out
        const QTextLayout* layout = doc->firstBlock().layout();
        ASSERT_GT(layout->lineCount(), 0);
        const double drawnAt = layout->position().x() + layout->lineAt(0).cursorToX(2);
        EXPECT_NEAR(drawnAt - doc->documentMargin(), A::pointsToPixels(test.tab), 1);
    }
}

TEST(AttributedText, ParagraphStyleSurvivesBlockFormat)
{
    ParagraphStyle style;
    style.alignment = TextAlignment::Left;
    style.lineHeightMultiple = 1.3;
    style.lineSpacing = 2;
    style.minimumLineHeight = 10;
    style.maximumLineHeight = 30;
    style.headIndent = 0.05;
    style.firstLineHeadIndent = 28.35;
    style.tailIndent = 144;
    style.paragraphSpacing = 1.25;
    style.tabStops = { { TextTabType::Center, 33.3 }, { TextTabType::Left, 56 } };
    QTextBlockFormat format;
    A::setParagraphStyle(format, style);
    EXPECT_TRUE(A::hasParagraphStyle(format));
    EXPECT_EQ(A::paragraphStyle(format), style);
    EXPECT_FALSE(A::hasParagraphStyle(QTextBlockFormat()));
    EXPECT_EQ(A::defaultParagraphStyle().lineHeightMultiple, 1.3);
    EXPECT_EQ(A::defaultParagraphStyle().tabStops, ParagraphStyle::defaultTabStops());
    EXPECT_FALSE(A::defaultAttributes().contains(A::ForegroundColorAttributeName));
}

TEST(AttributedText, ReplaceAndCopyRanges)
{
    auto doc = sampleDocument();
    A::replaceCharacters(*doc, { 6, 4 }, QStringLiteral("BOLD"));
    EXPECT_EQ(A::string(*doc).left(16), QStringLiteral("Hello BOLD world"));
    EXPECT_TRUE(A::attribute(*doc, A::FontAttributeName, 6).value<QFont>().bold());

    const auto part = A::attributedSubstring(*doc, { 11, 11 });
    EXPECT_EQ(A::string(*part), QStringLiteral("world\nTwo \uFFFC"));
    EXPECT_EQ(
        A::attribute(*part, A::ForegroundColorAttributeName, 0).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(A::attribute(*part, A::AttachmentAttributeName, 10).value<TextAttachment>().contents,
        QByteArray("png bytes"));

    A::replaceCharacters(*doc, { 0, 5 }, *part);
    EXPECT_EQ(A::string(*doc), QStringLiteral("world\nTwo \uFFFC BOLD world\nTwo \uFFFC"));
    EXPECT_EQ(A::attribute(*doc, A::AttachmentAttributeName, 10).value<TextAttachment>().fileName,
        QStringLiteral("a.png"));
}

// A copy starting with an empty paragraph brings that paragraph's look, which no character
// carries, to the paragraph it lands at the start of; landing inside one it changes nothing.
TEST(AttributedText, ACopiedEmptyParagraphKeepsItsLook)
{
    const std::vector<std::vector<bxtest::TypedLine>> cases = {
        { { {}, 18, true }, { u"x"_qs, 12 } },
        { { {}, 18, true }, { {}, 24 } },
        { { u"a"_qs, 18, true }, { {}, 24 } },
    };
    for (const auto& lines : cases) {
        const auto source = bxtest::typedLines(lines);
        const std::string looks = bxtest::describeParagraphLooks(*source);
        SCOPED_TRACE(looks);
        const auto part = A::attributedSubstring(*source, { 0, A::length(*source) });
        EXPECT_EQ(bxtest::describeParagraphLooks(*part), looks);
        auto whole = bxtest::typedLines({ { u"old"_qs, 9 } });
        A::replaceCharacters(*whole, { 0, A::length(*whole) }, *source);
        EXPECT_EQ(bxtest::describeParagraphLooks(*whole), looks);
        auto inside = bxtest::typedLines({ { u"old"_qs, 9 } });
        A::replaceCharacters(*inside, { 1, 0 }, *source);
        EXPECT_EQ(A::fontPointSize(inside->begin().charFormat()), 9);
    }
}

// Lists belong to their document: a copy gets lists of its own, with the same items.
TEST(AttributedText, CopiesKeepListsInTheirOwnDocument)
{
    auto doc = A::makeDocument();
    QTextCursor cursor(doc.get());
    cursor.insertText(QStringLiteral("intro"));
    cursor.insertBlock();
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.createList(bullets);
    cursor.insertText(QStringLiteral("one"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("two"));
    cursor.insertBlock();
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setIndent(2);
    cursor.createList(numbers);
    cursor.insertText(QStringLiteral("deeper"));
    AttributedText::insertAttachment(cursor, { "png bytes", QStringLiteral("a.png"), {} });

    // Each paragraph as "text{L:style/indent#number}", L naming its Qt list in order met.
    const auto describe = [](const QTextDocument& text) {
        QHash<const QTextList*, QChar> names;
        QStringList paragraphs;
        for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
            QString paragraph = block.text();
            if (const QTextList* list = block.textList()) {
                if (!names.contains(list))
                    names.insert(list, QChar(char16_t(u'A' + names.size())));
                paragraph += QStringLiteral("{%1:%2/%3#%4}")
                                 .arg(names.value(list))
                                 .arg(int(list->format().style()))
                                 .arg(list->format().indent())
                                 .arg(list->itemNumber(block) + 1);
            }
            paragraphs << paragraph;
        }
        return paragraphs.join(u" | ").toStdString();
    };
    const auto copy = A::copyRemovingAttachments(*doc);
    EXPECT_EQ(describe(*copy), "intro | one{A:-1/1#1} | two{A:-1/1#2} | deeper{B:-4/2#1}");
    const auto tail = A::attributedSubstring(*doc, { 6, 7 });
    EXPECT_EQ(describe(*tail), "one{A:-1/1#1} | two{A:-1/1#2}");
}

TEST(AttributedText, ParagraphsAndWords)
{
    auto doc = A::makeDocument();
    QTextCursor(doc.get()).insertText(QStringLiteral("It's 2 o'clock.\n\nCafé, naïve — done\n"));
    std::vector<std::pair<TextRange, TextRange>> paragraphs;
    A::enumerateParagraphs(*doc, [&](TextRange p, TextRange e, bool*) {
        paragraphs.push_back({ p, e });
    });
    ASSERT_EQ(paragraphs.size(), 3u);
    EXPECT_EQ(paragraphs[0], (std::pair { TextRange { 0, 15 }, TextRange { 0, 16 } }));
    EXPECT_EQ(paragraphs[1], (std::pair { TextRange { 16, 0 }, TextRange { 16, 1 } }));
    EXPECT_EQ(paragraphs[2], (std::pair { TextRange { 17, 18 }, TextRange { 17, 19 } }));

    QStringList words;
    const QString text = A::string(*doc);
    A::enumerateWords(*doc, [&](TextRange w, bool*) { words << text.mid(w.location, w.length); });
    EXPECT_EQ(words, (QStringList { "It's", "2", "o'clock", "Café", "naïve", "done" }));
}

// Text from Qt's HTML import reports what it shows: headings at their scaled size, Qt's own
// underline and strike-out as the style masks.
TEST(AttributedText, AttributesOfImportedHtml)
{
    const auto doc = HtmlReader::fromHtml(u"<h1>H1</h1><h2>H2</h2><h3>H3</h3><p><u>u</u> <s>s</s> "
                                          "<span style='text-decoration: underline line-through'>"
                                          "b</span> <small>small</small> plain</p>"_qs);
    const double system = A::systemFont().pointSizeF();
    const QString text = A::string(*doc);
    struct Case {
        const char* word;
        double size; // 0: no size of its own
        int underline;
        int strike;
    };
    const std::vector<Case> cases = {
        { "H1", system * 2.0, 0, 0 },
        { "H2", system * 1.5, 0, 0 },
        { "H3", system * 1.2, 0, 0 },
        { "u", 0, 1, 0 },
        { "s", 0, 0, 1 },
        { "b", 0, 1, 1 },
        { "small", system * 0.8, 0, 0 },
        { "plain", 0, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const qsizetype at
            = text.indexOf(QRegularExpression(u"\\b"_qs + QLatin1StringView(c.word) + u"\\b"_qs));
        ASSERT_GE(at, 0);
        const QVariantMap attributes = A::attributes(*doc, at);
        if (c.size > 0)
            EXPECT_NEAR(
                attributes.value(A::FontAttributeName).value<QFont>().pointSizeF(), c.size, 0.001);
        else
            EXPECT_FALSE(attributes.contains(A::FontAttributeName));
        EXPECT_EQ(attributes.value(A::UnderlineStyleAttributeName).toInt(), c.underline);
        EXPECT_EQ(attributes.value(A::StrikethroughStyleAttributeName).toInt(), c.strike);
    }

    // A font laid over a heading sets the size shown, and taking the font off leaves none.
    QFont font = A::systemFont();
    font.setPointSizeF(30);
    A::addAttribute(*doc, A::FontAttributeName, font, { 0, 2 });
    EXPECT_EQ(A::attribute(*doc, A::FontAttributeName, 0).value<QFont>().pointSizeF(), 30);
    EXPECT_EQ(doc->begin().begin().fragment().charFormat().font().pointSizeF(), 30);
    A::removeAttribute(*doc, A::FontAttributeName, { 3, 2 });
    EXPECT_FALSE(A::attribute(*doc, A::FontAttributeName, 3).isValid());
}

} // namespace
